// IQuery: issuing a context's request: subscribe, one-shot request, cancel.
// subscribe and request return false when the engine took no request (no
// request id was free, or the command had nothing to send); a query with no
// command at all has nothing to refuse and returns true.
#ifndef PELMAR_IQUERY_H
#define PELMAR_IQUERY_H

class IQuery {
public:
    virtual ~IQuery() = default;
    virtual bool subscribe() = 0;
    virtual bool request() = 0;
    virtual void cancel() = 0;
};

#endif

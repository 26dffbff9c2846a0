// IQuery: issuing a context's request: subscribe, one-shot request, cancel.
#ifndef PELMAR_IQUERY_H
#define PELMAR_IQUERY_H

class IQuery {
public:
    virtual ~IQuery() = default;
    virtual void subscribe() = 0;
    virtual void request() = 0;
    virtual void cancel() = 0;
};

#endif

// IRefresh: re-delivers what a client holds without asking the server.
#ifndef PELMAR_IREFRESH_H
#define PELMAR_IREFRESH_H

class IRefresh {
public:
    virtual ~IRefresh() = default;
    virtual void refresh() = 0;
};

#endif

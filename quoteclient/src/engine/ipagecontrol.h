// IPageControl: moves a context's page {first row, row count}; true when the
// page changed.
#ifndef PELMAR_IPAGECONTROL_H
#define PELMAR_IPAGECONTROL_H

#include "context.h"

class IPageControl {
public:
    virtual ~IPageControl() = default;
    virtual bool previous(ContextPage& page) = 0;
    virtual bool next(ContextPage& page) = 0;
};

#endif

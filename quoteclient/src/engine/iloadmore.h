// ILoadMore: asks for `n` bars older than those held; false when nothing was sent.
#ifndef PELMAR_ILOADMORE_H
#define PELMAR_ILOADMORE_H

class ILoadMore {
public:
    virtual ~ILoadMore() = default;
    virtual bool load_more(int n) = 0;
};

#endif

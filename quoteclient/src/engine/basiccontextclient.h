// BasicContextClient: what a context's current client offers; each accessor
// yields null when the client does not offer that interface.
#ifndef PELMAR_BASICCONTEXTCLIENT_H
#define PELMAR_BASICCONTEXTCLIENT_H

class IQuery;
class ILoadMore;
class IPageControl;
class IRefresh;

class BasicContextClient {
public:
    virtual ~BasicContextClient() = default;
    virtual IQuery* query() = 0;
    virtual ILoadMore* load_more() = 0;
    virtual IPageControl* page_control() = 0;
    virtual IRefresh* refresh() = 0;
};

#endif

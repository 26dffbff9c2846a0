// DefaultClientImpl: a context client made of optional parts (query, load
// more, page control, refresh); a fresh context holds one with none of them.
#ifndef PELMAR_DEFAULTCLIENTIMPL_H
#define PELMAR_DEFAULTCLIENTIMPL_H

#include <memory>

#include "basiccontextclient.h"
#include "iloadmore.h"
#include "ipagecontrol.h"
#include "iquery.h"
#include "irefresh.h"

class DefaultClientImpl : public BasicContextClient {
public:
    IQuery* query() override { return query_.get(); }
    ILoadMore* load_more() override { return load_more_.get(); }
    IPageControl* page_control() override { return page_control_.get(); }
    IRefresh* refresh() override { return refresh_.get(); }

    void set_query(std::unique_ptr<IQuery> q) { query_ = std::move(q); }
    void set_page_control(std::unique_ptr<IPageControl> p) { page_control_ = std::move(p); }

private:
    std::unique_ptr<IQuery> query_;
    std::unique_ptr<ILoadMore> load_more_;
    std::unique_ptr<IPageControl> page_control_;
    std::unique_ptr<IRefresh> refresh_;
};

#endif

// KDataClient: the context client of K-line contexts (periods 33 to 41). It
// keeps the bar cache (KData) with its two command clients, the request
// (B2CClient0x44) and the load of older bars (B2CClientLoadMore), and offers
// query, load more and refresh; it has no page control. A new one, with an
// empty cache, is made by every request and subscribe of the context.
#ifndef PELMAR_KDATACLIENT_H
#define PELMAR_KDATACLIENT_H

#include <memory>

#include "basiccontextclient.h"
#include "iloadmore.h"
#include "iquery.h"
#include "irefresh.h"
#include "kdata.h"

class B2CClient0x44;
class B2CClientLoadMore;
class B2CService;
class Context;

class KDataClient : public BasicContextClient {
public:
    static std::shared_ptr<KDataClient> create(Context& context);
    explicit KDataClient(Context& context);

    IQuery* query() override { return &ops_; }
    ILoadMore* load_more() override { return &ops_; }
    IPageControl* page_control() override { return nullptr; }
    IRefresh* refresh() override { return &ops_; }

    const std::shared_ptr<KData>& data() const { return data_; }

private:
    // The three operations; kept apart from the accessors, whose names they share.
    class Ops : public IQuery, public ILoadMore, public IRefresh {
    public:
        explicit Ops(KDataClient& owner) : owner_(owner) {}
        bool subscribe() override;
        bool request() override;
        void cancel() override;
        bool load_more(int n) override;
        void refresh() override;

    private:
        KDataClient& owner_;
    };

    B2CService* engine_;
    std::weak_ptr<Context> context_;
    std::shared_ptr<KData> data_;
    std::shared_ptr<B2CClient0x44> main_;
    std::shared_ptr<B2CClientLoadMore> more_;
    Ops ops_{*this};
};

#endif

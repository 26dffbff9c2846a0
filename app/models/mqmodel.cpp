#include "models/mqmodel.h"

#include <algorithm>
#include <cstring>

#include "models/codetext.h"
#include "shell/quoteproxy.h"

namespace {

// The first entry of list whose handle is ctx, scanning until a null handle.
quote_ctx* findInList(const std::vector<QuoteCtxPtr>& list, quote_ctx* ctx)
{
    for (const QuoteCtxPtr& p : list) {
        if (!p)
            break;
        if (p.get() == ctx)
            return p.get();
    }
    return nullptr;
}

bool owns(const QuoteCtxPtr& slot, const QuoteReply* rpl)
{
    return slot && rpl && slot.get() == rpl->ctx;
}

// The settings of a series context: the minute line (period
// QUOTE_PERIOD_MINUTE; of the day of *time when given) or the K-lines of
// period in a page of pageSize bars.
void setUpSeries(quote_ctx* ctx, const CodeEntry& entry, uint8_t period, uint16_t pageSize,
                 const int64_t* time = nullptr)
{
    const QuoteApi& q = quoteApi();
    if (period == QUOTE_PERIOD_MINUTE)
        q.set_page(ctx, 0xFFFF, 0);
    else
        q.set_page(ctx, 0, pageSize);
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    if (time)
        q.set_time(ctx, *time, 0, 0);
    q.set_peroid(ctx, period);
    q.set_code(ctx, entry.bytes, 1);
}

// The settings of a quote context (the price panel's fields).
void setUpPrice(quote_ctx* ctx, const CodeEntry& entry)
{
    const QuoteApi& q = quoteApi();
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_REALTIME);
    q.set_code(ctx, entry.bytes, 1);
    q.set_market_field(ctx, MQModel::priceFields().data(), int(MQModel::priceFields().size()));
}

}  // namespace

MQModel::MQModel(QObject* parent) : QObject(parent)
{
    std::memset(&codeInfo_, 0, sizeof codeInfo_);
    QuoteProxy* proxy = QuoteProxy::instance();
    const auto blocking = Qt::BlockingQueuedConnection;
    connect(proxy, &QuoteProxy::quoteReplayTypeMinute, this, &MQModel::onQuoteReplayTypeMinute, blocking);
    connect(proxy, &QuoteProxy::quoteReplayTypeKLine, this, &MQModel::onQuoteReplayTypeKLine, blocking);
    connect(proxy, &QuoteProxy::quoteReplayTypeDividend, this, &MQModel::onQuoteReplayTypeDividend, blocking);
    connect(proxy, &QuoteProxy::quoteReplayTypePrice, this, &MQModel::onQuoteReplayTypePrice, blocking);
    connect(proxy, &QuoteProxy::quoteDetail, this, &MQModel::onQuoteReplayTypeDetail, blocking);
    connect(proxy, &QuoteProxy::quoteStockTip, this, &MQModel::onQuoteReplayTypeStockTip, blocking);
}

MQModel::~MQModel()
{
    prefetched_.clear();
    kLineCtxs_.clear();
    minuteCtxs_.clear();
    priceCtx_.reset();
    detailsCtx_.reset();
    stockTipCtx_.reset();
    dividendCtx_.reset();
}

QString MQModel::code() const
{
    return codeInfoCode(codeInfo_);
}

int MQModel::market() const
{
    return static_cast<int8_t>(codeInfo_.market);
}

int MQModel::type() const
{
    return codeInfo_.market == 0 ? 2 : static_cast<int8_t>(codeInfo_.type);
}

const std::vector<uint16_t>& MQModel::priceFields()
{
    static const std::vector<uint16_t> ids = [] {
        std::vector<uint16_t> v;
        // Every field from the identity to the inner volume, then the book
        // totals, the company figures and the block counts.
        for (uint16_t i = QUOTE_FIELD_IDENTITY; i <= QUOTE_FIELD_GREEN_VOLUME; ++i)
            v.push_back(i);
        for (uint16_t i : {QUOTE_FIELD_TOTAL_BUY, QUOTE_FIELD_TOTAL_SHARES, QUOTE_FIELD_EPS, QUOTE_FIELD_FLOAT_SHARES,
                           QUOTE_FIELD_RISE_COUNT, QUOTE_FIELD_FLAT_COUNT, QUOTE_FIELD_FALL_COUNT, QUOTE_FIELD_BLOCK_ID,
                           QUOTE_FIELD_ALL_COUNT})
            v.push_back(i);
        return v;
    }();
    return ids;
}

uint16_t MQModel::kLinePageSize(unsigned pageSize, unsigned cycle)
{
    if (pageSize == 2048 &&
        (cycle == QUOTE_PERIOD_KLINE_DAY || cycle == QUOTE_PERIOD_KLINE_WEEK || cycle == QUOTE_PERIOD_KLINE_MONTH))
        return 9999;
    // Saturates: a count that went negative in QML arrives as a huge unsigned.
    return static_cast<uint16_t>(std::min(pageSize, 0xFFFFu));
}

quote_ctx* MQModel::placeInList(std::vector<QuoteCtxPtr>& list, int sIndex)
{
    const size_t size = list.size();
    const unsigned index = static_cast<unsigned>(sIndex);  // compared unsigned: negative is "beyond"
    if (index > size)
        return nullptr;
    QuoteCtxPtr ctx = makeQuoteCtx();
    if (index == size)
        list.push_back(ctx);
    else
        list[index] = ctx;  // releases the old entry, ending its subscription
    return ctx.get();
}

// The newest day (withTime false) or the day of `time` into minute slot sIndex.
void MQModel::requestMinute(const QString& code, uint market, int sIndex, bool withTime, uint time)
{
    quote_ctx* ctx = placeInList(minuteCtxs_, sIndex);
    if (!ctx)
        return;
    const QuoteApi& q = quoteApi();
    const int64_t day = static_cast<int64_t>(time);
    setUpSeries(ctx, makeCodeEntry(code, market), QUOTE_PERIOD_MINUTE, 0, withTime ? &day : nullptr);
    q.set_user_data(ctx, sIndex);
    q.subscribe(ctx);
}

void MQModel::getMinuteData(QString code, uint market, int sIndex)
{
    requestMinute(code, market, sIndex, false, 0);
    noteSlotZero(sIndex, Series{code, market, QUOTE_PERIOD_MINUTE, 0xFFFF});
}

void MQModel::getHMinuteData(QString code, uint market, int sIndex, uint time)
{
    requestMinute(code, market, sIndex, true, time);
    noteSlotZero(sIndex, Series{});  // a past day: no snapshot stands for it
}

// GUI thread.
void MQModel::noteSlotZero(int sIndex, const Series& s)
{
    if (sIndex != 0)
        return;
    slotZero_ = s;
    slotZeroAnswered_ = false;
    slotZeroFromSnapshot_ = false;
}

void MQModel::getKLineData(QString code, uint market, uint page_size, uint cycle, int sIndex)
{
    quote_ctx* ctx = placeInList(kLineCtxs_, sIndex);
    if (!ctx)
        return;
    const QuoteApi& q = quoteApi();
    const CodeEntry entry = makeCodeEntry(code, market);
    setUpSeries(ctx, entry, static_cast<uint8_t>(cycle), kLinePageSize(page_size, cycle));
    q.set_user_data(ctx, sIndex);
    q.subscribe(ctx);
    requestDividend(entry);
    noteSlotZero(sIndex, Series{code, market, static_cast<uint8_t>(cycle), kLinePageSize(page_size, cycle)});
}

void MQModel::requestDividend(const CodeEntry& entry)
{
    dividendCtx_ = makeQuoteCtx();
    quote_ctx* ctx = dividendCtx_.get();
    const QuoteApi& q = quoteApi();
    q.set_type(ctx, QUOTE_TYPE_DIVIDEND);
    q.set_code(ctx, entry.bytes, 1);
    q.subscribe(ctx);
}

void MQModel::cancelFrom(std::vector<QuoteCtxPtr>& list, int sIndex)
{
    if (sIndex < 0 || size_t(sIndex) >= list.size())
        return;
    for (size_t i = size_t(sIndex); i < list.size(); ++i) {
        if (list[i])
            quoteApi().cancel(list[i].get());
        list[i].reset();
    }
    list.resize(size_t(sIndex));
}

void MQModel::keepOnly(std::vector<QuoteCtxPtr>& list, int saveIndex)
{
    if (saveIndex < 0 || size_t(saveIndex) >= list.size())
        return;
    QuoteCtxPtr kept = list[size_t(saveIndex)];
    list.clear();
    list.push_back(kept);
}

void MQModel::cancelMinute(int sIndex)
{
    cancelFrom(minuteCtxs_, sIndex);
}

void MQModel::cancelOtherMinute(int saveIndex)
{
    keepOnly(minuteCtxs_, saveIndex);
}

void MQModel::cancelKLine(int sIndex)
{
    if (sIndex < 0)
        return;
    cancelFrom(kLineCtxs_, sIndex);
    if (kLineCtxs_.empty())
        clearDividend();
}

void MQModel::cancelOtherKLine(int saveIndex)
{
    keepOnly(kLineCtxs_, saveIndex);
}

void MQModel::loadMoreKLine(uint page_size)
{
    for (const QuoteCtxPtr& p : kLineCtxs_)
        if (p)
            quoteApi().load_more(p.get(), static_cast<int>(std::min(page_size, 0xFFFFu)));
}

void MQModel::getPriceData(QString code, uint market)
{
    priceCtx_ = makeQuoteCtx();
    setUpPrice(priceCtx_.get(), makeCodeEntry(code, market));
    quoteApi().subscribe(priceCtx_.get());
    priceCode_ = code;
    priceMarket_ = market;
    priceAnswered_ = false;
}

void MQModel::cancelPrice()
{
    priceCtx_.reset();
}

void MQModel::getDetailData(QString acode, uint market, int sIndex, uint page_size)
{
    detailsCtx_ = makeQuoteCtx();
    quote_ctx* ctx = detailsCtx_.get();
    const QuoteApi& q = quoteApi();
    const CodeEntry entry = makeCodeEntry(acode, market);
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_DETAIL);
    q.set_code(ctx, entry.bytes, 1);
    q.set_page(ctx, static_cast<uint16_t>(sIndex), static_cast<uint16_t>(page_size));
    q.subscribe(ctx);
}

void MQModel::cancelDetail()
{
    detailsCtx_.reset();
}

void MQModel::getStockTipData(QString acode, uint market, uint page_size)
{
    stockTipCtx_ = makeQuoteCtx();
    quote_ctx* ctx = stockTipCtx_.get();
    const QuoteApi& q = quoteApi();
    const CodeEntry entry = makeCodeEntry(acode, market);
    q.set_type(ctx, QUOTE_TYPE_TIPS);
    q.set_code(ctx, entry.bytes, 1);
    q.set_page(ctx, 0, static_cast<uint16_t>(page_size));
    q.subscribe(ctx);
}

void MQModel::getStockTipData(uint block, uint page_size)
{
    stockTipCtx_ = makeQuoteCtx();
    quote_ctx* ctx = stockTipCtx_.get();
    const QuoteApi& q = quoteApi();
    q.set_type(ctx, QUOTE_TYPE_TIPS);
    q.set_block(ctx, static_cast<int64_t>(block));
    q.set_page(ctx, 0, static_cast<uint16_t>(page_size));
    q.subscribe(ctx);
}

void MQModel::cancelStockTip()
{
    stockTipCtx_.reset();
}

void MQModel::getDividendData(QString acode, uint market)
{
    requestDividend(makeCodeEntry(acode, market));
}

void MQModel::clearDividend()
{
    dividendCtx_.reset();
    QuoteDividendPoints none;
    std::memset(&none, 0, sizeof none);
    emit updateDividend(&none);
}

void MQModel::cancelDividend()
{
    clearDividend();
}

void MQModel::refreshFirstKLine()
{
    if (kLineCtxs_.empty() || !kLineCtxs_.front())
        return;
    quote_ctx* first = kLineCtxs_.front().get();
    quoteApi().set_option(first, dividendOption_);
    quoteApi().update(first);
}

void MQModel::setDividendCmd(QString cmd)
{
    dividendOption_ = cmd == QLatin1String("fd")   ? QUOTE_OPTION_KLINE_FORWARD
                      : cmd == QLatin1String("bd") ? QUOTE_OPTION_KLINE_BACKWARD
                                                   : QUOTE_OPTION_KLINE_NO_ADJUST;
    refreshFirstKLine();
}

void MQModel::onQuoteReplayTypePrice(const QuoteReply* rpl)
{
    if (!rpl || !rpl->data)
        return;
    const auto* rt = static_cast<const QuoteRealTimeMarket*>(rpl->data);
    if (!owns(priceCtx_, rpl)) {
        if (QuoteSnapshot* s = snapshotFor(rpl, &Prefetched::price))
            s->takePrice(*rt);
        return;
    }
    priceAnswered_ = true;
    codeInfo_ = rt->code_info;
    emit codeInfoChanged();
    emit updatePrice(*rt);
}

void MQModel::onQuoteReplayTypeDetail(const QuoteReply* rpl)
{
    if (!owns(detailsCtx_, rpl) || !rpl->data)
        return;
    emit updateDetail(*static_cast<const QuoteDetailPoints*>(rpl->data));
}

void MQModel::onQuoteReplayTypeStockTip(const QuoteReply* rpl)
{
    if (!owns(stockTipCtx_, rpl))
        return;
    emit updateStockTip(rpl);
}

void MQModel::onQuoteReplayTypeDividend(const QuoteReply* rpl)
{
    if (!owns(dividendCtx_, rpl))
        return;
    emit updateDividend(static_cast<const QuoteDividendPoints*>(rpl->data));
    // Only adjusted bars need the first K-line series again, now that its
    // dividends are known; unadjusted ones (option 1) came as they stay.
    if (dividendOption_ != QUOTE_OPTION_KLINE_NO_ADJUST)
        refreshFirstKLine();
}

void MQModel::onQuoteReplayTypeKLine(const QuoteReply* rpl)
{
    if (!rpl || !rpl->data)
        return;
    quote_ctx* ctx = findInList(kLineCtxs_, rpl->ctx);
    if (!ctx) {
        if (QuoteSnapshot* s = snapshotFor(rpl, &Prefetched::bars))
            s->takeKLine(*static_cast<const QuoteKPoints*>(rpl->data));
        return;
    }
    const auto* k = static_cast<const QuoteKPoints*>(rpl->data);
    if (ctx == kLineCtxs_.front().get()) {
        slotZeroAnswered_ = true;
        if (slotZeroFromSnapshot_) {
            slotZeroFromSnapshot_ = false;
            emit replaceKLine(k, int(quoteApi().get_user_data(ctx)));
            return;
        }
    }
    emit updateKLine(k, int(quoteApi().get_user_data(ctx)));
}

void MQModel::onQuoteReplayTypeMinute(const QuoteReply* rpl)
{
    if (!rpl || !rpl->data)
        return;
    quote_ctx* ctx = findInList(minuteCtxs_, rpl->ctx);
    if (!ctx) {
        if (QuoteSnapshot* s = snapshotFor(rpl, &Prefetched::bars))
            s->takeMinute(*static_cast<const QuoteMinPoints*>(rpl->data));
        return;
    }
    if (ctx == minuteCtxs_.front().get())
        slotZeroAnswered_ = true;
    emit updateMinute(static_cast<const QuoteMinPoints*>(rpl->data), int(quoteApi().get_user_data(ctx)));
}

// GUI thread.
QuoteSnapshot* MQModel::snapshotFor(const QuoteReply* rpl, QuoteCtxPtr Prefetched::*ctx)
{
    for (Prefetched& p : prefetched_)
        if (owns(p.*ctx, rpl))
            return p.snapshot.get();
    return nullptr;
}

// GUI thread.
void MQModel::prefetch(QVariantList stocks, bool kline, uint page_size, uint cycle)
{
    const Series kind = kline ? Series{QString(), 0, static_cast<uint8_t>(cycle), kLinePageSize(page_size, cycle)}
                              : Series{QString(), 0, QUOTE_PERIOD_MINUTE, 0xFFFF};
    if (!kind.sameKind(prefetchKind_))
        cancelPrefetch();
    prefetchKind_ = kind;
    std::vector<Prefetched> kept;
    for (const QVariant& v : stocks) {
        const QVariantMap s = v.toMap();
        const QString code = s.value(QStringLiteral("code")).toString();
        const uint market = s.value(QStringLiteral("market")).toUInt();
        if (code.isEmpty())
            continue;
        if (prefetchedIn(kept, code, market))
            continue;
        if (Prefetched* old = prefetchedFor(code, market)) {
            kept.push_back(std::move(*old));
            old->series = Series{};
            continue;
        }
        Prefetched p;
        p.series = kind;
        p.series.code = code;
        p.series.market = market;
        p.snapshot = std::make_unique<QuoteSnapshot>();
        const CodeEntry entry = makeCodeEntry(code, market);
        p.bars = makeQuoteCtx();
        setUpSeries(p.bars.get(), entry, kind.period, kind.pageSize);
        quoteApi().request(p.bars.get());
        p.price = makeQuoteCtx();
        setUpPrice(p.price.get(), entry);
        quoteApi().request(p.price.get());
        kept.push_back(std::move(p));
    }
    // Those no longer asked for are released, which cancels their requests.
    prefetched_.swap(kept);
}

// GUI thread.
void MQModel::cancelPrefetch()
{
    prefetched_.clear();
    prefetchKind_ = Series{};
}

// GUI thread.
bool MQModel::showPrefetched()
{
    Prefetched* p = prefetchedFor(slotZero_.code, slotZero_.market);
    if (!p || slotZero_.period == 0 || !slotZero_.sameKind(p->series))
        return false;
    const QuoteSnapshot& snap = *p->snapshot;
    if (!priceAnswered_ && priceCtx_ && snap.price() && priceCode_ == slotZero_.code &&
        priceMarket_ == slotZero_.market) {
        codeInfo_ = snap.price()->code_info;
        emit codeInfoChanged();
        emit updatePrice(*snap.price());
    }
    if (slotZeroAnswered_)
        return false;
    if (slotZero_.period == QUOTE_PERIOD_MINUTE) {
        if (minuteCtxs_.empty() || !minuteCtxs_.front() || !snap.minute())
            return false;
        emit updateMinute(snap.minute(), 0);
    } else {
        if (kLineCtxs_.empty() || !kLineCtxs_.front() || !snap.kLine())
            return false;
        slotZeroFromSnapshot_ = true;
        emit updateKLine(snap.kLine(), 0);
    }
    return true;
}

bool MQModel::hasPrefetched(const QString& code, uint market) const
{
    const Prefetched* p = prefetchedIn(prefetched_, code, market);
    return p && p->snapshot->price() && (p->snapshot->kLine() || p->snapshot->minute());
}

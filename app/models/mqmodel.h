// MQModel: everything one view asks about one stock — the price record, tick
// details, stock tips, dividends and any number of minute and K-line series
// (one per chart slot). Each request is a market-data context owned here;
// replies of every context of the process arrive through the bridge, and the
// model re-emits only its own, by pointer, valid during the emission only.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

#include "models/quoteapi.h"
#include "models/quotesnapshot.h"

class MQModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString code READ code NOTIFY codeInfoChanged)
    Q_PROPERTY(int market READ market NOTIFY codeInfoChanged)
    Q_PROPERTY(int type READ type NOTIFY codeInfoChanged)
public:
    explicit MQModel(QObject* parent = nullptr);
    ~MQModel() override;

    QString code() const;
    int market() const;
    int type() const;

    // The 56 market field ids of the price request, in order.
    static const std::vector<uint16_t>& priceFields();
    // Bars a K-line request asks for: 9999 for 2048 bars of day, week or month;
    // counts above the 16-bit page field saturate at 65535.
    static uint16_t kLinePageSize(unsigned pageSize, unsigned cycle);

    int kLineCount() const { return int(kLineCtxs_.size()); }
    int minuteCount() const { return int(minuteCtxs_.size()); }
    int dividendOption() const { return dividendOption_; }

    Q_INVOKABLE void getMinuteData(QString code, uint market, int sIndex);
    Q_INVOKABLE void cancelMinute(int sIndex);
    Q_INVOKABLE void cancelOtherMinute(int saveIndex = 0);
    Q_INVOKABLE void getHMinuteData(QString code, uint market, int sIndex, uint time);
    Q_INVOKABLE void getKLineData(QString code, uint market, uint page_size, uint cycle, int sIndex);
    Q_INVOKABLE void cancelKLine(int sIndex);
    Q_INVOKABLE void cancelOtherKLine(int saveIndex = 0);
    Q_INVOKABLE void loadMoreKLine(uint page_size);
    Q_INVOKABLE void getPriceData(QString code, uint market);
    Q_INVOKABLE void cancelPrice();
    Q_INVOKABLE void getDetailData(QString acode, uint market, int sIndex, uint page_size);
    Q_INVOKABLE void cancelDetail();
    Q_INVOKABLE void getStockTipData(QString acode, uint market, uint page_size);
    Q_INVOKABLE void getStockTipData(uint block, uint page_size);
    Q_INVOKABLE void cancelStockTip();
    Q_INVOKABLE void getDividendData(QString acode, uint market);
    Q_INVOKABLE void cancelDividend();
    Q_INVOKABLE void setDividendCmd(QString cmd);

    // Neighbour prefetch: one request (no subscription) for the bars of slot
    // 0's kind (K-lines of `cycle` in pages of page_size, or the minute line)
    // and the quote of each stock of `stocks` ({code, market}), kept as
    // snapshots. Stocks asked for before keep their snapshot; the others, and
    // everything when the kind changed, go.
    Q_INVOKABLE void prefetch(QVariantList stocks, bool kline, uint page_size, uint cycle);
    // Drops the prefetch requests and snapshots.
    Q_INVOKABLE void cancelPrefetch();
    // Hands the snapshot of the stock slot 0 and the quote ask for, as
    // replies of theirs, to whichever still waits for its first reply; true
    // when slot 0 got bars. The subscriptions' own replies follow as ever.
    Q_INVOKABLE bool showPrefetched();
    int prefetchCount() const { return int(prefetched_.size()); }
    // Both the bars and the quote of the stock came in.
    bool hasPrefetched(const QString& code, uint market) const;

signals:
    void codeInfoChanged();
    void updateMinute(const QuoteMinPoints* minute, int index);
    void updateKLine(const QuoteKPoints* k, int index);
    // Slot 0's first reply after showPrefetched() gave it a snapshot: the
    // whole series, to replace the snapshot's bars rather than merge with them.
    void replaceKLine(const QuoteKPoints* k, int index);
    void updateDividend(const QuoteDividendPoints* div);
    void updatePrice(const QuoteRealTimeMarket& rt);
    void updateDetail(const QuoteDetailPoints& dp);
    void updateStockTip(const QuoteReply* rpl);

public slots:
    // GUI thread, while the quote-engine thread waits on the delivery.
    void onQuoteReplayTypeMinute(const QuoteReply* rpl);
    void onQuoteReplayTypeKLine(const QuoteReply* rpl);
    void onQuoteReplayTypeDividend(const QuoteReply* rpl);
    void onQuoteReplayTypePrice(const QuoteReply* rpl);
    void onQuoteReplayTypeDetail(const QuoteReply* rpl);
    void onQuoteReplayTypeStockTip(const QuoteReply* rpl);

private:
    // Places a new context into list[sIndex] by the slot rule; null when the
    // index lies beyond the end (nothing is sent then).
    quote_ctx* placeInList(std::vector<QuoteCtxPtr>& list, int sIndex);
    void requestMinute(const QString& code, uint market, int sIndex, bool withTime, uint time);
    void cancelFrom(std::vector<QuoteCtxPtr>& list, int sIndex);
    static void keepOnly(std::vector<QuoteCtxPtr>& list, int saveIndex);
    void requestDividend(const CodeEntry& entry);
    void refreshFirstKLine();
    void clearDividend();

    // What a series request asks for, as far as a snapshot must match it.
    struct Series {
        QString code;
        uint market = 0;
        uint8_t period = 0;  // 0: nothing a snapshot can stand for
        uint16_t pageSize = 0;
        bool sameKind(const Series& o) const { return period == o.period && pageSize == o.pageSize; }
        bool isStock(const QString& c, uint m) const { return code == c && market == m; }
    };
    struct Prefetched {
        Series series;
        QuoteCtxPtr bars, price;
        std::unique_ptr<QuoteSnapshot> snapshot;
    };
    // The entry of the stock in `list`, or null.
    template <typename List>
    static auto prefetchedIn(List& list, const QString& code, uint market) -> decltype(&list.front())
    {
        for (auto& p : list)
            if (p.series.isStock(code, market))
                return &p;
        return nullptr;
    }
    Prefetched* prefetchedFor(const QString& code, uint market) { return prefetchedIn(prefetched_, code, market); }
    // The snapshot whose context (bars or price) asked for rpl, or null.
    QuoteSnapshot* snapshotFor(const QuoteReply* rpl, QuoteCtxPtr Prefetched::*ctx);
    void noteSlotZero(int sIndex, const Series& s);

    QuoteCodeInfo codeInfo_;
    QuoteCtxPtr priceCtx_, detailsCtx_, stockTipCtx_, dividendCtx_;
    std::vector<QuoteCtxPtr> kLineCtxs_, minuteCtxs_;
    int dividendOption_ = QUOTE_OPTION_KLINE_NO_ADJUST;

    std::vector<Prefetched> prefetched_;
    Series prefetchKind_;
    // What slot 0 and the quote asked for last, and whether a reply came.
    Series slotZero_;
    bool slotZeroAnswered_ = false;
    bool slotZeroFromSnapshot_ = false;  // K-lines of a snapshot shown in slot 0
    QString priceCode_;
    uint priceMarket_ = 0;
    bool priceAnswered_ = false;
};

// TableModel: the ranked or listed quote table behind every list screen. It
// owns one market-data context, fills it with a query (a block, a group's
// codes or one block-index code), subscribes it and rebuilds its rows, already
// formatted for the screen, from every real-time reply for that context.
// Row 0 of rows_ is the header; the item model shows the data rows only.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <array>
#include <QVariant>

#include <vector>

#include "models/quoteapi.h"

struct TableItemData {
    QString text;
    QString color;   // "#RRGGBB"
    QString acolor;  // "#AARRGGBB"; "#00000000" means no flash
    int align = 0;   // 1 left, 2 right, 4 centre
};

// Where the group queries read the user's stock groups: the store's "result"
// array of groups, each with a "codes" array of {code, market_id}. The group
// store plugs in here at start-up (GroupStore::tableSource); without a source
// no group exists.
class StockGroupSource {
public:
    enum Kind { MyStock, Screening, StockPool };
    virtual ~StockGroupSource() = default;
    virtual QJsonArray groups(Kind kind) const = 0;
};

class TableModel : public QAbstractTableModel {
    Q_OBJECT
    Q_PROPERTY(QVariantList fixedRow READ fixedRow NOTIFY fixedRowChanged)
    Q_PROPERTY(QVariantList fixedHead READ fixedHead NOTIFY fixedRowChanged)
public:
    explicit TableModel(QObject* parent = nullptr);
    ~TableModel() override;

    // The group source of every table (not owned; null: no groups).
    static void setGroupSource(const StockGroupSource* source);

    // The 29 market fields of the full layouts, in the order sent.
    static const std::vector<uint16_t>& fullFields();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QVariantList fixedRow() const;
    QVariantList fixedHead() const;
    int listKind() const { return listKind_; }
    bool hasContext() const { return bool(ctx_); }
    quote_ctx* context() const { return ctx_.get(); }

    // The cells of one data row for layout `kind` from a record; seq is the
    // row's sequence number. Empty for a kind without layout.
    // The industry, region and concept names of a row, copied while its reply
    // is held (the library may relink them on its own thread afterwards).
    using BlockNames = std::array<QString, 3>;
    static BlockNames blockNames(const QuoteRealTimeMarket& rt);
    // A row's cells; the block-name columns from `names`, or from the record's
    // symbol link when `names` is null.
    static std::vector<TableItemData> buildRow(int kind, const QuoteRealTimeMarket& rt, int seq,
                                               const BlockNames* names = nullptr);
    // The header cells of layout `kind` (empty for a kind without layout).
    static std::vector<TableItemData> buildHeader(int kind);
    // The market field by which column `column` of layout `kind` sorts; -1 none.
    static int sortField(int kind, int column);

    int setHeadersData(std::vector<TableItemData>& data);

    // True once the page after (down) or before the shown one has come in,
    // so that pageDown or pageUp shows its rows at once.
    bool neighbourReady(bool down) const;

signals:
    void textChange(int row, int column, QString sColor);
    void fixedRowChanged();
    void dataChange();

public slots:
    // GUI thread, while the quote-engine thread waits on the delivery.
    void onQuotePeroidRealTime(const QuoteReply* rpl);

    void initHeader(int mode_type);
    void setFixedColumn(uint n);
    int fixedColumnCount() const { return fixedColumn_; }
    void setHeadersData(int column, QString text, QString color);
    QVariant getHeaderData(int column) const;
    QVariant getHeaderData(int column, int fixed) const;
    QVariant getHeaderColor(int column) const;
    QVariant getHeaderColor(int column, int fixed) const;
    int getSortField(int column) const;
    QVariant getCodeInfo(int row) const;
    int getBlockId(QString acode, int market) const;
    QVariant getRowColumnData(int row, int column) const;
    QVariant getTextColor(int row, int column) const;
    QVariant getTextAnimationColor(int row, int column) const;

    void getQuotePeroidRealTime(uint block_id, int field, uint mode, uint page_size);
    void getGroupStockRealTime(int index, int field, uint mode, uint page_size);
    void getStockPoolRealTime(int index, int field, uint mode, uint page_size);
    void getMyStockRealTime(int index, int field, uint mode, uint page_size, uint page_index = 0);
    void getMyStockRealTime2(int index, int field, uint mode, uint page_size, uint page_index = 0);
    void getBlockIndex(QString acode, int market, int field, uint mode);

    void pageUp();
    void pageDown();
    void cancel();
    void update();
    void resubscribe(QString str);
    void clear();
    QString getCtx() const;

private:
    struct GroupQuery {
        StockGroupSource::Kind source;
        int listKind;
        bool compact;  // element 0 when index is inside the list, 11 fields
    };
    void groupQuery(const GroupQuery& q, int index, int field, uint mode, uint page_size, uint page_index);
    void setSort(quote_ctx* ctx, int field, uint mode) const;
    void clearRows();

    // A row as a reply brings it: the record with its symbol link cleared and
    // the block names that link held.
    struct Incoming {
        QuoteRealTimeMarket rt;
        BlockNames names;
    };
    // Rows of the shown page from `in`, numbered from firstNo: changed cells
    // announced (whole rows on a new page), rows that came or went inserted or
    // removed.
    void applyRows(const std::vector<Incoming>& in, int firstNo, bool newPage = false);
    std::vector<Incoming> incoming(const QuoteRealTimeMarket* recs, size_t n) const;

    // A page next to the shown one, asked for once (never subscribed) after a
    // page is shown, so that PgDn and PgUp show rows at once while the
    // subscription follows and corrects them with its first reply.
    struct Neighbour {
        QuoteCtxPtr ctx;       // its one-shot request; null once forgotten
        int first = -1;        // the page's first row; -1 none
        bool ready = false;    // its rows came
        bool wrapped = false;  // an empty page after the last was asked again at row 0
        bool probe = false;    // row 0 asked only for the row count, to find the last page
        bool last = false;     // the last page, the one before row 0
        std::vector<Incoming> rows;
    };
    Neighbour next_, prev_;
    // The first reply of a page position asks for the pages beside it.
    bool neighboursDue_ = false;
    // Codes of the page a switch to a neighbour left: a reply for that page
    // still on its way is dropped rather than shown over the new one.
    std::vector<QuoteCodeInfo> leftCodes_;
    // The context's settings as the library dumps them (empty without one).
    QJsonObject ctxText() const;
    void forgetNeighbours();
    void askNeighbours();
    void ask(Neighbour& nb, int first, const QJsonObject& text);
    // Asks prev_ for the last page, the one Page Up on the first page shows.
    void askLastPage(const QJsonObject& text);
    void takeNeighbour(Neighbour& nb, const QuoteRealTimeMarket* recs, size_t n);
    bool showNeighbour(bool down);
    const TableItemData* cell(int dataRow, int column) const;

    // Data rows are built from their record when first read after a push
    // (the views read only the rows in sight), so a push costs a comparison
    // and a copy per row; stale_ marks the rows still to build.
    mutable std::vector<std::vector<TableItemData>> rows_;
    // The record each data row is built from, to skip rows a push left unchanged.
    struct Record {
        QuoteRealTimeMarket rt{};  // symbol link cleared: names hold what it said
        BlockNames names;
        int seq = 0;
        int8_t flash = 0;  // last price rose (1) or fell (-1) against the push before
        mutable bool stale = false;
    };
    std::vector<Record> lastRecords_;
    // A row's cells from its record, its flash included.
    std::vector<TableItemData> buildCells(const Record& rec) const;
    std::vector<QuoteCodeInfo> codeInfos_;
    // Block ids by "code_market", made from the rows' ids when first asked.
    mutable QHash<QString, int> blockIds_;
    mutable bool blockIdsStale_ = false;
    std::vector<int32_t> rowBlockIds_;
    int fixedColumn_ = 2;
    int listKind_ = 0;
    QuoteCtxPtr ctx_;
    bool cancelled_ = false;  // the query was cancelled and not subscribed again since
};

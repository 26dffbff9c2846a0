#include "models/indexboardmodel.h"

#include <QDebug>

#include <cstring>

#include "models/codetext.h"

#include "shell/quoteproxy.h"

namespace {

// The server's category of concept blocks.
constexpr uint16_t kConceptCategory = 1016;

}  // namespace

IndexBoardModel::IndexBoardModel(QObject* parent) : QObject(parent), ctx_(makeQuoteCtx())
{
    indexCodes_[0] = makeCodeEntry("1A0001", 1);
    indexCodes_[1] = makeCodeEntry("399001", 2);
    indexCodes_[2] = makeCodeEntry("399006", 2);
    indexCodes_[3] = makeCodeEntry("399005", 2);
    indexCodes_[4] = makeCodeEntry("1A0004", 1);
    connect(QuoteProxy::instance(), &QuoteProxy::quotePeroidRealTime, this, &IndexBoardModel::onQuotePeroidRealTime,
            Qt::BlockingQueuedConnection);
}

IndexBoardModel::~IndexBoardModel()
{
    qDebug() << "\n~IndexBoardModel";
    ctx_.reset();
}

const std::vector<uint16_t>& IndexBoardModel::boardFields()
{
    static const std::vector<uint16_t> ids = {QUOTE_FIELD_IDENTITY, QUOTE_FIELD_CODE,      QUOTE_FIELD_DATE,
                                              QUOTE_FIELD_TIME,     QUOTE_FIELD_PRE_CLOSE, QUOTE_FIELD_CLOSE,
                                              QUOTE_FIELD_AMOUNT,   QUOTE_FIELD_RISE_RATE, QUOTE_FIELD_RISE_VALUE};
    return ids;
}

std::vector<int> IndexBoardModel::keptRecords(int n, int showSize)
{
    std::vector<int> kept;
    const int h = showSize / 2;
    if (n <= 0 || h <= 0)
        return kept;
    // A filter over [0, n): when n < 2h the two ends overlap and each record
    // is still kept once.
    for (int i = 0; i < n; ++i)
        if (i < h || i >= n - h)
            kept.push_back(i);
    return kept;
}

void IndexBoardModel::makeBoards(int n)
{
    for (int i = 0; i < n; ++i)
        boards_.append(new IndexBoard(this));
}

void IndexBoardModel::cancel()
{
    if (ctx_)
        quoteApi().cancel(ctx_.get());
}

void IndexBoardModel::getIndexData()
{
    mode_ = 0;
    strip_ = true;
    if (boards_.isEmpty())
        makeBoards(5);
    quote_ctx* ctx = ctx_.get();
    if (!ctx)
        return;
    const QuoteApi& q = quoteApi();
    const auto& fields = boardFields();
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_REALTIME);
    q.set_code(ctx, indexCodes_, 5);
    q.set_market_field(ctx, fields.data(), int(fields.size()));
    q.subscribe(ctx);
}

void IndexBoardModel::getConceptData(int sort, int mode, int show_size)
{
    direction_ = sort;
    mode_ = mode;
    strip_ = false;
    pageRows_ = 0;  // the next reply is a whole page again
    showSize_ = show_size;
    if (boards_.isEmpty() && show_size >= 1)
        makeBoards(show_size);
    quote_ctx* ctx = ctx_.get();
    if (!ctx)
        return;
    const QuoteApi& q = quoteApi();
    const auto& fields = boardFields();
    q.set_page(ctx, 0, uint16_t(pageSize_));
    q.set_type(ctx, QUOTE_TYPE_MARKET);
    q.set_peroid(ctx, QUOTE_PERIOD_REALTIME);
    q.set_option(ctx, QUOTE_OPTION_LIST_SORT);
    q.set_sort(ctx, QUOTE_FIELD_RISE_RATE, static_cast<uint8_t>(direction_));
    q.set_category(ctx, kConceptCategory);
    q.set_market_field(ctx, fields.data(), int(fields.size()));
    q.subscribe(ctx);
}

void IndexBoardModel::getConceptData(int sort, int mode)
{
    getConceptData(sort, mode, 20);
}

void IndexBoardModel::getConceptData(int sort)
{
    getConceptData(sort, 1, 20);
}

void IndexBoardModel::onQuotePeroidRealTime(const QuoteReply* rpl)
{
    if (!rpl || !ctx_ || rpl->ctx != ctx_.get())
        return;
    const auto* recs = static_cast<const QuoteRealTimeMarket*>(rpl->data);
    const int n = recs ? rpl->count : 0;
    if (strip_) {
        // Pushes carry only the rows that changed: each row goes to the board
        // of its code and market in the asked order.
        for (int i = 0; i < n; ++i) {
            const CodeEntry row = makeCodeEntry(codeInfoCode(recs[i].code_info), recs[i].code_info.market);
            for (int b = 0; b < 5 && b < boards_.size(); ++b)
                if (std::memcmp(row.bytes, indexCodes_[b].bytes, sizeof row.bytes) == 0)
                    boards_[b]->setRecord(recs[i]);
        }
    } else if (mode_ != 0 && mode_ != 1) {
        // any other mode copies nothing
    } else if (pageRows_ > 0 && n < pageRows_) {
        // A push carries only the rows that changed, in no order of rank:
        // each row goes to the board that shows its code and market, and a
        // row no board shows is left out.
        for (int i = 0; i < n; ++i) {
            const QString code = codeInfoCode(recs[i].code_info);
            const int market = static_cast<int8_t>(recs[i].code_info.market);
            for (IndexBoard* board : qAsConst(boards_))
                if (board->market() == market && board->code() == code)
                    board->setRecord(recs[i]);
        }
    } else {
        // A whole ranked page places its rows by rank.
        pageRows_ = n;
        if (mode_ == 0) {
            for (int i = 0; i < n && i < boards_.size(); ++i)
                boards_[i]->setRecord(recs[i]);
        } else {
            int b = 0;
            for (int i : keptRecords(n, showSize_)) {
                if (b >= boards_.size())
                    break;
                boards_[b++]->setRecord(recs[i]);
            }
        }
    }
    emit dataChanged();
}

QQmlListProperty<IndexBoard> IndexBoardModel::indexBoard()
{
    return QQmlListProperty<IndexBoard>(this, this, &IndexBoardModel::append, &IndexBoardModel::count,
                                        &IndexBoardModel::at, &IndexBoardModel::clearList, &IndexBoardModel::replace,
                                        &IndexBoardModel::removeLast);
}

void IndexBoardModel::append(QQmlListProperty<IndexBoard>* list, IndexBoard* board)
{
    static_cast<IndexBoardModel*>(list->data)->boards_.append(board);
}

int IndexBoardModel::count(QQmlListProperty<IndexBoard>* list)
{
    return static_cast<IndexBoardModel*>(list->data)->boards_.size();
}

IndexBoard* IndexBoardModel::at(QQmlListProperty<IndexBoard>* list, int i)
{
    const auto& b = static_cast<IndexBoardModel*>(list->data)->boards_;
    return i >= 0 && i < b.size() ? b[i] : nullptr;
}

void IndexBoardModel::clearList(QQmlListProperty<IndexBoard>* list)
{
    static_cast<IndexBoardModel*>(list->data)->boards_.clear();
}

void IndexBoardModel::replace(QQmlListProperty<IndexBoard>* list, int i, IndexBoard* board)
{
    auto& b = static_cast<IndexBoardModel*>(list->data)->boards_;
    if (i >= 0 && i < b.size())
        b[i] = board;
}

void IndexBoardModel::removeLast(QQmlListProperty<IndexBoard>* list)
{
    auto& b = static_cast<IndexBoardModel*>(list->data)->boards_;
    if (!b.isEmpty())
        b.removeLast();
}

#include "models/multistockmodel.h"

#include <QJsonObject>

#include "models/codetext.h"
#include "shell/quoteproxy.h"

MultiStockModel::MultiStockModel(QObject* parent) : QObject(parent)
{
    connect(QuoteProxy::instance(), &QuoteProxy::quotePeroidRealTime, this, &MultiStockModel::onQuotePeroidRealTime,
            Qt::BlockingQueuedConnection);
}

MultiStockModel::~MultiStockModel() = default;

void MultiStockModel::setCtx(QString str)
{
    // A text the library refuses is ignored: the current context stays.
    QuoteCtxPtr parsed = parseQuoteCtx(str.toUtf8());
    if (!parsed)
        return;
    ctx_ = std::move(parsed);
    quoteApi().set_option(ctx_.get(), QUOTE_OPTION_LIST_SORT | QUOTE_OPTION_LIST_WINDOW);
    quoteApi().request(ctx_.get());
}

void MultiStockModel::pageUp()
{
    if (ctx_)
        quoteApi().page_up(ctx_.get());
}

void MultiStockModel::pageDown()
{
    if (ctx_)
        quoteApi().page_down(ctx_.get());
}

void MultiStockModel::onQuotePeroidRealTime(const QuoteReply* rpl)
{
    if (!rpl || !ctx_ || rpl->ctx != ctx_.get())
        return;
    list_ = QJsonArray();
    const auto* recs = static_cast<const QuoteRealTimeMarket*>(rpl->data);
    for (int i = 0; recs && i < rpl->count; ++i) {
        const QuoteCodeInfo& ci = recs[i].code_info;
        list_.append(QJsonObject{
            {"code", codeInfoCode(ci)},
            {"market", int(ci.market)},
            {"name", codeInfoName(ci)},
            // As the quote table gives it: the stock view needs no dictionary look-up.
            {"type", int(static_cast<int8_t>(ci.type))},
        });
    }
    emit dataChange(list_.toVariantList());
}

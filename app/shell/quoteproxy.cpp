#include "shell/quoteproxy.h"

#include <QMutexLocker>

namespace {

// Counts one engine-thread emission for deliveriesInFlight().
struct InFlight {
    explicit InFlight(std::atomic<int>& n) : n_(n) { ++n_; }
    ~InFlight() { --n_; }
    std::atomic<int>& n_;
};

}  // namespace

QuoteProxy::QuoteProxy()
{
    qRegisterMetaType<const QuoteReply*>("const QuoteReply*");
}

QuoteProxy* QuoteProxy::instance()
{
    static QuoteProxy proxy;
    return &proxy;
}

QString QuoteProxy::serverName() const
{
    QMutexLocker lock(&mutex_);
    return serverName_;
}

int QuoteProxy::serverState() const
{
    QMutexLocker lock(&mutex_);
    return serverState_;
}

void QuoteProxy::disconnectReceivers()
{
    disconnect(this, nullptr, nullptr, nullptr);
}

void QuoteProxy::readServerState(const QuoteReply* rpl, QString* name, int* state)
{
    const auto* payload = rpl ? static_cast<const QuoteServerState*>(rpl->data) : nullptr;
    if (!payload) {
        *name = QString();
        *state = 0;
        return;
    }
    const char* text = payload->server ? payload->server[1] : nullptr;
    *name = text ? QString::fromUtf8(text) : QString();
    *state = payload->state;
}

void QuoteProxy::onUpdate(const QuoteReply* rpl)
{
    if (!rpl)
        return;
    InFlight counting(inFlight_);
    switch (rpl->kind) {
    case QUOTE_REPLY_SERVER: {
        QString name;
        int state = 0;
        readServerState(rpl, &name, &state);
        {
            QMutexLocker lock(&mutex_);
            serverName_ = name;
            serverState_ = state;
        }
        emit quoteServerState(rpl);
        break;
    }
    case QUOTE_REPLY_CODE_TABLE:
        emit quoteCodes(rpl);
        break;
    case QUOTE_REPLY_REALTIME:
        emit quotePeroidRealTime(rpl);
        emit quoteReplayTypePrice(rpl);
        break;
    case QUOTE_REPLY_MINUTE:
        emit quoteReplayTypeMinute(rpl);
        break;
    case QUOTE_REPLY_KLINE:
        emit quoteReplayTypeKLine(rpl);
        break;
    case QUOTE_REPLY_DETAIL:
        emit quoteDetail(rpl);
        break;
    case QUOTE_REPLY_DIVIDEND:
        emit quoteReplayTypeDividend(rpl);
        break;
    case QUOTE_REPLY_SMART_TIP:
        emit quoteStockTip(rpl);
        break;
    default:
        break;  // 0 (errors), 8, 10 and above are not forwarded
    }
}

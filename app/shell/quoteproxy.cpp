#include "shell/quoteproxy.h"

#include <QLoggingCategory>
#include <QMutexLocker>

// One line per reply handed on ("bridge: kline 1"), off unless the logging
// rules turn it on; scripts/bench-idle counts pushes with it.
Q_LOGGING_CATEGORY(bridgeLog, "tarvolin.bridge", QtWarningMsg)

namespace {

// The reply kinds handed on to the GUI thread, with their log names; every
// other kind (errors, the price-volume, receiver and market-state kinds, and
// kinds the library does not produce) emits nothing.
struct ForwardedKind {
    int kind;
    const char* name;
};
constexpr ForwardedKind kForwarded[] = {
    {QUOTE_REPLY_SERVER, "server"},     {QUOTE_REPLY_CODE_TABLE, "codes"}, {QUOTE_REPLY_REALTIME, "realtime"},
    {QUOTE_REPLY_MINUTE, "minute"},     {QUOTE_REPLY_KLINE, "kline"},      {QUOTE_REPLY_DETAIL, "detail"},
    {QUOTE_REPLY_DIVIDEND, "dividend"}, {QUOTE_REPLY_SMART_TIP, "tip"},
};

// The log name of a forwarded kind; null for a kind that is not forwarded.
const char* forwardedName(int kind)
{
    for (const ForwardedKind& k : kForwarded)
        if (k.kind == kind)
            return k.name;
    return nullptr;
}

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
    gate_.reset();
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
    const char* name = forwardedName(rpl->kind);
    if (!name)
        return;
    qCDebug(bridgeLog, "bridge: %s %d", name, int(rpl->count));
    // The gate's begin and end are queued to the GUI thread around the
    // deliveries, so it sees them in the order they run there.
    gate_.postBegin();
    {
        InFlight counting(inFlight_);
        emitSignals(rpl);
    }
    gate_.postEnd();
}

void QuoteProxy::emitSignals(const QuoteReply* rpl)
{
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
        break;
    }
}

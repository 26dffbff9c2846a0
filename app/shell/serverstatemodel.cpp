#include "shell/serverstatemodel.h"

ServerStateModel::ServerStateModel(QObject* parent) : QObject(parent)
{
    // Connected before the copy, so a change between the two is not missed.
    QuoteProxy* proxy = QuoteProxy::instance();
    connect(proxy, &QuoteProxy::quoteServerState, this, &ServerStateModel::onQuoteServerState,
            Qt::BlockingQueuedConnection);
    server_name = proxy->serverName();
    server_state = proxy->serverState();
}

void ServerStateModel::onQuoteServerState(const QuoteReply* rpl)
{
    QuoteProxy::readServerState(rpl, &server_name, &server_state);
    emit dataChanged();
}

// ServerStateModel: the quote server's name and connection state for the
// status bar. Starts from the bridge's last known state, then follows every
// server-state reply.
#pragma once

#include <QObject>
#include <QString>

#include "shell/quoteproxy.h"

class ServerStateModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString server_name READ serverName NOTIFY dataChanged)
    Q_PROPERTY(int server_state READ serverState NOTIFY dataChanged)
public:
    // GUI thread.
    explicit ServerStateModel(QObject* parent = nullptr);

    QString serverName() const { return server_name; }
    int serverState() const { return server_state; }

signals:
    void dataChanged();

public slots:
    // GUI thread, while the engine thread waits (kind-1 replies only).
    void onQuoteServerState(const QuoteReply* rpl);

private:
    QString server_name;
    int server_state = 0;
};

// QuoteProxy: the bridge from the quote engine's result callback to the GUI
// thread. onUpdate runs on the engine thread and turns each reply into one or
// two signals; receivers on the GUI thread connect with
// Qt::BlockingQueuedConnection, so the engine thread waits while they read the
// reply in place. A reply is valid only during that delivery.
#pragma once

#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>

#include "quote.h"
#include "shell/quoteframegate.h"

Q_DECLARE_METATYPE(const QuoteReply*)

class QuoteProxy : public QObject {
    Q_OBJECT
public:
    // Any thread; the first call creates it. Lives until process exit.
    static QuoteProxy* instance();

    // Any thread. Copies of the last kind-1 reply's server name and state.
    QString serverName() const;
    int serverState() const;

    // GUI thread, at shutdown: removes every connection from the bridge's
    // signals, so the engine thread never again waits on the GUI thread, and
    // lets the windows draw.
    void disconnectReceivers();

    // The windows' frames wait while one delivery follows another, so that a
    // push of several replies draws one frame. GUI thread.
    QuoteFrameGate* frameGate() { return &gate_; }

    // Any thread. Emissions under way on the engine thread (each waits until
    // its receivers' slots have run).
    int deliveriesInFlight() const { return inFlight_.load(); }

    // The server name (second text of the server entry; null when absent) and
    // the state of a kind-1 reply.
    static void readServerState(const QuoteReply* rpl, QString* name, int* state);

signals:
    void quotePeroidRealTime(const QuoteReply* rpl);
    void quoteReplayTypeMinute(const QuoteReply* rpl);
    void quoteReplayTypeKLine(const QuoteReply* rpl);
    void quoteReplayTypeDividend(const QuoteReply* rpl);
    void quoteReplayTypePrice(const QuoteReply* rpl);
    void quoteCodes(const QuoteReply* rpl);
    void quoteDetail(const QuoteReply* rpl);
    void quoteServerState(const QuoteReply* rpl);
    void quoteStockTip(const QuoteReply* rpl);

public slots:
    // Engine thread. Dispatches on the reply's kind; kinds other than
    // QUOTE_REPLY_SERVER to QUOTE_REPLY_DIVIDEND and QUOTE_REPLY_SMART_TIP emit
    // nothing.
    void onUpdate(const QuoteReply* rpl);

private:
    QuoteProxy();
    // Engine thread. The signals of one forwarded reply.
    void emitSignals(const QuoteReply* rpl);

    mutable QMutex mutex_;  // guards serverName_ and serverState_
    QString serverName_;
    int serverState_ = 0;
    std::atomic<int> inFlight_{0};
    QuoteFrameGate gate_;
};

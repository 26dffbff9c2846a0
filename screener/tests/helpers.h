// What the dialog's tests share: waiting on the event loop, a receiver of
// notification events that copies what it is sent, and a message-box
// recorder.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "messageboxes.h"
#include "quorvex.h"
#include "u16text.h"

// Runs the event loop until done() holds (a minute at most: on a busy machine
// a 32 MiB flood through loopback alone takes seconds).
inline bool waitUntil(const std::function<bool()>& done, int ms = 60000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A copy of one notification, made while it is delivered.
struct SeenNotify {
    int type = -1;
    int count = 0;
    bool itemsNull = false;
    std::vector<std::u16string> titles;
    std::vector<std::string> keys, params;
    std::vector<int> periods, fmlTypes, markets;
    std::vector<std::string> codes;
};

inline SeenNotify copyNotify(const NotifyMsg* m)
{
    SeenNotify s;
    s.type = m->type;
    s.count = m->count;
    s.itemsNull = m->items == nullptr;
    for (int i = 0; i < m->count; ++i) {
        if (m->type == NotifyStocks) {
            const auto& it = static_cast<const NotifyStockItem*>(m->items)[i];
            s.codes.emplace_back(it.code);
            s.markets.push_back(it.market);
        } else if (m->type == NotifyConditions) {
            const auto& it = static_cast<const NotifyConditionItem*>(m->items)[i];
            s.titles.emplace_back(it.title);
            s.keys.emplace_back(it.key);
            s.params.emplace_back(it.params);
            s.periods.push_back(it.period);
            s.fmlTypes.push_back(it.fmlType);
        } else if (m->type == NotifyTemplate) {
            const auto& it = static_cast<const NotifyTemplateItem*>(m->items)[i];
            s.titles.emplace_back(it.title);
            s.keys.emplace_back(it.key);
        }
    }
    return s;
}

inline int countType(const std::vector<SeenNotify>& seen, int type)
{
    int n = 0;
    for (const SeenNotify& s : seen)
        n += s.type == type;
    return n;
}

// Receives QuorvexNotifyEvent of one type and answers with answer(msg).
class NotifyReceiver : public QObject {
public:
    explicit NotifyReceiver(int type) : type_(type) {}
    std::vector<SeenNotify> seen;
    std::function<intptr_t(const NotifyMsg*)> answer = [](const NotifyMsg*) { return intptr_t{0}; };

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != type_)
            return QObject::event(e);
        auto* n = static_cast<QuorvexNotifyEvent*>(e);
        seen.push_back(copyNotify(n->msg));
        n->result = answer(n->msg);
        return true;
    }

private:
    int type_;
};

// Records message-box texts instead of showing them, while it lives.
class RecordedMessages : public MessageBoxes {
public:
    RecordedMessages() { MessageBoxes::setInstance(this); }
    ~RecordedMessages() override { MessageBoxes::setInstance(nullptr); }
    void show(QWidget*, const QString& text) override { texts << text; }
    QStringList texts;
};

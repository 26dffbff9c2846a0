#include "shell/quotethread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QJsonArray>
#include <QJsonObject>

#include "shell/qbaseservice.h"
#include "shell/quoteproxy.h"

namespace {

std::string textOf(const QJsonObject& server, const char* key)
{
    return server.value(key).toString().toStdString();
}

}  // namespace

QuoteServerEntry::QuoteServerEntry(const QVariant& urlQuote)
{
    const QJsonObject server = urlQuote.toJsonArray().at(0).toObject();
    url = textOf(server, "url");
    name = textOf(server, "name");
    type = textOf(server, "type");
    texts = {url.c_str(), name.c_str(), type.c_str(), receiver.c_str()};
}

quote_engine_config QuoteServerEntry::config() const
{
    quote_engine_config config{};
    config.user_value = 0;
    config.reserved = "";
    config.server = texts.data();
    config.flags = 0;
    return config;
}

void quoteEngineCallback(intptr_t, const QuoteReply* reply)
{
    QuoteProxy::instance()->onUpdate(reply);
}

void quoteThreadMain()
{
    const QuoteServerEntry entry(QBaseService().getServerAddressValue("url.quote"));
    const quote_engine_config config = entry.config();
    quote_engine_run(&config, &quoteEngineCallback);
}

QuoteEngineThread::~QuoteEngineThread()
{
    stop();
}

void QuoteEngineThread::start()
{
    if (thread_.joinable())
        return;
    QuoteProxy::instance();  // made here, so it belongs to the GUI thread
    finished_ = false;
    thread_ = std::thread([this] {
        quoteThreadMain();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        finishedCv_.notify_all();
    });
}

void QuoteEngineThread::stop()
{
    QuoteProxy::instance()->disconnectReceivers();
    if (!thread_.joinable())
        return;
    quote_engine_shutdown();
    // A delivery posted before the disconnect may still wait on this thread:
    // serve the queued calls until the engine thread has left the library.
    std::unique_lock<std::mutex> lock(mutex_);
    while (!finished_) {
        lock.unlock();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        lock.lock();
        finishedCv_.wait_for(lock, std::chrono::milliseconds(2), [this] { return finished_; });
    }
    lock.unlock();
    thread_.join();
}

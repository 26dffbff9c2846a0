#include "realtimereceiver.h"

#include <exception>

#include "url.h"

namespace {

// The receiver interface carries no user pointer, so its callback finds the
// holder here: the one whose receiver was started last and still exists.
std::mutex active_mutex;  // guards active (held while a packet is handed on)
RealtimeReceiver* active = nullptr;

std::atomic<RealtimeReceiver*> process_holder{nullptr};

std::mutex name_mutex;  // guards library_name()
std::string& library_name()
{
    static std::string name = platform::ReceiverLibrary::kDefaultName;
    return name;
}

std::string current_library_name()
{
    std::lock_guard<std::mutex> lock(name_mutex);
    return library_name();
}

}  // namespace

RealtimeReceiver& RealtimeReceiver::instance()
{
    static RealtimeReceiver holder(current_library_name());
    static const bool registered = (process_holder.store(&holder), true);
    (void)registered;
    return holder;
}

void RealtimeReceiver::stop_instance()
{
    if (RealtimeReceiver* holder = process_holder.load())
        holder->stop();
}

void RealtimeReceiver::set_library_name(const std::string& windows_name)
{
    std::lock_guard<std::mutex> lock(name_mutex);
    library_name() = windows_name;
}

RealtimeReceiver::RealtimeReceiver(const std::string& windows_name) : library_(windows_name) {}

RealtimeReceiver::~RealtimeReceiver()
{
    stop();
    {
        std::lock_guard<std::mutex> lock(active_mutex);
        if (active == this)
            active = nullptr;
    }
    RealtimeReceiver* self = this;
    process_holder.compare_exchange_strong(self, nullptr);
}

void RealtimeReceiver::set_host_from_url(const char* url)
{
    // Whatever parses gives host, ':' and port, even when both are empty: the
    // receiver is then started and left to its own defaults. Only a missing
    // URL or one that does not parse keeps it off.
    std::string text;
    if (url) {
        try {
            const Url parsed(url);
            text = parsed.host() + ":" + parsed.port();
        } catch (const std::exception&) {
            text.clear();
        }
    }
    set_host(text);
}

void RealtimeReceiver::set_host(const std::string& text)
{
    std::lock_guard<std::mutex> lock(host_mutex_);
    host_ = text;
}

std::string RealtimeReceiver::host() const
{
    std::lock_guard<std::mutex> lock(host_mutex_);
    return host_;
}

// Engine thread.
bool RealtimeReceiver::start(Handler handler, const std::function<bool()>& stopped)
{
    std::lock_guard<std::mutex> lock(control_mutex_);
    if (!handler_ready_.load(std::memory_order_acquire) && handler) {
        handler_ = std::move(handler);
        handler_ready_.store(true, std::memory_order_release);
    }
    if (!library_.usable() || running_.load() || !handler_ready_.load(std::memory_order_acquire))
        return false;
    if (stopped && stopped())
        return false;
    const std::string text = host();
    if (text.empty())
        return false;
    {
        std::lock_guard<std::mutex> active_lock(active_mutex);
        active = this;
    }
    running_.store(true);
    library_.setupReceiver(0);
    library_.setHost(0, text.c_str(), 0, 0, "");
    library_.init(&RealtimeReceiver::receiver_callback, 0, 4);
    return true;
}

// The caller of quote_engine_shutdown, or the unload.
void RealtimeReceiver::stop()
{
    std::lock_guard<std::mutex> lock(control_mutex_);
    if (!running_.exchange(false))
        return;
    library_.quit(0);
}

// Receiver's thread.
int RealtimeReceiver::receiver_callback(int, int, const platform::ReceiverPacket* packet)
{
    try {
        std::lock_guard<std::mutex> lock(active_mutex);
        if (active)
            active->deliver(packet);
    } catch (...) {
        // Nothing may cross back into the receiver; the packet is lost.
    }
    return 0;
}

// Receiver's thread, active_mutex held.
void RealtimeReceiver::deliver(const platform::ReceiverPacket* packet)
{
    if (!handler_ready_.load(std::memory_order_acquire) || !packet)
        return;
    const int32_t count = packet->count;
    if (count < 0 || count > kMaxRecordsPerPacket)
        return;
    const platform::RealtimeReport* first = packet->records;
    if (count > 0 && !first)
        return;
    Records records(first, first + count);
    handler_(std::move(records));
}

// A stand-in for the outside real-time receiver library, built as libStock.so
// beside the test program. Stock_Init1 starts a thread of its own that hands
// every packet the test queued (fake_stock_push*) to the registered callback;
// Stock_Quit stops and joins it. Every entry-point call is logged so tests can
// check what the client called and with which host.
//
// Built a second time without Stock_Quit (FAKE_STOCK_NO_QUIT) to show that a
// library lacking an entry point is never started.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/receiverlibrary.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using platform::RealtimeReport;
using platform::ReceiverCallback;
using platform::ReceiverPacket;

namespace {

struct Packet {
    std::vector<RealtimeReport> records;
    int32_t count = 0;
    bool raw = false;  // count and pointer as given
    const RealtimeReport* raw_records = nullptr;
    bool null_packet = false;  // hand the callback a null packet pointer
};

std::mutex mutex;  // guards everything below
std::condition_variable cv;
std::deque<Packet> queue;
size_t delivered = 0;
size_t queued = 0;
ReceiverCallback callback = nullptr;
std::thread worker;
bool stopping = false;
std::string calls;

void log_call(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!calls.empty())
        calls += ';';
    calls += text;
}

// The receiver's own thread: delivers queued packets in order.
void run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        cv.wait(lock, [] { return stopping || !queue.empty(); });
        if (stopping)
            return;
        Packet p = std::move(queue.front());
        queue.pop_front();
        ReceiverCallback cb = callback;
        lock.unlock();
        ReceiverPacket header{};
        header.count = p.raw ? p.count : static_cast<int32_t>(p.records.size());
        header.records = p.raw ? p.raw_records : (p.records.empty() ? nullptr : p.records.data());
        // Scribble over the parts the client must not depend on.
        std::memset(header.reserved, 0xA5, sizeof header.reserved);
        header.reserved0 = -1;
        if (cb)
            cb(7, 9, p.null_packet ? nullptr : &header);
        // The packet's memory is the receiver's: spoil it once the call returned.
        for (auto& r : p.records)
            std::memset(&r, 0xEE, sizeof r);
        lock.lock();
        ++delivered;
        cv.notify_all();
    }
}

// Stops the thread when the library goes away without Stock_Quit.
struct Reaper {
    ~Reaper()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        cv.notify_all();
        if (worker.joinable())
            worker.join();
    }
} reaper;

void enqueue(Packet p)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        queue.push_back(std::move(p));
        ++queued;
    }
    cv.notify_all();
}

}  // namespace

FAKE_EXPORT int SetupReceiver(int a)
{
    log_call("setup " + std::to_string(a));
    return 1;
}

FAKE_EXPORT int SetHost(int a, const char* host, int b, int c, const char* extra)
{
    log_call("host " + std::to_string(a) + " " + (host ? host : "<null>") + " " + std::to_string(b) + " " +
             std::to_string(c) + " [" + (extra ? extra : "<null>") + "]");
    return 1;
}

FAKE_EXPORT int Stock_Init1(ReceiverCallback cb, int a, int b)
{
    log_call("init " + std::to_string(a) + " " + std::to_string(b));
    std::lock_guard<std::mutex> lock(mutex);
    callback = cb;
    if (!worker.joinable()) {
        stopping = false;
        worker = std::thread(run);
    }
    return 1;
}

#ifndef FAKE_STOCK_NO_QUIT
FAKE_EXPORT int Stock_Quit(int a)
{
    log_call("quit " + std::to_string(a));
    std::thread t;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        callback = nullptr;
        t.swap(worker);
    }
    cv.notify_all();
    if (t.joinable())
        t.join();
    return 1;
}
#endif

// ---- Controls for the tests ----

// Queues a packet of n records (copied).
FAKE_EXPORT void fake_stock_push(const RealtimeReport* records, int n)
{
    Packet p;
    if (records && n > 0)
        p.records.assign(records, records + n);
    enqueue(std::move(p));
}

// Queues a packet whose header carries exactly this count and record pointer.
FAKE_EXPORT void fake_stock_push_raw(int32_t count, const RealtimeReport* records)
{
    Packet p;
    p.raw = true;
    p.count = count;
    p.raw_records = records;
    enqueue(std::move(p));
}

// Queues a call with a null packet pointer.
FAKE_EXPORT void fake_stock_push_null_packet()
{
    Packet p;
    p.null_packet = true;
    enqueue(std::move(p));
}

// Waits (at most timeout_ms) until every queued packet went through the
// callback; 1 when it did.
FAKE_EXPORT int fake_stock_wait_delivered(int timeout_ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    return cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), [] { return delivered == queued; }) ? 1 : 0;
}

// The calls made so far, ';'-separated, into buf (terminated, truncated).
FAKE_EXPORT void fake_stock_calls(char* buf, int size)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!buf || size <= 0)
        return;
    const size_t n = calls.size() < static_cast<size_t>(size - 1) ? calls.size() : static_cast<size_t>(size - 1);
    std::memcpy(buf, calls.data(), n);
    buf[n] = '\0';
}

// Forgets the calls logged so far.
FAKE_EXPORT void fake_stock_reset_calls()
{
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
}

// RealtimeReceiver: the holder of the outside real-time receiver library. It
// loads the library on first use, keeps the host text the receiver is pointed
// at and starts the receiver after a code-table download when the library
// offers all four entry points and the engine gave it a host (flags bit 1).
//
// The receiver calls back on a thread of its own; the callback only copies the
// packet's records and hands them to the handler, which posts them to the
// engine queue, so every symbol-table write happens on the engine thread.
//
// Threads: start runs on the engine thread, stop on the caller of
// quote_engine_shutdown (or at unload), the callback on the receiver's thread.
// control_mutex_ serialises start and stop (so a stop cannot slip between the
// checks of a start and its Stock_Init1); host_mutex_ guards the host text.
// The handler is installed once, before the first Stock_Init1, and never
// replaced while the receiver may call it.
#ifndef PELMAR_REALTIMERECEIVER_H
#define PELMAR_REALTIMERECEIVER_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/receiverlibrary.h"

class RealtimeReceiver {
public:
    using Records = std::vector<platform::RealtimeReport>;
    using Handler = std::function<void(Records&&)>;

    // Packets claiming more records than this (or fewer than 0) are dropped.
    static constexpr int32_t kMaxRecordsPerPacket = 65536;

    // The process-wide holder, created (and the library loaded) on first use.
    static RealtimeReceiver& instance();
    // Stops the process-wide holder's receiver when the holder exists; never
    // creates it.
    static void stop_instance();
    // Internal hook for tests: the Windows name the process-wide holder loads.
    // Takes effect only before the holder's first use.
    static void set_library_name(const std::string& windows_name);

    explicit RealtimeReceiver(const std::string& windows_name = platform::ReceiverLibrary::kDefaultName);
    ~RealtimeReceiver();

    RealtimeReceiver(const RealtimeReceiver&) = delete;
    RealtimeReceiver& operator=(const RealtimeReceiver&) = delete;

    bool loaded() const { return library_.loaded(); }
    bool usable() const { return library_.usable(); }
    bool running() const { return running_.load(); }

    // quote_engine_run with flags bit 1: the receiver URL's host, ':' and its
    // port text (":" alone for an empty URL). A null URL or one that does not
    // parse leaves the host text empty (the receiver then stays off).
    void set_host_from_url(const char* url);
    void set_host(const std::string& text);
    std::string host() const;

    // Engine thread, after every code-table download: installs the handler
    // (the first one installed stays) and starts the receiver when it can;
    // `stopped` tells whether the engine is shutting down. Returns true when
    // this call started the receiver.
    bool start(Handler handler, const std::function<bool()>& stopped = {});
    // Stops the receiver when it runs.
    void stop();

    // Receiver's thread: copies the packet's records and hands them on.
    static int receiver_callback(int, int, const platform::ReceiverPacket* packet);

private:
    void deliver(const platform::ReceiverPacket* packet);

    platform::ReceiverLibrary library_;
    std::mutex control_mutex_;  // serialises start and stop
    std::atomic<bool> running_{false};
    std::atomic<bool> handler_ready_{false};
    Handler handler_;                // written once, before handler_ready_ is set
    mutable std::mutex host_mutex_;  // guards host_
    std::string host_;
};

#endif

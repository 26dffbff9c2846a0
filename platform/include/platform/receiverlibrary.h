// The outside real-time receiver library ("Stock.dll" on Windows, libStock.so
// here): its packet and record layouts and its four entry points.
//
// ReceiverLibrary loads the library by its Windows name (see library.h) and
// resolves Stock_Init1, SetupReceiver, SetHost and Stock_Quit. It is usable
// only when all four resolved; a missing library or entry point is not an
// error anyone is told about, the receiver simply stays off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/library.h"

namespace platform {

#pragma pack(push, 1)
// One real-time record as the receiver delivers it: 158 bytes, little-endian,
// no padding; prices and volumes are 32-bit IEEE floats.
struct RealtimeReport {
    uint16_t reserved;  // not read
    int32_t time;       // quote time, seconds
    uint16_t market;    // the bytes "SH" (0x4853) for Shanghai
    char code[42];      // NUL-terminated code text
    float pre_close;
    float open;
    float high;
    float low;
    float close;
    float volume;  // total volume of the day
    float amount;
    float bid_price[3];
    float bid_volume[3];
    float ask_price[3];
    float ask_volume[3];
    float bid_price4, bid_volume4, ask_price4, ask_volume4;
    float bid_price5, bid_volume5, ask_price5, ask_volume5;
};
#pragma pack(pop)

static_assert(sizeof(RealtimeReport) == 158, "RealtimeReport is 158 bytes");
static_assert(offsetof(RealtimeReport, time) == 2, "time at 2");
static_assert(offsetof(RealtimeReport, market) == 6, "market at 6");
static_assert(offsetof(RealtimeReport, code) == 8, "code at 8");
static_assert(offsetof(RealtimeReport, pre_close) == 50, "pre_close at 50");
static_assert(offsetof(RealtimeReport, close) == 66, "close at 66");
static_assert(offsetof(RealtimeReport, volume) == 70, "volume at 70");
static_assert(offsetof(RealtimeReport, amount) == 74, "amount at 74");
static_assert(offsetof(RealtimeReport, bid_price) == 78, "bid prices at 78");
static_assert(offsetof(RealtimeReport, bid_volume) == 90, "bid volumes at 90");
static_assert(offsetof(RealtimeReport, ask_price) == 102, "ask prices at 102");
static_assert(offsetof(RealtimeReport, ask_volume) == 114, "ask volumes at 114");
static_assert(offsetof(RealtimeReport, bid_price4) == 126, "level 4 at 126");
static_assert(offsetof(RealtimeReport, bid_price5) == 142, "level 5 at 142");
static_assert(offsetof(RealtimeReport, ask_volume5) == 154, "last field at 154");

// Market word of Shanghai records: the bytes 'S', 'H' read little-endian.
constexpr uint16_t kReceiverMarketShanghai = 0x4853;

// The packet header the receiver hands to its callback. Only the record count
// and the record pointer are read; the rest belongs to the receiver. On a
// 32-bit build the pointer sits at byte 284; here it takes pointer size at its
// natural alignment.
struct ReceiverPacket {
    int32_t reserved0;
    int32_t count;  // number of records at `records`
    unsigned char reserved[276];
    const RealtimeReport* records;  // the first record
};

static_assert(offsetof(ReceiverPacket, count) == 4, "count at 4");
static_assert(offsetof(ReceiverPacket, records) == (sizeof(void*) == 4 ? 284 : 288), "record pointer");

// The callback the receiver calls on its own thread; the result is not used.
using ReceiverCallback = int (*)(int, int, const ReceiverPacket* packet);

// Entry points, as the call sites use them.
using StockInit1Fn = int (*)(ReceiverCallback callback, int, int);
using SetupReceiverFn = int (*)(int);
using SetHostFn = int (*)(int, const char* host, int, int, const char* extra);
using StockQuitFn = int (*)(int);

class ReceiverLibrary {
public:
    // The receiver's Windows name.
    static constexpr const char* kDefaultName = "Stock.dll";

    // Loads `windowsName` and resolves the four entry points.
    explicit ReceiverLibrary(const std::string& windowsName = kDefaultName);
    ~ReceiverLibrary();

    ReceiverLibrary(const ReceiverLibrary&) = delete;
    ReceiverLibrary& operator=(const ReceiverLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    // Loaded and all four entry points resolved.
    bool usable() const { return init_ && setup_ && setHost_ && quit_; }
    // Why loading failed (empty when it loaded).
    const std::string& error() const { return error_; }

    // Each calls its entry point; they must be called only when usable().
    int setupReceiver(int a) const { return setup_(a); }
    int setHost(int a, const char* host, int b, int c, const char* extra) const
    {
        return setHost_(a, host, b, c, extra);
    }
    int init(ReceiverCallback callback, int a, int b) const { return init_(callback, a, b); }
    int quit(int a) const { return quit_(a); }

private:
    LibraryHandle handle_ = nullptr;
    std::string error_;
    StockInit1Fn init_ = nullptr;
    SetupReceiverFn setup_ = nullptr;
    SetHostFn setHost_ = nullptr;
    StockQuitFn quit_ = nullptr;
};

}  // namespace platform

// Request bodies of every command client, byte for byte against hand-built
// expectations, and the commands that need a code sending nothing without one.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "b2cclient0x05.h"
#include "b2cclient0x20.h"
#include "b2cclient0x24.h"
#include "b2cclient0x26.h"
#include "b2cclient0x27.h"
#include "b2cclient0x28.h"
#include "b2cclient0x2a.h"
#include "b2cclient0x37.h"
#include "b2cclient0x3c.h"
#include "b2cclient0x3f.h"
#include "b2cclient0x44.h"
#include "b2cclient0x48.h"
#include "b2cclientloadmore.h"
#include "context.h"
#include "ownprocess.h"
#include "wirebytes.h"

namespace {

struct Sent {
    bool ok = false;
    uint8_t command = 0;
    std::vector<uint8_t> body;
};

Sent send_of(IB2CClient& client)
{
    _B2CQuoteMsg h{1, 0, 5, 0, 1, 7, b2c_stream_create(1024)};
    Sent s;
    s.ok = client.send(h);
    s.command = h.command;
    s.body = bytes_of(h.payload);
    b2c_stream_release(h.payload);
    return s;
}

std::shared_ptr<Context> make_ctx()
{
    use_china_time();
    return std::make_shared<Context>(nullptr);
}

void two_codes(Context& c)
{
    c.set_codes({CodeEntry::from("600000", 1), CodeEntry::from("000001", 2)});
}

// What a client of type C made over the context sends.
template <class C>
Sent send_from(Context& ctx)
{
    C client(ctx);
    return send_of(client);
}

// The minute requests end with their field list: a count of 6, then ids 1, 2, 3, 4, 7 and 9.
std::vector<uint8_t> with_minute_fields(WireBytes& w)
{
    return w.u8(6).u8(1).u8(2).u8(3).u8(4).u8(7).u8(9).bytes();
}

const std::vector<uint8_t> kTipOptions = {20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};

}  // namespace

TEST(RequestBodies, CodeList0x20)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    const uint16_t fields[] = {0, 8, 33};
    ctx->set_market_fields(fields, 3);
    B2CClient0X20 client(*ctx, false);
    const Sent s = send_of(client);
    const auto expected =
        WireBytes().i16(2).text("600000", 6).u8(1).text("000001", 6).u8(2).i16(3).i16(0).i16(8).i16(33).bytes();
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.command, 0x20);
    EXPECT_EQ(s.body, expected);
    EXPECT_EQ(client.request_id(), 7);
}

TEST(RequestBodies, CategoryPage0x2A)
{
    auto ctx = make_ctx();
    ctx->set_category(2);
    ctx->set_page(20, 10);
    ctx->set_sort(8, 0);
    const uint16_t fields[] = {1, 8};
    ctx->set_market_fields(fields, 2);
    const Sent s = send_from<B2CClient0X2A>(*ctx);
    EXPECT_EQ(s.command, 0x2A);
    EXPECT_EQ(s.body, WireBytes().i16(2).i16(20).i16(10).i16(8).u8(0).i16(2).i16(1).i16(8).bytes());
}

TEST(RequestBodies, BlockPage0x28SignExtendsFirstRow)
{
    auto ctx = make_ctx();
    ctx->set_block(1110);
    ctx->set_page(static_cast<int16_t>(40000), 20);  // u16 40000 is -25536 as int16
    ctx->set_sort(8, 1);
    const uint16_t fields[] = {0};
    ctx->set_market_fields(fields, 1);
    const Sent s = send_from<B2CClient0X28>(*ctx);
    EXPECT_EQ(s.command, 0x28);
    const auto expected = WireBytes()
                              .u8(0)
                              .u8(0)
                              .u8(0)
                              .u8(0)
                              .u8(0)
                              .u8(0)
                              .u8(0x04)
                              .u8(0x56)
                              .u8(0xFF)
                              .u8(0xFF)
                              .u8(0x9C)
                              .u8(0x40)
                              .i16(20)
                              .i16(8)
                              .u8(1)
                              .i16(1)
                              .i16(0)
                              .bytes();
    EXPECT_EQ(s.body, expected);
}

TEST(RequestBodies, TickDetail0x26)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    ctx->set_page(100, 50);
    const Sent s = send_from<B2CClient0x26>(*ctx);
    EXPECT_EQ(s.command, 0x26);
    EXPECT_EQ(s.body, WireBytes().text("600000", 6).u8(1).i32(100).i16(50).bytes());
}

TEST(RequestBodies, PriceDistribution0x3CAndDividends0x37)
{
    auto ctx = make_ctx();
    ctx->set_codes({CodeEntry::from("000001", 2)});
    B2CClient0x3C price(*ctx);
    B2CClient0x37 dividends(*ctx);
    const Sent a = send_of(price), b = send_of(dividends);
    EXPECT_EQ(a.command, 0x3C);
    EXPECT_EQ(b.command, 0x37);
    EXPECT_EQ(a.body, WireBytes().text("000001", 6).u8(2).bytes());
    EXPECT_EQ(b.body, a.body);
}

TEST(RequestBodies, MinuteByDate0x27)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    ctx->set_time(china_seconds(2026, 12, 8, 9, 30, 45), 0);
    ctx->set_page(0, 240);
    const Sent s = send_from<B2CClient0x27>(*ctx);
    const uint32_t packed = (2026u << 20) | (12u << 16) | (8u << 11) | (9u << 6) | 30u;
    EXPECT_EQ(s.command, 0x27);
    EXPECT_EQ(s.body, with_minute_fields(WireBytes().text("600000", 6).u8(1).i32(packed).i32(240)));
}

TEST(RequestBodies, MinuteTimeZeroSendsMinusOne)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    ctx->set_page(0, -2);
    const Sent s = send_from<B2CClient0x27>(*ctx);
    EXPECT_EQ(s.body, with_minute_fields(WireBytes().text("600000", 6).u8(1).i32(-1).i32(-2)));
}

TEST(RequestBodies, MinuteByIndex0x24)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    ctx->set_page(3, 0);
    const Sent s = send_from<B2CClient0x24>(*ctx);
    EXPECT_EQ(s.command, 0x24);
    EXPECT_EQ(s.body, with_minute_fields(WireBytes().text("600000", 6).u8(1).i16(3)));
}

TEST(RequestBodies, SmartTips0x3FAnd0x48)
{
    auto ctx = make_ctx();
    ctx->set_block(1110);
    two_codes(*ctx);
    ctx->set_page(0, 12);
    B2CClient0x3f block(*ctx);
    B2CClient0x48 codes(*ctx);
    const Sent a = send_of(block), b = send_of(codes);
    EXPECT_EQ(a.command, 0x3F);
    EXPECT_EQ(a.body, WireBytes().i64(1110).i16(12).raw(kTipOptions).bytes());
    EXPECT_EQ(b.command, 0x48);
    EXPECT_EQ(b.body,
              WireBytes().i16(2).text("600000", 6).u8(1).text("000001", 6).u8(2).i16(12).raw(kTipOptions).bytes());
}

TEST(RequestBodies, CodeTable0x05FirstRequest)
{
    RUN_IN_OWN_PROCESS();
    auto ctx = make_ctx();
    const Sent s = send_from<B2CClient0x05>(*ctx);
    EXPECT_EQ(s.command, 0x05);
    const std::vector<uint8_t> expected = {0x00, 0x0F, 0x01, 0, 0, 0, 0, 0x02, 0, 0, 0, 0, 0x14, 0, 0, 0, 0};
    EXPECT_EQ(s.body, expected);
}

TEST(RequestBodies, KLineFirstRequestAndResendWithCache)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    ctx->set_period(33);
    ctx->set_page(0, 300);
    auto data = std::make_shared<KData>(33);
    B2CClient0x44 client(*ctx, data);
    const std::vector<uint8_t> ids = {10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    // Empty cache, time 0: -1 and the page count.
    Sent s = send_of(client);
    EXPECT_EQ(s.command, 0x44);
    EXPECT_EQ(s.body, WireBytes().text("600000", 6).u8(1).u8(33).i32(-1).i32(300).raw(ids).bytes());
    // With bars cached: the newest bar's time, count 0.
    QuoteKPoint a{}, b{};
    a.time = china_seconds(2026, 12, 7);
    b.time = china_seconds(2026, 12, 8);
    data->merge({a, b});
    s = send_of(client);
    const uint32_t packed = (2026u << 20) | (12u << 16) | (8u << 11);
    EXPECT_EQ(s.body, WireBytes().text("600000", 6).u8(1).u8(33).i32(packed).i32(0).raw(ids).bytes());
}

TEST(RequestBodies, KLineLoadMoreSendsOldestTimeAndCountPlusOne)
{
    auto ctx = make_ctx();
    two_codes(*ctx);
    ctx->set_period(39);
    auto data = std::make_shared<KData>(39);
    QuoteKPoint a{}, b{};
    a.time = china_seconds(2026, 1, 5, 15, 0);
    b.time = china_seconds(2026, 1, 12, 15, 0);
    data->merge({a, b});
    B2CClientLoadMore client(*ctx, data);
    client.set_count(100);
    const Sent s = send_of(client);
    const uint32_t packed = (2026u << 20) | (1u << 16) | (5u << 11) | (15u << 6);
    EXPECT_EQ(s.command, 0x44);
    EXPECT_EQ(s.body, WireBytes()
                          .text("600000", 6)
                          .u8(1)
                          .u8(39)
                          .i32(packed)
                          .i32(101)
                          .raw({10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10})
                          .bytes());
}

TEST(RequestBodies, CommandsNeedingACodeSendNothingWithout)
{
    auto ctx = make_ctx();
    B2CClient0x26 detail(*ctx);
    B2CClient0x27 minute(*ctx);
    B2CClient0x24 minute_index(*ctx);
    B2CClient0x3C price(*ctx);
    B2CClient0x37 dividends(*ctx);
    B2CClient0x44 kline(*ctx, std::make_shared<KData>(33));
    for (IB2CClient* c : std::vector<IB2CClient*>{&detail, &minute, &minute_index, &price, &dividends, &kline}) {
        const Sent s = send_of(*c);
        EXPECT_FALSE(s.ok);
        EXPECT_TRUE(s.body.empty());
    }
}

// Smart tips (answers to 0x3F and 0x48): rows in reverse order, kind texts
// and classes, texts, and bad counts.
#include <gtest/gtest.h>

#include "b2cclientsmarttipreply.h"
#include "replyharness.h"

namespace {

WireBytes& tip(WireBytes& w, const std::string& code, int kind, int32_t time, const std::string& text)
{
    return w.identity(code, "名称", 2, 1, 2).u8(static_cast<uint8_t>(kind)).i32(time).text(text, 16);
}

}  // namespace

TEST(SmartTips, RowsComeNewestFirstWithKindTexts)
{
    use_china_time();
    auto ctx = std::make_shared<Context>(nullptr);
    WireBytes w;
    w.u8(3).u8(1).u8(2).u8(3).i16(4);
    tip(w, "600000", 1, 93100, "5.2%");
    tip(w, "000001", 17, 93500, "1234手");
    tip(w, "300750", 25, 94000, "0123456789ABCDEF");  // kind outside the table, text without NUL
    tip(w, "600519", -3, 94100, "x");
    auto reply = processed<B2CClientSmartTipReply>(w.bytes(), 1, ctx);
    const QuoteReply* r = reply->reply();
    ASSERT_EQ(r->kind, QUOTE_REPLY_SMART_TIP);
    ASSERT_EQ(r->count, 4);
    const auto* rows = static_cast<const QuoteSmartTip*>(r->data);
    EXPECT_STREQ(rows[0].code_info.code, "600519");
    EXPECT_EQ(rows[0].kind, 0xFD);
    EXPECT_EQ(rows[0].kind_text, nullptr);
    EXPECT_STREQ(rows[1].code_info.code, "300750");
    EXPECT_EQ(rows[1].time, china_seconds(1970, 1, 1, 9, 40));
    EXPECT_EQ(rows[1].kind, 25);
    EXPECT_EQ(rows[1].kind_text, nullptr);
    EXPECT_EQ(rows[1].kind_class, 0);
    EXPECT_STREQ(rows[1].text, "0123456789ABCDEF");
    EXPECT_STREQ(rows[2].kind_text, "机构卖单");
    EXPECT_EQ(rows[2].kind_class, 4);
    EXPECT_STREQ(rows[2].text, "1234手");
    EXPECT_STREQ(rows[3].code_info.code, "600000");
    EXPECT_STREQ(rows[3].kind_text, "火箭发射");
    EXPECT_EQ(rows[3].kind_class, 1);
    EXPECT_EQ(rows[3].time, china_seconds(1970, 1, 1, 9, 31));
    EXPECT_STREQ(rows[3].code_info.name, "名称");
}

TEST(SmartTips, BadCountsBecomeErrorReplies)
{
    auto ctx = std::make_shared<Context>(nullptr);
    expect_bad_reply(processed<B2CClientSmartTipReply>(WireBytes().u8(0).i16(-1).bytes(), 1, ctx)->reply());
    expect_bad_reply(processed<B2CClientSmartTipReply>(WireBytes().u8(0).i16(2).text("", 54).bytes(), 1, ctx)->reply());
    expect_bad_reply(processed<B2CClientSmartTipReply>(WireBytes().u8(5).u8(1).bytes(), 1, ctx)->reply());
}

// Number texts, argument ranges, file-name parts and the parameter panel's
// placement, with expected values worked out by hand.
#include <gtest/gtest.h>

#include "filename.h"
#include "numbertext.h"
#include "paramlayout.h"
#include "u16text.h"

using namespace quorvex;

TEST(QuorvexNumberText, NormaliseFormatAndRead)
{
    const std::pair<const char*, const char*> normalised[] = {
        {"12.5000", "12.5"}, {"10.0000", "10"}, {"100.0000", "100"}, {"0.0000", "0"}, {"3.1416", "3.1416"}};
    for (const auto& [in, out] : normalised)
        EXPECT_EQ(out, normaliseNumberText(in)) << in;
    EXPECT_EQ("12.5", formatNumber(12.5));
    EXPECT_EQ("-3.25", formatNumber(-3.25));
    EXPECT_EQ("0.3333", formatNumber(1.0 / 3));
    EXPECT_EQ(0, readNumber("abc"));
    EXPECT_EQ(2.5, readNumber(" 2.5x"));
}

TEST(QuorvexNumberText, SpinSteps)
{
    const struct {
        const char* text;
        int step;
        std::optional<int32_t> lo, hi;
        const char* expected;
    } cases[] = {
        {"9.5", +1, 1, 10, "10"},  // past the maximum
        {"10", +1, 1, 10, "10"},   // stays there
        {"1.5", -1, 1, 10, "1"},   // below the minimum
        {"abc", +1, 1, 10, "1"},   // not a number reads as 0
        {"-0.5", -1, {}, {}, "-1.5"}, {"5", +1, {}, 9, "6"}, {"2.25", +1, -10, 10, "3.25"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, spinStep(c.text, c.step, c.lo, c.hi)) << c.text << " step " << c.step;
}

TEST(QuorvexNumberText, ArgRangesSplitByPositionAndBounds)
{
    const struct {
        const char* text;
        const char *value, *minimum, *maximum;
    } cases[] = {
        {"5,,9", "5", "", "9"}, {"1,-10,10", "1", "-10", "10"}, {"5", "5", "", ""},
        {"", "", "", ""},       {"1,2,3,4", "1", "2", "3"},     {",,", "", "", ""},
    };
    for (const auto& c : cases) {
        const ArgRangeText r = splitArgRange(c.text);
        EXPECT_EQ(c.value, r.value) << c.text;
        EXPECT_EQ(c.minimum, r.minimum) << c.text;
        EXPECT_EQ(c.maximum, r.maximum) << c.text;
    }
    EXPECT_EQ(std::nullopt, readBound(""));
    EXPECT_EQ(-10, readBound("-10"));
    EXPECT_EQ(3, readBound("3.7"));
    EXPECT_EQ(INT32_MAX, readBound("1e20"));
    EXPECT_EQ(INT32_MIN, readBound("-1e20"));
}

TEST(QuorvexFileName, OnlyPlainCharactersStay)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Tarvolin", "Tarvolin"},
        {"v1.2-x_y", "v1.2-x_y"},
        {"../etc", "___etc"},
        {".hidden", "_hidden"},
        {"a b/c", "a_b_c"},
        {"用户", "______"},
        {"", "_"},
        {"a..b", "a..b"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, sanitiseFileNamePart(in)) << in;
}

// One file per name: every other byte becomes %XX, so names that the older
// scheme collapsed ("张三", "李四") stay apart.
TEST(QuorvexFileName, EncodedNamesStayApart)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Tarvolin", "Tarvolin"},
        {"v1.2-x_y", "v1.2-x_y"},
        {"../etc", "%2E.%2Fetc"},
        {".hidden", "%2Ehidden"},
        {"a b/c", "a%20b%2Fc"},
        {"张三", "%E5%BC%A0%E4%B8%89"},
        {"李四", "%E6%9D%8E%E5%9B%9B"},
        {"", ""},
        {"a%b", "a%25b"},
        {"_", "_"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, encodeFileNamePart(in)) << in;
    EXPECT_EQ(sanitiseFileNamePart("张三"), sanitiseFileNamePart("李四"));
}

namespace {

// Ten pixels per character, lines 12 high (17 apart).
ParamLayout layout(const std::u16string& content, int width)
{
    return layoutParams(content, width, 12, [](const std::u16string& s) { return 10 * static_cast<int>(s.size()); });
}

struct Piece {
    std::u16string text;
    int x, y;
};
struct Slot {
    int x, y;
};

void expectLayout(const ParamLayout& got, const std::vector<Piece>& pieces, const std::vector<Slot>& slots,
                  const char* what)
{
    ASSERT_EQ(pieces.size(), got.pieces.size()) << what;
    for (size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(utf8(pieces[i].text), utf8(got.pieces[i].text)) << what << " piece " << i;
        EXPECT_EQ(pieces[i].x, got.pieces[i].x) << what << " piece " << i;
        EXPECT_EQ(pieces[i].y, got.pieces[i].y) << what << " piece " << i;
    }
    ASSERT_EQ(slots.size(), got.boxes.size()) << what;
    for (size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(slots[i].x, got.boxes[i].x) << what << " slot " << i;
        EXPECT_EQ(slots[i].y, got.boxes[i].y) << what << " slot " << i;
        EXPECT_EQ(50, got.boxes[i].w);
        EXPECT_EQ(12, got.boxes[i].h);
    }
}

}  // namespace

TEST(QuorvexParamLayout, SlotsTextAndWrapping)
{
    expectLayout(layout(u"MA{}上穿MA{}", 200), {{u"MA", 0, 0}, {u"上穿MA", 70, 0}}, {{20, 0}, {110, 0}}, "one line");
    // 40 pixels left before the second slot: it moves to the next line.
    expectLayout(layout(u"MA{}上穿MA{}", 150), {{u"MA", 0, 0}, {u"上穿MA", 70, 0}}, {{20, 0}, {0, 17}}, "slot wraps");
    expectLayout(layout(u"ABCDEFGHIJ", 60), {{u"ABCDEF", 0, 0}, {u"GHIJ", 0, 17}}, {}, "text wraps");
    expectLayout(layout(u"AB{}CDEFGH", 100), {{u"AB", 0, 0}, {u"CDE", 70, 0}, {u"FGH", 0, 17}}, {{20, 0}},
                 "text after a slot continues at x 0");
    expectLayout(layout(u"AB CD EF", 50), {{u"AB ", 0, 0}, {u"CD EF", 0, 17}}, {}, "breaks after a blank");
    expectLayout(layout(u"ABCDEF{}GH", 60), {{u"ABCDEF", 0, 0}, {u"G", 50, 17}, {u"H", 0, 34}}, {{0, 17}}, "full line");
    expectLayout(layout(u"当日涨幅大于{1}%", 300), {{u"当日涨幅大于", 0, 0}, {u"%", 110, 0}}, {{60, 0}},
                 "text in the braces is not drawn");
}

TEST(QuorvexParamLayout, AtMostTenSlots)
{
    std::u16string content;
    for (int i = 0; i < 12; ++i)
        content += u"{}";
    const ParamLayout l = layout(content, 1000);
    EXPECT_EQ(10u, l.boxes.size());
    EXPECT_EQ(2, l.ignoredSlots);
    EXPECT_EQ(450, l.boxes[9].x);
    EXPECT_TRUE(layout(u"", 100).pieces.empty());
}

// The failures' UTF-8 of UTF-16 texts, byte for byte from the encoding's rules.
TEST(TestTexts, Utf8OfUtf16)
{
    const std::pair<std::u16string, std::string> cases[] = {
        {u"MA5", "MA5"},
        {u"\u00E9", "\xC3\xA9"},                // two bytes
        {u"涨幅", "\xE6\xB6\xA8\xE5\xB9\x85"},  // three bytes each
        {u"\U0001F600", "\xF0\x9F\x98\x80"},    // a surrogate pair: four bytes
        {std::u16string(1, char16_t(0xD800)) + u"a",
         "\xEF\xBF\xBD"
         "a"},  // a lone surrogate
        {u"", ""}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, utf8(in));
    EXPECT_EQ((std::vector<std::string>{"均线", ""}), utf8(std::vector<std::u16string>{u"均线", u""}));
}

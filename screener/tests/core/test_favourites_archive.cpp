// The favourites file's bytes, computed by hand from the archive rules.
#include <gtest/gtest.h>

#include "favouritesarchive.h"

using namespace quorvex;

namespace {

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

std::string raw(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

ArchivedFavourite oneCondition()
{
    ArchivedCondition c;
    c.fmlName = "ZF";
    c.period = 8;
    c.fmlType = 1;
    c.fmlParams = "5";
    c.values = {u"5"};
    return ArchivedFavourite{u"A", {c}};
}

}  // namespace

TEST(QuorvexArchive, OneFavouriteWithOneCondition)
{
    const std::string expected = raw({0x01, 0,    0,    0,               // one favourite
                                      0xFF, 0xFE, 0xFF, 0x01, 'A', 0,    // name "A"
                                      0x01, 0,    0,    0,               // one condition
                                      0x02, 'Z',  'F',                   // fmlName
                                      0x08, 0,    0,    0,               // period
                                      0x01, 0,    0,    0,               // fmlType
                                      0x01, '5',                         // fmlParams
                                      0x01, 0,    0,    0,               // one value
                                      0xFF, 0xFE, 0xFF, 0x01, '5', 0});  // "5"
    const std::string written = writeFavourites({oneCondition()});
    EXPECT_EQ(hex(expected), hex(written));

    std::vector<ArchivedFavourite> read;
    ASSERT_TRUE(readFavourites(written.data(), written.size(), &read));
    ASSERT_EQ(1u, read.size());
    EXPECT_EQ(u"A", read[0].name);
    ASSERT_EQ(1u, read[0].conditions.size());
    EXPECT_EQ("ZF", read[0].conditions[0].fmlName);
    EXPECT_EQ(8, read[0].conditions[0].period);
    EXPECT_EQ(std::vector<std::u16string>{u"5"}, read[0].conditions[0].values);
    EXPECT_EQ(written, writeFavourites(read)) << "load then save gives the same bytes";
}

TEST(QuorvexArchive, LengthPrefixes)
{
    // A narrow text of n bytes: the prefix bytes before the text.
    const struct {
        size_t n;
        std::string prefix;
    } cases[] = {
        {0, raw({0x00})},
        {254, raw({0xFE})},
        {255, raw({0xFF, 0xFF, 0x00})},
        {0xFFFD, raw({0xFF, 0xFD, 0xFF})},
        {0xFFFE, raw({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
    };
    for (const auto& c : cases) {
        ArchivedCondition cond;
        cond.fmlName.assign(c.n, 'k');
        const std::string written = writeFavourites({ArchivedFavourite{u"", {cond}}});
        // count, empty wide name (FF FE FF 00), condition count, then fmlName.
        const size_t at = 4 + 4 + 4;
        EXPECT_EQ(hex(c.prefix), hex(written.substr(at, c.prefix.size()))) << "length " << c.n;
        EXPECT_EQ(std::string(c.n, 'k'), written.substr(at + c.prefix.size(), c.n));
        std::vector<ArchivedFavourite> read;
        ASSERT_TRUE(readFavourites(written.data(), written.size(), &read)) << "length " << c.n;
        EXPECT_EQ(written, writeFavourites(read));
    }
}

TEST(QuorvexArchive, NameOf300UnitsTakesAWordLength)
{
    const std::u16string name(300, u'名');
    const std::string written = writeFavourites({ArchivedFavourite{name, {}}});
    EXPECT_EQ(hex(raw({1, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01})), hex(written.substr(0, 10)));
    EXPECT_EQ(10u + 600u + 4u, written.size());
    EXPECT_EQ(hex(raw({0x0D, 0x54})), hex(written.substr(10, 2))) << "U+540D little-endian";
    EXPECT_EQ(hex(raw({0, 0, 0, 0})), hex(written.substr(610))) << "no conditions";
}

TEST(QuorvexArchive, DamagedFilesKeepWhatWasReadWhole)
{
    const std::string whole = writeFavourites({oneCondition(), oneCondition()});
    // Count 2, then the first favourite whole and the second cut short.
    const size_t firstEnd = (whole.size() - 4) / 2 + 4;
    for (size_t cut = firstEnd; cut < whole.size(); ++cut) {
        std::vector<ArchivedFavourite> read;
        EXPECT_FALSE(readFavourites(whole.data(), cut, &read)) << cut;
        EXPECT_EQ(1u, read.size()) << cut;
    }
    // A length running past the end of the file.
    std::string longName = whole;
    longName[7] = static_cast<char>(0xF0);
    std::vector<ArchivedFavourite> read;
    EXPECT_FALSE(readFavourites(longName.data(), longName.size(), &read));
    EXPECT_TRUE(read.empty());
    // A count far beyond what the file could hold is refused before allocating.
    const std::string huge = raw({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFE, 0xFF, 0x00});
    EXPECT_FALSE(readFavourites(huge.data(), huge.size(), &read));
    EXPECT_TRUE(readFavourites("", 0, &read)) << "an empty file holds no favourites";
}

TEST(QuorvexArchive, NarrowTextsInWidePlacesAreWidened)
{
    // A name written as bytes, without the unicode marker.
    const std::string file = raw({1, 0, 0, 0, 2, 'N', 'B', 0, 0, 0, 0});
    std::vector<ArchivedFavourite> read;
    ASSERT_TRUE(readFavourites(file.data(), file.size(), &read));
    ASSERT_EQ(1u, read.size());
    EXPECT_EQ(u"NB", read[0].name);
}

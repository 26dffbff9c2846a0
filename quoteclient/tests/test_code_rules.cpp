// Code rules: the list and range semantics, and the whole-table matching used
// for member lists and block names, which must agree with matching each
// symbol on its own.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <shared_mutex>
#include <string>
#include <vector>

#include "coderulegroup.h"
#include "coderulelist.h"
#include "coderulerange.h"
#include "ownprocess.h"
#include "symbolindex.h"
#include "symboltable.h"
#include "tablelock.h"

namespace {

struct MatchCase {
    const char* code;
    uint8_t market;
    bool expected;
};

TEST(CodeRules, ListRulesSearchTheValueText)
{
    CodeRuleList rule(1, "600000,600036");
    const MatchCase table[] = {
        {"600036", 1, true}, {"600036", 2, false}, {"60003", 1, true},   {"0,6", 1, true},
        {"", 1, true},       {"", 2, false},       {"600037", 1, false}, {"6000366", 1, false},
    };
    for (const MatchCase& c : table)
        EXPECT_EQ(rule.match(c.code, c.market), c.expected) << c.code << "/" << int(c.market);
}

TEST(CodeRules, RangeRulesCompareBytes)
{
    CodeRuleRange rule(2, "000001", "000999");
    const MatchCase table[] = {
        {"000500", 2, true},  {"000999", 2, true},  {"000001", 2, true},   {"001000", 2, false}, {"00050", 2, true},
        {"000000", 2, false}, {"000500", 1, false}, {"0009991", 2, false}, {"", 2, false},
    };
    for (const MatchCase& c : table)
        EXPECT_EQ(rule.match(c.code, c.market), c.expected) << c.code << "/" << int(c.market);
    // Bytes compare unsigned: 0xB0 sorts after every ASCII digit.
    CodeRuleRange high(1, "9", "\xB0");
    EXPECT_TRUE(high.match("\xA0", 1));
    EXPECT_FALSE(high.match("\xC0", 1));
}

TEST(CodeRules, GroupsMatchWhenAnyRuleMatches)
{
    CodeRuleGroup empty;
    EXPECT_FALSE(empty.match("", 1));
    CodeRuleGroup group;
    group.add(std::make_unique<CodeRuleList>(1, "600000"));
    group.add(std::make_unique<CodeRuleRange>(2, "000001", "000010"));
    EXPECT_TRUE(group.match("600000", 1));
    EXPECT_TRUE(group.match("000005", 2));
    EXPECT_FALSE(group.match("000005", 1));
}

// Random symbols of every code length (the packed lookups stop at 8 bytes)
// and random rules built from their codes and separators.
TEST(CodeRules, WholeTableMatchingAgreesWithMatchingEachSymbol)
{
    RUN_IN_OWN_PROCESS();
    std::mt19937 rng(7);
    const char alphabet[] = "0123456789AB,;";
    auto randomText = [&](std::size_t len, std::size_t letters) {
        std::string s;
        for (std::size_t i = 0; i < len; ++i)
            s.push_back(alphabet[rng() % letters]);
        return s;
    };

    SymbolTable table;
    std::vector<QuoteCodeInfo> records;
    std::vector<std::string> codes;
    for (int i = 0; i < 600; ++i) {
        QuoteCodeInfo r;
        std::memset(&r, 0, sizeof r);
        std::string code = randomText(rng() % 17, 4);  // short alphabet: many substrings
        std::memcpy(r.code, code.data(), code.size());
        r.market = static_cast<uint8_t>(rng() % 3);
        records.push_back(r);
        codes.push_back(code);
    }
    table.load(records.data(), records.size());

    std::shared_lock<std::shared_mutex> lock(quote_tables_mutex());
    const SymbolIndex index(table);
    ASSERT_EQ(index.size(), table.size_locked());

    for (int round = 0; round < 200; ++round) {
        CodeRuleGroup group;
        const uint8_t market = static_cast<uint8_t>(rng() % 3);
        if (round % 3 == 2) {
            std::string a = randomText(rng() % 8, 4), b = randomText(rng() % 8, 4);
            if (b < a)
                std::swap(a, b);
            group.add(std::make_unique<CodeRuleRange>(market, a, b));
        } else {
            std::string value;
            while (value.size() < 200) {
                value += rng() % 2 ? codes[rng() % codes.size()] : randomText(rng() % 5, sizeof alphabet - 1);
                value += alphabet[12 + rng() % 2];
            }
            group.add(std::make_unique<CodeRuleList>(market, value));
        }
        std::set<uint32_t> expected;
        for (uint32_t i = 0; i < index.size(); ++i)
            if (group.match(index.code(i), index.market(i)))
                expected.insert(i);
        std::set<uint32_t> got;
        group.for_each_match(index, [&got](uint32_t i) { got.insert(i); });
        EXPECT_EQ(got, expected) << "round " << round;
    }
}

}  // namespace

// BoardSet: the blocks of the synthetic market and the index groups tying
// blocks to the index symbols that quote them. It is the one definition of
// block membership: BoardFiles writes it out as board.json, the block
// commands (ranked pages, tips) answer with the codes its rules match, and
// the code table carries every index code the groups name.
//
// A rule matches the way the client reads board.json: "range" when the
// market is the rule's and start <= code <= end (bytewise), "list" when the
// market is the rule's and the code occurs in the value text. A block holds
// every code of the table, indices included, that one of its rules matches.
//
// The blocks, over Shanghai stock i = 600000 + i (i = 0..199) and Shenzhen
// stock j = 000001 + j (j = 0..99) and 300001 + (j - 100) (j = 100..149):
//   1101 all A shares, 1102 Shanghai A (index 1A0001), 1103 Shenzhen A
//   (index 399001), 1110 the whole market, indices included; 1300 the first
//   60 Shanghai and 40 Shenzhen stocks (index 000300); 1106 Shenzhen stocks
//   j >= 100 (index 399006).
//   Industries (index group 1012), Shanghai and Shenzhen each cut into five
//   code ranges: 880471 i 0-39 / j 0-28, 880472 i 40-79 / j 29-58,
//   880473 i 80-119 / j 59-88, 880474 i 120-159 / j 89-118,
//   880475 i 160-199 / j 119-149.
//   Regions (index group 1010), listed codes: 880201 + (i mod 4), and
//   880201 + (j mod 4).
//   Concepts (index group 1016, group order 885002, 885001, 885003):
//   885001 i mod 10 = 0 and j mod 10 = 0; 885002 i >= 150 and j >= 139;
//   885003 i mod 7 = 3.
// Each industry, region and concept block is quoted by the Shanghai index
// of its own id (880471 quotes block 880471), named as the block.
//
// The real-sized market (MarketSize::real) keeps these ids and adds boards up
// to about 500: 100 industries from 880471 (each market cut into 100 code
// ranges), 31 regions from 880201 (position modulo 31) and 369 concepts from
// 885001 (the three above, then ones of about 1 % of each market's stocks).
#ifndef QUOTESERVER_BOARDSET_H
#define QUOTESERVER_BOARDSET_H

#include <cstdint>
#include <string>
#include <vector>

struct SyntheticCode;

struct BoardRule {
    std::string type;  // "range" or "list"
    uint8_t market = 0;
    std::string a;                    // start, or the list's value
    std::string b;                    // end
    std::vector<std::string> listed;  // a "list" rule's codes, sorted, for matching

    bool matches(const std::string& code, uint8_t code_market) const;
};

struct Board {
    int64_t id = 0;
    std::string name;
    std::string desc;
    std::vector<BoardRule> rules;
    std::string pinyin;  // initials of the name, for the index of the board's own id

    bool matches(const std::string& code, uint8_t market) const;
};

struct BoardIndexItem {
    int64_t board = 0;
    std::string code;
    std::string name;
    std::string pinyin;  // for the code table; not part of board.json
};

struct BoardIndexGroup {
    int64_t id = 0;
    std::string name;
    uint8_t market = 0;
    std::vector<BoardIndexItem> items;
};

class BoardSet {
public:
    // Boards and index groups in file order; built once, never changed.
    static const std::vector<Board>& boards();
    static const std::vector<BoardIndexGroup>& index_groups();

    // The board with this id, or null.
    static const Board* find(int64_t id);
    // The codes of the table that the board's rules match, in table order;
    // empty for an unknown id.
    static std::vector<const SyntheticCode*> members(int64_t id, const std::vector<SyntheticCode>& codes);
};

#endif

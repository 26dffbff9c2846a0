// SyntheticMarket: the consistent made-up market behind the market commands
// of the local quote server: a code table of Shanghai and Shenzhen stocks and
// indices (the four market indices, the stocks, the board indices that
// BoardSet's index groups name, then the indices 399005 and 1A0004), prices
// that move with a tick counter, categories and blocks, K-line history of every cycle, dividend events,
// minute series, tick details, price levels and tips. Everything is computed
// from the code and the tick, so answers agree with each other. Used on the
// scheduler thread only.
#ifndef QUOTESERVER_SYNTHETICMARKET_H
#define QUOTESERVER_SYNTHETICMARKET_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bodywriter.h"

struct SyntheticCode {
    std::string code;
    std::string name;
    std::string pinyin;
    uint8_t market = 0;
    uint8_t type = 0;  // 1 index, 2 stock
    int index = 0;     // position in the table
    int32_t base = 0;  // close of trading day 1 (the previous close), 1/10000
    // Stocks only: today's price limit as a fraction of the previous close
    // (0.10, 0.05 for names marked ST, 0.20 on the 300xxx board), where the
    // day ends (+1 sealed at the limit up, -1 at the limit down, 0 free),
    // a suspended stock (no trade today), today's move when free (a
    // fraction), the shares (total and tradable) and the usual turnover.
    double limit = 0;
    int sealed = 0;
    bool suspended = false;
    double move = 0;
    int64_t total_shares = 0, float_shares = 0;
    double turnover = 0;
    // The index of a board of its own id (industry, region, concept): the
    // stocks of that board (positions in the table); its day follows their
    // mean change rate. Empty for every other code.
    std::vector<int> members;
};

// One minute of a trading day: its price and the running volume-weighted
// average price (1/10000), its own volume (shares) and amount (yuan).
struct SyntheticMinute {
    int32_t price = 0;
    int32_t average = 0;
    int64_t volume = 0;
    int64_t amount = 0;
};

// One trading day: prices in 1/10000, volume in shares, amount in yuan.
struct SyntheticDay {
    int32_t pre_close = 0, open = 0, high = 0, low = 0, close = 0, average = 0;
    int64_t volume = 0, amount = 0;
};

// How many stocks each board of the synthetic market lists. The small market
// (the default, which every test's expectations follow) has 200 Shanghai and
// 150 Shenzhen stocks; the real-sized one about the A-share market's 5,300
// stocks (1,700 + 600 in Shanghai, 2,000 + 999 in Shenzhen) with some 500
// boards, for benchmarks and tests of scale.
struct MarketSize {
    int shanghai_main = 200;   // 600000 + i
    int shanghai_star = 0;     // 688001 + (i - shanghai_main)
    int shenzhen_main = 100;   // 000001 + j
    int shenzhen_growth = 50;  // 300001 + (j - shenzhen_main)
    bool real = false;         // the boards, sealed and ST stocks of the real-sized market

    int shanghai() const { return shanghai_main + shanghai_star; }
    int shenzhen() const { return shenzhen_main + shenzhen_growth; }
    static MarketSize small() { return MarketSize{}; }
    static MarketSize real_sized() { return MarketSize{1700, 600, 2000, 999, true}; }
    // "small" or "real"; false for another name.
    static bool by_name(const std::string& name, MarketSize* out);
};

class SyntheticMarket {
public:
    // Shanghai stock i is 600000 + i on the main board and 688001 + (i - main)
    // on the science board; Shenzhen stock j is 000001 + j on the main board
    // and 300001 + (j - main) on the growth board.
    static const MarketSize& size();
    // Chooses the size; only before the first use of the market or the boards.
    static void configure(const MarketSize& size);
    // Every made-up value follows from this seed and the code's position.
    static constexpr uint64_t kSeed = 0x5EED2026;
    static std::string stock_code(uint8_t market, int position);

    static SyntheticMarket& instance();

    const std::vector<SyntheticCode>& codes() const { return codes_; }
    const SyntheticCode* find(const std::string& code, uint8_t market) const;

    // Moves every price one step.
    void tick() { ++tick_; }
    int64_t tick_count() const { return tick_; }

    // Price of a code now, in units of 1/10000: the last point of today's
    // minute walk, moved a little by each tick (never past the day's limits;
    // not at all for a stock sealed at its limit or suspended).
    int32_t price(const SyntheticCode& c) const;
    int32_t pre_close(const SyntheticCode& c) const { return c.base; }
    // Today's limit prices (to the cent; 0 for an index).
    int32_t rise_limit(const SyntheticCode& c) const;
    int32_t fall_limit(const SyntheticCode& c) const;

    // Trading day j of a code: its close, open and volume (shares), the walk
    // of its minutes (09:30 to 11:30 and 13:00 to 14:59, the first at the
    // open, the last at the close, the volumes adding up to the day's), and
    // the day those minutes add up to. Today's last minute is the live price.
    static constexpr int kMinutes = 241;
    using MinuteSeries = std::array<SyntheticMinute, kMinutes>;
    int32_t close(const SyntheticCode& c, int j) const;
    int32_t open(const SyntheticCode& c, int j) const;
    int64_t volume(const SyntheticCode& c, int j) const;
    MinuteSeries minutes(const SyntheticCode& c, int j) const;
    SyntheticDay day(const SyntheticCode& c, int j) const;

    // Members of a category (1 Shanghai stocks, 2 Shenzhen stocks, the id of
    // an index group its index codes, others all stocks) and of a block (the codes its BoardSet rules match, in table
    // order; none for an unknown block).
    std::vector<const SyntheticCode*> category(int category) const;
    std::vector<const SyntheticCode*> block(int64_t block) const;
    // Sorted by a market field (direction 0 descending, 1 ascending).
    void sort(std::vector<const SyntheticCode*>& list, uint16_t field, uint8_t direction) const;

    // One real-time row with the values of `fields`, in their wire forms.
    void write_row(BodyWriter& out, const SyntheticCode& c, const std::vector<uint16_t>& fields) const;
    // Bytes a row field's value takes on the wire (2, 4 or 8; 0 for a field
    // that carries nothing), and the value itself; identity fields 0 and 1
    // have none. breadth_cache keeps an index row's counts between fields.
    static int value_width(uint16_t id);
    // Stocks of a market up, flat and down at the current prices (index rows'
    // fields 1001, 1002, 1003 and their sum 1016).
    struct Breadth {
        int up = 0, flat = 0, down = 0;
    };
    Breadth breadth(uint8_t market) const;
    int64_t value(const SyntheticCode& c, const SyntheticDay& today, uint16_t id,
                  std::optional<Breadth>* breadth_cache = nullptr) const;
    // Identity block: code 6, name 24, decimal, market, type.
    static void write_identity(BodyWriter& out, const SyntheticCode& c);

private:
    SyntheticMarket();
    std::vector<SyntheticCode> codes_;
    std::unordered_map<std::string, int> by_code_;  // market digit and code -> position in codes_
    int64_t tick_ = 0;
};

#endif

// Block linking after a code-table download: about 5,000 symbols and 500
// boards, each with one list rule of about 2,000 characters, every board in
// each of the three named index groups (the worst case for the name linking).
//   build/bin/bench_quote_blocks --benchmark_min_time=0.5
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <shared_mutex>
#include <string>
#include <vector>

#include "blockstore.h"
#include "symboltable.h"
#include "tablelock.h"

namespace {

constexpr int kSymbols = 5000;
constexpr int kBoards = 500;
constexpr std::size_t kRuleLength = 2000;

std::string codeOf(int i)
{
    char buf[8];
    // Half Shanghai (6xxxxx), half Shenzhen (00xxxx).
    std::snprintf(buf, sizeof buf, "%06d", i % 2 == 0 ? 600000 + i / 2 : 1 + i / 2);
    return buf;
}

void fillSymbols(SymbolTable& table)
{
    std::vector<QuoteCodeInfo> records(kSymbols);
    for (int i = 0; i < kSymbols; ++i) {
        QuoteCodeInfo& r = records[i];
        std::memset(&r, 0, sizeof r);
        const std::string code = codeOf(i);
        std::memcpy(r.code, code.data(), code.size());
        r.market = i % 2 == 0 ? 1 : 2;
    }
    table.load(records.data(), records.size());
}

std::string boardText()
{
    std::mt19937 rng(12345);
    std::string text = "{\"boardIndex\":[";
    const int groups[3] = {1012, 1010, 1016};
    for (int g = 0; g < 3; ++g) {
        text += (g ? ",{" : "{") + std::string("\"id\":") + std::to_string(groups[g]) + ",\"marketid\":1,\"index\":[";
        for (int b = 0; b < kBoards; ++b)
            text += (b ? "," : "") + std::string("{\"boardid\":") + std::to_string(1000 + b) + ",\"code\":\"88" +
                    std::to_string(1000 + b) + "\"}";
        text += "]}";
    }
    text += "],\"boardset\":{\"board\":[";
    for (int b = 0; b < kBoards; ++b) {
        const int market = b % 2 == 0 ? 1 : 2;
        std::string value;
        while (value.size() < kRuleLength) {
            // Codes of this board's market, some of them not listed at all.
            const int i = static_cast<int>(rng() % (kSymbols + kSymbols / 4));
            value += codeOf(i - i % 2 + (market == 2 ? 1 : 0));
            value += ',';
        }
        text += (b ? "," : "") + std::string("{\"id\":") + std::to_string(1000 + b) + ",\"name\":\"Board" +
                std::to_string(b) + "\",\"codeRules\":[{\"type\":\"list\",\"market\":" + std::to_string(market) +
                ",\"value\":\"" + value + "\"}]}";
    }
    text += "]}}";
    return text;
}

struct Fixture {
    SymbolTable symbols;
    BlockStore store;
    std::string text;
    Fixture()
    {
        fillSymbols(symbols);
        text = boardText();
        if (!store.load(text.data(), text.size(), symbols))
            std::abort();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// The work after a code-table download: index links and the block names of
// the three named groups on every symbol.
void BM_LinkAfterCodeTable(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        std::unique_lock<std::shared_mutex> lock(quote_tables_mutex());
        f.store.link_index_symbols_locked(f.symbols);
    }
    state.counters["symbols"] = kSymbols;
    state.counters["boards"] = kBoards;
}
BENCHMARK(BM_LinkAfterCodeTable)->Unit(benchmark::kMillisecond);

// quote_block_load of the whole board file (about 1 MB): parse, build, link.
void BM_LoadBoardFile(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        // A fresh store each time: index groups keep what earlier loads added.
        BlockStore store;
        benchmark::DoNotOptimize(store.load(f.text.data(), f.text.size(), f.symbols));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(f.text.size()));
}
BENCHMARK(BM_LoadBoardFile)->Unit(benchmark::kMillisecond);

// The member list of one block, worked out against all symbols.
void BM_MembersOfOneBlock(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        BlockStore store;
        store.load(f.text.data(), f.text.size(), f.symbols);
        state.ResumeTiming();
        std::size_t n = 0;
        benchmark::DoNotOptimize(store.members(1000, f.symbols, &n));
    }
}
BENCHMARK(BM_MembersOfOneBlock)->Unit(benchmark::kMicrosecond)->Iterations(20);

// The block list of one symbol, worked out against all 500 boards.
void BM_BlocksOfOneSymbol(benchmark::State& state)
{
    Fixture& f = fixture();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SymbolRecord* record = nullptr;
        {
            std::shared_lock<std::shared_mutex> lock(quote_tables_mutex());
            const std::string code = codeOf(i % kSymbols);
            record = f.symbols.find_locked(SymbolTable::make_key(code.c_str(), 16, i % 2 == 0 ? 1 : 2));
            record->links.blocks_computed = false;
        }
        ++i;
        state.ResumeTiming();
        std::size_t n = 0;
        benchmark::DoNotOptimize(f.store.blocks_of(*record, &n));
    }
}
BENCHMARK(BM_BlocksOfOneSymbol)->Unit(benchmark::kMicrosecond);

}  // namespace

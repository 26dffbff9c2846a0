// Every program of both catalogues, kept and run again after each change of
// its bars (a tick on the last bar, a new bar, an older bar corrected), gives
// bit for bit what a new instance computes over the same bars in one run:
// the engine re-evaluates only from the first changed bar where it can.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "chartstub.h"
#include "formulas/formulaservice.h"
#include "formulas/ownprograms.h"
#include "formulas/standardprograms.h"

namespace {

// Every named output's value at every bar, and every line's whole array.
std::vector<float> everything(formula::Formula& f, int bars)
{
    std::vector<float> all;
    FMLSelectedValue sel[64];
    for (int bar = 0; bar < bars; ++bar) {
        const int n = fml_ctx_output_selected_value(f.context(), unsigned(bar), sel, 64);
        for (int i = 0; i < n; ++i)
            all.push_back(sel[i].value);
    }
    const int lines = fml_ctx_op_count(f.context(), FML_DRAW_LINE);
    for (int i = 0; i < lines; ++i) {
        FMLOutputItem item{};
        fml_ctx_op_line(f.context(), &item, unsigned(i));
        if (item.line.values)
            all.insert(all.end(), item.line.values, item.line.values + item.count);
    }
    return all;
}

// keep: the host keeps its series in each context and rewrites only the
// changed bars; its edits also cut the history short and switch stocks.
void everyProgramKeptMatchesANewInstance(bool keep)
{
    formula::FormulaService service;
    formula::registerStandardFormulas(service);
    formula::registerOwnFormulas(service);
    ChartStub chart;
    chart.keep = keep;
    chart.loadPlugin();
    std::mt19937 rng(36);
    std::normal_distribution<float> step(0.0f, 0.15f);
    std::size_t programs = 0;
    const int kinds = keep ? 6 : 4;
    for (const auto& entry : service.formulas()) {
        SCOPED_TRACE(entry->displayName);
        std::vector<float> closes;
        float p = 20.0f;
        for (int i = 0; i < 700; ++i)
            closes.push_back(p += step(rng));
        chart.setCloses(closes);
        auto kept = entry->create(chart.vm());
        if (!kept)
            continue;  // names a function this machine lacks (the catalogue tests cover it)
        ++programs;
        const int firstRun = chart.run(*kept);
        for (int edit = 0; edit < 12; ++edit) {
            switch (edit % kinds) {
            case 0:
            case 1:
                closes.back() += step(rng);
                break;  // ticks
            case 2:
                closes.push_back(closes.back() + step(rng));
                break;  // a new bar
            case 3:
                closes[rng() % closes.size()] += 0.5f;
                break;  // an older bar corrected
            case 4:
                closes.resize(closes.size() - 1 - rng() % 3);
                break;  // a shorter history
            default:    // another stock
                closes.resize(300 + rng() % 600);
                p = 5.0f + float(rng() % 50);
                for (float& c : closes)
                    c = p += step(rng);
                break;
            }
            chart.setCloses(closes);
            auto fresh = entry->create(chart.vm());
            const int keptOk = chart.run(*kept);
            ASSERT_EQ(keptOk, chart.run(*fresh)) << "edit " << edit << " (first run " << firstRun << ")";
            const std::vector<float> a = everything(*kept, chart.bars());
            const std::vector<float> b = everything(*fresh, chart.bars());
            ASSERT_EQ(a.size(), b.size()) << "edit " << edit;
            ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0) << "edit " << edit;
        }
    }
    EXPECT_GT(programs, service.formulas().size() * 3 / 4);
    EXPECT_EQ(chart.wrongHandOver, 0);
    if (keep) {
        EXPECT_GT(chart.handedBack, int(programs) * 5) << "series handed back";
    }
}

TEST(IncrementalCatalogue, EveryProgramKeptMatchesANewInstanceBitForBit)
{
    everyProgramKeptMatchesANewInstance(false);
}

TEST(IncrementalCatalogue, EveryProgramWithSeriesKeptMatchesANewInstanceBitForBit)
{
    everyProgramKeptMatchesANewInstance(true);
}

}  // namespace

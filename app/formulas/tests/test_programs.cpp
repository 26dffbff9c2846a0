// The standard programs on a real virtual machine: every program runs, the
// common indicators give the values of the engine's documented rules, outputs
// take their colours in declaration order, and a program that names an
// unregistered function gives no instance.
#include <gtest/gtest.h>

#include "chartstub.h"
#include "formulas/formulaservice.h"
#include "formulas/programops.h"
#include "formulas/standardprograms.h"

using formula::FormulaService;

namespace {

const float INF = FMLInvalidValue;

// Closes of the short series; the expected values below come from
// tests/reference.py, an independent computation of the documented rules.
const std::vector<float> kCloses = {10, 10.5f, 10.2f, 10.8f, 11.4f, 11.1f, 11.9f, 12.3f, 12.0f, 12.6f, 12.2f, 12.9f};

void expectSeries(const std::vector<float>& got, const std::vector<float>& want, const char* what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i] == INF) {
            EXPECT_EQ(got[i], INF) << what << " bar " << i;
        } else {
            const float tol = 2e-4f + 2e-5f * std::fabs(want[i]);
            EXPECT_NEAR(got[i], want[i], tol) << what << " bar " << i;
        }
    }
}

std::shared_ptr<formula::Formula> createWith(ChartStub& chart, const std::string& name, std::vector<float> values = {})
{
    FormulaService s;
    formula::registerStandardFormulas(s);
    auto entry = s.find(name);
    for (std::size_t i = 0; i < values.size(); ++i)
        entry->params[i].value = values[i];
    return entry->create(chart.vm());
}

}  // namespace

TEST(StandardPrograms, EveryProgramBuildsAndRunsOn300Bars)
{
    FormulaService s;
    formula::registerStandardFormulas(s);
    ChartStub chart;
    chart.setSynthetic(300);
    for (const auto& entry : s.formulas()) {
        SCOPED_TRACE(entry->displayName);
        auto f = entry->create(chart.vm());
        ASSERT_TRUE(f);
        EXPECT_EQ(chart.run(*f), 1);
        EXPECT_GT(fml_ctx_op_count(f->context(), -1), 0);
        // the last bar of every named line has a value, except MA2's unset lines
        const int lines = fml_ctx_op_count(f->context(), FML_DRAW_LINE);
        for (int i = 0; i < lines; ++i) {
            FMLOutputItem item{};
            fml_ctx_op_line(f->context(), &item, unsigned(i));
            ASSERT_EQ(item.count, 300u) << item.name;
            const std::string n = item.name;
            const bool unset = entry->displayName == "MA2" && (n == "MA7" || n == "MA8" || n == "MA9" || n == "MA10");
            if (!unset)
                EXPECT_NE(item.line.values[299], INF) << n;
        }
    }
}

TEST(StandardPrograms, CommonIndicatorsGiveTheDocumentedValues)
{
    ChartStub chart;
    chart.setCloses(kCloses);

    auto ma = createWith(chart, "MA", {2, 3, 5, 20});
    ASSERT_EQ(chart.run(*ma), 1);
    expectSeries(ChartStub::values(*ma, "MA1"),
                 {INF, 10.25f, 10.35f, 10.5f, 11.1f, 11.25f, 11.5f, 12.1f, 12.15f, 12.3f, 12.4f, 12.55f}, "MA1");
    expectSeries(ChartStub::values(*ma, "MA2"),
                 {INF, INF, 10.2333f, 10.5f, 10.8f, 11.1f, 11.4667f, 11.7667f, 12.0667f, 12.3f, 12.2667f, 12.5667f},
                 "MA2");
    expectSeries(ChartStub::values(*ma, "MA3"),
                 {INF, INF, INF, INF, 10.58f, 10.8f, 11.08f, 11.5f, 11.74f, 11.98f, 12.2f, 12.4f}, "MA3");
    expectSeries(ChartStub::values(*ma, "MA4"), std::vector<float>(12, INF), "MA4");

    auto macd = createWith(chart, "MACD");
    ASSERT_EQ(chart.run(*macd), 1);
    expectSeries(ChartStub::values(*macd, "DIF"),
                 {0, 0.039886f, 0.0467496f, 0.0994576f, 0.187483f, 0.23038f, 0.325182f, 0.427659f, 0.479143f, 0.561882f,
                  0.588394f, 0.6583f},
                 "DIF");
    expectSeries(ChartStub::values(*macd, "DEA"),
                 {0, 0.00797721f, 0.0157317f, 0.0324769f, 0.063478f, 0.0968585f, 0.142523f, 0.19955f, 0.255469f,
                  0.316751f, 0.37108f, 0.428524f},
                 "DEA");
    expectSeries(ChartStub::values(*macd, "MACD"),
                 {0, 0.0638177f, 0.0620359f, 0.133961f, 0.248009f, 0.267043f, 0.365317f, 0.456218f, 0.447348f,
                  0.490261f, 0.434628f, 0.459553f},
                 "MACD");

    auto kdj = createWith(chart, "KDJ");
    ASSERT_EQ(chart.run(*kdj), 1);
    expectSeries(ChartStub::values(*kdj, "K"),
                 {55.5556f, 60.8466f, 57.231f, 63.6442f, 69.9657f, 69.8322f, 75.1262f, 79.2508f, 78.8756f, 81.8766f,
                  79.8369f, 82.1135f},
                 "K");
    expectSeries(ChartStub::values(*kdj, "D"),
                 {55.5556f, 57.3192f, 57.2898f, 59.408f, 62.9272f, 65.2289f, 68.528f, 72.1023f, 74.36f, 76.8656f,
                  77.856f, 79.2752f},
                 "D");
    expectSeries(ChartStub::values(*kdj, "J"),
                 {55.5556f, 67.9012f, 57.1135f, 72.1167f, 84.0427f, 79.0389f, 88.3227f, 93.5479f, 87.9066f, 91.8988f,
                  83.7988f, 87.7902f},
                 "J");

    auto rsi = createWith(chart, "RSI");
    ASSERT_EQ(chart.run(*rsi), 1);
    expectSeries(
        ChartStub::values(*rsi, "RSI1"),
        {0, 100, 58.1395f, 79.1183f, 86.9603f, 70.9691f, 81.7238f, 85.0473f, 73.0856f, 79.8779f, 66.4601f, 75.2062f},
        "RSI1");
    expectSeries(
        ChartStub::values(*rsi, "RSI2"),
        {0, 100, 60.4396f, 78.7668f, 85.8952f, 72.6006f, 81.1072f, 83.8433f, 74.9611f, 79.662f, 70.0917f, 75.6715f},
        "RSI2");
    expectSeries(
        ChartStub::values(*rsi, "RSI3"),
        {0, 100, 61.4973f, 78.6515f, 85.4267f, 73.2912f, 80.8579f, 83.3229f, 75.6944f, 79.5934f, 71.6029f, 76.0023f},
        "RSI3");

    auto boll = createWith(chart, "BOLL", {3});
    ASSERT_EQ(chart.run(*boll), 1);
    expectSeries(ChartStub::values(*boll, "BOLL"),
                 {INF, INF, 10.2333f, 10.5f, 10.8f, 11.1f, 11.4667f, 11.7667f, 12.0667f, 12.3f, 12.2667f, 12.5667f},
                 "BOLL");
    expectSeries(ChartStub::values(*boll, "UB"),
                 {INF, INF, 10.7367f, 11.1f, 12, 11.7f, 12.275f, 12.9887f, 12.483f, 12.9f, 12.8777f, 13.269f}, "UB");
    expectSeries(ChartStub::values(*boll, "LB"),
                 {INF, INF, 9.73001f, 9.9f, 9.6f, 10.5f, 10.6584f, 10.5446f, 11.6503f, 11.7f, 11.6557f, 11.8643f},
                 "LB");
}

TEST(StandardPrograms, OutputsTakePaletteColoursInDeclarationOrder)
{
    const auto& pal = formula::defaultPalette();
    ChartStub chart;
    chart.setCloses(kCloses);

    auto bbi = createWith(chart, "BBI");
    ASSERT_EQ(chart.run(*bbi), 1);
    auto outs = drawnOutputs(*bbi);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].name, "BBI");
    EXPECT_EQ(outs[0].color, rgbWord(255, 255, 255));

    auto macd = createWith(chart, "MACD");
    ASSERT_EQ(chart.run(*macd), 1);
    outs = drawnOutputs(*macd);
    ASSERT_EQ(outs.size(), 4u);
    EXPECT_EQ(outs[0].color, rgbWord(0, 0, 255));  // the zero line's own colour
    EXPECT_EQ(outs[1].name, "DIF");
    EXPECT_EQ(outs[1].color, pal[0]);
    EXPECT_EQ(outs[2].color, pal[1]);
    EXPECT_EQ(outs[3].color, pal[2]);

    // ten palette lines: the eighth wraps to white
    auto ma2 = createWith(chart, "MA2");
    ASSERT_EQ(chart.run(*ma2), 1);
    outs = drawnOutputs(*ma2);
    ASSERT_EQ(outs.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(outs[i].color, pal[i % 7]) << outs[i].name;

    // the base programs take no palette colour and leave the index alone;
    // 分时成交 resets it though it takes none
    formula::resetDefaultColor();
    formula::nextDefaultColor();
    formula::nextDefaultColor();
    for (const char* base : {"MLINE", "SMLINE", "KLINE", "SKLINE"})
        ASSERT_TRUE(createWith(chart, base)) << base;
    EXPECT_EQ(formula::nextDefaultColor(), pal[2]);
    ASSERT_TRUE(createWith(chart, "分时成交"));
    EXPECT_EQ(formula::nextDefaultColor(), pal[0]);

    auto vol = createWith(chart, "MVOL");
    ASSERT_EQ(chart.run(*vol), 1);
    outs = drawnOutputs(*vol);
    ASSERT_EQ(outs.size(), 4u);
    EXPECT_EQ(outs[0].name, "V");
    EXPECT_EQ(outs[0].color, rgbWord(217, 128, 36));
    EXPECT_EQ(outs[1].kind, FML_DRAW_STICK);
    EXPECT_EQ(outs[1].color, rgbWord(255, 61, 61));
    EXPECT_EQ(outs[2].color, rgbWord(255, 255, 255));
    EXPECT_EQ(outs[3].color, rgbWord(15, 195, 81));

    auto kline = createWith(chart, "KLINE");
    ASSERT_EQ(chart.run(*kline), 1);
    outs = drawnOutputs(*kline);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].kind, FML_DRAW_KLINE);
    EXPECT_EQ(outs[0].color, 0u);  // the painter's palette colour
}

TEST(StandardPrograms, Ma2LinesBelowPeriodOneGiveNoValues)
{
    ChartStub chart;
    chart.setSynthetic(300);
    auto ma2 = createWith(chart, "MA2");
    ASSERT_EQ(chart.run(*ma2), 1);
    for (const char* unset : {"MA7", "MA8", "MA9", "MA10"})
        expectSeries(ChartStub::values(*ma2, unset), std::vector<float>(300, INF), unset);
    EXPECT_NE(ChartStub::values(*ma2, "MA6")[299], INF);

    // once a period is set the line is the moving average of that period
    chart.setCloses(kCloses);
    auto set = createWith(chart, "MA2", {5, 10, 20, 60, 120, 250, 3, 0.5f});
    ASSERT_EQ(chart.run(*set), 1);
    expectSeries(ChartStub::values(*set, "MA7"),
                 {INF, INF, 10.2333f, 10.5f, 10.8f, 11.1f, 11.4667f, 11.7667f, 12.0667f, 12.3f, 12.2667f, 12.5667f},
                 "MA7");
    expectSeries(ChartStub::values(*set, "MA8"), std::vector<float>(12, INF), "MA8");
}

TEST(StandardPrograms, MinuteLineRenamesTheAverageForLeadingIndexes)
{
    ChartStub chart;
    chart.setCloses(kCloses);
    for (const auto& [code, name] : std::vector<std::pair<std::string, std::string>>{
             {"600000", "均价"}, {"1A0001", "领先指数"}, {"399001", "领先指数"}}) {
        chart.code = code;
        auto mline = createWith(chart, "MLINE");
        ASSERT_EQ(chart.run(*mline), 1) << code;
        const auto outs = drawnOutputs(*mline);
        ASSERT_EQ(outs.size(), 3u);
        EXPECT_EQ(outs[0].name, "分时价");
        EXPECT_EQ(outs[0].color, rgbWord(255, 255, 255));
        EXPECT_EQ(outs[1].kind, FML_DRAW_KLINE);
        EXPECT_EQ(outs[2].name, name) << code;
        EXPECT_EQ(outs[2].color, rgbWord(217, 128, 36));
    }
    auto mline = createWith(chart, "MLINE");
    ASSERT_EQ(chart.run(*mline), 1);
    EXPECT_EQ(ChartStub::values(*mline, "_CC"), std::vector<float>{9.5f});
}

TEST(StandardPrograms, UnregisteredFunctionGivesNoInstance)
{
    // no DYNAINFO on this machine: MLINE and SMLINE cannot be built
    ChartStub bare(false);
    bare.setCloses(kCloses);
    EXPECT_FALSE(createWith(bare, "MLINE"));
    EXPECT_FALSE(createWith(bare, "SMLINE"));
    auto kline = createWith(bare, "KLINE");
    ASSERT_TRUE(kline);
    EXPECT_EQ(bare.run(*kline), 1);

    // an absent plug-in's function
    const formula::ProgramOp ops[] = {
        {2, nullptr, 1.0f, 0, false, 0, 0, 0}, {1, "H", 0, 0, false, 0, 0, 0},       {1, "L", 0, 0, false, 0, 0, 0},
        {1, "C", 0, 0, false, 0, 0, 0},        {5, "TDXDLL1", 0, 0, false, 0, 0, 0},
    };
    EXPECT_EQ(formula::buildProgram(bare.vm(), ops, 5, true), nullptr);
    FormulaContext* without = formula::buildProgram(bare.vm(), ops, 4, true);  // stops before the call
    EXPECT_NE(without, nullptr);
    fml_ctx_release(without);
}

TEST(StandardPrograms, GeneratedBbiArrayMatchesTheDocumentedPushes)
{
    const formula::ProgramInfo* bbi = nullptr;
    for (std::size_t i = 0; i < formula::standard::programCount; ++i)
        if (std::string(formula::standard::programs[i].id) == "P21")
            bbi = &formula::standard::programs[i];
    ASSERT_TRUE(bbi);
    const char* expected[] = {"1 C", "1 M1", "5 MA", "1 C",  "1 M2", "5 MA", "5 +", "1 C",   "1 M3",  "5 MA",
                              "5 +", "1 C",  "1 M4", "5 MA", "5 +",  "2 4",  "5 /", "0 BBI", "6 BBI", "4"};
    ASSERT_EQ(bbi->opCount, 20u);
    for (std::size_t i = 0; i < 20; ++i) {
        const formula::ProgramOp& op = bbi->ops[i];
        std::string got = std::to_string(op.op);
        if (op.op == 2)
            got += " " + std::to_string(int(op.number));
        else if (op.op != 4)
            got += std::string(" ") + op.name;
        EXPECT_EQ(got, expected[i]) << i;
    }
    const formula::ProgramOp& out = bbi->ops[18];
    EXPECT_EQ(out.kind, 0);
    EXPECT_TRUE(out.palette);
    EXPECT_EQ(out.width, 1.0f);
    EXPECT_EQ(out.style, 0);
    EXPECT_TRUE(bbi->resetPalette);
}

// Every draw kind declared by op 6 and read back through the exported readers.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fmltestprogram.h"
#include "formulacontext.h"

namespace {

const float INF = std::numeric_limits<float>::infinity();

std::vector<float> ramp(int n, float from = 0.0f)
{
    std::vector<float> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = from + static_cast<float>(i);
    return v;
}

FMLOutputItem item(uint32_t begin = 0, uint32_t count = 0)
{
    FMLOutputItem it{};
    it.begin = begin;
    it.count = count;
    it.max = -INF;
    it.min = INF;
    return it;
}

TEST(FmlOutputs, DrawDataGoesToTheLineOrLiteralList)
{
    TestProgram p;
    p.setSeries("C", ramp(10, 1));
    p.name("C").output(FML_DRAW_DATA, "CLOSE", 0x0000FF, 2.0f, 3).drop();
    p.num(7.0f).output(FML_DRAW_DATA, "SEVEN").drop();
    p.num(8.0f).output(FML_DRAW_LITERAL_NUMBER, "EIGHT").drop();
    ASSERT_EQ(p.run(10), 1);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_LINE), 1);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_LITERAL_NUMBER), 2);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_DATA), 0);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_NONE), 0);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), -1), 3);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), 12), 0);
    EXPECT_EQ(p.ctx()->outputs[0][0].kindName, "drawdata");
    EXPECT_EQ(p.ctx()->outputs[7][0].kindName, "drawliteralnumber");

    FMLOutputItem it = item();
    fml_ctx_op_line(p.ctx(), &it, 0);
    EXPECT_STREQ(it.name, "CLOSE");
    EXPECT_EQ(it.count, 10u) << "begin 0 and count 0 ask for the whole output";
    EXPECT_EQ(it.max, -INF) << "no range is measured in that call";
    EXPECT_EQ(it.color, 0x0000FFu);
    EXPECT_EQ(it.width, 2.0f);
    EXPECT_EQ(it.style, 3);
    ASSERT_NE(it.line.values, nullptr);
    EXPECT_EQ(it.line.values[9], 10.0f);

    FMLOutputItem lit = item();
    fml_ctx_op_literal_number(p.ctx(), &lit, 1);
    EXPECT_STREQ(lit.name, "EIGHT");
    EXPECT_EQ(lit.count, 1u);
    EXPECT_EQ(lit.literal_number.value, 8.0f);

    int kind = -5, index = -5;
    fml_ctx_op_seq_get(p.ctx(), 1, &kind, &index);
    EXPECT_EQ(kind, FML_DRAW_LITERAL_NUMBER);
    EXPECT_EQ(index, 0);
    kind = index = -5;
    fml_ctx_op_seq_get(p.ctx(), 3, &kind, &index);
    EXPECT_EQ(kind, -5) << "an index past the end writes nothing";
}

TEST(FmlOutputs, LineRangeRespectsTheNoDrawStyle)
{
    TestProgram p;
    std::vector<float> v = ramp(40, 0);
    v[15] = INF;
    v[16] = kContinuousValue;
    p.setSeries("X", v);
    p.name("X").output(FML_DRAW_DATA, "A", 0, 1, FML_PEN_NODRAW).drop();
    p.name("X").output(FML_DRAW_DATA, "B", 0, 1, FML_PEN_LINE).drop();
    ASSERT_EQ(p.run(40), 1);
    FMLOutputItem hidden = item(10, 20);
    hidden.max = 1.5f;
    hidden.min = 1.0f;
    fml_ctx_op_line(p.ctx(), &hidden, 0);
    EXPECT_EQ(hidden.max, 1.5f);
    EXPECT_EQ(hidden.min, 1.0f);
    FMLOutputItem shown = item(10, 20);
    fml_ctx_op_line(p.ctx(), &shown, 1);
    EXPECT_EQ(shown.max, 29.0f);
    EXPECT_EQ(shown.min, 10.0f);
    // Past the end: clamped, nothing read beyond the values.
    FMLOutputItem beyond = item(35, 1000);
    fml_ctx_op_line(p.ctx(), &beyond, 1);
    EXPECT_EQ(beyond.max, 39.0f);
    EXPECT_EQ(beyond.min, 35.0f);
    // An index out of range leaves the item alone.
    FMLOutputItem none = item();
    fml_ctx_op_line(p.ctx(), &none, 9);
    EXPECT_EQ(none.name, nullptr);
}

TEST(FmlOutputs, DrawLineSegments)
{
    TestProgram p;
    std::vector<float> startCond(10, 0), endCond(10, 0);
    startCond[2] = startCond[6] = 1;
    endCond[4] = endCond[8] = 1;
    p.setSeries("S", startCond);
    p.setSeries("E", endCond);
    p.name("S").num(10).name("E").num(20).num(0).output(FML_DRAW_LINE, "SEG").drop();
    p.name("seg").assign("AGAIN").drop();
    ASSERT_EQ(p.run(10), 1);
    const std::vector<float> expected = {INF, INF, 10, 15, 20, INF, 10, 15, 20, INF};
    EXPECT_EQ(p.values("AGAIN"), expected) << "the named line is a variable of the run";
    FMLOutputItem it = item();
    fml_ctx_op_line(p.ctx(), &it, 0);
    EXPECT_EQ(it.count, 10u);
    EXPECT_EQ(p.ctx()->outputs[0][0].kindName, "drawline");
}

TEST(FmlOutputs, DrawLineWithoutStartAndAllLiterals)
{
    TestProgram p;
    std::vector<float> endCond(6, 0);
    endCond[5] = 1;
    p.setSeries("E", endCond);
    p.num(0).num(1).name("E").num(2).num(0).output(FML_DRAW_LINE, "L").drop();
    // Four literals: the scan stays within the bars of the run.
    p.num(1).num(1).num(1).num(2).num(0).output(FML_DRAW_LINE, "LIT").drop();
    ASSERT_EQ(p.run(6), 1);
    EXPECT_EQ(p.values("L"), std::vector<float>(6, INF));
    // Every bar is both a start and an end: bar 5 ends, bar 4 starts; bar 3 ends, ...
    EXPECT_EQ(p.values("LIT"), (std::vector<float>{1, 2, 1, 2, 1, 2}));
}

TEST(FmlOutputs, DrawLineWithDisjointRangesStops)
{
    TestProgram p;
    p.setSeries("A", ramp(5));
    FormulaArgument* late = fml_get_static_argument(p.ctx(), "LATE");
    fml_argument_data(late, 10);
    late->firstValid = 7;
    p.name("A").num(1).name("LATE").num(1).num(0).output(FML_DRAW_LINE, "X");
    EXPECT_EQ(p.run(10), 0);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), -1), 0);
}

TEST(FmlOutputs, StickWidensLiteralPricesAsCopies)
{
    TestProgram p;
    std::vector<float> cond = {0, 1, 1, 0, 1};
    p.setSeries("COND", cond);
    p.setSeries("HIGH", {5, 6, 7, 8, 9});
    p.name("COND").name("HIGH").num(2).num(0.8f).num(1).output(FML_DRAW_STICK, "ST", 7, 1, 0).drop();
    ASSERT_EQ(p.run(5), 1);
    ASSERT_EQ(p.run(5), 1) << "a second run must behave the same";
    FMLOutputItem it = item();
    fml_ctx_op_stick(p.ctx(), &it, 0);
    EXPECT_EQ(it.count, 5u);
    EXPECT_EQ(it.stick.width_factor, 0.8f);
    EXPECT_EQ(it.stick.empty, 1.0f);
    ASSERT_NE(it.stick.price2, nullptr);
    EXPECT_EQ(it.stick.price2[4], 2.0f);
    EXPECT_EQ(it.stick.cond[1], 1.0f);
    EXPECT_EQ(it.stick.price1[3], 8.0f);
    // The compiled literal 2 stayed one value.
    FormulaContext* c = p.ctx();
    EXPECT_EQ(c->outputs[1][0].series[2]->values.size(), 5u);
    FMLOutputItem r = item(0, 5);
    fml_ctx_op_stick(p.ctx(), &r, 0);
    EXPECT_EQ(r.max, 9.0f) << "bars 1, 2 and 4 have a nonzero condition";
    EXPECT_EQ(r.min, 2.0f);
    FMLSelectedValue sel[4];
    ASSERT_EQ(fml_ctx_output_selected_value(p.ctx(), 3, sel, 4), 1);
    EXPECT_EQ(sel[0].value, INF) << "condition 0 at bar 3";
    ASSERT_EQ(fml_ctx_output_selected_value(p.ctx(), 4, sel, 4), 1);
    EXPECT_EQ(sel[0].value, 9.0f);
    EXPECT_EQ(sel[0].color, 7u);
}

TEST(FmlOutputs, NumberTextAndIcon)
{
    TestProgram p;
    p.setSeries("COND", {0, 1, INF, 2});
    p.setSeries("V", {10, INF, 30, 40});
    p.name("COND").name("V").num(2).output(FML_DRAW_NUMBER, "N").drop();
    p.name("COND").name("V").str("buy").output(FML_DRAW_TEXT, "T").drop();
    p.name("COND").name("V").num(3.9f).output(FML_DRAW_ICON, "I").drop();
    ASSERT_EQ(p.run(4), 1);
    FMLOutputItem n = item();
    fml_ctx_op_number(p.ctx(), &n, 0);
    ASSERT_NE(n.number.position, nullptr);
    // drawnumber places a2 wherever a1 is not 0, markers included; the
    // number shown is a3.
    const float position[] = {INF, INF, 30, 40};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(n.number.position[i], position[i]) << "number bar " << i;
    EXPECT_EQ(n.number.values[0], 2.0f);
    FMLOutputItem t = item();
    fml_ctx_op_string(p.ctx(), &t, 0);
    EXPECT_STREQ(t.string.text, "buy");
    const float text[] = {INF, INF, INF, 40};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(t.string.values[i], text[i]) << "text bar " << i;
    FMLOutputItem ic = item();
    fml_ctx_op_icon(p.ctx(), &ic, 0);
    EXPECT_EQ(ic.icon.icon, 3);
    EXPECT_EQ(ic.icon.values[3], 40.0f);
}

TEST(FmlOutputs, BandRectKlineAndFixedText)
{
    TestProgram p;
    p.setSeries("H", {5, 6, 7});
    p.setSeries("L", {1, 2, 3});
    p.setSeries("COND", {0, 0, 1});
    p.num(5).num(255).name("L").num(65280).output(FML_DRAW_BAND, "B").drop();
    p.name("COND").num(1).name("H").name("L").num(1).output(FML_DRAW_RECT, "R").drop();
    p.name("H").num(4).name("L").num(2).output(FML_DRAW_KLINE, "K").drop();
    p.name("COND").num(0.5f).num(0.25f).num(3).str("note").output(FML_DRAW_TEXT_FIX, "F").drop();
    p.num(0).num(0.5f).num(0.25f).num(3).str("never").output(FML_DRAW_TEXT_FIX, "G").drop();
    ASSERT_EQ(p.run(3), 1);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_TEXT_FIX), 1);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), -1), 4);

    FMLOutputItem b = item();
    fml_ctx_op_band(p.ctx(), &b, 0);
    EXPECT_EQ(b.count, 3u);
    EXPECT_EQ(b.band.series1[2], 5.0f) << "literal a1 widened to the bar count";
    EXPECT_EQ(b.band.series2[0], 1.0f);
    EXPECT_EQ(b.band.color1, 255u);
    EXPECT_EQ(b.band.color2, 65280u);

    FMLOutputItem r = item(0, 3);
    fml_ctx_op_rect(p.ctx(), &r, 0);
    EXPECT_EQ(r.rect.outline, 1);
    EXPECT_EQ(r.rect.span[2], 1.0f);
    EXPECT_EQ(r.max, 7.0f);
    EXPECT_EQ(r.min, 3.0f);

    FMLOutputItem k = item(0, 3);
    fml_ctx_op_k_line(p.ctx(), &k, 0);
    EXPECT_EQ(k.k_line.high[1], 6.0f);
    EXPECT_EQ(k.k_line.open[2], 4.0f);
    EXPECT_EQ(k.max, 7.0f);
    EXPECT_EQ(k.min, 1.0f);

    FMLOutputItem f = item();
    fml_ctx_op_fix_string(p.ctx(), &f, 0);
    EXPECT_EQ(f.count, 1u);
    EXPECT_EQ(f.fix_string.x, 0.5f);
    EXPECT_EQ(f.fix_string.y, 0.25f);
    EXPECT_EQ(f.fix_string.value, 3);
    EXPECT_STREQ(f.fix_string.text, "note");
    FMLOutputItem f2 = item(0, 3);
    fml_ctx_op_fix_string(p.ctx(), &f2, 0);
    EXPECT_EQ(f2.max, -INF) << "fixed text never measures a range";
}

// Band colours are read as unsigned 32-bit words: a colour with its top bit
// set (0xFF000000 = 4278190080, exact as a float) keeps it, and -1 wraps to
// 0xFFFFFFFF.
TEST(FmlOutputs, BandColoursKeepTheirHighBits)
{
    TestProgram p;
    p.setSeries("L", {1, 2, 3});
    p.name("L").num(4278190080.0f).name("L").num(-1).output(FML_DRAW_BAND, "B").drop();
    ASSERT_EQ(p.run(3), 1);
    FMLOutputItem b = item();
    fml_ctx_op_band(p.ctx(), &b, 0);
    EXPECT_EQ(b.band.color1, 0xFF000000u);
    EXPECT_EQ(b.band.color2, 0xFFFFFFFFu);
}

TEST(FmlOutputs, MaxMinOverAllOutputs)
{
    TestProgram p;
    p.setSeries("V", {5, 9, 7, 6});
    p.setSeries("C", {1, 1, 1, 1});
    p.setSeries("O", {1, 1, 1, 1});
    p.name("V").output(FML_DRAW_DATA, "VOL", 0, 1, FML_PEN_VOLSTICK).drop();
    ASSERT_EQ(p.run(4), 1);
    EXPECT_EQ(p.missCalls("C"), 1) << "the volume style resolves C and O";
    EXPECT_EQ(p.missCalls("O"), 1);
    float mx = -INF, mn = INF;
    fml_ctx_output_maxmin(p.ctx(), 0, 4, &mx, &mn);
    EXPECT_EQ(mx, 9.0f);
    EXPECT_EQ(mn, 0.0f);
    mx = -INF;
    mn = INF;
    fml_ctx_output_maxmin(p.ctx(), 0, 0, &mx, &mn);
    EXPECT_EQ(mx, 0.0f) << "count 0 measures nothing but still includes 0";
    EXPECT_EQ(mn, 0.0f);
}

TEST(FmlOutputs, MaxMinCountZeroStillFoldsLiterals)
{
    TestProgram p;
    p.num(42).output(FML_DRAW_LITERAL_NUMBER, "K").drop();
    p.num(3).num(1).num(-1).num(2).output(FML_DRAW_BAND, "B").drop();
    ASSERT_EQ(p.run(5), 1);
    float mx = -INF, mn = INF;
    fml_ctx_output_maxmin(p.ctx(), 0, 0, &mx, &mn);
    EXPECT_EQ(mx, 42.0f);
    EXPECT_EQ(mn, -1.0f);
}

TEST(FmlOutputs, MaxMinSkipsMarkersOfLiteralOutputs)
{
    TestProgram p;
    p.str("text").output(FML_DRAW_DATA, "S").drop();
    p.num(kContinuousValue).output(FML_DRAW_LITERAL_NUMBER, "K").drop();
    p.num(5).output(FML_DRAW_LITERAL_NUMBER, "F").drop();
    ASSERT_EQ(p.run(5), 1);
    ASSERT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_LITERAL_NUMBER), 3);
    float mx = -INF, mn = INF;
    fml_ctx_output_maxmin(p.ctx(), 0, 5, &mx, &mn);
    EXPECT_EQ(mx, 5.0f) << "a string's marker value must not widen the scale";
    EXPECT_EQ(mn, 5.0f);
}

TEST(FmlOutputs, SelectedValuesSkipUnnamedAndStopAtCapacity)
{
    TestProgram p;
    p.setSeries("X", {1, 2, 3});
    p.name("X").output(FML_DRAW_DATA, "A", 1).drop();
    p.name("X").output(FML_DRAW_DATA, "", 2).drop();
    p.name("X").output(FML_DRAW_DATA, "B", 3).drop();
    p.name("X").output(FML_DRAW_DATA, "C", 4).drop();
    ASSERT_EQ(p.run(3), 1);
    FMLSelectedValue sel[2];
    ASSERT_EQ(fml_ctx_output_selected_value(p.ctx(), 2, sel, 2), 2);
    EXPECT_STREQ(sel[0].name, "A");
    EXPECT_STREQ(sel[1].name, "B");
    EXPECT_EQ(sel[1].value, 3.0f);
    EXPECT_EQ(sel[1].color, 3u);
    FMLSelectedValue past[4];
    ASSERT_EQ(fml_ctx_output_selected_value(p.ctx(), 500, past, 4), 3);
    EXPECT_EQ(past[0].value, INF) << "a bar past the values reads as the marker";
    EXPECT_EQ(fml_ctx_output_selected_value(p.ctx(), 0, past, 0), 0);
    int counts[3] = {0, 0, 0};
    fml_ctx_output(p.ctx(), counts);
    EXPECT_EQ(counts[0], 4);
    EXPECT_EQ(counts[1], 0);
    EXPECT_EQ(counts[2], 0);
}

TEST(FmlOutputs, CleanEmptiesTheOutputs)
{
    TestProgram p;
    p.num(1).output(FML_DRAW_DATA, "A").drop();
    ASSERT_EQ(p.run(3), 1);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), -1), 1);
    fml_ctx_clean(p.ctx());
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), -1), 0);
    EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_LITERAL_NUMBER), 0);
}

}  // namespace

namespace {

TEST(FmlOutputs, WideningNeverChangesTheLiteralItself)
{
    TestProgram p;
    p.num(5).assign("FIVE").drop();
    p.name("FIVE").num(1).name("FIVE").num(3).output(FML_DRAW_BAND, "B").drop();
    p.name("FIVE").name("FIVE").name("FIVE").name("FIVE").num(0).output(FML_DRAW_RECT, "R").drop();
    p.name("FIVE").name("FIVE").name("FIVE").name("FIVE").output(FML_DRAW_KLINE, "K").drop();
    p.name("FIVE").output(FML_DRAW_DATA, "F").drop();
    for (int bars : {10, 3, 7}) {
        ASSERT_EQ(p.run(bars), 1);
        FormulaArgument* five = fml_get_argument(p.ctx(), "FIVE");
        EXPECT_EQ(fml_argument_data_size(five), 1) << "the literal stays one value";
        EXPECT_EQ(fml_argument_data_literal(five), 1);
        FMLOutputItem b{};
        fml_ctx_op_band(p.ctx(), &b, 0);
        EXPECT_EQ(b.count, static_cast<uint32_t>(bars)) << "widened to this run's bar count";
        EXPECT_EQ(b.band.series1[bars - 1], 5.0f);
        EXPECT_EQ(fml_ctx_op_count(p.ctx(), FML_DRAW_LITERAL_NUMBER), 1) << "still drawn as a literal";
    }
}

}  // namespace

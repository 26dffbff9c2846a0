// The formula service and the standard catalogue's entries: order, types,
// names, parameters, descriptions, lookups, titles and the palette.
#include <gtest/gtest.h>

#include "chartstub.h"
#include "formulas/formulaservice.h"

using formula::FormulaParam;
using formula::FormulaService;

namespace {

struct ExpectedEntry {
    const char* name;
    int type;
    std::vector<FormulaParam> params;
    std::string description;
};

std::string names(const std::vector<std::shared_ptr<formula::BasicFormulaFactory>>& list)
{
    std::string out;
    for (const auto& f : list)
        out += f->displayName + " ";
    return out;
}

FormulaService& standardService()
{
    static FormulaService service;
    if (service.formulas().empty())
        formula::registerStandardFormulas(service);
    return service;
}

}  // namespace

TEST(StandardCatalogue, EntriesInRegistrationOrder)
{
    const std::string d = "天数:{}天;";
    const std::vector<ExpectedEntry> expected = {
        {"MLINE", 64, {}, ""},
        {"SMLINE", 64, {}, ""},
        {"分时成交", 4, {}, ""},
        {"MVOL", 64, {}, ""},
        {"KLINE", 64, {}, ""},
        {"SKLINE", 64, {}, ""},
        {"VOL", 4, {{"M1", 5, 2, 500}, {"M2", 10, 2, 500}}, "{}日移动平均;\r\n{}日移动平均;"},
        {"MACD", 4, {{"SHORT", 12, 2, 200}, {"MID", 9, 2, 200}, {"LONG", 26, 2, 200}},
         "{}日快线移动平均;\r\n{}日慢线移动平均;\r\n{}日移动平均;"},
        {"BOLL", 8, {{"M", 26, 2, 999}}, "{}日布林线;"},
        {"KD", 4, {{"N", 9, 2, 90}, {"M1", 3, 2, 30}, {"M2", 3, 2, 30}}, d + "\r\n" + d + "\r\n" + d},
        {"KDJ", 4, {{"N", 9, 2, 90}, {"M1", 3, 2, 30}, {"M2", 3, 2, 30}}, d + "\r\n" + d + "\r\n" + d},
        {"RSI", 4, {{"N1", 6, 2, 120}, {"N2", 12, 2, 250}, {"N3", 24, 2, 500}},
         "{}日RSI[相对强弱];\r\n{}日RSI[相对强弱];\r\n{}日RSI[相对强弱];"},
        {"WR", 4, {{"N", 10, 2, 100}, {"N1", 6, 2, 100}}, "{}日威廉指标;\r\n{}日威廉指标;"},
        {"BIAS", 4, {{"N1", 6, 2, 250}, {"N2", 12, 2, 250}, {"N3", 24, 2, 250}},
         "{}日乖离率;\r\n{}日乖离率;\r\n{}日乖离率;"},
        {"CCI", 4, {{"N", 14, 2, 100}}, d},
        {"DMA", 4, {{"N1", 10, 2, 60}, {"N2", 50, 2, 250}, {"M", 10, 2, 100}},
         "{}日快线移动平均;\r\n{}日慢线移动平均;\r\n{}日移动平均;"},
        {"BRAR", 4, {{"N", 26, 2, 120}}, "{}日情绪指标"},
        {"PSY", 4, {{"N", 12, 2, 100}, {"M", 6, 2, 100}}, "{}日心理线;\r\n{}日移动平均;"},
        {"MA", 1, {{"M1", 5, 1, 9999}, {"M2", 10, 1, 9999}, {"M3", 20, 1, 9999}, {"M4", 60, 1, 9999}},
         "第1条{}日移动平均线;\r\n第2条{}日移动平均线;\r\n第3条{}日移动平均线;\r\n第4条{}日移动平均线"},
        {"MA2", 1,
         {{"M1", 5, 1, 9999}, {"M2", 10, 1, 9999}, {"M3", 20, 1, 9999}, {"M4", 60, 1, 9999}, {"M5", 120, 1, 9999},
          {"M6", 250, 1, 9999}, {"M7", 0, 1, 9999}, {"M8", 0, 1, 9999}, {"M9", 0, 1, 9999}, {"M10", 0, 1, 9999}},
         "第1条{}日移动平均线;\r\n第2条{}日移动平均线;\r\n第3条{}日移动平均线;\r\n第4条{}日移动平均线;\r\n"
         "第5条{}日移动平均线;\r\n第6条{}日移动平均线;\r\n第7条{}日移动平均线;\r\n第8条{}日移动平均线;\r\n"
         "第9条{}日移动平均线;\r\n第10条{}日移动平均线;\r\n"},
        {"MBOLL", 1, {{"M", 26, 1, 9999}}, "{}日布林线;"},
        {"BBI", 1, {{"M1", 3, 2, 100}, {"M2", 6, 2, 100}, {"M3", 12, 2, 100}, {"M4", 24, 2, 100}},
         d + "\r\n" + d + "\r\n" + d + "\r\n" + d},
        {"EXPMA", 1, {{"M1", 12, 2, 500}, {"M2", 50, 2, 500}}, "{}日指数平均线;\r\n{}日指数平均线;"},
    };
    const auto& entries = standardService().formulas();
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& e = *entries[i];
        const ExpectedEntry& x = expected[i];
        SCOPED_TRACE(x.name);
        EXPECT_EQ(e.displayName, x.name);
        EXPECT_EQ(e.code, x.name);
        EXPECT_EQ(e.codeCopy, x.name);
        EXPECT_EQ(e.groupCode, "");
        EXPECT_EQ(e.type, x.type);
        EXPECT_EQ(e.description, x.description);
        ASSERT_EQ(e.params.size(), x.params.size());
        for (std::size_t k = 0; k < x.params.size(); ++k) {
            EXPECT_EQ(e.params[k].name, x.params[k].name);
            EXPECT_EQ(e.params[k].value, x.params[k].value) << x.params[k].name;
            EXPECT_EQ(e.params[k].min, x.params[k].min) << x.params[k].name;
            EXPECT_EQ(e.params[k].max, x.params[k].max) << x.params[k].name;
            EXPECT_EQ(e.defaultParams[k].value, x.params[k].value) << x.params[k].name;
        }
    }
    // 分时成交 and MVOL share one program.
    auto a = std::dynamic_pointer_cast<formula::LocalFormula>(standardService().find("分时成交"));
    auto b = std::dynamic_pointer_cast<formula::LocalFormula>(standardService().find("MVOL"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->build, b->build);
}

TEST(StandardCatalogue, FindByTypeMasksAndFind)
{
    const FormulaService& s = standardService();
    EXPECT_EQ(names(s.findByType(formula::MainChartList)), "MA MA2 MBOLL BBI EXPMA ");
    EXPECT_EQ(names(s.findByType(formula::SubChartList)),
              "分时成交 VOL MACD BOLL KD KDJ RSI WR BIAS CCI DMA BRAR PSY ");
    EXPECT_EQ(names(s.findByType(formula::AllChartLists)),
              "分时成交 VOL MACD BOLL KD KDJ RSI WR BIAS CCI DMA BRAR PSY MA MA2 MBOLL BBI EXPMA ");
    for (const char* base : {"KLINE", "MLINE", "SKLINE", "SMLINE", "MVOL"}) {
        ASSERT_TRUE(s.find(base)) << base;
        EXPECT_EQ(s.find(base)->type, 64);
    }
    EXPECT_FALSE(s.find("macd"));  // exact, case-sensitive
    EXPECT_FALSE(s.find(""));
}

TEST(FormulaService, TypeLowByteDuplicatesAndGroups)
{
    FormulaService s;
    auto build = [](FormulaVM* vm) { return fml_ctx_create(vm); };
    auto first = s.addFormula(std::make_shared<formula::LocalFormula>(68, "A", "", std::vector<FormulaParam>{}, build));
    s.addFormula(std::make_shared<formula::LocalFormula>(0x102, "B", "", std::vector<FormulaParam>{}, build));
    s.addFormula(std::make_shared<formula::LocalFormula>(0x100, "C", "", std::vector<FormulaParam>{}, build));
    s.addFormula(std::make_shared<formula::LocalFormula>(1, "SHORT", "名称", "FML-GRP", "无参数设置",
                                                         std::vector<FormulaParam>{}, build));
    auto second =
        s.addFormula(std::make_shared<formula::LocalFormula>(4, "A", "", std::vector<FormulaParam>{}, build));
    EXPECT_EQ(s.find("A"), first);
    EXPECT_NE(s.find("A"), second);
    EXPECT_EQ(names(s.findByType(60)), "A A ");      // 68 carries bit 4
    EXPECT_EQ(names(s.findByType(3)), "B 名称 ");    // only the low byte counts: 0x102 is main-chart, 0x100 none
    auto own = s.find("名称");
    EXPECT_EQ(own->code, "SHORT");
    EXPECT_EQ(own->codeCopy, "SHORT");
    EXPECT_EQ(own->groupCode, "FML-GRP");

    auto g1 = std::make_shared<FormulaService::Group>(FormulaService::Group{"G", "FML-G", "G1", {"A", "B"}});
    auto g2 = std::make_shared<FormulaService::Group>(FormulaService::Group{"G", "FML-G2", "G2", {}});
    s.addGroup(g1);
    s.addGroup(g2);
    EXPECT_EQ(s.findGroup("G"), g1);
    EXPECT_FALSE(s.findGroup("H"));
    ASSERT_EQ(s.groups().size(), 2u);
    EXPECT_EQ(s.groups()[1], g2);
}

TEST(FormulaService, TitlesParamsAndSnapshots)
{
    ChartStub chart;
    auto macd = standardService().find("MACD")->create(chart.vm());
    ASSERT_TRUE(macd);
    EXPECT_EQ(macd->title, "MACD(12,9,26)");
    EXPECT_EQ(macd->name, "MACD");
    EXPECT_EQ(macd->type, 4);
    // parameters reach the context as literal static arguments
    FormulaArgument* shortArg = fml_get_static_argument(macd->context(), "SHORT");
    ASSERT_TRUE(fml_argument_data_literal(shortArg));
    EXPECT_EQ(*fml_argument_data_number(shortArg), 12.0f);

    auto kline = standardService().find("KLINE")->create(chart.vm());
    ASSERT_TRUE(kline);
    EXPECT_EQ(kline->title, "KLINE()");
    EXPECT_TRUE(kline->params.empty());

    // a fractional value, and an edit after creation that the instance does not see
    FormulaService s;
    formula::registerStandardFormulas(s);
    auto entry = s.find("EXPMA");
    entry->params[0].value = 0.5f;
    auto expma = entry->create(chart.vm());
    EXPECT_EQ(expma->title, "EXPMA(0.5,50)");
    entry->params[0].value = 7.0f;
    EXPECT_EQ(expma->title, "EXPMA(0.5,50)");
    EXPECT_EQ(*fml_argument_data_number(fml_get_static_argument(expma->context(), "M1")), 0.5f);
    EXPECT_EQ(entry->defaultParams[0].value, 12.0f);
    // title from the current values; updateTitle follows the instance's own params
    expma->params[1].value = 1234567.0f;
    expma->updateTitle();
    EXPECT_EQ(expma->title, "EXPMA(0.5,1.23457e+06)");
}

TEST(DefaultPalette, SevenColoursAndARunningIndex)
{
    const uint32_t expected[7] = {rgbWord(255, 255, 255), rgbWord(217, 128, 36), rgbWord(181, 91, 173),
                                  rgbWord(29, 182, 36),   rgbWord(26, 152, 252), rgbWord(182, 173, 78),
                                  rgbWord(173, 216, 230)};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(formula::defaultPalette()[i], expected[i]) << i;
    formula::resetDefaultColor();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(formula::nextDefaultColor(), expected[i % 7]) << i;
    formula::resetDefaultColor();
    EXPECT_EQ(formula::nextDefaultColor(), expected[0]);
}

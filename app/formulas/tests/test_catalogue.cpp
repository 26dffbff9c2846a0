// The formula service and both catalogues: the listed entries and groups,
// the chart lists, lookups, titles and the palette.
#include <gtest/gtest.h>

#include <sstream>

#include "chartstub.h"
#include "formulas/formulaservice.h"

using formula::FormulaParam;
using formula::FormulaService;

namespace {

std::string names(const std::vector<std::shared_ptr<formula::BasicFormulaFactory>>& list)
{
    std::string out;
    for (const auto& f : list)
        out += f->displayName + " ";
    return out;
}

// Both catalogues as the program registers them at start-up.
const FormulaService& bothCatalogues()
{
    static FormulaService service;
    if (service.formulas().empty()) {
        formula::registerStandardFormulas(service);
        formula::registerExtraFormulas(service);
    }
    return service;
}

std::string number(float v)
{
    std::ostringstream s;
    s << v;
    return s.str();
}

// One line per entry: type, display name, code, group code, parameters
// (name value min..max) and the description with its line breaks as "\n".
std::string entryListing(const FormulaService& s)
{
    std::string out;
    for (const auto& f : s.formulas()) {
        out += std::to_string(f->type) + " " + f->displayName + " | " + f->code + " | " + f->groupCode + " |";
        for (const FormulaParam& p : f->params)
            out += " " + p.name + " " + number(p.value) + " " + number(p.min) + ".." + number(p.max);
        std::string d = f->description;
        for (std::size_t at; (at = d.find("\r\n")) != std::string::npos;)
            d.replace(at, 2, "\\n");
        out += " |" + (d.empty() ? "" : " " + d) + "\n";
    }
    return out;
}

std::string groupListing(const FormulaService& s)
{
    std::string out;
    for (const auto& g : s.groups()) {
        out += g->name + " | " + g->code + " | " + g->shortCode + " |";
        for (const std::string& m : g->formulas)
            out += " " + m;
        out += "\n";
    }
    return out;
}

}  // namespace

// The one place that keeps the product's catalogue against the list the
// program must offer: a new indicator adds its line here, and every other
// test reads the catalogue itself.
TEST(Catalogue, EntriesAndGroupsAsListed)
{
    const std::string entries = R"(64 MLINE | MLINE |  | |
64 SMLINE | SMLINE |  | |
4 分时成交 | 分时成交 |  | |
64 MVOL | MVOL |  | |
64 KLINE | KLINE |  | |
64 SKLINE | SKLINE |  | |
4 VOL | VOL |  | M1 5 2..500 M2 10 2..500 | {}日移动平均;\n{}日移动平均;
4 MACD | MACD |  | SHORT 12 2..200 MID 9 2..200 LONG 26 2..200 | {}日快线移动平均;\n{}日慢线移动平均;\n{}日移动平均;
8 BOLL | BOLL |  | M 26 2..999 | {}日布林线;
4 KD | KD |  | N 9 2..90 M1 3 2..30 M2 3 2..30 | 天数:{}天;\n天数:{}天;\n天数:{}天;
4 KDJ | KDJ |  | N 9 2..90 M1 3 2..30 M2 3 2..30 | 天数:{}天;\n天数:{}天;\n天数:{}天;
4 RSI | RSI |  | N1 6 2..120 N2 12 2..250 N3 24 2..500 | {}日RSI[相对强弱];\n{}日RSI[相对强弱];\n{}日RSI[相对强弱];
4 WR | WR |  | N 10 2..100 N1 6 2..100 | {}日威廉指标;\n{}日威廉指标;
4 BIAS | BIAS |  | N1 6 2..250 N2 12 2..250 N3 24 2..250 | {}日乖离率;\n{}日乖离率;\n{}日乖离率;
4 CCI | CCI |  | N 14 2..100 | 天数:{}天;
4 DMA | DMA |  | N1 10 2..60 N2 50 2..250 M 10 2..100 | {}日快线移动平均;\n{}日慢线移动平均;\n{}日移动平均;
4 BRAR | BRAR |  | N 26 2..120 | {}日情绪指标
4 PSY | PSY |  | N 12 2..100 M 6 2..100 | {}日心理线;\n{}日移动平均;
1 MA | MA |  | M1 5 1..9999 M2 10 1..9999 M3 20 1..9999 M4 60 1..9999 | 第1条{}日移动平均线;\n第2条{}日移动平均线;\n第3条{}日移动平均线;\n第4条{}日移动平均线
1 MA2 | MA2 |  | M1 5 1..9999 M2 10 1..9999 M3 20 1..9999 M4 60 1..9999 M5 120 1..9999 M6 250 1..9999 M7 0 1..9999 M8 0 1..9999 M9 0 1..9999 M10 0 1..9999 | 第1条{}日移动平均线;\n第2条{}日移动平均线;\n第3条{}日移动平均线;\n第4条{}日移动平均线;\n第5条{}日移动平均线;\n第6条{}日移动平均线;\n第7条{}日移动平均线;\n第8条{}日移动平均线;\n第9条{}日移动平均线;\n第10条{}日移动平均线;\n
1 MBOLL | MBOLL |  | M 26 1..9999 | {}日布林线;
1 BBI | BBI |  | M1 3 2..100 M2 6 2..100 M3 12 2..100 M4 24 2..100 | 天数:{}天;\n天数:{}天;\n天数:{}天;\n天数:{}天;
1 EXPMA | EXPMA |  | M1 12 2..500 M2 50 2..500 | {}日指数平均线;\n{}日指数平均线;
4 Ombrel | OMB | FML-OMB | | 无参数设置
4 Kestan | KST | FML-KST | | 无参数设置
1 Mirelo | MRL | FML-MRL | | 无参数设置
2 Pentaro | PTR | FML-PTR | | 无参数设置
1 Sulvane | SLV | FML-SLV | | 无参数设置
1 Venrik | VNK | FML-VNK | | 无参数设置
2 Borrin | BRN | FML-BRN | | 无参数设置
4 Galdis | GLD | FML-GLD | | 无参数设置
4 Throvin | THV | FML-THV | | 无参数设置
4 Lumeth | LMT | FML-LMT | | 无参数设置
1 Taldor | TAR | FML-TAR | | 无参数设置
1 Halvest | HVT | FML-HVT | | 无参数设置
1 Dravel | DVL | FML-DVL | | 无参数设置
68 Halvest副图 | HVTS | FML-HVT | | 无参数设置
1 Corvane | KRV | FML-KRV | M 64 2..999 | {}日移动平均线
1 Nessir | NSR | FML-QSA | | 无参数设置
68 Corvane副图 | KRVS | FML-KRV | M 12 2..999 | {}日布林线;
4 PellisMACD | PLS | FML-PLS | | 无参数设置
4 Ardun | ARD | FML-ARD | | 无参数设置
4 Raskin消费 | RSK1 | FML-RSK | | 无参数设置
4 Raskin中证 | RSK2 | FML-RSK | | 无参数设置
4 Raskin医药 | RSK3 | FML-RSK | | 无参数设置
68 Wimbel | WMB | FML-QSA | | 无参数设置
68 Yorvik | YRV | FML-QSA | | 无参数设置
)";
    const std::string groups = R"(BBI |  | BBI | BBI
EXPMA |  | EXPMA | EXPMA
Corvane | FML-KRV | KRV | Corvane Corvane副图 VOL
Halvest | FML-HVT | HVT | Halvest Halvest副图
Mirelo | FML-MRL | MRL | Mirelo PellisMACD Ardun
Pentaro | FML-PTR | PTR | Pentaro
Sulvane | FML-SLV | SLV | Sulvane Lumeth
Taldor | FML-TAR | TAR | Taldor
Venrik | FML-VNK | VNK | Venrik
Borrin | FML-BRN | BRN | Borrin
Quessa | FML-QSA | QSA | Nessir Wimbel Yorvik
Dravel | FML-DVL | DVL | Dravel
)";
    EXPECT_EQ(entryListing(bothCatalogues()), entries);
    EXPECT_EQ(groupListing(bothCatalogues()), groups);
}

TEST(Catalogue, EveryEntryKeepsItsDefaultsAndEveryGroupMemberIsAnEntry)
{
    const FormulaService& s = bothCatalogues();
    for (const auto& e : s.formulas()) {
        SCOPED_TRACE(e->displayName);
        EXPECT_EQ(e->codeCopy, e->code);
        ASSERT_EQ(e->defaultParams.size(), e->params.size());
        for (std::size_t k = 0; k < e->params.size(); ++k)
            EXPECT_EQ(e->defaultParams[k].value, e->params[k].value) << e->params[k].name;
        EXPECT_TRUE(s.find(e->displayName)) << "found by its display name";
    }
    for (const auto& g : s.groups())
        for (const std::string& m : g->formulas)
            EXPECT_TRUE(s.find(m)) << g->name << ": " << m;
    // 分时成交 and MVOL share one program.
    auto a = std::dynamic_pointer_cast<formula::LocalFormula>(s.find("分时成交"));
    auto b = std::dynamic_pointer_cast<formula::LocalFormula>(s.find("MVOL"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->build, b->build);
}

TEST(Catalogue, ListsSplitTheEntriesByType)
{
    // Every listed entry is in exactly one of the two chart lists, in
    // registration order; base programs are found by name only.
    const FormulaService& s = bothCatalogues();
    std::string main, sub, base;
    for (const auto& e : s.formulas()) {
        const int t = e->type & 0xff;
        (t == 64 ? base : (t & 3) ? main : sub) += e->displayName + " ";
    }
    EXPECT_EQ(names(s.findByType(formula::MainChartList)), main);
    EXPECT_EQ(names(s.findByType(formula::SubChartList)), sub);
    EXPECT_EQ(base, "MLINE SMLINE MVOL KLINE SKLINE ");
    for (const char* name : {"KLINE", "MLINE", "SKLINE", "SMLINE", "MVOL"})
        EXPECT_EQ(s.find(name)->type, 64) << name;
    std::string all;
    for (const auto& e : s.formulas())
        if ((e->type & 0xff) != 64)
            all += e->displayName + " ";
    EXPECT_EQ(names(s.findByType(formula::AllChartLists)), all);
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
    auto second = s.addFormula(std::make_shared<formula::LocalFormula>(4, "A", "", std::vector<FormulaParam>{}, build));
    EXPECT_EQ(s.find("A"), first);
    EXPECT_NE(s.find("A"), second);
    EXPECT_EQ(names(s.findByType(60)), "A A ");    // 68 carries bit 4
    EXPECT_EQ(names(s.findByType(3)), "B 名称 ");  // only the low byte counts: 0x102 is main-chart, 0x100 none
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
    auto macd = bothCatalogues().find("MACD")->create(chart.vm());
    ASSERT_TRUE(macd);
    EXPECT_EQ(macd->title, "MACD(12,9,26)");
    EXPECT_EQ(macd->name, "MACD");
    EXPECT_EQ(macd->type, 4);
    // parameters reach the context as literal static arguments
    FormulaArgument* shortArg = fml_get_static_argument(macd->context(), "SHORT");
    ASSERT_TRUE(fml_argument_data_literal(shortArg));
    EXPECT_EQ(*fml_argument_data_number(shortArg), 12.0f);

    auto kline = bothCatalogues().find("KLINE")->create(chart.vm());
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

// The system's own catalogue: groups, entries, programs on a machine with the
// indicator plug-in, palette use, the shared Raskin program and the counts of
// every generated program.
#include <gtest/gtest.h>

#include <set>

#include "chartstub.h"
#include "formulas/formulaservice.h"
#include "formulas/ownprograms.h"
#include "formulas/standardprograms.h"

using formula::FormulaParam;
using formula::FormulaService;

namespace {

FormulaService& bothCatalogues()
{
    static FormulaService service;
    if (service.formulas().empty()) {
        formula::registerStandardFormulas(service);
        formula::registerExtraFormulas(service);
    }
    return service;
}

std::string names(const std::vector<std::shared_ptr<formula::BasicFormulaFactory>>& list)
{
    std::string out;
    for (const auto& f : list)
        out += f->displayName + " ";
    return out;
}

const formula::ProgramInfo* ownProgram(const std::string& id)
{
    for (std::size_t i = 0; i < formula::own::programCount; ++i)
        if (id == formula::own::programs[i].id)
            return &formula::own::programs[i];
    return nullptr;
}

bool takesPalette(const formula::ProgramInfo& p)
{
    for (std::size_t i = 0; i < p.opCount; ++i)
        if (p.ops[i].op == FML_OP_OUTPUT && p.ops[i].palette)
            return true;
    return false;
}

}  // namespace

TEST(OwnCatalogue, GroupsInOrder)
{
    struct Row {
        const char* name;
        const char* code;
        const char* shortCode;
        std::vector<std::string> members;
    } expected[] = {
        {"BBI", "", "BBI", {"BBI"}},
        {"EXPMA", "", "EXPMA", {"EXPMA"}},
        {"Corvane", "FML-KRV", "KRV", {"Corvane", "Corvane副图", "VOL"}},
        {"Halvest", "FML-HVT", "HVT", {"Halvest", "Halvest副图"}},
        {"Mirelo", "FML-MRL", "MRL", {"Mirelo", "PellisMACD", "Ardun"}},
        {"Pentaro", "FML-PTR", "PTR", {"Pentaro"}},
        {"Sulvane", "FML-SLV", "SLV", {"Sulvane", "Lumeth"}},
        {"Taldor", "FML-TAR", "TAR", {"Taldor"}},
        {"Venrik", "FML-VNK", "VNK", {"Venrik"}},
        {"Borrin", "FML-BRN", "BRN", {"Borrin"}},
        {"Quessa", "FML-QSA", "QSA", {"Nessir", "Wimbel", "Yorvik"}},
        {"Dravel", "FML-DVL", "DVL", {"Dravel"}},
    };
    const auto& groups = bothCatalogues().groups();
    ASSERT_EQ(groups.size(), 12u);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i]->name, expected[i].name);
        EXPECT_EQ(groups[i]->code, expected[i].code) << expected[i].name;
        EXPECT_EQ(groups[i]->shortCode, expected[i].shortCode) << expected[i].name;
        EXPECT_EQ(groups[i]->formulas, expected[i].members) << expected[i].name;
        for (const std::string& m : groups[i]->formulas)  // every member is an entry
            EXPECT_TRUE(bothCatalogues().find(m)) << m;
    }
    EXPECT_EQ(bothCatalogues().findGroup("Quessa")->formulas, (std::vector<std::string>{"Nessir", "Wimbel", "Yorvik"}));
}

TEST(OwnCatalogue, EntriesInRegistrationOrder)
{
    struct Row {
        const char* name;
        const char* shortCode;
        const char* group;
        int type;
    } expected[] = {
        {"Ombrel", "OMB", "FML-OMB", 4},       {"Kestan", "KST", "FML-KST", 4},
        {"Mirelo", "MRL", "FML-MRL", 1},       {"Pentaro", "PTR", "FML-PTR", 2},
        {"Sulvane", "SLV", "FML-SLV", 1},      {"Venrik", "VNK", "FML-VNK", 1},
        {"Borrin", "BRN", "FML-BRN", 2},       {"Galdis", "GLD", "FML-GLD", 4},
        {"Throvin", "THV", "FML-THV", 4},      {"Lumeth", "LMT", "FML-LMT", 4},
        {"Taldor", "TAR", "FML-TAR", 1},       {"Halvest", "HVT", "FML-HVT", 1},
        {"Dravel", "DVL", "FML-DVL", 1},       {"Halvest副图", "HVTS", "FML-HVT", 68},
        {"Corvane", "KRV", "FML-KRV", 1},      {"Nessir", "NSR", "FML-QSA", 1},
        {"Corvane副图", "KRVS", "FML-KRV", 68}, {"PellisMACD", "PLS", "FML-PLS", 4},
        {"Ardun", "ARD", "FML-ARD", 4},        {"Raskin消费", "RSK1", "FML-RSK", 4},
        {"Raskin中证", "RSK2", "FML-RSK", 4},  {"Raskin医药", "RSK3", "FML-RSK", 4},
        {"Wimbel", "WMB", "FML-QSA", 68},      {"Yorvik", "YRV", "FML-QSA", 68},
    };
    const auto& all = bothCatalogues().formulas();
    ASSERT_EQ(all.size(), 23u + 24u);
    for (std::size_t i = 0; i < 24; ++i) {
        const auto& e = *all[23 + i];
        const Row& x = expected[i];
        SCOPED_TRACE(x.name);
        EXPECT_EQ(e.displayName, x.name);
        EXPECT_EQ(e.code, x.shortCode);
        EXPECT_EQ(e.codeCopy, x.shortCode);
        EXPECT_EQ(e.groupCode, x.group);
        EXPECT_EQ(e.type, x.type);
        const std::string n = x.name;
        if (n == "Corvane" || n == "Corvane副图") {
            ASSERT_EQ(e.params.size(), 1u);
            EXPECT_EQ(e.params[0].name, "M");
            EXPECT_EQ(e.params[0].value, n == "Corvane" ? 64.0f : 12.0f);
            EXPECT_EQ(e.params[0].min, 2.0f);
            EXPECT_EQ(e.params[0].max, 999.0f);
            EXPECT_EQ(e.description, n == "Corvane" ? "{}日移动平均线" : "{}日布林线;");
        } else {
            EXPECT_TRUE(e.params.empty());
            EXPECT_EQ(e.description, "无参数设置");
        }
    }
    const FormulaService& s = bothCatalogues();
    EXPECT_EQ(names(s.findByType(formula::MainChartList)),
              "MA MA2 MBOLL BBI EXPMA Mirelo Pentaro Sulvane Venrik Borrin Taldor Halvest Dravel Corvane Nessir ");
    EXPECT_EQ(names(s.findByType(formula::SubChartList)),
              "分时成交 VOL MACD BOLL KD KDJ RSI WR BIAS CCI DMA BRAR PSY Ombrel Kestan Galdis Throvin Lumeth "
              "Halvest副图 Corvane副图 PellisMACD Ardun Raskin消费 Raskin中证 Raskin医药 Wimbel Yorvik ");
}

TEST(OwnCatalogue, EveryProgramRunsWithThePlugin)
{
    FormulaService s;
    formula::registerStandardFormulas(s);
    formula::registerExtraFormulas(s);
    ChartStub chart;
    ASSERT_TRUE(chart.loadPlugin());
    chart.setSynthetic(300);
    for (std::size_t i = 23; i < s.formulas().size(); ++i) {
        const auto& entry = s.formulas()[i];
        SCOPED_TRACE(entry->displayName);
        auto f = entry->create(chart.vm());
        if (entry->displayName == "Mirelo") {
            EXPECT_FALSE(f);  // needs the outside plug-in 3, absent here: no instance, no crash
            continue;
        }
        ASSERT_TRUE(f);
        EXPECT_EQ(chart.run(*f), 1);
        EXPECT_GT(fml_ctx_op_count(f->context(), -1), 0);
    }
    // without the plug-in, its callers cannot be built either
    ChartStub bare;
    bare.setSynthetic(300);
    for (const char* name : {"Taldor", "Corvane", "Corvane副图"})
        EXPECT_FALSE(s.find(name)->create(bare.vm())) << name;
    auto venrik = s.find("Venrik")->create(bare.vm());
    ASSERT_TRUE(venrik);
    EXPECT_EQ(bare.run(*venrik), 1);
}

TEST(OwnCatalogue, PaletteUse)
{
    // programs that take no palette colour; Kestan and Dravel also keep the index
    const std::set<std::string> none = {"Mirelo", "Sulvane", "Dravel", "Kestan", "HalvestSub", "Yorvik"};
    for (std::size_t i = 0; i < formula::own::programCount; ++i) {
        const formula::ProgramInfo& p = formula::own::programs[i];
        EXPECT_EQ(takesPalette(p), !none.count(p.id)) << p.id;
        EXPECT_EQ(p.resetPalette, std::string(p.id) != "Kestan" && std::string(p.id) != "Dravel") << p.id;
    }

    const auto& pal = formula::defaultPalette();
    ChartStub chart;
    ASSERT_TRUE(chart.loadPlugin());
    chart.setSynthetic(60);
    formula::resetDefaultColor();
    for (int i = 0; i < 3; ++i)
        formula::nextDefaultColor();
    ASSERT_TRUE(bothCatalogues().find("Kestan")->create(chart.vm()));
    ASSERT_TRUE(bothCatalogues().find("Dravel")->create(chart.vm()));
    EXPECT_EQ(formula::nextDefaultColor(), pal[3]);  // the running index went on

    // Ombrel: the explicit colours come first, then 强势 white, 拉升 second, XG third
    auto ombrel = bothCatalogues().find("Ombrel")->create(chart.vm());
    ASSERT_TRUE(ombrel);
    ASSERT_EQ(chart.run(*ombrel), 1);
    std::map<std::string, uint32_t> colour;
    for (const DrawnOutput& o : drawnOutputs(*ombrel))
        if (!o.name.empty())
            colour[o.name] = o.color;
    EXPECT_EQ(colour["机构买"], rgbWord(0, 0, 255));
    EXPECT_EQ(colour["机构卖"], rgbWord(0, 255, 0));
    EXPECT_EQ(colour["散户买"], rgbWord(128, 0, 255));
    EXPECT_EQ(colour["散户卖"], rgbWord(255, 0, 0));
    EXPECT_EQ(colour["强势"], pal[0]);
    EXPECT_EQ(colour["拉升"], pal[1]);
    EXPECT_EQ(colour["XG"], pal[2]);
}

TEST(OwnCatalogue, RaskinEntriesShareOneProgramWithPresetConstants)
{
    const formula::ProgramInfo* r1 = ownProgram("Raskin1");
    const formula::ProgramInfo* r2 = ownProgram("Raskin2");
    const formula::ProgramInfo* r3 = ownProgram("Raskin3");
    ASSERT_TRUE(r1 && r2 && r3);
    EXPECT_EQ(r1->ops, r2->ops);
    EXPECT_EQ(r1->ops, r3->ops);

    ChartStub chart;
    chart.setSynthetic(120);
    struct Row {
        const char* name;
        float k1, k2, n1, n2;
    } rows[] = {{"Raskin消费", 0.5f, 0.5f, 10, 10}, {"Raskin中证", 0.4f, 0.46f, 11, 6}, {"Raskin医药", 0.4f, 0.44f, 8, 7}};
    for (const Row& r : rows) {
        auto f = bothCatalogues().find(r.name)->create(chart.vm());
        ASSERT_TRUE(f);
        EXPECT_EQ(f->title, std::string(r.name) + "()");
        const std::pair<const char*, float> presets[] = {{"K1", r.k1}, {"K2", r.k2}, {"N1", r.n1}, {"N2", r.n2}};
        for (const auto& [n, v] : presets) {
            FormulaArgument* a = fml_get_static_argument(f->context(), n);
            EXPECT_TRUE(fml_argument_data_literal(a)) << r.name << " " << n;
            EXPECT_EQ(*fml_argument_data_number(a), v) << r.name << " " << n;
        }
    }

    // Raskin中证 gives what Raskin消费 gives once its constants are set to 中证's
    auto zz = bothCatalogues().find("Raskin中证")->create(chart.vm());
    auto xf = bothCatalogues().find("Raskin消费")->create(chart.vm());
    for (const auto& [n, v] : std::vector<std::pair<const char*, float>>{{"K1", 0.4f}, {"K2", 0.46f}, {"N1", 11}, {"N2", 6}})
        formula::setStaticLiteral(xf->context(), n, v);
    ASSERT_EQ(chart.run(*zz), 1);
    ASSERT_EQ(chart.run(*xf), 1);
    for (const char* out : {"BUYPOSITION3", "SELLPOSITION3", "K22"}) {
        const auto a = ChartStub::values(*zz, out);
        ASSERT_EQ(a.size(), 120u) << out;
        EXPECT_EQ(a, ChartStub::values(*xf, out)) << out;
    }
    auto plain = bothCatalogues().find("Raskin消费")->create(chart.vm());
    ASSERT_EQ(chart.run(*plain), 1);
    EXPECT_NE(ChartStub::values(*plain, "BUYPOSITION3"), ChartStub::values(*zz, "BUYPOSITION3"));
}

TEST(OwnCatalogue, TranscribedStatementsComputeAsWritten)
{
    ChartStub chart;
    const std::vector<float> c = {10, 10.5f, 10.2f, 10.8f, 11.4f, 11.1f, 11.9f, 12.3f, 12.0f, 12.6f, 12.2f, 12.9f};
    chart.setCloses(c);
    // Venrik: UP = MA(C,10)*1.11, DN = *0.91, MID = their mean; bar 11: MA10 = mean of bars 2..11 = 11.74
    auto venrik = bothCatalogues().find("Venrik")->create(chart.vm());
    ASSERT_EQ(chart.run(*venrik), 1);
    EXPECT_NEAR(ChartStub::values(*venrik, "UP")[11], 11.74f * 1.11f, 1e-4f);
    EXPECT_NEAR(ChartStub::values(*venrik, "DN")[11], 11.74f * 0.91f, 1e-4f);
    EXPECT_NEAR(ChartStub::values(*venrik, "MID")[11], 11.74f * 1.01f, 1e-4f);
    auto outs = drawnOutputs(*venrik);
    ASSERT_EQ(outs.size(), 3u);
    EXPECT_EQ(outs[1].color, rgbWord(255, 255, 0));

    // Ardun: JJ = -(HH-J) with J = EMA(C,5), HH = EMA(C,20); bar 1: J = (4*10+21)/6, HH = (19*10+21)/21
    auto ardun = bothCatalogues().find("Ardun")->create(chart.vm());
    ASSERT_EQ(chart.run(*ardun), 1);
    EXPECT_NEAR(ChartStub::values(*ardun, "JJ")[1], 61.0f / 6 - 211.0f / 21, 1e-5f);
    EXPECT_EQ(ChartStub::values(*ardun, "JJ")[0], 0.0f);

    // PellisMACD's 0 line and Wimbel's three constant lines are unnamed literal outputs
    auto wimbel = bothCatalogues().find("Wimbel")->create(chart.vm());
    ASSERT_EQ(chart.run(*wimbel), 1);
    EXPECT_EQ(fml_ctx_op_count(wimbel->context(), FML_DRAW_LITERAL_NUMBER), 3);

    // Corvane with M changed: title and parameter-file key
    FormulaService s;
    formula::registerStandardFormulas(s);
    formula::registerExtraFormulas(s);
    s.find("Corvane")->params[0].value = 30;
    ASSERT_TRUE(chart.loadPlugin());
    EXPECT_EQ(s.find("Corvane")->create(chart.vm())->title, "Corvane(30)");
}

TEST(GeneratedPrograms, StatementAndOperationCounts)
{
    // From tests/count_ops.py, which counts the data files by token classes.
    struct Count {
        const char* id;
        int statements;
        std::size_t ops;
    };
    const Count standard[] = {
        {"P1", 7, 37},   {"P2", 2, 8},    {"P3", 5, 39},   {"P4", 3, 13},   {"P5", 3, 13},   {"P6", 3, 16},
        {"P7", 4, 28},   {"P8", 4, 33},   {"P9", 3, 31},   {"P10", 4, 41},  {"P11", 6, 60},  {"P12", 2, 36},
        {"P13", 3, 42},  {"P14", 2, 23},  {"P15", 2, 16},  {"P16", 2, 40},  {"P17", 2, 20},  {"P18", 4, 24},
        {"P19", 10, 80}, {"P20", 3, 26},  {"P21", 1, 20},  {"P22", 2, 12},
    };
    const Count own[] = {
        {"Mirelo", 25, 261},     {"Pentaro", 18, 161},    {"Sulvane", 24, 278},    {"Venrik", 4, 25},
        {"Borrin", 45, 328},     {"Taldor", 20, 201},     {"Halvest", 12, 212},    {"Dravel", 16, 138},
        {"Corvane", 24, 209},    {"Nessir", 7, 49},       {"Ombrel", 55, 474},     {"Kestan", 43, 365},
        {"Galdis", 4, 35},       {"Throvin", 11, 81},     {"Lumeth", 35, 360},     {"HalvestSub", 8, 153},
        {"CorvaneSub", 9, 92},   {"PellisMACD", 52, 424}, {"Ardun", 9, 57},        {"Raskin", 24, 195},
        {"Wimbel", 12, 145},     {"Yorvik", 9, 89},       {"Raskin1", 24, 195},    {"Raskin2", 24, 195},
        {"Raskin3", 24, 195},
    };
    ASSERT_EQ(formula::standard::programCount, std::size(standard));
    for (std::size_t i = 0; i < std::size(standard); ++i) {
        const formula::ProgramInfo& p = formula::standard::programs[i];
        EXPECT_STREQ(p.id, standard[i].id);
        EXPECT_EQ(p.statements, standard[i].statements) << p.id;
        EXPECT_EQ(p.opCount, standard[i].ops) << p.id;
    }
    ASSERT_EQ(formula::own::programCount, std::size(own));
    int total = 0;
    for (std::size_t i = 0; i < std::size(own); ++i) {
        const formula::ProgramInfo& p = formula::own::programs[i];
        EXPECT_STREQ(p.id, own[i].id);
        EXPECT_EQ(p.statements, own[i].statements) << p.id;
        EXPECT_EQ(p.opCount, own[i].ops) << p.id;
        if (i < 22)
            total += p.statements;
    }
    EXPECT_EQ(total, 466);
}

// The system's own catalogue: programs on a machine with the indicator
// plug-in, palette use, the shared Raskin program and the counts of every
// generated program (its entries and groups are listed in test_catalogue.cpp).
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

// How many entries the standard catalogue registers before the system's own.
std::size_t standardCount()
{
    FormulaService s;
    formula::registerStandardFormulas(s);
    return s.formulas().size();
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

TEST(OwnCatalogue, EveryProgramRunsWithThePlugin)
{
    FormulaService s;
    formula::registerStandardFormulas(s);
    formula::registerExtraFormulas(s);
    ChartStub chart;
    ASSERT_TRUE(chart.loadPlugin());
    chart.setSynthetic(300);
    for (std::size_t i = standardCount(); i < s.formulas().size(); ++i) {
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
    } rows[] = {
        {"Raskin消费", 0.5f, 0.5f, 10, 10}, {"Raskin中证", 0.4f, 0.46f, 11, 6}, {"Raskin医药", 0.4f, 0.44f, 8, 7}};
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
    for (const auto& [n, v] :
         std::vector<std::pair<const char*, float>>{{"K1", 0.4f}, {"K2", 0.46f}, {"N1", 11}, {"N2", 6}})
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
    // Written by the build from tests/count_ops.py, which counts the data
    // files by token classes, independently of the generator.
    struct Count {
        const char* id;
        int statements;
        std::size_t ops;
    };
    const Count standard[] = {
#include "standardcounts.inc"
    };
    const Count own[] = {
#include "owncounts.inc"
    };
    const struct {
        const char* space;
        const formula::ProgramInfo* programs;
        std::size_t count;
        const Count* expected;
        std::size_t expectedCount;
    } spaces[] = {
        {"standard", formula::standard::programs, formula::standard::programCount, standard, std::size(standard)},
        {"own", formula::own::programs, formula::own::programCount, own, std::size(own)},
    };
    for (const auto& space : spaces) {
        ASSERT_EQ(space.count, space.expectedCount) << space.space;
        for (std::size_t i = 0; i < space.count; ++i) {
            const formula::ProgramInfo& p = space.programs[i];
            EXPECT_STREQ(p.id, space.expected[i].id) << space.space;
            EXPECT_EQ(p.statements, space.expected[i].statements) << p.id;
            EXPECT_EQ(p.opCount, space.expected[i].ops) << p.id;
        }
    }
    // The system's own 22 programs hold 466 statements between them.
    int total = 0;
    for (std::size_t i = 0; i < 22; ++i)
        total += formula::own::programs[i].statements;
    EXPECT_EQ(total, 466);
}

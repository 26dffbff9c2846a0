// The parameter file index.param: what is written, what is read back, and
// how a damaged or partial file is treated.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "formulas/formulaservice.h"

using formula::FormulaParam;
using formula::FormulaService;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

FormulaContext* emptyProgram(FormulaVM* vm)
{
    return fml_ctx_create(vm);
}

// MA with four values, a Chinese-named entry with one, and one without any.
void smallCatalogue(FormulaService& s)
{
    s.addFormula(std::make_shared<formula::LocalFormula>(
        1, "MA", "",
        std::vector<FormulaParam>{{"M1", 5, 1, 9999}, {"M2", 10, 1, 9999}, {"M3", 20, 1, 9999}, {"M4", 60, 1, 9999}},
        emptyProgram));
    s.addFormula(std::make_shared<formula::LocalFormula>(68, "KRVS", "测试副图", "FML-KRV", "{}日布林线;",
                                                         std::vector<FormulaParam>{{"M", 12, 2, 999}}, emptyProgram));
    s.addFormula(std::make_shared<formula::LocalFormula>(64, "KLINE", "", std::vector<FormulaParam>{}, emptyProgram));
}

std::vector<float> values(const FormulaService& s, const std::string& name)
{
    std::vector<float> out;
    for (const FormulaParam& p : s.find(name)->params)
        out.push_back(p.value);
    return out;
}

}  // namespace

TEST(ParamFile, WritesTheFlagThenOneLinePerEntry)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("index.param").toStdString();
    FormulaService s;
    smallCatalogue(s);
    s.find("MA")->params[0].value = 0.5f;
    s.find("MA")->params[3].value = 1234567.0f;
    s.saveParams(path);
    // in registration order, an entry without values too; values in the
    // shortest form with six significant digits
    EXPECT_EQ(readFile(path), "1\nMA\t0.5\t10\t20\t1.23457e+06\t\n测试副图\t12\t\nKLINE\t\n");
    // nothing else is left beside it
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"index.param"});
}

TEST(ParamFile, ReadsBackChangedValuesAndKeepsDefaults)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("index.param").toStdString();
    {
        FormulaService s;
        formula::registerStandardFormulas(s);
        s.find("MACD")->params[0].value = 10;
        s.find("MA2")->params[7].value = 33;
        s.saveParams(path);
    }
    FormulaService s;
    formula::registerStandardFormulas(s);
    s.loadParams(path);
    EXPECT_EQ(values(s, "MACD"), (std::vector<float>{10, 9, 26}));
    EXPECT_EQ(s.find("MACD")->defaultParams[0].value, 12.0f);
    EXPECT_EQ(values(s, "MA2"), (std::vector<float>{5, 10, 20, 60, 120, 250, 0, 33, 0, 0}));
    EXPECT_EQ(s.find("MA2")->defaultParams[7].value, 0.0f);
}

TEST(ParamFile, ReadingRules)
{
    const std::vector<float> ma0 = {5, 10, 20, 60};
    struct Case {
        const char* what;
        std::string text;
        std::vector<float> ma;
        float chinese;
    } cases[] = {
        {"complete file", "1\nMA\t1\t2\t3\t4\t\n测试副图\t30\t\nKLINE\t\n", {1, 2, 3, 4}, 30},
        {"flag 0 ignores complete lines", "0\nMA\t1\t2\t3\t4\t\n测试副图\t30\t\n", ma0, 12},
        {"no flag number", "x\nMA\t1\t2\t3\t4\t\n", ma0, 12},
        {"empty file", "", ma0, 12},
        {"fewer values keep the rest", "1\nMA\t7\t8\t\n", {7, 8, 20, 60}, 12},
        {"surplus values ignored", "1\n测试副图\t30\t40\t50\t\nMA\t1\t2\t3\t4\t5\t6\t\n", {1, 2, 3, 4}, 30},
        {"unknown keys skipped", "1\nGONE\t1\t2\t\nMA\t9\t\n\n测试副图\t31\t\n", {9, 10, 20, 60}, 31},
        {"CRLF line ends", "1\r\nMA\t1\t2\t3\t4\t\r\n测试副图\t30\t\r\n", {1, 2, 3, 4}, 30},
        {"spaces between values", "1\nMA 1 2  3\t4\n", {1, 2, 3, 4}, 12},
        {"out-of-range values taken as they are", "1\nMA\t0.5\t99999\t-3\t1e+06\t\n", {0.5f, 99999, -3, 1e6f}, 12},
        {"non-finite values skipped", "1\nMA\tinf\t7\tnan\t-inf\t\n", {5, 7, 20, 60}, 12},
        {"a word stops the line", "1\nMA\t7\tx\t9\t9\t\n测试副图\t30\n", {7, 10, 20, 60}, 30},
        {"key alone", "1\nMA\n", ma0, 12},
        {"no final line break", "1\n测试副图\t29", ma0, 29},
    };
    QTemporaryDir dir;
    const std::string path = dir.filePath("index.param").toStdString();
    for (const Case& c : cases) {
        writeFile(path, c.text);
        FormulaService s;
        smallCatalogue(s);
        s.loadParams(path);
        EXPECT_EQ(values(s, "MA"), c.ma) << c.what;
        EXPECT_EQ(values(s, "测试副图"), std::vector<float>{c.chinese}) << c.what;
        EXPECT_EQ(s.find("MA")->defaultParams[1].value, 10.0f) << c.what;
    }
    FormulaService s;
    smallCatalogue(s);
    s.loadParams(dir.filePath("missing.param").toStdString());
    EXPECT_EQ(values(s, "MA"), ma0);
}

TEST(ParamFile, SavingReplacesTheFileWhole)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("index.param").toStdString();
    FormulaService s;
    smallCatalogue(s);
    s.saveParams(path);
    EXPECT_EQ(readFile(path), "1\nMA\t5\t10\t20\t60\t\n测试副图\t12\t\nKLINE\t\n");

    // A reader holding the old file keeps reading the old text: the new file
    // is written beside it and renamed into place, never truncated in place.
    std::ifstream reader(path, std::ios::binary);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    s.find("MA")->params[0].value = 6;
    s.saveParams(path);
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    std::ostringstream old;
    old << reader.rdbuf();
    EXPECT_EQ(old.str(), "1\nMA\t5\t10\t20\t60\t\n测试副图\t12\t\nKLINE\t\n");
    EXPECT_EQ(readFile(path), "1\nMA\t6\t10\t20\t60\t\n测试副图\t12\t\nKLINE\t\n");

    // a folder that does not exist: nothing written, nothing reported
    s.saveParams(dir.filePath("no/such/index.param").toStdString());
    EXPECT_FALSE(QDir(dir.filePath("no")).exists());
}

TEST(ParamFile, StartUpLoaderReadsIntoTheProcessService)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("index.param").toStdString();
    FormulaService& s = FormulaService::instance();
    if (!s.find("BOLL"))  // once per process: other tests fill the same catalogue
        formula::registerStandardFormulas(s);
    writeFile(path, "1\nBOLL\t20\t\n");
    formula::loadFormulaParams(path);
    EXPECT_EQ(values(s, "BOLL"), std::vector<float>{20});
}

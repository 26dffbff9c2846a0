// Every file the program keeps, found unreadable (mode 000, as a restore from
// a backup can leave it): the user is told, the next save moves the old file
// aside as "<name>.bad" instead of writing over it, and the new file can be
// read back by the next start. Run without root's override of file modes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>

#include <sys/stat.h>

#include <memory>

#include "datawriters.h"
#include "nofileoverride.h"
#include "platform/savefile.h"
#include "shell/datadir.h"
#include "shell/qmltypes.h"

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

void closeUp(const QString& path)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0) << qPrintable(path);
}

// The bytes of a file closed to this process, opened for the look.
QByteArray bytesOfClosed(const QString& path)
{
    ::chmod(QFile::encodeName(path).constData(), 0600);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList& logged()
{
    static QStringList lines;
    return lines;
}
void keepLine(QtMsgType, const QMessageLogContext&, const QString& text)
{
    logged() << text;
}

class UnreadableFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!asUser_.active())
            GTEST_SKIP() << "mode 000 files stay readable to this process";
        QDir(dataDirectory()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(dataDirectory() + "/cookies"));
        HFileIO().takeReadFailures();  // what an earlier test left untold
    }
    void TearDown() override
    {
        for (const QString& f : QDir(dataDirectory()).entryList(QDir::Files))
            ::chmod(QFile::encodeName(dataDirectory() + "/" + f).constData(), 0600);
    }

    testsupport::WithoutFileOverride asUser_;
};

}  // namespace

// Each writer over its file made unreadable before the program read it: the
// old content is in "<name>.bad", the new one is the owner's to read (0600)
// and reads back, and the user was told each file by name.
TEST_F(UnreadableFiles, EveryWriterKeepsTheOldFileAsideAndTellsTheUser)
{
    const QString dir = dataDirectory();
    std::vector<std::pair<QString, QByteArray>> olds;
    {
        DrawingChart probe;  // the writers' table names the files
        for (const Writer& w : writers(probe))
            olds.emplace_back(w.file, w.before());
    }
    for (const auto& o : olds) {
        ASSERT_TRUE(HFileIO::writePath(dir + "/" + o.first, o.second));
        closeUp(dir + "/" + o.first);
    }
    HFileIO io;
    QSignalSpy told(&io, &HFileIO::readFailed);
    logged().clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepLine);
    // As at start: the parameters are read, then the services and the chart
    // read their files as the views open.
    formula::FormulaService::instance().loadParams(QBaseService::formulaParamFile());
    DrawingChart drawing;
    const std::vector<Writer> rows = writers(drawing, [](int) { return true; });
    EXPECT_FALSE(drawing.chart.paintBoard()->modified());

    for (const Writer& w : rows) {
        SCOPED_TRACE(w.what);
        const QString path = dir + "/" + w.file;
        w.save(1);
        if (w.unsaved) {
            EXPECT_FALSE(w.unsaved()) << "the save was not taken as done";
        }
        const QByteArray now = bytesOf(path);
        EXPECT_NE(now, "<unreadable>") << "the new file cannot be read back";
        EXPECT_NE(now, w.before());
        EXPECT_EQ(modeOf(path), 0600u);
        EXPECT_EQ(modeOf(path + ".bad"), 0u) << "the old file is not kept as it was";
        EXPECT_EQ(bytesOfClosed(path + ".bad").toStdString(), w.before().toStdString());
    }
    qInstallMessageHandler(previous);
    EXPECT_GE(told.count(), 1);
    QStringList texts;
    for (const QString& line : logged())
        if (line.startsWith("无法读取"))
            texts << line;
    for (const Writer& w : rows) {
        EXPECT_TRUE(texts.contains("无法读取的 " + w.file + " 已移到 " + w.file + ".bad"))
            << w.what << ": " << qPrintable(texts.join(" | "));
    }
    // The files the program read before saving were told as such, once.
    for (const char* read : {"index.param", "600020-1-33.json", "Quorvex.json", "formula_group_own.json"}) {
        EXPECT_EQ(texts.count(QString("无法读取 %1：没有读取权限").arg(read)), 1)
            << read << ": " << qPrintable(texts.join(" | "));
    }
    // The window shows the first three and how many more there are.
    const QString shown = io.takeReadFailures();
    EXPECT_EQ(shown.toStdString(),
              (texts.mid(0, 3).join('\n') + QString("\n另有 %1 条，见程序日志").arg(texts.size() - 3)).toStdString());
    EXPECT_EQ(io.takeReadFailures(), "") << "told twice";
}

// The four files a user would miss most, through the path of a restart:
// what was saved over the unreadable file is there at the next start.
TEST_F(UnreadableFiles, WhatWasSavedInsteadIsReadAtTheNextStart)
{
    const QString dir = dataDirectory();
    const QString drawings = dir + "/600020-1-33.json";
    for (const char* name : {"600020-1-33.json", "Quorvex.json", "formula_group_own.json", "index.param"}) {
        ASSERT_TRUE(HFileIO::writePath(dir + "/" + name, "old"));
        closeUp(dir + "/" + name);
    }
    ensureStandardCatalogue();
    formula::FormulaService& params = formula::FormulaService::instance();
    params.loadParams(QBaseService::formulaParamFile());
    const float ma = params.find("MA")->params[0].value;
    {
        DrawingChart drawing;
        drawing.drawAndSave(5);
        QQuorvexService().addGroup("g1", "放量突破", QVariantList{QVariantMap{{"code", "600020"}, {"market_id", "1"}}});
        QBaseService().addLocalFormulaGroup(QJsonObject{{"name", "我的组"}});
        QBaseService().setFormulaParam("MA", QJsonObject{{"args", QJsonArray{QJsonObject{{"value", ma + 2}}}}});
    }
    // The next start.
    HFileIO::finishSaves();
    QQuorvexService::loadFile();
    DrawingChart drawing;
    EXPECT_EQ(drawing.chart.paintBoard()->tools().size(), 1u);
    const QStringList results = QQuorvexService().getGroupTitles().toMap().value("names").toStringList();
    EXPECT_TRUE(results.contains("放量突破")) << qPrintable(results.join(","));
    const QJsonArray own = QBaseService().getLoadLocalFormulaGroup().toJsonArray();
    ASSERT_FALSE(own.isEmpty());
    EXPECT_EQ(own.last().toObject().value("name").toString().toStdString(), "我的组");
    formula::FormulaService restarted;
    formula::registerStandardFormulas(restarted);
    restarted.loadParams(QBaseService::formulaParamFile());
    EXPECT_EQ(restarted.find("MA")->params[0].value, ma + 2);
    for (const char* name : {"600020-1-33.json", "Quorvex.json", "formula_group_own.json", "index.param"})
        EXPECT_EQ(bytesOfClosed(dir + "/" + name + ".bad").toStdString(), "old") << name;
}

// The stock view's pane layout found unreadable: the view gets the default
// layout, the user is told, and the file is kept as .bad when the default
// takes its place.
TEST_F(UnreadableFiles, ThePaneLayoutIsToldAndKept)
{
    const QString file = dataDirectory() + "/formula_map.json";
    const QByteArray mine =
        R"({"kline":{"main_charts":[{"fname":"KLINE","s":"KSCALES","c":"KCROSSHAIR"}],"sub_charts":[{"fname":"RSI","s":"KSCALES","c":"KCROSSHAIR"}]},)"
        R"("mline":{"main_charts":[{"fname":"MLINE","s":"MSCALES","c":"MCROSSHAIR"}],"sub_charts":[]}})";
    ASSERT_TRUE(HFileIO::writePath(file, mine));
    closeUp(file);
    registerQmlTypes();
    QQmlEngine engine;
    QQmlComponent probe(&engine);
    probe.setData(R"(import QtQuick 2.15
import HFileIO 1.0
import "qrc:/qml/js/MQChartFormula.js" as Layout
Item {
    HFileIO { id: io }
    function subs() {
        Layout.setFileIO(io);
        return Layout.getFormulaMap("kline").sub_charts.map(function (e) { return e.fname; }).join(",");
    }
    function told() { return io.takeReadFailures(); }
})",
                  QUrl("qrc:/unreadableprobe.qml"));
    std::unique_ptr<QObject> layout(probe.create());
    ASSERT_TRUE(layout) << probe.errorString().toStdString();
    QVariant subs, told;
    QMetaObject::invokeMethod(layout.get(), "subs", Q_RETURN_ARG(QVariant, subs));
    QMetaObject::invokeMethod(layout.get(), "told", Q_RETURN_ARG(QVariant, told));
    EXPECT_EQ(subs.toString().toStdString(), "Lumeth,KD");
    EXPECT_EQ(told.toString().toStdString(),
              "无法读取 formula_map.json：没有读取权限\n无法读取的 formula_map.json 已移到 formula_map.json.bad");
    EXPECT_EQ(bytesOfClosed(file + ".bad").toStdString(), mine.toStdString());
    EXPECT_TRUE(bytesOf(file).contains("Lumeth"));
}

// A garbage parameter file is kept aside before the first save replaces it;
// a sound or empty one is simply replaced.
TEST(ParameterFile, AFileThatIsNotOneIsKeptAsideBeforeTheSave)
{
    const QString path = dataDirectory() + "/index.param";
    struct Row {
        QByteArray text;
        bool kept;
    };
    const Row rows[] = {
        {"1\nMA\t7\t\n", false},
        {"", false},
        {"0\nMA\t7\t\n", true},
        {"x\nMA\t7\t\n", true},
        {"2\nMA\t7\t\n", true},
        {"1x\nMA\t7\t\n", true},
        {QByteArray("1\nMA\t7\0\t\n", 9), true},
        {"<html>502</html>", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        QFile::remove(path + ".bad");
        ASSERT_TRUE(HFileIO::writePath(path, r.text));
        formula::FormulaService s;
        formula::registerStandardFormulas(s);
        s.loadParams(path.toStdString());
        EXPECT_TRUE(s.saveParams(path.toStdString()));
        EXPECT_EQ(QFileInfo::exists(path + ".bad"), r.kept);
        if (r.kept) {
            EXPECT_EQ(bytesOf(path + ".bad").toStdString(), r.text.toStdString());
        }
        EXPECT_TRUE(bytesOf(path).startsWith("1\n"));
        // Kept once: the next save replaces the file it wrote itself.
        EXPECT_TRUE(s.saveParams(path.toStdString()));
        EXPECT_FALSE(QFileInfo::exists(path + ".2.bad"));
    }
}

// What saves cut short by a kill left in the data directory and its folders
// is gone after the next start's clean-up; the files themselves stay.
TEST(StaleSaves, TemporaryFilesAreRemovedAtStart)
{
    const QString dir = dataDirectory();
    ASSERT_TRUE(QDir().mkpath(dir + "/cookies"));
    // Process id 2^22 + 1 is above the kernel's limit: no process has it.
    const QStringList stale = {"Quorvex.json.4194305-0.tmp", "index.param.4194305-7.tmp",
                               "cookies/cookies.txt.4194305-2.tmp"};
    for (const QString& f : stale)
        ASSERT_TRUE(HFileIO::writePath(dir + "/" + f, "part"));
    ASSERT_TRUE(HFileIO::writePath(dir + "/Quorvex.json", "{}"));
    EXPECT_EQ(HFileIO::removeStaleTempFiles(), 3);
    for (const QString& f : stale)
        EXPECT_FALSE(QFileInfo::exists(dir + "/" + f)) << qPrintable(f);
    EXPECT_TRUE(QFileInfo::exists(dir + "/Quorvex.json"));
}

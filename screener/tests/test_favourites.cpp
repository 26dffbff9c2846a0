// Favourites: the file's bytes, re-linking to templates, the list view's
// actions and damaged or unwritable files.
#include <gtest/gtest.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QStandardPaths>

#include "dialogfixture.h"
#include "nofileoverride.h"
#include "platform/savefile.h"
#include "quorvexapp.h"

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}

// "收藏" holding MA (period 9, type 2, "5;20") and XX, a key no template has.
const QByteArray kOneFavourite = bytes({
    0x01, 0,    0,    0,                                                 // one favourite
    0xFF, 0xFE, 0xFF, 0x02, 0x36, 0x65, 0xCF, 0x85,                      // 收藏
    0x02, 0,    0,    0,                                                 // two conditions
    0x02, 'M',  'A',  0x09, 0,    0,    0,    0x02, 0,    0,    0,       // MA, period 9, type 2
    0x04, '5',  ';',  '2',  '0',  0x02, 0,    0,    0,                   // "5;20", two values
    0xFF, 0xFE, 0xFF, 0x01, '5',  0,                                     // "5"
    0xFF, 0xFE, 0xFF, 0x02, '2',  0,    '0',  0,                         // "20"
    0x02, 'X',  'X',  0x08, 0,    0,    0,    0x01, 0,    0,    0,       // XX, period 8, type 1
    0x01, '7',  0x01, 0,    0,    0,    0xFF, 0xFE, 0xFF, 0x01, '7', 0,  // "7", one value "7"
});

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

TEST(QuorvexFavourites, LoadRelinkApplyAndSaveTheSameBytes)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarvolin-u1.dat";
    writeFile(path, kOneFavourite);
    DialogFixture f;
    f.dialog = std::make_unique<CQuorvexDialog>(path, 0);
    f.dialog->SetTexts("Tarvolin", f.http.base(), "u1", "");
    auto* list = f.dialog->findChild<QListWidget*>(QStringLiteral("1016"));
    ASSERT_EQ(1, f.dialog->Favourites().size());
    EXPECT_EQ(1, list->count()) << "the names stand from the start";
    ASSERT_TRUE(f.loadTemplates());
    ASSERT_EQ(1, list->count());
    EXPECT_EQ("收藏", list->item(0)->text());

    const FavouriteSet& fav = f.dialog->Favourites()[0];
    ASSERT_EQ(2, fav.conditions.size());
    const ConditionTemplate& linked = fav.conditions[0].tmpl;
    EXPECT_EQ("均线", linked.title);
    EXPECT_EQ("MA{}上穿MA{}", linked.content);
    ASSERT_EQ(2, linked.argRanges.size());
    EXPECT_EQ("5", linked.argRanges[0].value);
    EXPECT_EQ("1", linked.argRanges[0].minimum);
    EXPECT_EQ("20", linked.argRanges[1].value);
    EXPECT_EQ("250", linked.argRanges[1].maximum);
    const ConditionTemplate& unlinked = fav.conditions[1].tmpl;
    EXPECT_EQ("", unlinked.title);
    ASSERT_EQ(1, unlinked.argRanges.size());
    EXPECT_EQ("7", unlinked.argRanges[0].value);

    f.dialog->ApplyFavourite(0);
    auto* lines = f.dialog->findChild<QListWidget*>(QStringLiteral("1003"));
    ASSERT_EQ(2, lines->count());
    EXPECT_EQ("均线 周线 (5;20)", lines->item(0)->text());
    EXPECT_EQ(" 日线 (7)", lines->item(1)->text());

    f.dialog->show();
    f.dialog->accept();
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(kOneFavourite.toHex(' '), readFile(path).toHex(' ')) << "load then save gives the same bytes";
}

TEST(QuorvexFavourites, AddRenameDeleteAndEmptyFavourites)
{
    DialogFixture f;
    const QString path = f.dialog->FavouritesPath();
    ASSERT_TRUE(f.loadTemplates());
    auto* list = f.dialog->findChild<QListWidget*>(QStringLiteral("1016"));
    f.dialog->AddFavourite();  // no conditions: an empty favourite
    ASSERT_EQ(1, list->count());
    EXPECT_EQ("新分组", list->item(0)->text());
    list->item(0)->setText("");  // an empty name is accepted
    EXPECT_EQ("", f.dialog->Favourites()[0].name);

    f.addCondition(0, 0, {"3"});
    f.dialog->AddFavourite();
    list->item(1)->setText("涨");
    EXPECT_EQ("涨", f.dialog->Favourites()[1].name);
    ASSERT_TRUE(f.dialog->SaveFavourites());
    const QByteArray expected = bytes({
        0x02, 0,    0,    0,                                            // two favourites
        0xFF, 0xFE, 0xFF, 0x00, 0,    0,    0,    0,                    // "" without conditions
        0xFF, 0xFE, 0xFF, 0x01, 0xA8, 0x6D, 0x01, 0,    0,    0,        // 涨 (U+6DA8), one condition
        0x02, 'Z',  'F',  0x08, 0,    0,    0,    0x01, 0,    0,    0,  // ZF, period 8, type 1
        0x01, '3',  0x01, 0,    0,    0,    0xFF, 0xFE, 0xFF, 0x01, '3', 0,
    });
    EXPECT_EQ(expected.toHex(' '), readFile(path).toHex(' '));

    // The empty favourite applies as an empty list.
    f.dialog->ApplyFavourite(0);
    EXPECT_TRUE(f.dialog->Conditions().isEmpty());

    // Delete and rename act on the selection only.
    list->clearSelection();
    f.dialog->DeleteFavourite();
    EXPECT_EQ(2, list->count());
    list->item(0)->setSelected(true);
    f.dialog->DeleteFavourite();
    ASSERT_EQ(1, list->count());
    EXPECT_EQ("涨", f.dialog->Favourites()[0].name);
    ASSERT_TRUE(f.dialog->SaveFavourites());
    EXPECT_EQ(QByteArray(bytes({0x01, 0, 0, 0})) + expected.mid(12), readFile(path))
        << "a save rewrites the whole file";
}

TEST(QuorvexFavourites, DamagedFileKeepsWhatWasReadAndIsCopiedBeforeSaving)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarvolin-u1.dat";
    // Two favourites announced, the second cut inside its name.
    QByteArray damaged = kOneFavourite;
    damaged[0] = 2;
    damaged += bytes({0xFF, 0xFE, 0xFF, 0x20, 'x'});
    writeFile(path, damaged);
    CQuorvexDialog d(path, 0);
    ASSERT_EQ(1, d.Favourites().size());
    EXPECT_EQ("收藏", d.Favourites()[0].name);

    // A stored period outside 3..11 is brought into range (and sent so).
    QByteArray badPeriod = kOneFavourite;
    badPeriod[19] = 99;  // the first condition's period
    writeFile(path + "2", badPeriod);
    CQuorvexDialog bad(path + "2", 0);
    bad.ApplyFavourite(0);
    auto* period = bad.findChild<QComboBox*>("1012");
    period->setCurrentIndex(0);
    bad.ShowCondition(0);
    EXPECT_EQ(11, bad.Conditions()[0].period);
    EXPECT_EQ(8, period->currentIndex());
    EXPECT_TRUE(bad.RequestBody().contains("\"fml_peroid\":11")) << bad.RequestBody().toStdString();
    ASSERT_TRUE(d.SaveFavourites());
    EXPECT_EQ(damaged, readFile(path + ".bad"));
    EXPECT_EQ(kOneFavourite, readFile(path));
}

// A favourites file that cannot be read is told, not taken for an empty
// one, and kept as .bad when OK writes the favourites in its place.
TEST(QuorvexFavourites, UnreadableFileIsToldAndKeptAside)
{
    testsupport::WithoutFileOverride asUser;
    if (!asUser.active())
        GTEST_SKIP() << "mode 000 files stay readable to this process";
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarvolin-u1.dat";
    writeFile(path, kOneFavourite);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    DialogFixture f;
    const QStringList& texts = f.messages.texts;
    f.dialog = std::make_unique<CQuorvexDialog>(path, 0);
    ASSERT_EQ(1, texts.size());
    EXPECT_EQ(texts[0].toStdString(),
              ("无法读取收藏文件 " + path + "：没有读取权限，保存时原文件将另存为 .bad").toStdString());
    EXPECT_TRUE(f.dialog->Favourites().isEmpty());
    ASSERT_TRUE(f.dialog->SaveFavourites());
    EXPECT_EQ(1, texts.size());
    EXPECT_EQ(QFile::permissions(path),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    ASSERT_TRUE(QFile::setPermissions(path + ".bad", QFileDevice::ReadOwner));
    EXPECT_EQ(kOneFavourite, readFile(path + ".bad"));
    CQuorvexDialog again(path, 0);
    EXPECT_TRUE(again.Favourites().isEmpty());
    EXPECT_EQ(1, texts.size()) << "the saved file does not read back";
}

TEST(QuorvexFavourites, UnwritableFileKeepsTheDialogShown)
{
    QTemporaryDir dir;
    RecordedMessages messages;
    CQuorvexDialog d(dir.path() + "/missing/Tarvolin-u1.dat", 0);
    d.show();
    d.accept();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(1, messages.texts.size());
    EXPECT_TRUE(messages.texts[0].startsWith("无法写入文件")) << messages.texts[0].toStdString();
    // Escape hides without writing.
    d.reject();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(1, messages.texts.size());
}

TEST(QuorvexFavourites, PathUnderTheDataLocationWithSanitisedNames)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    EXPECT_EQ(base + "/Quorvex/Tarvolin-u1.dat", favouritesPathFor("Tarvolin", "u1"));
    EXPECT_EQ(base + "/Quorvex/%2Eapp-%2E.%2Fx%2Fy.dat", favouritesPathFor(".app", "../x/y"));
    EXPECT_TRUE(QDir(base + "/Quorvex").exists());
    EXPECT_EQ(base + "/Quorvex/T-%E7%94%A8%E6%88%B7.dat", favouritesPathFor("T", "用户"));
    // The older names, read once when the new file is missing.
    EXPECT_EQ(base + "/Quorvex/_app-___x_y.dat", favouritesPathFor(".app", "../x/y", FavouritesName::Legacy));
    EXPECT_EQ(base + "/Quorvex/T-______.dat", favouritesPathFor("T", "用户", FavouritesName::Legacy));
}

// Before the templates arrive (here: never) the rows already are the sets:
// a new set is the last row, and deleting it leaves the file's set alone.
TEST(QuorvexFavourites, RowsAreTheSetsBeforeTheTemplatesArrive)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarvolin-u1.dat";
    writeFile(path, kOneFavourite);
    RecordedMessages messages;
    LoopbackHttp http;
    http.set("/condition-template.json", CannedAnswer{200, "", 0, true});
    CQuorvexDialog d(path, 0);
    d.SetTexts("Tarvolin", http.base(), "u1", "");
    d.StartTemplateDownload();
    auto* list = d.findChild<QListWidget*>(QStringLiteral("1016"));
    ASSERT_EQ(1, list->count());
    EXPECT_EQ("收藏", list->item(0)->text());

    d.AddFavourite();
    ASSERT_EQ(2, list->count());
    EXPECT_EQ("新分组", list->item(1)->text());
    EXPECT_EQ("新分组", d.Favourites()[1].name);
    list->setCurrentRow(1);
    d.DeleteFavourite();
    ASSERT_EQ(1, d.Favourites().size());
    EXPECT_EQ("收藏", d.Favourites()[0].name);
    ASSERT_TRUE(d.SaveFavourites());
    EXPECT_EQ(kOneFavourite, readFile(path));
}

// Users whose names the older scheme collapsed get files of their own; the
// older file is read once, while the new one does not exist yet.
TEST(QuorvexFavourites, NonAsciiUsersHaveTheirOwnFilesAndTheOldOneIsReadOnce)
{
    EXPECT_NE(favouritesPathFor("Tarvolin", "张三"), favouritesPathFor("Tarvolin", "李四"));
    EXPECT_EQ(favouritesPathFor("Tarvolin", "张三", FavouritesName::Legacy),
              favouritesPathFor("Tarvolin", "李四", FavouritesName::Legacy));

    QTemporaryDir dir;
    const QString legacy = dir.path() + "/Tarvolin-______.dat", fresh = dir.path() + "/Tarvolin-%E5%BC%A0.dat";
    writeFile(legacy, kOneFavourite);
    {
        CQuorvexDialog d(fresh, 0, legacy);
        ASSERT_EQ(1, d.Favourites().size());
        EXPECT_EQ("收藏", d.Favourites()[0].name);
        d.AddFavourite();
        ASSERT_TRUE(d.SaveFavourites());
    }
    EXPECT_EQ(kOneFavourite, readFile(legacy)) << "the older file is left as it was";
    CQuorvexDialog again(fresh, 0, legacy);
    ASSERT_EQ(2, again.Favourites().size());
    EXPECT_EQ("新分组", again.Favourites()[1].name);
}

// Every damaged file is kept: a second damaged load does not write over the
// first copy but goes beside it.
TEST(QuorvexFavourites, EveryDamagedCopyIsKept)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarvolin-u1.dat";
    QByteArray first = kOneFavourite;
    first[0] = 2;
    writeFile(path, first);
    {
        CQuorvexDialog d(path, 0);
        ASSERT_TRUE(d.SaveFavourites());
    }
    QByteArray second = kOneFavourite;
    second[0] = 3;
    writeFile(path, second);
    CQuorvexDialog d(path, 0);
    ASSERT_TRUE(d.SaveFavourites());
    EXPECT_EQ(first, readFile(path + ".bad"));
    EXPECT_EQ(second, readFile(path + ".2.bad"));
    EXPECT_EQ(kOneFavourite, readFile(path));
}

// A full disk: the old file stays whole, the dialog stays open with the
// cause, and the next OK (with room again) saves what the dialog holds.
TEST(QuorvexFavourites, FullDiskKeepsTheOldFileAndTheDialog)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/Tarvolin-u1.dat";
    writeFile(path, kOneFavourite);
    RecordedMessages messages;
    CQuorvexDialog d(path, 0);
    d.AddFavourite();
    d.show();
    platform::set_write_failure(ENOSPC);
    d.accept();
    d.accept();
    platform::set_write_failure(0);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(kOneFavourite, readFile(path));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Tarvolin-u1.dat"});
    ASSERT_EQ(2, messages.texts.size());
    EXPECT_TRUE(messages.texts[0].contains("保存失败：磁盘空间不足")) << messages.texts[0].toStdString();
    d.accept();
    EXPECT_FALSE(d.isVisible());
    CQuorvexDialog again(path, 0);
    EXPECT_EQ(2, again.Favourites().size());
}

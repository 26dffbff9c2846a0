// Saves on the writer thread: a large document is neither serialised nor
// written on the GUI thread, the newest save of a file wins, a reader sees
// what was saved, and a failure is told as any save's.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <thread>

#include "models/groupstore.h"
#include "models/qquorvexservice.h"
#include "platform/savefile.h"
#include "shell/hfileio.h"

namespace {

// Holds the writer thread inside a save of `fileName` until released (at the
// latest after ten seconds, so that a test that waits on it fails instead of
// hanging).
class HeldWriter {
public:
    explicit HeldWriter(const QString& fileName)
    {
        std::shared_future<void> gate = release_.get_future().share();
        HFileIO::writeDataLater(fileName, [this, gate] {
            held_ = true;
            gate.wait_for(std::chrono::seconds(10));
            return QByteArray("held");
        });
        while (!held_)
            std::this_thread::yield();
    }
    ~HeldWriter() { release(); }
    void release()
    {
        if (!released_.exchange(true))
            release_.set_value();
    }

private:
    std::promise<void> release_;
    std::atomic<bool> held_{false}, released_{false};
};

}  // namespace

// A screening result over a thousand kept: the store has it at once, the
// window goes on while the writer is still busy, and the file gets the
// newest document.
TEST(LaterSaves, AScreeningResultIsSavedOffTheGuiThread)
{
    HFileIO::finishSaves();
    QJsonArray result;
    for (int g = 0; g < 1000; ++g)
        result.append(QJsonObject{{"group_id", QString::number(g)}, {"group_name", "g"}, {"codes", QJsonArray{}}});
    ASSERT_TRUE(
        HFileIO::writeData("Quorvex.json", QJsonDocument(QJsonObject{{"code", "0000"}, {"result", result}}).toJson()));
    QQuorvexService::loadFile();

    QElapsedTimer clock;
    {
        HeldWriter writer("Quorvex.json");
        clock.start();
        QQuorvexService service;  // the store is newer than the file: not read again
        service.addGroup("new", "放量突破", QVariantList{QVariantMap{{"code", "600000"}, {"market_id", 1}}});
        EXPECT_LT(clock.elapsed(), 5000) << "the edit waited for the writer";
        EXPECT_TRUE(HFileIO::savingLater("Quorvex.json"));
        ASSERT_EQ(service.getGroups().toList().size(), 1001);
        EXPECT_EQ(service.getGroupCodes("new").toList().at(0).toMap().value("market_id").toString(), "1");
    }
    // A reader waits for the saves of its file: the newest one is there.
    const QJsonArray saved =
        QJsonDocument::fromJson(HFileIO::readData("Quorvex.json").toUtf8()).object().value("result").toArray();
    ASSERT_EQ(saved.size(), 1001);
    EXPECT_EQ(saved.at(0).toObject().value("group_id").toString(), "new");
    EXPECT_FALSE(HFileIO::savingLater("Quorvex.json"));
}

// Saves of one file land in order; one still waiting gives way to a later
// one, and a plain write waits for those before it.
TEST(LaterSaves, TheNewestSaveWins)
{
    HFileIO::finishSaves();
    std::atomic<int> produced{0};
    {
        HeldWriter writer("later.json");
        for (int i = 1; i <= 3; ++i) {
            HFileIO::writeDataLater("later.json", [i, &produced] {
                ++produced;
                return QByteArray::number(i);
            });
        }
    }
    EXPECT_EQ(HFileIO::readData("later.json"), "3");
    EXPECT_EQ(produced.load(), 1) << "a save given way to was still made";

    {
        HeldWriter writer("later.json");
        HFileIO::writeDataLater("later.json", [] { return QByteArray("queued"); });
        // The delay only gives the plain write the chance to come while the
        // writer is held; the outcome is the same either way.
        std::thread late([&writer] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            writer.release();
        });
        EXPECT_TRUE(HFileIO::writeData("later.json", "plain"));
        late.join();
    }
    HFileIO::finishSaves();
    EXPECT_EQ(HFileIO::readData("later.json"), "plain");
}

// A save that fails on the writer thread is told once, as any save, and
// reported to its caller.
TEST(LaterSaves, AFailureIsTold)
{
    HFileIO::finishSaves();
    HFileIO io;
    // A cause already told for another file is not told again.
    const bool toldBefore = io.pendingSaveFailure() == "保存失败：磁盘空间不足";
    QSignalSpy told(&io, &HFileIO::saveFailed);
    std::promise<bool> result;
    platform::set_write_failure(ENOSPC);
    HFileIO::writeDataLater(
        "later-full.json", [] { return QByteArray(5000, 'x'); }, [&result](bool ok) { result.set_value(ok); });
    HFileIO::finishSaves();
    platform::set_write_failure(0);
    EXPECT_FALSE(result.get_future().get());
    EXPECT_FALSE(QFile::exists(HFileIO::dataPath("later-full.json")));
    if (!toldBefore) {
        ASSERT_TRUE(told.count() > 0 || told.wait(5000));
        EXPECT_EQ(told.at(0).at(0).toString(), "保存失败：磁盘空间不足");
    }
    EXPECT_TRUE(HFileIO::writeData("later-full.json", "room again"));
}

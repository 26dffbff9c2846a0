// The local-database check the sign-in window runs at every open, on a sound
// database holding 5,000 stock rows (about what a full code list writes), and
// the recovery of a damaged file (moved aside, a fresh one made).
//   build/bin/bench_qt_localdatabase --benchmark_min_time=0.5

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include "shell/localdatabase.h"
#include "shell/stockdictionary.h"

namespace {

void fill(const QString& file, int rows)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench");
        db.setDatabaseName(file);
        db.open();
        QSqlQuery q(db);
        q.exec(
            "CREATE TABLE StockDictionary(code TEXT(16) NOT NULL, market INTEGER, name TEXT, type INTEGER, "
            "pinyin TEXT, active TEXT, PRIMARY KEY (code, market))");
        db.transaction();
        q.prepare("INSERT INTO StockDictionary VALUES(?, 1, '名称', 2, 'MC', ?)");
        for (int i = 0; i < rows; ++i) {
            q.bindValue(0, QString::number(600000 + i));
            q.bindValue(1, QString("app://qml/qml/MQView.qml?code=%1&market=1#chart=default").arg(600000 + i));
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("bench");
}

// An application and an empty storage folder with the database's path.
struct Storage {
    int argc = 1;
    char name[6] = "bench";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    QString file = localStorageDatabaseFile(dir.path(), "qelm");
    Storage() { QDir().mkpath(dir.path() + "/Databases"); }
};

void BM_CheckSoundDatabase(benchmark::State& state)
{
    Storage s;
    QTemporaryDir& dir = s.dir;
    const QString& file = s.file;
    fill(file, 5000);
    checkLocalDatabase(dir.path(), "qelm");
    for (auto _ : state)
        benchmark::DoNotOptimize(checkLocalDatabase(dir.path(), "qelm").movedAside);
}
BENCHMARK(BM_CheckSoundDatabase)->Unit(benchmark::kMillisecond);

void BM_RecoverDamagedDatabase(benchmark::State& state)
{
    Storage s;
    QTemporaryDir& dir = s.dir;
    const QString& file = s.file;
    for (auto _ : state) {
        state.PauseTiming();
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QByteArray(64 * 1024, '\x5a'));
        f.close();
        state.ResumeTiming();
        benchmark::DoNotOptimize(checkLocalDatabase(dir.path(), "qelm").movedAside);
    }
}
BENCHMARK(BM_RecoverDamagedDatabase)->Unit(benchmark::kMillisecond);

}  // namespace

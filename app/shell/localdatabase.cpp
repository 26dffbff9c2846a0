#include "shell/localdatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "platform/savefile.h"
#include "shell/hfileio.h"
#include "shell/stockdictionary.h"

namespace {

const char kCheckConnection[] = "LocalDatabaseCheck";

// Every connection made here waits less than a frame for a lock another
// process holds, so that a held database makes the window answer "locked"
// at once rather than freeze.
const char* const kBusyOption = kLocalDatabaseBusyOption;

// The command tables as the script module creates them; a table of the same
// name with other columns is not one the program can use.
struct Table {
    const char* name;
    const char* create;
    QStringList columns;
    QStringList copied;  // carried over from a damaged file (the id is renumbered)
};

const std::vector<Table>& tables()
{
    static const std::vector<Table> list = {
        {"user_info",
         "CREATE TABLE IF NOT EXISTS user_info(user_name text PRIMARY KEY NOT NULL, user_password text)",
         {"user_name", "user_password"},
         {}},
        {"mystock_cmd",
         "CREATE TABLE IF NOT EXISTS mystock_cmd(id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, cmd TEXT NOT NULL, "
         "code TEXT NOT NULL, market INTEGER NOT NULL, group_id TEXT NOT NULL, group_name TEXT)",
         {"id", "cmd", "code", "market", "group_id", "group_name"},
         {"cmd", "code", "market", "group_id", "group_name"}},
        {"action_cmd",
         "CREATE TABLE IF NOT EXISTS action_cmd(id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, do_action TEXT NOT "
         "NULL, "
         "remark TEXT NOT NULL, create_time TEXT NOT NULL)",
         {"id", "do_action", "remark", "create_time"},
         {"do_action", "remark", "create_time"}},
    };
    return list;
}

struct Salvage {
    const Table* table;
    std::vector<QVariantList> rows;
};

void setOwnerOnly(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Creates an empty file readable by its owner only; an existing file keeps
// its content and is restricted too.
void createOwnerOnly(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    setOwnerOnly(path);
}

QStringList columnsOf(QSqlQuery& query, const char* table, bool* ok)
{
    QStringList names;
    *ok = query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)));
    while (*ok && query.next())
        names << query.value(1).toString();
    return names;
}

bool lockedOut(const QSqlQuery& query)
{
    // SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file.
    const QString code = query.lastError().nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6");
}

// Reads the file's command tables; false when one of them cannot be used.
// Fills `readable` with the tables whose rows could be carried over.
bool tablesUsable(QSqlQuery& query, std::vector<const Table*>* readable)
{
    bool usable = true;
    for (const Table& t : tables()) {
        bool ok = false;
        const QStringList found = columnsOf(query, t.name, &ok);
        if (!ok || (!found.isEmpty() && found != t.columns))
            usable = false;
        if (ok && found == t.columns && !t.copied.isEmpty())
            readable->push_back(&t);
    }
    return usable;
}

// The rows of `t` that can be read; false when reading broke off.
bool readRows(QSqlQuery& query, const Table& t, Salvage* out)
{
    out->table = &t;
    if (!query.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY id")
                        .arg(t.copied.join(QLatin1Char(',')), QLatin1String(t.name))))
        return false;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < t.copied.size(); ++i)
            row << query.value(i);
        out->rows.push_back(row);
    }
    return !query.lastError().isValid();  // a table that breaks half-way is not trusted
}

// Reads the file in a connection of its own. Returns true when it is a
// database the program can use (or one another connection holds locked);
// otherwise fills `salvage` with the queued commands that could still be read.
bool inspect(const QString& file, std::vector<Salvage>* salvage)
{
    bool usable = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kCheckConnection);
        db.setDatabaseName(file);
        db.setConnectOptions(QLatin1String(kBusyOption));
        if (db.open()) {
            QSqlQuery query(db);
            const bool checked = query.exec(QStringLiteral("PRAGMA quick_check")) && query.next() &&
                                 query.value(0).toString() == QLatin1String("ok");
            std::vector<const Table*> readable;
            if (!checked && lockedOut(query)) {
                usable = true;
            } else {
                usable = tablesUsable(query, &readable) && checked;
            }
            for (const Table* t : usable ? std::vector<const Table*>{} : readable) {
                Salvage s{t, {}};
                if (readRows(query, *t, &s))
                    salvage->push_back(std::move(s));
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kCheckConnection);
    return usable;
}

// Moves `from` aside as a numbered ".bad" copy that no earlier copy is
// written over, the journal files SQLite may keep beside it with it; the
// copy's name, or "" when it could not be moved.
QString moveAside(const QString& from)
{
    const std::string copy = platform::keep_bad_copy(QFile::encodeName(from).toStdString());
    if (copy.empty())
        return QString();
    const QString to = QFile::decodeName(QByteArray::fromStdString(copy));
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const QString src = from + QLatin1String(suffix);
        const QString dst = to + QLatin1String(suffix);
        const QFileInfo old(dst);
        if (old.isDir() && !old.isSymLink())
            QDir(dst).removeRecursively();
        else if (old.exists() || old.isSymLink())
            QFile::remove(dst);
        if (QFileInfo::exists(src) || QFileInfo(src).isSymLink())
            QDir().rename(src, dst);
    }
    return to;
}

// Creates the command tables in a new file and puts the salvaged rows back.
int createFresh(const QString& file, const std::vector<Salvage>& salvage)
{
    createOwnerOnly(file);
    int kept = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kCheckConnection);
        db.setDatabaseName(file);
        db.setConnectOptions(QLatin1String(kBusyOption));
        if (db.open()) {
            QSqlQuery query(db);
            db.transaction();
            for (const Table& t : tables())
                query.exec(QLatin1String(t.create));
            for (const Salvage& s : salvage) {
                QStringList marks;
                for (int i = 0; i < s.table->copied.size(); ++i)
                    marks << QStringLiteral("?");
                query.prepare(QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                                  .arg(QLatin1String(s.table->name), s.table->copied.join(QLatin1Char(',')),
                                       marks.join(QLatin1Char(','))));
                for (const QVariantList& row : s.rows) {
                    for (int i = 0; i < row.size(); ++i)
                        query.bindValue(i, row[i]);
                    kept += query.exec() ? 1 : 0;  // a row breaking the NOT NULL rules is dropped
                }
            }
            db.commit();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kCheckConnection);
    return kept;
}

// The LocalStorage module's description of the database, in the form the
// module's settings file takes for a database it creates. Written through
// the checked writer: on a full disk an old file stays whole and a new one
// is not left empty (the module then writes its own when it opens).
void writeSettings(const QString& ini, const QString& name)
{
    const QByteArray text =
        "[General]\nDescription=stock db\nDriver=QSQLITE\nEstimatedSize=100000\nName=" + name.toUtf8() + "\nVersion=\n";
    const bool created = !QFileInfo::exists(ini);
    if (created)
        createOwnerOnly(ini);  // the writer keeps the permissions of the file it replaces
    if (!HFileIO::writePath(ini, text) && created)
        QFile::remove(ini);
    setOwnerOnly(ini);
}

}  // namespace

LocalDatabaseCheck checkLocalDatabase(const QString& storagePath, const QString& name)
{
    LocalDatabaseCheck result;
    const QString file = localStorageDatabaseFile(storagePath, name);
    const QString base = file.left(file.size() - int(sizeof(".sqlite") - 1));
    const QString ini = base + QStringLiteral(".ini");
    const QString folder = QFileInfo(file).absolutePath();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The module names its connection after the file's base name, and uses
    // a connection of that name it finds: it is made here, with the short
    // wait for locks, before the module opens it.
    const QString moduleConnection = QFileInfo(base).fileName();
    {
        QSqlDatabase module = QSqlDatabase::contains(moduleConnection)
                                  ? QSqlDatabase::database(moduleConnection, false)
                                  : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), moduleConnection);
        module.close();
        module.setDatabaseName(file);
        module.setConnectOptions(QLatin1String(kBusyOption));
    }

    std::vector<Salvage> salvage;
    const QFileInfo info(file);
    const bool present = info.exists() || info.isSymLink();
    bool fresh = !present;
    if (present && (!info.isFile() || !inspect(file, &salvage))) {
        result.badPath = moveAside(file);
        result.movedAside = !result.badPath.isEmpty();
        if (!result.movedAside)
            salvage.clear();
        fresh = result.movedAside;
    }
    if (fresh) {
        result.keptCommands = createFresh(file, salvage);
        writeSettings(ini, name);
    }
    const QFileInfo settings(ini);
    if (!settings.exists() || !settings.isFile())
        writeSettings(ini, name);
    setOwnerOnly(file);
    setOwnerOnly(ini);
    return result;
}

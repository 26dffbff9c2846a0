#include "shell/stockdictionary.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>

#include "quote.h"
#include "shell/datadir.h"
#include "shell/quoteproxy.h"

namespace {

// A text field of fixed width: up to the first NUL or the whole field.
QString fieldText(const char* field, int width)
{
    int n = 0;
    while (n < width && field[n] != '\0')
        ++n;
    // A multi-byte character cut by the field's end is dropped whole: its lead
    // byte and the continuation bytes that made it in (decoding them would give
    // one replacement character for each byte).
    int lead = n;
    while (lead > 0 && n - lead < 3 && (static_cast<unsigned char>(field[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead > 0) {
        const auto b = static_cast<unsigned char>(field[lead - 1]);
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (length > 1 && n - (lead - 1) < length)
            n = lead - 1;
    }
    return QString::fromUtf8(field, n);
}

const char kConnection[] = "StockDictionary";

// How long rows wait before they are tried again while the database is held.
constexpr int kRetryMs = 2000;

// SQLITE_BUSY and SQLITE_LOCKED (with their extended codes): another
// connection holds the file.
bool heldElsewhere(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 5 || code == 6);
}

}  // namespace

const char kLocalDatabaseBusyOption[] = "QSQLITE_BUSY_TIMEOUT=10";

QString encodeRouteValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '%':
            out += QLatin1String("%25");
            break;
        case '&':
            out += QLatin1String("%26");
            break;
        case '#':
            out += QLatin1String("%23");
            break;
        case '=':
            out += QLatin1String("%3D");
            break;
        case '+':
            out += QLatin1String("%2B");
            break;
        default:
            out += c;
        }
    }
    return out;
}

StockDictionaryRow stockDictionaryRow(const QuoteCodeInfo& info)
{
    StockDictionaryRow row;
    row.code = fieldText(info.code, sizeof info.code);
    row.market = info.market;
    row.name = fieldText(info.name, sizeof info.name);
    row.type = info.type;
    row.pinyin = fieldText(info.pinyin, sizeof info.pinyin);
    row.active = QStringLiteral("app://qml/qml/MQView.qml?code=") + encodeRouteValue(row.code) +
                 QStringLiteral("&market=") + QString::number(row.market) + QStringLiteral("#chart=default&type=") +
                 QString::number(row.type) + QStringLiteral("&name=") + encodeRouteValue(row.name) +
                 QStringLiteral("&pinyin=") + encodeRouteValue(row.pinyin);
    return row;
}

QString localStorageDatabaseFile(const QString& storagePath, const QString& name)
{
    const QByteArray md5 = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Md5).toHex();
    return storagePath + QStringLiteral("/Databases/") + QString::fromLatin1(md5) + QStringLiteral(".sqlite");
}

StockDictionary* StockDictionary::instance()
{
    static StockDictionary dictionary;
    return &dictionary;
}

StockDictionary::StockDictionary()
{
    connect(QuoteProxy::instance(), &QuoteProxy::quoteCodes, this, &StockDictionary::onQuoteCodes,
            Qt::BlockingQueuedConnection);
}

void StockDictionary::onQuoteCodes(const QuoteReply* rpl)
{
    if (!rpl || !rpl->data || rpl->count <= 0)
        return;
    write(static_cast<const QuoteCodeInfo*>(rpl->data), rpl->count);
}

bool StockDictionary::write(const QuoteCodeInfo* records, int count)
{
    for (int i = 0; i < count; ++i) {
        StockDictionaryRow row = stockDictionaryRow(records[i]);
        auto key = std::make_pair(row.code, row.market);
        pending_[std::move(key)] = std::move(row);
    }
    return flush();
}

bool StockDictionary::flush()
{
    if (pending_.empty())
        return true;
    const QString file = localStorageDatabaseFile(dataDirectory(), QStringLiteral("qelm"));
    QDir().mkpath(QFileInfo(file).absolutePath());
    bool ok = false;
    bool held = false;
    {
        QSqlDatabase db = QSqlDatabase::contains(kConnection) ? QSqlDatabase::database(kConnection, false)
                                                              : QSqlDatabase::addDatabase("QSQLITE", kConnection);
        db.setDatabaseName(file);
        db.setConnectOptions(QLatin1String(kLocalDatabaseBusyOption));
        if (!db.open())
            return false;
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSqlQuery query(db);
        // The write lock is taken first, so a held database fails before
        // any row is written.
        ok = query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS StockDictionary(code TEXT(16) NOT NULL, "
                                       "market INTEGER, name TEXT, type INTEGER, pinyin TEXT, active TEXT, "
                                       "PRIMARY KEY (code, market))")) &&
             query.exec(QStringLiteral("BEGIN IMMEDIATE"));
        held = !ok && heldElsewhere(query.lastError());
        if (ok) {
            QSqlQuery insert(db);
            ok =
                insert.prepare(QStringLiteral("Replace INTO StockDictionary(code,market,name,type,pinyin,active) "
                                              "VALUES(?, ?, ?, ?, ?, ?)"));
            for (auto it = pending_.cbegin(); ok && it != pending_.cend(); ++it) {
                const StockDictionaryRow& row = it->second;
                insert.bindValue(0, row.code);
                insert.bindValue(1, row.market);
                insert.bindValue(2, row.name);
                insert.bindValue(3, row.type);
                insert.bindValue(4, row.pinyin);
                insert.bindValue(5, row.active);
                // A row the table refuses is missing, the rest go on; a lock
                // lost on the way keeps them all for the next try.
                if (!insert.exec() && heldElsewhere(insert.lastError()))
                    ok = false;
            }
            held = !ok && heldElsewhere(insert.lastError());
            insert.finish();
            ok = ok && query.exec(QStringLiteral("COMMIT"));
            if (!ok) {
                held = held || heldElsewhere(query.lastError());
                query.exec(QStringLiteral("ROLLBACK"));
            }
        }
        query.finish();
        db.close();
    }
    if (ok) {
        pending_.clear();
    } else if (held && !retryQueued_) {
        retryQueued_ = true;
        QTimer::singleShot(kRetryMs, this, [this] {
            retryQueued_ = false;
            flush();
        });
    }
    return ok;
}

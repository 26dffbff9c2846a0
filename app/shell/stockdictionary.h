// StockDictionary: writes every code of the quote server's code list into the
// StockDictionary table of the local database, where the quick-command box
// searches it. The QML side opens the same database through LocalStorage.
#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <utility>

struct QuoteReply;
struct QuoteCodeInfo;

// One table row built from a code record.
struct StockDictionaryRow {
    QString code;
    int market = 0;
    QString name;
    int type = 0;
    QString pinyin;
    QString active;  // the app:// link that opens the stock's chart
};

// The row of one code record: texts read within their fields as UTF-8, a
// trailing replacement character of a cut multi-byte sequence dropped, and the
// values in the link percent-encoded where they would break it.
StockDictionaryRow stockDictionaryRow(const QuoteCodeInfo& info);

// Escapes the characters that split or end a route value ("%", "&", "#", "=",
// "+"); every other character, Chinese included, stays as it is.
QString encodeRouteValue(const QString& value);

// File of the QML offline-storage database `name` under storagePath, as the
// LocalStorage module names it: <path>/Databases/<md5 hex of name>.sqlite.
QString localStorageDatabaseFile(const QString& storagePath, const QString& name);

// Connect options of every native connection to the local database: a
// statement waits at most 10 ms for a lock another connection holds, less
// than a frame, so that the GUI thread answers "busy" at once rather than
// stall (SQLite's default through Qt is 5 s per statement).
extern const char kLocalDatabaseBusyOption[];

class StockDictionary : public QObject {
    Q_OBJECT
public:
    // Made by start-up before the quote thread starts; connects itself to the
    // bridge's code-list signal.
    static StockDictionary* instance();

    // GUI thread. Writes the rows, with those an earlier try left waiting,
    // in one transaction. True when they are all in the table; otherwise
    // they are kept: while another connection holds the database they are
    // tried again a little later, else with the next code list.
    bool write(const QuoteCodeInfo* records, int count);

    // GUI thread. Rows waiting for the database.
    int pendingRows() const { return int(pending_.size()); }

public Q_SLOTS:
    // GUI thread, while the quote-engine thread waits on the delivery.
    void onQuoteCodes(const QuoteReply* rpl);

private:
    StockDictionary();
    // GUI thread. Writes the waiting rows; see write().
    bool flush();

    // The rows not yet in the table, one per key (a later code list's row
    // replaces an earlier one, as the table's REPLACE does).
    std::map<std::pair<QString, int>, StockDictionaryRow> pending_;
    bool retryQueued_ = false;
};

// The group document: the one JSON form of every stock-group list (my stocks,
// stock pools, screening results), and its three process-wide stores.
//
//   {"code":"0000","msg":"success","result":[
//      {"group_id":"1","group_name":"自选股1","codes":[{"code":"600000","market_id":"1"}]}]}
//
// Only "result" is read; "code" and "msg" pass through. A stock's market_id is
// decimal text or a whole number, compared as a number (anything else counts
// as 0); a group's group_id is compared as text (a value that is not a string
// counts as ""). A document is checked for this shape when it is stored: a
// "result" that is not a list counts as no groups, a group that is not an
// object and a code item that is not an object with a text "code" are
// dropped, and the rest is kept.
// GUI thread only; the stores are not locked.
#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QPair>
#include <QStringList>
#include <QString>
#include <QVariant>

#include "models/tablemodel.h"

namespace groupdoc {

// The document used when a file is missing or empty.
extern const char* const kDefaultText;

// market_id of a code item as a number: base-10 text or a whole number,
// else 0. The one reading of a stock's market for the stores and the tables.
int marketOf(const QJsonObject& item);
// group_id of a group as text: a string, else "".
QString groupIdOf(const QJsonObject& group);

// `result` in the group shape: groups that are objects, each with a "codes"
// list of objects with a text "code"; a text "group_name" (a number becomes
// its text, anything else ""); a number as market_id becomes its decimal text.
// *dropped (when given) gets the number of entries left out.
QJsonArray cleanGroups(const QJsonValue& result, int* dropped = nullptr);

// The bar titles of the groups: their "group_id" and "group_name" as the
// views show them (text, a number as its text, anything else ""), without
// making a script object per group and stock.
QVariantMap groupTitles(const QJsonArray& result);

// A parsed document, or false when the text does not parse or is not an
// object ("[]" is refused too).
bool parse(const QString& text, QJsonObject* out);

// Position of the first group with that id in `result`, or -1.
int groupIndex(const QJsonArray& result, const QString& groupId);

// The "codes" of the first group with that id, as a list for QML; an invalid
// value when there is no such group.
QVariant groupCodes(const QJsonArray& result, const QString& groupId);

}  // namespace groupdoc

// One process-wide store: a JSON object made empty on first use. Changing
// operations copy the document, change the copy and assign it back.
class GroupStore {
public:
    enum Kind { MyStock, Screening, StockPool };
    static GroupStore& instance(Kind kind);

    const QJsonObject& document() const { return doc_; }
    QJsonArray groups() const { return doc_.value("result").toArray(); }
    // The text-to-store rule: replaced only by a text that parses to an object.
    bool fromJson(const QString& text);
    void setDocument(const QJsonObject& doc);
    // A document already in the group shape (this store's own, edited with
    // entries that were checked): taken without walking every group again.
    void adoptDocument(const QJsonObject& doc);
    void setGroups(const QJsonArray& result);
    // The first place of a stock (groups in order, codes in order): the code
    // as text, the market as a number. Answered from an index of every
    // stock's first place, made again after each change.
    bool findStock(const QString& code, int market, int* group, int* item) const;

    // The stores as the quote tables read them.
    static const StockGroupSource* tableSource();

private:
    QJsonObject doc_;
    mutable QHash<QPair<QString, int>, QPair<int, int>> index_;
    mutable bool indexed_ = false;
};

// HDatetime: time stamps (seconds since 1970 UTC) to and from local-time texts
// with Qt's date-time format letters, for QML and, as formatTimeT, for native
// painters and lists.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class HDatetime : public QObject {
    Q_OBJECT
public:
    explicit HDatetime(QObject* parent = nullptr);

    // Any thread. `seconds` in local time, formatted with `format`.
    static QString formatTimeT(const QString& format, qint64 seconds);
    // Any thread. `str` read with `format` as a local date-time, in seconds
    // since 1970 UTC; false in *ok (and 0) when it does not parse.
    static qint64 parseTime(const QString& str, const QString& format, bool* ok);

public slots:
    QVariant formatV(QString format, uint timestamp);
    // An invalid QVariant (undefined in JavaScript) when `str` does not parse.
    QVariant fromStringV(QString str, QString fstr);
};

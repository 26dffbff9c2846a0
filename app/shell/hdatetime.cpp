#include "shell/hdatetime.h"

#include <QDateTime>

HDatetime::HDatetime(QObject* parent) : QObject(parent) {}

QString HDatetime::formatTimeT(const QString& format, qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime).toString(format);
}

qint64 HDatetime::parseTime(const QString& str, const QString& format, bool* ok)
{
    const QDateTime t = QDateTime::fromString(str, format);
    if (ok)
        *ok = t.isValid();
    return t.isValid() ? t.toSecsSinceEpoch() : 0;
}

QVariant HDatetime::formatV(QString format, uint timestamp)
{
    return formatTimeT(format, qint64(timestamp));
}

QVariant HDatetime::fromStringV(QString str, QString fstr)
{
    bool ok = false;
    const qint64 t = parseTime(str, fstr, &ok);
    return ok ? QVariant(t) : QVariant();
}

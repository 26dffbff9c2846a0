// Readable GoogleTest output for Qt texts and byte arrays.
#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os)
{
    *os << '"' << (b.size() > 200 ? b.left(200).toStdString() + "..." : b.toStdString()) << '"';
}
QT_END_NAMESPACE

// Readable GoogleTest output for Qt values: without these, a failed
// expectation on a QString or a QColor prints a byte dump of the object.
// Every Qt test program includes this header first (the build adds it with
// -include), so the printers are found wherever a value is printed.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

namespace qtprinters {

// text in double quotes as UTF-8 (Chinese stays readable), with quotes,
// backslashes and control characters escaped (\n, \t, \u001B).
inline std::string quoted(const QString& text)
{
    std::string out = "\"";
    QString plain;  // the run of characters that go out as they are
    auto flush = [&] {
        out += plain.toStdString();
        plain.clear();
    };
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char* named = u == '"'    ? "\\\""
                            : u == '\\' ? "\\\\"
                            : u == '\n' ? "\\n"
                            : u == '\r' ? "\\r"
                            : u == '\t' ? "\\t"
                                        : nullptr;
        if (named) {
            flush();
            out += named;
        } else if (u < 0x20 || u == 0x7F) {
            flush();
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", unsigned(u));
            out += buf;
        } else {
            plain += c;
        }
    }
    flush();
    return out + '"';
}

// Bytes in double quotes: printable ASCII as it is, anything else as \xHH; at
// most limit bytes, then the length.
inline std::string quotedBytes(const QByteArray& bytes, int limit = 200)
{
    std::string out = "\"";
    const int n = std::min<int>(bytes.size(), limit);
    for (int i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += char(b);
        } else if (b == '\n') {
            out += "\\n";
        } else if (b >= 0x20 && b < 0x7F) {
            out += char(b);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", unsigned(b));
            out += buf;
        }
    }
    out += '"';
    if (bytes.size() > limit)
        out += "... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

inline std::string number(double v)
{
    return QString::number(v, 'g', 10).toStdString();
}

}  // namespace qtprinters

QT_BEGIN_NAMESPACE

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << qtprinters::quoted(text);
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << qtprinters::quotedBytes(bytes);
}

// "#rrggbb", with the alpha when it is not opaque ("#80ff0000"); "invalid".
inline void PrintTo(const QColor& c, std::ostream* os)
{
    if (!c.isValid())
        *os << "QColor(invalid)";
    else
        *os << "QColor(" << c.name(c.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb).toStdString() << ")";
}

inline void PrintTo(const QPoint& p, std::ostream* os)
{
    *os << "(" << p.x() << ", " << p.y() << ")";
}

inline void PrintTo(const QPointF& p, std::ostream* os)
{
    *os << "(" << qtprinters::number(p.x()) << ", " << qtprinters::number(p.y()) << ")";
}

// Sizes print as a screen size does ("1280x800"), also in test names.
inline void PrintTo(const QSize& s, std::ostream* os)
{
    *os << s.width() << "x" << s.height();
}

inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.width() << "x" << r.height() << " at (" << r.x() << ", " << r.y() << ")";
}

inline void PrintTo(const QRectF& r, std::ostream* os)
{
    *os << qtprinters::number(r.width()) << "x" << qtprinters::number(r.height()) << " at ("
        << qtprinters::number(r.x()) << ", " << qtprinters::number(r.y()) << ")";
}

// ISO 8601 with milliseconds and the offset ("2026-12-09T09:30:00.000+08:00").
inline void PrintTo(const QDateTime& t, std::ostream* os)
{
    if (!t.isValid())
        *os << "QDateTime(invalid)";
    else
        *os << t.toString(Qt::ISODateWithMs).toStdString();
}

// Compact JSON text; undefined prints as such.
inline void PrintTo(const QJsonValue& v, std::ostream* os)
{
    switch (v.type()) {
    case QJsonValue::Undefined:
        *os << "undefined";
        return;
    case QJsonValue::Null:
        *os << "null";
        return;
    case QJsonValue::Bool:
        *os << (v.toBool() ? "true" : "false");
        return;
    case QJsonValue::Double:
        *os << qtprinters::number(v.toDouble());
        return;
    case QJsonValue::String:
        *os << qtprinters::quoted(v.toString());
        return;
    case QJsonValue::Array:
        *os << QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact).toStdString();
        return;
    case QJsonValue::Object:
        *os << QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact).toStdString();
        return;
    }
}

inline void PrintTo(const QJsonObject& o, std::ostream* os)
{
    PrintTo(QJsonValue(o), os);
}
inline void PrintTo(const QJsonArray& a, std::ostream* os)
{
    PrintTo(QJsonValue(a), os);
}

// The type's name and the value as text: QVariant(int, 5),
// QVariant(QString, "涨幅"), QVariant(QVariantMap, {"a":1}).
inline void PrintTo(const QVariant& v, std::ostream* os)
{
    if (!v.isValid()) {
        *os << "QVariant(invalid)";
        return;
    }
    *os << "QVariant(" << v.typeName() << ", ";
    switch (v.userType()) {
    case QMetaType::QString:
        *os << qtprinters::quoted(v.toString());
        break;
    case QMetaType::QByteArray:
        *os << qtprinters::quotedBytes(v.toByteArray());
        break;
    case QMetaType::QColor:
        PrintTo(v.value<QColor>(), os);
        break;
    case QMetaType::QPointF:
        PrintTo(v.toPointF(), os);
        break;
    case QMetaType::QRectF:
        PrintTo(v.toRectF(), os);
        break;
    case QMetaType::QDateTime:
        PrintTo(v.toDateTime(), os);
        break;
    default:
        if (v.canConvert<QString>() && v.userType() != QMetaType::QVariantList &&
            v.userType() != QMetaType::QVariantMap && v.userType() != QMetaType::QStringList) {
            *os << v.toString().toStdString();
        } else {
            const QJsonValue j = QJsonValue::fromVariant(v);
            if (j.isUndefined() || (j.isNull() && !v.isNull()))
                *os << "...";
            else
                PrintTo(j, os);
        }
    }
    *os << ")";
}

QT_END_NAMESPACE

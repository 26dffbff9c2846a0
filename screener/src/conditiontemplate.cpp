#include "conditiontemplate.h"

#include "numbertext.h"

ArgRange ArgRange::FromText(const QString& text)
{
    const quorvex::ArgRangeText r = quorvex::splitArgRange(text.toStdString());
    return {QString::fromStdString(r.value), QString::fromStdString(r.minimum), QString::fromStdString(r.maximum)};
}

QStringList ScreeningCondition::values() const
{
    QStringList out;
    out.reserve(tmpl.argRanges.size());
    for (const ArgRange& r : tmpl.argRanges)
        out << r.value;
    return out;
}

QString periodText(int position)
{
    static const char* const kTexts[kPeriodCount] = {"1 分钟线", "5 分钟线", "15分钟线", "30分钟线", "60分钟线",
                                                     "日线",     "周线",     "月线",     "年线"};
    return position >= 0 && position < kPeriodCount ? QString::fromUtf8(kTexts[position]) : QString();
}

QString conditionLine(const ScreeningCondition& c)
{
    return c.tmpl.title + QLatin1Char(' ') + periodText(c.period - 3) + QStringLiteral(" (") +
           QString::fromUtf8(c.fmlParams) + QLatin1Char(')');
}

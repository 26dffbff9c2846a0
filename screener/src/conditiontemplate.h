// The records of the screening dialog: templates from the service, argument
// ranges, and the conditions the user builds from them.
#ifndef QUORVEX_CONDITIONTEMPLATE_H
#define QUORVEX_CONDITIONTEMPLATE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct ArgRange {
    QString value, minimum, maximum;
    static ArgRange FromText(const QString& text);
};

struct ConditionTemplate {
    QString title;
    QString content;  // text with parameter slots written in braces
    QByteArray key;   // formula key, UTF-8
    QVector<ArgRange> argRanges;
    int fmlType = 0;
    int color = -1;  // 0x00BBGGRR, -1 when absent
};

struct ScreeningCondition {
    QByteArray fmlName;
    QByteArray fmlParams;  // values joined by ';'
    int period = 8;        // 3..11
    int fmlType = 0;
    ConditionTemplate tmpl;  // the template with the entered values

    QStringList values() const;
};

struct FavouriteSet {
    QString name;
    QVector<ScreeningCondition> conditions;
};

// Data periods of the period box: code = position + 3.
constexpr int kPeriodCount = 9;
constexpr int kDefaultPeriodPosition = 5;
QString periodText(int position);

// The conditions list's line: title, period text and parameters.
QString conditionLine(const ScreeningCondition& c);

#endif

#include "charts/painttoollist.h"

#include <QVariantMap>

#include "charts/painttoolfactory.h"

// GUI thread.
QVariantList PaintToolList::tools() const
{
    QVariantList list;
    for (const PaintToolInfo& t : paintTools()) {
        if (!*t.icon)
            continue;
        list.append(QVariantMap{{QStringLiteral("flag"), QStringLiteral("C") + QLatin1String(t.type)},
                                {QStringLiteral("image"), QString::fromLatin1(t.icon)},
                                {QStringLiteral("name"), QString::fromUtf8(t.label)}});
    }
    return list;
}

QObject* PaintToolList::provider(QQmlEngine*, QJSEngine*)
{
    return new PaintToolList;
}

#include "charts/chartpaint.h"

#include "formulas/formulaservice.h"

namespace chartpaint {

QFont chartFont(int pixelSize, bool antialias)
{
    static const QFont base(QStringLiteral("Microsoft YaHei"));  // built on first use, after the application exists
    QFont f(base);
    f.setPixelSize(pixelSize);
    f.setWeight(QFont::Normal);
    f.setStyle(QFont::StyleNormal);
    if (!antialias)
        f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

QColor outputColor(uint32_t word)
{
    return wordColor(word != 0 ? word : formula::nextDefaultColor());
}

QPen outputPen(uint32_t word, float width, int32_t style)
{
    QPen pen(outputColor(word));
    pen.setWidth(int(width));
    pen.setStyle(style == 1 ? Qt::DashDotLine : Qt::SolidLine);
    return pen;
}

}  // namespace chartpaint

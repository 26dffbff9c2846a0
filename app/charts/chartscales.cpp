#include "charts/chartscales.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "charts/chartpaint.h"

using namespace chartpaint;

namespace {

const QColor kGrid(42, 47, 54);
const QColor kCrossLine(150, 157, 179);
const QColor kCrossBox(70, 77, 89);

// The first value of "_CC" (the previous close), or 0 when there is none.
float baseClose(FormulaContext* ctx)
{
    FormulaArgument* a = ctx ? fml_get_argument(ctx, "_CC") : nullptr;
    const float* p = a ? fml_argument_data_number(a) : nullptr;
    return p && fml_argument_data_size(a) > 0 && valid(p[0]) ? p[0] : 0.0f;
}

std::vector<float> levels(float min, float max, int inner)
{
    std::vector<float> out;
    out.reserve(std::size_t(inner) + 2);
    out.push_back(min);
    for (int i = 1; i <= inner; ++i)
        out.push_back(min + float(i) * (max - min) / float(inner + 1));
    out.push_back(max);
    return out;
}

struct LabelBoxes {
    const QRect& plot;
    QFontMetrics fm;
    int width;
    int height;
    LabelBoxes(const QRect& r, const QFont& f)
        : plot(r), fm(f), width(fm.horizontalAdvance("99999.99")), height(fm.ascent() + fm.descent())
    {}
    // Centre of the label of level i of n at pixel y: the top label hangs below, the bottom one sits above.
    int centre(int i, int n, float y) const
    {
        const int off = height / 2 - fm.descent() / 2;
        if (i == n - 1)
            return int(y) + off;
        if (i == 0)
            return int(y) - off;
        return int(y);
    }
    QRect left(int c) const { return QRect(plot.left() - 5 - width, c - height / 2, width, height); }
    QRect right(int c) const { return QRect(plot.left() + plot.width() + 5, c - height / 2, width, height); }
};

void paintExtremes(QPainter& p, const ScaleArgs& a, const LabelBoxes& boxes)
{
    FMLOutputItem it{};
    fml_ctx_op_k_line(a.ctx, &it, 0);
    const FMLKLineFields& k = it.k_line;
    if (!k.high || !k.low)
        return;
    const int stop = std::min(a.end + 1, int(it.count));
    int hi = -1, lo = -1;
    for (int i = std::max(0, a.begin); i < stop; ++i) {
        if (valid(k.high[i]) && (hi < 0 || k.high[i] > k.high[hi]))
            hi = i;
        if (valid(k.low[i]) && (lo < 0 || k.low[i] < k.low[lo]))
            lo = i;
    }
    if (hi < 0 || lo < 0)
        return;
    const CTXGeometry& g = *a.geometry;
    const QRect& plot = g.plot;
    p.setPen(kWhite);
    const int h = boxes.height;
    auto mark = [&](int bar, float v, bool high) {
        const int x = int(g.barCentre(bar - a.begin));
        const int y = int(g.valueY(v));
        const QString price = fixedText(double(v), a.decimals);
        const QString toLeft = QStringLiteral("←") + price, toRight = price + QStringLiteral("→");
        const bool pointRight = high ? x - boxes.fm.horizontalAdvance(toRight) >= plot.left()
                                     : x + boxes.fm.horizontalAdvance(toLeft) > plot.right();
        const QString& t = pointRight ? toRight : toLeft;
        const int w = boxes.fm.horizontalAdvance(t);
        if (pointRight)
            p.drawText(QRect(x - w, y - h / 2, w, h), Qt::AlignRight | Qt::AlignVCenter, t);
        else
            p.drawText(QRect(x, y - h / 2, w, h), Qt::AlignLeft | Qt::AlignVCenter, t);
    };
    mark(hi, k.high[hi], true);
    mark(lo, k.low[lo], false);
}

void paintKScales(QPainter& p, ScaleArgs& a)
{
    const CTXGeometry& g = *a.geometry;
    if (!g.hasRange() || g.plot.isEmpty())
        return;
    p.setFont(chartFont(12));
    const LabelBoxes boxes(g.plot, p.font());
    const std::vector<float> lv = levels(g.min(), g.max(), a.inner);
    const int n = int(lv.size());
    // The grid in whole pixels, unsmoothed: the pixel row under each level and
    // the plot's first and last columns, one crisp pixel each (a smoothed line
    // on a pixel edge shows as two dim rows, and costs the stroker's ~30 ns a
    // pixel on every repaint of the pane).
    std::vector<QRect> grid;
    for (int i = n - 1; i >= 0; --i) {
        const float y = g.valueY(lv[std::size_t(i)]);
        grid.emplace_back(g.plot.left(), int(std::floor(y)), g.plot.width(), 1);
        const QString t = scaleLabel(double(lv[std::size_t(i)]), a.name, a.decimals, false);
        const int c = boxes.centre(i, n, y);
        p.setPen(kWhite);
        p.drawText(boxes.left(c), Qt::AlignRight | Qt::AlignVCenter, t);
        p.drawText(boxes.right(c), Qt::AlignLeft | Qt::AlignVCenter, t);
    }
    grid.emplace_back(g.plot.left(), g.plot.top(), 1, g.plot.height());
    grid.emplace_back(g.plot.right(), g.plot.top(), 1, g.plot.height());
    const bool smooth = p.testRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kGrid);
    p.drawRects(grid.data(), int(grid.size()));
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, smooth);
    if (a.name == "KLINE" && a.ctx)
        paintExtremes(p, a, boxes);
}

void paintMScales(QPainter& p, ScaleArgs& a)
{
    CTXGeometry& g = *a.geometry;
    if (!g.hasRange() || g.plot.isEmpty())
        return;
    // Without a previous close the base is the middle of the range, as the
    // crosshair takes it; percentages are drawn whenever the base is not 0.
    float b = baseClose(a.ctx);
    if (b == 0.0f)
        b = (g.max() + g.min()) * 0.5f;
    const bool percent = b != 0.0f;
    const float d = std::max(std::fabs(g.min() - b), std::fabs(g.max() - b));
    g.range.max = b + d;
    g.range.min = b - d;
    p.setFont(chartFont(12));
    const LabelBoxes boxes(g.plot, p.font());
    const std::vector<float> lv = levels(g.min(), g.max(), a.inner);
    const int n = int(lv.size()), mid = n / 2;
    const QRect& r = g.plot;
    // The grid in whole pixels, unsmoothed, dotted as the pen dots it: the row
    // under each level (the previous close's two rows about it) and the
    // columns under each eighth of the width.
    std::vector<PixelRect> grid;
    for (int i = n - 1; i >= 0; --i) {
        const float y = g.valueY(lv[std::size_t(i)]);
        const bool middle = n % 2 == 1 && i == mid;
        const bool edge = i == 0 || i == n - 1;
        const int row = middle ? int(std::floor(y + 0.5f)) - 1 : int(std::floor(y));
        for (int k = 0; k < (middle ? 2 : 1); ++k)
            dashedLinePixels(true, row + k, r.left(), r.right(), middle || edge ? LineDash::Solid : LineDash::Dot,
                             grid);
    }
    for (int i = 0; i <= 8; ++i) {
        const int x = int(std::floor(r.left() + i * r.width() * 0.125));
        dashedLinePixels(false, x, r.top(), r.bottom(), i % 4 == 0 ? LineDash::Solid : LineDash::Dot, grid);
    }
    fillPixels(p, grid, kGrid);
    for (int i = n - 1; i >= 0; --i) {
        const float v = lv[std::size_t(i)];
        const float y = g.valueY(v);
        const bool middle = n % 2 == 1 && i == mid;
        const QColor colour = middle ? kWhite : (i > mid ? kUp : kDown);
        const int c = boxes.centre(i, n, y);
        p.setPen(colour);
        p.drawText(boxes.left(c), Qt::AlignRight | Qt::AlignVCenter, scaleLabel(double(v), a.name, a.decimals, false));
        if (percent)
            p.drawText(boxes.right(c), Qt::AlignLeft | Qt::AlignVCenter,
                       fixedText(double((v - b) / b * 100.0f), 2) + QLatin1Char('%'));
    }
}

void paintCrosshair(QPainter& p, const CrosshairArgs& a)
{
    const CTXGeometry& g = *a.geometry;
    const QRect& r = g.plot;
    if (!g.hasRange() || r.isEmpty())
        return;
    const int x = std::max(r.left(), std::min(r.right(), a.mouseX));
    const float yTop = g.valueY(g.max()), yBottom = g.valueY(g.min());
    if (a.shown) {
        // Dash-dot in whole pixels from the top and the left: crisp, where a
        // smoothed pen on a pixel edge shows two dim columns.
        std::vector<PixelRect> lines;
        lines.reserve(2 * std::size_t(r.width() + r.height()) / 9 + 4);
        dashedLinePixels(false, x, r.top(), r.bottom(), LineDash::DashDot, lines);
        if (a.mouseY > yTop && a.mouseY < yBottom)
            dashedLinePixels(true, a.mouseY, r.left(), r.right(), LineDash::DashDot, lines);
        fillPixels(p, lines, kCrossLine);
    }
    if (!r.contains(a.mouseX, a.mouseY))
        return;
    const float v = g.yValue(float(a.mouseY));
    const QString left = scaleLabel(double(v), a.name, a.decimals, true);
    QString right = left;
    if (a.style == "MCROSSHAIR") {
        float b = baseClose(a.ctx);
        if (b == 0.0f)
            b = (g.max() - g.min()) * 0.5f + g.min();
        right = b != 0.0f ? fixedText(double((v - b) / b * 100.0f), 2) + QLatin1Char('%') : QString();
    }
    p.setFont(chartFont(12));
    const int h = QFontMetrics(p.font()).height();
    int top = a.mouseY - h / 2;
    if (top + h > r.bottom())
        top = r.bottom() - h;
    const QRect lbox(r.left() - 60, top, 60, h), rbox(r.left() + r.width(), top, 60, h);
    p.fillRect(lbox, kCrossBox);
    p.fillRect(rbox, kCrossBox);
    p.setPen(kWhite);
    p.drawText(QRect(lbox.left(), top, 55, h), Qt::AlignRight | Qt::AlignVCenter, left);
    p.drawText(QRect(rbox.left() + 5, top, 55, h), Qt::AlignLeft | Qt::AlignVCenter, right);
}

}  // namespace

QString fixedText(double v, int decimals)
{
    QString text = QString::number(v, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) &&
        text.count(QLatin1Char('0')) == text.size() - 1 - text.count(QLatin1Char('.')))
        text.remove(0, 1);
    return text;
}

QString scaleLabel(double v, const QString& name, int decimals, bool crosshair)
{
    if (name == "KLINE" || name == "MLINE")
        return fixedText(v, decimals);
    const int d = crosshair ? 2 : 1;
    if (v > 100000000.0)
        return fixedText(v / 100000000.0, d) + QStringLiteral("亿");
    if (v > 10000.0)
        return fixedText(v / 10000.0, d) + QStringLiteral("万");
    return fixedText(v, 2);
}

ScalePainter scalePainterFor(const QString& style)
{
    if (style == "KSCALES")
        return paintKScales;
    if (style == "MSCALES")
        return paintMScales;
    return nullptr;
}

CrosshairPainter crosshairPainterFor(const QString& style)
{
    return style == "KCROSSHAIR" || style == "MCROSSHAIR" ? paintCrosshair : nullptr;
}

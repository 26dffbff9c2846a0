#include "charts/fchart.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "charts/chartpaint.h"
#include "charts/core/chartgeometry.h"
#include "charts/smoothline.h"
#include "formulas/formulaservice.h"

using namespace chartpaint;

namespace {

// The bars one painter walks: offsets 0 .. stop - begin - 1 from the first visible bar.
struct Span {
    const CTXGeometry& g;
    int begin;
    int stop;    // one past the last bar with a value in the output's series
    int origin;  // the first visible bar, at offset 0 (begin may lie right of it)
    float x(int i) const { return g.barCentre(i - origin); }
    float y(float v) const { return g.valueY(v); }
};

Span clipped(const Span& s, uint32_t count)
{
    return Span{s.g, s.begin, std::min(s.stop, int(count)), s.origin};
}

bool set(float v)
{
    return valid(v) && v != 0.0f;
}

// The "_color" parameter's float bits as a Qt RGB value; invalid when the formula has none.
QColor overlayColor(FormulaContext* ctx)
{
    FormulaArgument* a = fml_get_static_argument(ctx, "_color");
    const float* f = a ? fml_argument_data_number(a) : nullptr;
    if (!f)
        return QColor();
    uint32_t bits;
    std::memcpy(&bits, f, sizeof bits);
    return QColor(QRgb(bits));
}

const float* series(FormulaContext* ctx, const char* name, int& size)
{
    FormulaArgument* a = fml_get_argument(ctx, name);
    size = a ? fml_argument_data_size(a) : 0;
    return a ? fml_argument_data_number(a) : nullptr;
}

// Rising when close > open, or on a doji when close is above the previous close.
bool rising(float open, float close, float prevClose)
{
    return close > open || (close == open && close > prevClose);
}

QRect toRect(const PixelRect& r)
{
    return QRect(r.x, r.y, r.w, r.h);
}

// One pixel column from the zero line to the value, in the column of the
// candle's shadow (the bar centre's pixel); zero counts as above.
void paintColorStick(QPainter& p, const Span& s, const float* v)
{
    const float y0 = s.y(0.0f);
    std::vector<QRect> above, below;
    for (int i = s.begin; i < s.stop; ++i) {
        if (!valid(v[i]))
            continue;
        const float yv = s.y(v[i]);
        const float col = std::floor(s.x(i));
        (yv > y0 ? below : above).push_back(toRect(stickPixels(col, col + 1.0f, y0, yv)));
    }
    fillPixels(p, above, kUp);
    fillPixels(p, below, kDown);
}

// Rising bars hollow (a 1-pixel outline), falling ones filled, both over the
// same whole pixels so a rising and a falling bar of one volume match.
void paintVolStick(QPainter& p, const Span& s, FormulaContext* ctx, const float* v)
{
    int no = 0, nc = 0;
    const float* o = series(ctx, "O", no);
    const float* c = series(ctx, "C", nc);
    const float w = std::max(1.0f, s.g.barWidth - s.g.barGap);
    const float half = w * 0.5f;
    const float y0 = s.y(0.0f);
    std::vector<QRect> up, down;
    float prev = 0.0f;
    for (int i = s.begin; i < s.stop; ++i) {
        if (!valid(v[i]))
            continue;
        const float open = o && i < no ? o[i] : 0.0f;
        const float close = c && i < nc ? c[i] : 0.0f;
        const bool r = !valid(open) || !valid(close) || rising(open, close, prev);
        if (valid(close))
            prev = close;
        const float left = s.x(i) - half;
        const PixelRect px = stickPixels(left, left + w, y0, s.y(v[i]));
        if (!r) {
            down.push_back(toRect(px));
            continue;
        }
        PixelRect edges[4];
        const int n = outlineRects(px, edges);
        for (int k = 0; k < n; ++k)
            up.push_back(toRect(edges[k]));
    }
    fillPixels(p, up, kUp);
    fillPixels(p, down, kDown);
}

// Polylines through the valid values, broken at invalid ones; one drawLines
// call. Points sit on whole pixels (the bar's shadow column); an odd-width
// line goes through their centres, so its flat and upright runs stay crisp
// under smoothing instead of spreading over two dim rows.
void paintPolyline(QPainter& p, const Span& s, const float* v, const QPen& pen)
{
    const qreal mid = pen.width() % 2 == 1 || pen.width() == 0 ? 0.5 : 0.0;
    p.setPen(pen);
    QImage* image = nullptr;
    QRect clip;
    QPointF offset;
    if (pen.style() == Qt::SolidLine && pen.width() <= 1 && p.testRenderHint(QPainter::Antialiasing) &&
        smoothline::directTarget(p, image, clip, offset)) {
        std::vector<QPointF> run;
        const QRgb colour = pen.color().rgba();
        for (int i = s.begin; i <= s.stop; ++i) {
            if (i < s.stop && valid(v[i])) {
                run.emplace_back(int(s.x(i)) + mid + offset.x(), int(s.y(v[i])) + mid + offset.y());
                continue;
            }
            smoothline::strokeRun(*image, clip, run.data(), int(run.size()), colour);
            run.clear();
        }
        return;
    }
    std::vector<QLineF> segs;
    bool have = false;
    QPointF last;
    for (int i = s.begin; i < s.stop; ++i) {
        if (!valid(v[i])) {
            have = false;
            continue;
        }
        const QPointF pt(int(s.x(i)) + mid, int(s.y(v[i])) + mid);
        if (have)
            segs.emplace_back(last, pt);
        last = pt;
        have = true;
    }
    p.drawLines(segs.data(), int(segs.size()));
}

void paintLine(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_line(ctx, &it, unsigned(index));
    if (it.style == -1 || it.style == -7 || !it.line.values)
        return;
    const Span s = clipped(span, it.count);
    switch (it.style) {
    case 2:
        paintColorStick(p, s, it.line.values);
        break;
    case 4:
        paintVolStick(p, s, ctx, it.line.values);
        break;
    default: {
        QPen pen = outputPen(it.color, it.width, it.style);
        if (it.style == -8) {
            const QColor c = overlayColor(ctx);
            if (c.isValid())
                pen = QPen(c, 1);
        }
        paintPolyline(p, s, it.line.values, pen);
    }
    }
}

void paintStick(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_stick(ctx, &it, unsigned(index));
    const FMLStickFields& f = it.stick;
    if (!f.cond || !f.price1 || !f.price2)
        return;
    const Span s = clipped(span, it.count);
    const float w = std::min(kPixelLimit, std::max(1.0f, (s.g.barWidth - s.g.barGap) * f.width_factor));
    std::vector<QRect> rects;
    for (int i = s.begin; i < s.stop; ++i) {
        if (!set(f.cond[i]) || !valid(f.price1[i]) || !valid(f.price2[i]))
            continue;
        const float y1 = s.y(f.price1[i]), y2 = s.y(f.price2[i]);
        rects.emplace_back(int(s.x(i) - w * 0.5f), int(std::min(y1, y2)), int(w), int(std::fabs(y1 - y2)));
    }
    if (f.empty != 0.0f) {
        p.setBrush(Qt::NoBrush);
        p.setPen(outputPen(it.color, it.width, it.style));
        p.drawRects(rects.data(), int(rects.size()));
    } else {
        fillPixels(p, rects, outputColor(it.color));
    }
}

// Text centred on x with its baseline at y.
void centredText(QPainter& p, const QFontMetrics& fm, float x, float y, const QString& t)
{
    p.drawText(QPointF(x - fm.horizontalAdvance(t) / 2, y), t);
}

// Formula texts are mostly Chinese: smoothed at 12 px, their dense glyphs
// blur into a half-bright ghost beside every stroke and read as printed
// twice, so they go unsmoothed (as the title bar's); numbers stay smoothed.
void textPen(QPainter& p, uint32_t word, bool antialias = true)
{
    const QColor c = outputColor(word);
    p.setFont(chartFont(12, antialias));
    p.setPen(c);
    p.setBrush(c);
}

void paintNumber(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_number(ctx, &it, unsigned(index));
    const FMLNumberFields& f = it.number;
    if (!f.values || !f.position)
        return;
    const Span s = clipped(span, it.count);
    textPen(p, it.color);
    const QFontMetrics fm(p.font());
    for (int i = s.begin; i < s.stop; ++i)
        if (valid(f.position[i]) && valid(f.values[i]))
            centredText(p, fm, s.x(i), s.y(f.position[i]), QString::number(double(f.values[i]), 'f', 3));
}

void paintString(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_string(ctx, &it, unsigned(index));
    if (!it.string.values)
        return;
    const Span s = clipped(span, it.count);
    const QString text = QString::fromUtf8(it.string.text ? it.string.text : "");
    textPen(p, it.color, false);
    const QFontMetrics fm(p.font());
    // Centred on its bar, or moved left to end at the plot's right edge
    // rather than run into the price scale; the baseline stays at the price.
    const qreal w = fm.horizontalAdvance(text);
    const qreal right = s.g.plot.left() + s.g.plot.width();
    for (int i = s.begin; i < s.stop; ++i)
        if (set(it.string.values[i]))
            p.drawText(QPointF(std::min(s.x(i) - w / 2, right - w), s.y(it.string.values[i])), text);
}

// One stretch of the band over bars where both series have values: polygon
// `one` runs along series 1 left to right, `two` along series 2 likewise.
void paintBandRun(QPainter& p, const Span& s, const QPolygonF& one, const QPolygonF& two, uint32_t c1, uint32_t c2)
{
    QPolygonF band = one;
    for (int k = two.size() - 1; k >= 0; --k)
        band << two[k];
    const float bottom = float(s.g.plot.bottom());
    QPolygonF under;
    under << QPointF(one.first().x(), bottom) << one << QPointF(one.last().x(), bottom);
    QPainterPath clip;
    clip.addPolygon(band);
    clip.closeSubpath();
    p.save();
    p.setClipPath(clip);
    p.setPen(Qt::NoPen);
    p.setBrush(wordColor(c2));
    p.drawPolygon(band);
    p.setBrush(wordColor(c1));
    p.drawPolygon(under);
    p.restore();
}

// Between the two lines: colour 1 where series 1 is above series 2, colour 2
// elsewhere. The band breaks where either series has no value, as a line
// does, so a series that starts late closes no polygon over the empty bars.
void paintBand(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_band(ctx, &it, unsigned(index));
    const FMLBandFields& f = it.band;
    if (!f.series1 || !f.series2)
        return;
    const Span s = clipped(span, it.count);
    QPolygonF one, two;
    auto flush = [&] {
        if (!one.isEmpty())
            paintBandRun(p, s, one, two, f.color1, f.color2);
        one.clear();
        two.clear();
    };
    for (int i = s.begin; i < s.stop; ++i) {
        if (!valid(f.series1[i]) || !valid(f.series2[i])) {
            flush();
            continue;
        }
        one << QPointF(s.x(i), s.y(f.series1[i]));
        two << QPointF(s.x(i), s.y(f.series2[i]));
    }
    flush();
}

void paintIcon(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_icon(ctx, &it, unsigned(index));
    if (!it.icon.values)
        return;
    const Span s = clipped(span, it.count);
    const QImage img(QStringLiteral(":/images/icon_fml/%1.png").arg(it.icon.icon));
    const int bottom = s.g.plot.bottom();
    for (int i = s.begin; i < s.stop; ++i) {
        if (!valid(it.icon.values[i]))
            continue;
        float top = s.y(it.icon.values[i]);
        if (top + 16 > bottom)
            top = float(bottom - 16);
        p.drawImage(QRectF(s.x(i) - 8, top, 16, 16), img);
    }
}

void paintLiteral(QPainter& p, FormulaContext* ctx, const Span& s, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_literal_number(ctx, &it, unsigned(index));
    const float v = it.literal_number.value;
    if (!valid(v))
        return;
    const int count = s.g.plot.width() > 0 ? s.stop - s.origin : 0;
    p.setPen(outputPen(it.color, it.width, it.style));
    const float y = s.y(v);
    p.drawLine(QLineF(s.g.barCentre(0), y, s.g.barCentre(std::max(0, count - 1)), y));
}

void paintFixString(QPainter& p, FormulaContext* ctx, const Span& s, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_fix_string(ctx, &it, unsigned(index));
    const FMLFixStringFields& f = it.fix_string;
    if (!valid(f.x) || !valid(f.y))
        return;
    const QRect& r = s.g.plot;
    p.setFont(chartFont(12, false));  // unsmoothed, as textPen says
    p.setPen(outputColor(it.color));
    p.drawText(QPointF(heldPixel(r.left() + r.width() * f.x), heldPixel(r.top() + r.height() * f.y)),
               QString::fromUtf8(f.text ? f.text : ""));
}

void paintRect(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_rect(ctx, &it, unsigned(index));
    const FMLRectFields& f = it.rect;
    if (!f.cond || !f.span || !f.price1 || !f.price2)
        return;
    const Span s = clipped(span, it.count);
    std::vector<QRectF> rects;
    for (int i = s.begin; i < s.stop; ++i) {
        if (!set(f.cond[i]) || !valid(f.span[i]) || !valid(f.price1[i]) || !valid(f.price2[i]))
            continue;
        const int n = i - s.begin, m = n + int(std::max(-1e6f, std::min(1e6f, f.span[i])));
        const float xl = s.g.barCentre(std::min(n, m)), xh = s.g.barCentre(std::max(n, m));
        const float y1 = s.y(f.price1[i]), y2 = s.y(f.price2[i]);
        rects.emplace_back(xl, std::min(y1, y2), xh - xl, std::fabs(y1 - y2));
    }
    if (f.outline == 1) {
        p.setBrush(Qt::NoBrush);
        p.setPen(outputPen(it.color, it.width, it.style));
        p.drawRects(rects.data(), int(rects.size()));
    } else {
        const QBrush b(outputColor(it.color));
        for (const QRectF& r : rects)
            p.fillRect(r, b);
    }
}

void paintGradientArea(QPainter& p, const Span& s, const float* v)
{
    QPolygonF pts;
    for (int i = s.begin; i < s.stop; ++i)
        if (valid(v[i]))
            pts << QPointF(s.x(i), s.y(v[i]));
    if (pts.isEmpty())
        return;
    const QRect& r = s.g.plot;
    QLinearGradient grad(r.width() / 2.0, r.top(), r.width() / 2.0, r.bottom());
    grad.setColorAt(0, QColor::fromRgba(theme::kMinuteFillTopColor));
    grad.setColorAt(1, QColor::fromRgba(theme::kMinuteFillBottomColor));
    QPolygonF area = pts;
    area << QPointF(pts.last().x(), r.bottom()) << QPointF(pts.first().x(), r.bottom()) << pts.first();
    p.setBrush(grad);
    p.setPen(Qt::NoPen);
    p.drawPolygon(area, Qt::WindingFill);
    p.setPen(wordColor(formula::defaultPalette()[0]));
    if (pts.size() == 1) {
        p.drawLine(QLineF(pts[0], pts[0]));
        return;
    }
    std::vector<QLineF> segs;
    segs.reserve(std::size_t(pts.size()));
    for (int k = 1; k < pts.size(); ++k)
        segs.emplace_back(pts[k - 1], pts[k]);
    p.drawLines(segs.data(), int(segs.size()));
}

// Runs of rectangles of one colour, filled in the order given: candles of
// neighbouring bars can share a column when bars are under a pixel wide.
class PixelRuns {
public:
    explicit PixelRuns(QPainter& p) : p_(p) {}
    ~PixelRuns() { flush(); }
    void add(const PixelRect& r, const QColor& c)
    {
        if (r.w <= 0 || r.h <= 0)
            return;
        if (c != colour_)
            flush();
        colour_ = c;
        rects_.push_back(toRect(r));
    }
    void flush()
    {
        fillPixels(p_, rects_, colour_);
        rects_.clear();
    }

private:
    QPainter& p_;
    QColor colour_;
    std::vector<QRect> rects_;
};

void paintKLine(QPainter& p, FormulaContext* ctx, const Span& span, int index)
{
    FMLOutputItem it{};
    fml_ctx_op_k_line(ctx, &it, unsigned(index));
    const FMLKLineFields& f = it.k_line;
    if (!f.high || !f.open || !f.low || !f.close)
        return;
    const Span s = clipped(span, it.count);
    if (it.style == -11) {
        paintGradientArea(p, s, f.high);
        return;
    }
    int w = int(std::max(1.0f, s.g.barWidth - s.g.barGap));
    if (w % 2 == 0)
        --w;
    w = std::max(1, w);
    QColor upC = kUp, downC = kDown;
    if (it.style == -9) {
        const QColor c = overlayColor(ctx);
        if (c.isValid())
            upC = downC = c;
    }
    // Whole pixels, unsmoothed: a smoothed shadow on a pixel edge shows as
    // two dim columns.
    PixelRuns runs(p);
    float prev = 0.0f;
    for (int i = s.begin; i < s.stop; ++i) {
        const float h = f.high[i], o = f.open[i], l = f.low[i], c = f.close[i];
        if (!valid(h) || !valid(o) || !valid(l) || !valid(c))
            continue;
        const bool r = rising(o, c, prev);
        prev = c;
        const QColor& colour = r ? upC : downC;
        const CandlePixels k = candlePixels(int(s.x(i)), w, int(s.y(h)), int(s.y(o)), int(s.y(l)), int(s.y(c)), r);
        if (k.hollow) {
            PixelRect edges[4];
            const int n = outlineRects(k.body, edges);
            for (int e = 0; e < n; ++e)
                runs.add(edges[e], colour);
        } else {
            runs.add(k.body, colour);
        }
        runs.add(k.upper, colour);
        runs.add(k.lower, colour);
    }
}

using Painter = void (*)(QPainter&, FormulaContext*, const Span&, int);
constexpr Painter kPainters[12] = {nullptr,   paintLine, paintStick,   paintNumber,    nullptr,   paintString,
                                   paintBand, paintIcon, paintLiteral, paintFixString, paintRect, paintKLine};

// The pixels left of this x (logical) do not depend on bar `end` of the
// layer: its candle, stick, and the segments into it all lie right of it.
int lastBarLeftEdge(const CTXLayer& layer, int begin, int end)
{
    float x = 1e9f;
    for (const auto& slot : layer)
        if (slot->geometry.hasRange())
            x = std::min(x, slot->geometry.barCentre(end - 1 - begin) - 8.0f);
    return int(std::floor(x));
}

void pushWord(std::vector<uint32_t>& key, float v)
{
    uint32_t w;
    std::memcpy(&w, &v, sizeof w);
    key.push_back(w);
}

void pushSeries(std::vector<uint32_t>& key, const float* v, int begin, int stop)
{
    if (!v) {
        key.push_back(0xffffffffu);
        return;
    }
    const std::size_t at = key.size();
    key.resize(at + std::size_t(std::max(0, stop - begin)));
    if (stop > begin)
        std::memcpy(key.data() + at, v + begin, std::size_t(stop - begin) * sizeof(float));
}

}  // namespace

std::vector<uint32_t> FChart::lastBarKey(const CTXLayer& layer, int begin, int end)
{
    std::vector<uint32_t> key;
    if (layer.empty() || begin < 0 || end <= begin)
        return key;
    const bool drawFirst = std::all_of(layer.begin(), layer.end(), [](const auto& s) { return s->draw; });
    key.push_back(uint32_t(layer.size()));
    key.push_back(drawFirst);
    key.push_back(uint32_t(begin));
    key.push_back(uint32_t(end));
    for (std::size_t i = drawFirst ? 0 : 1; i < layer.size(); ++i) {
        const CTXData& slot = *layer[i];
        FormulaContext* ctx = slot.context;
        const uintptr_t id = reinterpret_cast<uintptr_t>(ctx);
        key.push_back(uint32_t(id));
        key.push_back(uint32_t(uint64_t(id) >> 32));
        const CTXGeometry& g = slot.geometry;
        for (float v : {g.range.min, g.range.max, g.barWidth, g.barGap})
            pushWord(key, v);
        for (int v : {g.plot.left(), g.plot.top(), g.plot.width(), g.plot.height()})
            key.push_back(uint32_t(v));
        if (!ctx || !g.hasRange())
            continue;
        key.push_back(overlayColor(ctx).rgba());
        const int n = fml_ctx_op_count(ctx, -1);
        key.push_back(uint32_t(n));
        for (int j = 0; j < n; ++j) {
            int kind = -1, index = 0;
            fml_ctx_op_seq_get(ctx, unsigned(j), &kind, &index);
            key.push_back(uint32_t(kind));
            FMLOutputItem it{};
            // Only bar-local shapes: text, bands, areas and icons can reach
            // across bars, so a layer with them repaints whole.
            if (kind == 1) {
                fml_ctx_op_line(ctx, &it, unsigned(index));
                if (it.style == 4) {
                    int no = 0, nc = 0;
                    const float* o = series(ctx, "O", no);
                    const float* c = series(ctx, "C", nc);
                    pushSeries(key, o, begin, std::min(end, no));
                    pushSeries(key, c, begin, std::min(end, nc));
                }
                pushSeries(key, it.line.values, begin, std::min(end, int(it.count)));
            } else if (kind == 2) {
                fml_ctx_op_stick(ctx, &it, unsigned(index));
                const int stop = std::min(end, int(it.count));
                pushSeries(key, it.stick.cond, begin, stop);
                pushSeries(key, it.stick.price1, begin, stop);
                pushSeries(key, it.stick.price2, begin, stop);
                pushWord(key, it.stick.width_factor);
                pushWord(key, it.stick.empty);
            } else if (kind == 11) {
                fml_ctx_op_k_line(ctx, &it, unsigned(index));
                if (it.style == -11)
                    return {};
                const int stop = std::min(end, int(it.count));
                for (const float* v : {it.k_line.high, it.k_line.open, it.k_line.low, it.k_line.close})
                    pushSeries(key, v, begin, stop);
            } else if (kind == 8) {  // a level across the plot
                fml_ctx_op_literal_number(ctx, &it, unsigned(index));
                pushWord(key, it.literal_number.value);
            } else if (kind >= 0 && kind < 12 && kPainters[kind]) {
                return {};
            }
            key.push_back(it.count);
            key.push_back(it.color);
            pushWord(key, it.width);
            key.push_back(uint32_t(it.style));
        }
    }
    return key;
}

void FChart::repaintLastBar(QPainter& painter, const CTXLayer& layer, int begin, int end)
{
    if (layer.empty() || end <= begin)
        return;
    const int x0 = lastBarLeftEdge(layer, begin, end);
    // The first bar painted starts its rising/falling test without the close
    // before it; start far enough left that it lies wholly outside the clip.
    float pitch = 1.0f;
    for (const auto& slot : layer)
        pitch = std::max(pitch, slot->geometry.pitch());
    const int from = std::max(begin, end - 1 - (int(std::ceil(24.0f / pitch)) + 3));
    const QRect clip(x0, -(1 << 20), 1 << 21, 1 << 21);
    painter.save();
    painter.setClipRect(clip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(clip, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const bool drawFirst = std::all_of(layer.begin(), layer.end(), [](const auto& s) { return s->draw; });
    for (std::size_t i = drawFirst ? 0 : 1; i < layer.size(); ++i) {
        // Each slot keeps its own scale start: the span begins at the first
        // visible bar so x positions are those of the full paint.
        const CTXData& slot = *layer[i];
        if (!slot.context || !slot.geometry.hasRange())
            continue;
        painter.save();
        formula::resetDefaultColor();
        const Span span{slot.geometry, from, end + 1, begin};
        const int n = fml_ctx_op_count(slot.context, -1);
        for (int j = 0; j < n; ++j) {
            int kind = -1, index = 0;
            fml_ctx_op_seq_get(slot.context, unsigned(j), &kind, &index);
            if (kind >= 0 && kind < 12 && kPainters[kind])
                kPainters[kind](painter, slot.context, span, index);
        }
        painter.restore();
    }
    painter.restore();
}

FChart::FChart(QQuickItem* parent) : ShownPaintedItem(parent)
{
    connect(this, &QQuickItem::widthChanged, this, &FChart::onWidthChanged);
    connect(this, &QQuickItem::heightChanged, this, &FChart::onHeightChanged);
}

FChart::~FChart() = default;

void FChart::setBeginEnd(int begin, int end)
{
    begin_ = begin;
    end_ = end;
}

void FChart::setCTXLayer(CTXLayer* layer)
{
    layer_ = layer;
    render();
    update();
}

void FChart::paintSlot(QPainter& painter, const CTXData& slot, int begin, int end)
{
    FormulaContext* ctx = slot.context;
    // A slot with nothing in view has no scale: nothing of it can be placed.
    if (!ctx || !slot.geometry.hasRange() || begin < 0 || end < begin)
        return;
    painter.save();
    formula::resetDefaultColor();
    const CTXGeometry geo = slot.geometry;
    const Span span{geo, begin, end + 1, begin};
    const int n = fml_ctx_op_count(ctx, -1);
    for (int j = 0; j < n; ++j) {
        int kind = -1, index = 0;
        fml_ctx_op_seq_get(ctx, unsigned(j), &kind, &index);
        if (kind >= 0 && kind < 12 && kPainters[kind])
            kPainters[kind](painter, ctx, span, index);
    }
    painter.restore();
}

void FChart::paintLayer(QPainter& painter, const CTXLayer& layer, int begin, int end)
{
    const bool drawFirst = std::all_of(layer.begin(), layer.end(), [](const auto& s) { return s->draw; });
    for (std::size_t i = drawFirst ? 0 : 1; i < layer.size(); ++i)
        paintSlot(painter, *layer[i], begin, end);
}

void FChart::render()
{
    if (!rendered_)
        return;
    if (!layer_ || layer_->empty()) {
        key_.clear();
        if (image_)
            image_->fill(0);
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpr = screen ? screen->devicePixelRatio() : 1.0;
    const QSize size = (clipRect().size() * dpr).toSize();
    if (size.isEmpty()) {  // nothing to paint on
        image_.reset();
        key_.clear();
        return;
    }
    // A tick that changed only the last visible bar leaves the rest of the
    // image as it is; anything else (range, scale, size, formulas, older
    // bars) changes the key and paints whole.
    std::vector<uint32_t> key = lastBarKey(*layer_, begin_, end_);
    const bool lastBarOnly = !key.empty() && image_ && image_->size() == size && key == key_;
    if (!image_ || image_->size() != size) {
        image_ = std::make_unique<QImage>(size, kImageFormat);
        image_->setDevicePixelRatio(dpr);
    }
    key_ = std::move(key);
    QPainter p(image_.get());
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    if (lastBarOnly) {
        repaintLastBar(p, *layer_, begin_, end_);
        ++lastBarRenders_;
        return;
    }
    image_->fill(0);
    paintLayer(p, *layer_, begin_, end_);
}

void FChart::paint(QPainter* painter)
{
    if (!rendered_) {
        rendered_ = true;
        render();
    }
    if ((!layer_ || layer_->empty()) && image_)
        image_->fill(0);
    if (image_)
        painter->drawImage(QPointF(0, 0), *image_);
}

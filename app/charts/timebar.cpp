#include "charts/timebar.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <limits>
#include <vector>

#include "charts/chartpaint.h"

namespace {

QString kLineFormat(int cycle)
{
    if (cycle == QUOTE_PERIOD_KLINE_DAY || cycle == QUOTE_PERIOD_KLINE_WEEK)
        return QStringLiteral("yyyy-MM-dd");
    if (cycle == QUOTE_PERIOD_KLINE_MONTH)
        return QStringLiteral("yyyy-MM");
    return QStringLiteral("yyyy-MM-dd HH:mm");
}

QString at(int t, const QString& fmt)
{
    return QDateTime::fromSecsSinceEpoch(t).toString(fmt);
}

}  // namespace

QString TimeBar::label(int t, const QString& type, int cycle)
{
    if (type == "mline")
        return at(t, QStringLiteral("HH:mm"));
    if (type == "kline")
        return at(t, kLineFormat(cycle));
    return QString();
}

void TimeBar::paint(QPainter* p)
{
    if (scales_.isEmpty())
        return;
    const int w = int(width()), h = int(height());
    p->fillRect(QRect(0, 0, w, h), QColor::fromRgba(theme::kBackground));
    p->setPen(QPen(chartpaint::kWhite, 1));
    p->setFont(chartpaint::chartFont(12));
    const QFontMetrics fm(p->font());

    const bool minute = type_ == "mline";
    QStringList labels;
    for (int i = 0; i < scales_.size(); ++i) {
        if (minute && i == 2 && scales_.size() > 3) {
            labels << label(scales_[2], type_, cycle_) + QLatin1Char('/') + label(scales_[3], type_, cycle_);
            ++i;
            continue;
        }
        labels << label(scales_[i], type_, cycle_);
    }
    // One or two stamps have no spacing to divide: a single step spans the axis.
    // The cursor's label, when there is one, takes its place on the axis:
    // the axis labels it would cover in part are left out.
    QString cursorText;
    QRect box;
    if (cur_ != 0) {
        cursorText = minute ? at(cur_, QStringLiteral("MM-dd HH:mm")) : label(cur_, type_, cycle_);
        const int bw = fm.horizontalAdvance(cursorText) + 10;
        const int cx = std::max(60, std::min(w - 60, curX_));
        box = QRect(cx - bw / 2, 0, bw, h);
    }
    const int axis = w - 120;
    const int gaps = int(labels.size()) - 1;
    const double step = gaps > 0 ? double(axis) / gaps : double(axis);
    std::vector<QRect> at(std::size_t(labels.size()));
    for (int i = 0; i < labels.size(); ++i) {
        const int tw = fm.horizontalAdvance(labels[i]);
        const int x = 60 + int(i * step);
        int left = x - tw / 2;
        if (i == 0)
            left = x;
        else if (i == labels.size() - 1)
            left = x - tw;
        at[std::size_t(i)] = QRect(left, 0, tw, h);
    }
    // The first and the last label always show; one between them that would
    // run into the label before it or the last one is left out.
    constexpr int kRoom = 4;
    int drawnRight = std::numeric_limits<int>::min();
    for (int i = 0; i < labels.size(); ++i) {
        const QRect& r = at[std::size_t(i)];
        const bool last = i == labels.size() - 1;
        if (i > 0 && !last && (r.left() < drawnRight + kRoom || r.left() + r.width() + kRoom > at.back().left()))
            continue;
        drawnRight = r.left() + r.width();
        if (cur_ != 0 && r.left() < box.left() + box.width() && r.left() + r.width() > box.left())
            continue;
        p->drawText(r, Qt::AlignCenter, labels[i]);
    }
    if (cur_ != 0) {
        p->fillRect(box, QColor::fromRgba(theme::kTimeBarBoxColor));
        p->drawText(box, Qt::AlignCenter, cursorText);
    }
}

#include "models/tablebody.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The margins of a cell's text inside its cell.
constexpr qreal kLeftMargin = 3;
constexpr qreal kRightMargin = 4;
constexpr int kDefaultWidth = 85;

qreal advance(const QFont& font, int pixelSize, const QString& text)
{
    QFont f = font;
    f.setPixelSize(pixelSize);
    return QFontMetricsF(f).horizontalAdvance(text);
}

}  // namespace

CellFit fitCellText(const QString& text, const QFont& font, int minimumPixelSize, qreal width)
{
    const int full = std::max(1, font.pixelSize());
    const int least = std::max(1, std::min(minimumPixelSize, full));
    if (text.isEmpty())
        return {full, text, false};
    const qreal whole = advance(font, full, text);
    if (whole <= width)
        return {full, text, false};
    // The advance grows about with the size: start from the proportional
    // size and correct by single steps, for hinting.
    int px = std::clamp(int(std::floor(full * std::max<qreal>(0, width) / whole)), least, full - 1);
    while (px > least && advance(font, px, text) > width)
        --px;
    while (px + 1 < full && advance(font, px + 1, text) <= width)
        ++px;
    if (advance(font, px, text) <= width)
        return {px, text, false};
    QFont f = font;
    f.setPixelSize(least);
    return {least, QFontMetricsF(f).elidedText(text, Qt::ElideRight, std::max<qreal>(0, width)), true};
}

TableBody::TableBody(QQuickItem* parent) : QQuickPaintedItem(parent), font_(QGuiApplication::font())
{
    font_.setPixelSize(kPixelSize);
    setOpaquePainting(true);
    flashTimer_.setSingleShot(true);
    connect(&flashTimer_, &QTimer::timeout, this, &TableBody::endFlashes);
}

void TableBody::setModel(QAbstractItemModel* m)
{
    if (model_ == m)
        return;
    if (model_)
        model_->disconnect(this);
    model_ = m;
    connectModel();
    shapeDue_ = true;
    markAll();
    emit modelChanged();
}

void TableBody::connectModel()
{
    if (!model_)
        return;
    QAbstractItemModel* m = model_;
    const auto reshape = [this] {
        shapeDue_ = true;
        markAll();
    };
    connect(m, &QAbstractItemModel::dataChanged, this, &TableBody::onDataChanged);
    connect(m, &QAbstractItemModel::modelReset, this, reshape);
    connect(m, &QAbstractItemModel::layoutChanged, this, reshape);
    connect(m, &QAbstractItemModel::rowsInserted, this, reshape);
    connect(m, &QAbstractItemModel::rowsRemoved, this, reshape);
    connect(m, &QAbstractItemModel::rowsMoved, this, reshape);
    connect(m, &QAbstractItemModel::columnsInserted, this, reshape);
    connect(m, &QAbstractItemModel::columnsRemoved, this, reshape);
    connect(m, &QAbstractItemModel::columnsMoved, this, reshape);
}

void TableBody::setColumnWidths(const QVariantList& w)
{
    if (change(widthList_, w, true))
        emit widthsChanged();
}

void TableBody::setRowHeight(int h)
{
    if (change(rowHeight_, std::max(1, h), true))
        emit layoutChanged();
}

void TableBody::setSpacing(int s)
{
    if (change(spacing_, std::max(0, s), true))
        emit layoutChanged();
}

void TableBody::setContentX(qreal x)
{
    if (change(contentX_, x))
        emit layoutChanged();
}

void TableBody::setContentY(qreal y)
{
    if (change(contentY_, y))
        emit layoutChanged();
}

void TableBody::setSelectedRow(int r)
{
    if (moveRow(selectedRow_, r))
        emit layoutChanged();
}

void TableBody::setActiveRow(int r)
{
    if (moveRow(activeRow_, r))
        emit layoutChanged();
}

void TableBody::setCellColor(const QColor& c)
{
    if (change(cellColor_, c))
        emit layoutChanged();
}

void TableBody::setSelectedColor(const QColor& c)
{
    if (change(selectedColor_, c))
        emit layoutChanged();
}

void TableBody::setActiveColor(const QColor& c)
{
    if (change(activeColor_, c))
        emit layoutChanged();
}

void TableBody::setGridColor(const QColor& c)
{
    if (fillColor() == c)
        return;
    setFillColor(c);
    markAll();
    emit layoutChanged();
}

// GUI thread. Only the rows the highlight leaves and reaches are painted again.
bool TableBody::moveRow(int& row, int to)
{
    if (row == to)
        return false;
    dirty_ |= rowsRect(row, row) | rowsRect(to, to);
    row = to;
    if (isVisible())
        polish();
    return true;
}

void TableBody::setFontFamily(const QString& f)
{
    if (font_.family() == f)
        return;
    font_.setFamily(f);
    paintFonts_.clear();
    for (auto& row : cells_)
        for (Cell& c : row)
            c.fitted = false;
    markAll();
    emit layoutChanged();
}

qreal TableBody::contentWidth() const
{
    return widths_.empty() ? 0 : lefts_.back() + widths_.back();
}

qreal TableBody::contentHeight() const
{
    return rows_ > 0 ? rows_ * rowHeight_ + (rows_ - 1) * spacing_ : 0;
}

// GUI thread. Everything in view is painted again at the next frame; nothing
// is asked of a hidden body until it shows.
void TableBody::markAll()
{
    dirty_ = viewRect();
    if (isVisible())
        polish();
}

// GUI thread. The rows and columns of the model and the columns' places; every
// cell is read again.
void TableBody::takeShape()
{
    shapeDue_ = false;
    const int oldRows = rows_;
    const int oldColumns = columns();
    const qreal oldWidth = contentWidth();
    const qreal oldHeight = contentHeight();
    const int n = model_ ? model_->columnCount() : 0;
    rows_ = model_ && n > 0 ? model_->rowCount() : 0;
    widths_.assign(size_t(n), kDefaultWidth);
    lefts_.assign(size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        if (i < widthList_.size())
            widths_[size_t(i)] = std::max(0, widthList_[i].toInt());
        lefts_[size_t(i)] = i == 0 ? 0 : lefts_[size_t(i) - 1] + widths_[size_t(i) - 1] + spacing_;
    }
    if (rows_ != oldRows || n != oldColumns) {
        cells_.assign(size_t(rows_), {});
    } else {
        for (auto& row : cells_)
            for (Cell& c : row) {
                c.stale = true;
                c.fitted = false;
            }
    }
    if (rows_ != oldRows || n != oldColumns || contentWidth() != oldWidth || contentHeight() != oldHeight)
        emit sizeChanged();
}

void TableBody::onDataChanged(const QModelIndex& tl, const QModelIndex& br)
{
    if (shapeDue_ || !tl.isValid() || !br.isValid())
        return;
    const int c0 = std::max(tl.column(), 0);
    const int c1 = std::min(br.column(), columns() - 1);
    const int r0 = std::max(tl.row(), 0);
    const int r1 = std::min(br.row(), rows_ - 1);
    if (c0 > c1 || r0 > r1)
        return;
    for (int r = r0; r <= r1; ++r) {
        std::vector<Cell>& row = rowCells(r);
        for (int c = c0; c <= c1 && size_t(c) < row.size(); ++c)
            row[size_t(c)].stale = true;
    }
    const QRectF area = cellRect(r0, c0).united(cellRect(r1, c1));
    dirty_ |= area.toAlignedRect();
    if (isVisible())
        polish();
}

// GUI thread. A cell's text, colour and alignment from the model; a flash
// starts when the model marks the cell with a flash colour it did not have.
void TableBody::readCell(int row, int column, qint64 now)
{
    Cell& cell = rowCells(row)[size_t(column)];
    const QModelIndex idx = model_->index(row, column);
    const QString text = model_->data(idx, 0).toString();
    if (text != cell.text || !cell.read) {
        cell.text = text;
        cell.fitted = false;
    }
    cell.color = QColor(model_->data(idx, 1).toString());
    cell.align = model_->data(idx, 4).toInt();
    const QString acolor = model_->data(idx, 3).toBool() ? model_->data(idx, 2).toString() : QString();
    if (acolor.isEmpty()) {
        cell.flashUntil = 0;
    } else if (acolor != cell.acolor || !cell.read) {
        cell.flash = QColor(acolor);
        cell.flashUntil = now + kFlashMs;
        if (!flashTimer_.isActive())
            flashTimer_.start(kFlashMs);
    }
    cell.acolor = acolor;
    cell.read = true;
    cell.stale = false;
}

void TableBody::endFlashes()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 next = 0;
    for (int r = 0; r < rows_; ++r) {
        std::vector<Cell>& row = rowCells(r);
        for (int c = 0; c < int(row.size()); ++c) {
            Cell& cell = row[size_t(c)];
            if (cell.flashUntil == 0)
                continue;
            if (cell.flashUntil <= now) {
                cell.flashUntil = 0;
                dirty_ |= cellRect(r, c).toAlignedRect();
            } else if (next == 0 || cell.flashUntil < next) {
                next = cell.flashUntil;
            }
        }
    }
    if (next != 0)
        flashTimer_.start(int(next - now));
    if (!dirty_.isEmpty() && isVisible())
        polish();
}

// GUI thread, before the frame: the cells in view are read and fitted, and
// what changed is painted.
void TableBody::updatePolish()
{
    if (!isVisible())
        return;
    if (shapeDue_)
        takeShape();
    const int first = firstRowInView();
    const int last = lastRowInView();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int r = first; r <= last; ++r) {
        std::vector<Cell>& row = rowCells(r);
        row.resize(widths_.size());
        for (int c = 0; c < columns(); ++c) {
            Cell& cell = row[size_t(c)];
            if (cell.stale && model_)
                readCell(r, c, now);
            if (cell.fitted)
                continue;
            // Most values fit at the full size: one layout then.
            const qreal room = widths_[size_t(c)] - kLeftMargin - kRightMargin;
            cell.staticText.setTextFormat(Qt::PlainText);
            cell.staticText.setText(cell.text);
            cell.staticText.prepare(QTransform(), fontOf(kPixelSize));
            cell.fit = {kPixelSize, cell.text, false};
            if (cell.staticText.size().width() > room) {
                cell.fit = fitCellText(cell.text, fontOf(kPixelSize), kMinimumPixelSize, room);
                cell.staticText.setText(cell.fit.shown);
                cell.staticText.prepare(QTransform(), fontOf(cell.fit.pixelSize));
            }
            cell.fitted = true;
        }
    }
    const QRect area = dirty_ & viewRect();
    dirty_ = QRect();
    if (!area.isEmpty())
        update(area);
}

void TableBody::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        markAll();
}

void TableBody::itemChange(ItemChange change, const ItemChangeData& value)
{
    QQuickPaintedItem::itemChange(change, value);
    if ((change == ItemVisibleHasChanged && value.boolValue) || change == ItemSceneChange)
        markAll();
}

QFont TableBody::fontOf(int pixelSize) const
{
    const auto it = paintFonts_.find(pixelSize);
    if (it != paintFonts_.end())
        return it->second;
    QFont f = font_;
    f.setPixelSize(pixelSize);
    return f;
}

QRect TableBody::viewRect() const
{
    return QRect(0, 0, int(std::ceil(width())), int(std::ceil(height())));
}

int TableBody::firstRowInView() const
{
    return std::clamp(int(std::floor(contentY_ / (rowHeight_ + spacing_))), 0, rows_);
}

int TableBody::lastRowInView() const
{
    return std::clamp(int(std::floor((contentY_ + height()) / (rowHeight_ + spacing_))), -1, rows_ - 1);
}

QRectF TableBody::cellRect(int row, int column) const
{
    if (column < 0 || column >= columns())
        return {};
    return {lefts_[size_t(column)] - contentX_, row * qreal(rowHeight_ + spacing_) - contentY_,
            qreal(widths_[size_t(column)]), qreal(rowHeight_)};
}

QRect TableBody::rowsRect(int first, int last) const
{
    if (first < 0 || last < first || columns() == 0)
        return {};
    return QRectF(0, first * qreal(rowHeight_ + spacing_) - contentY_, width(),
                  (last - first + 1) * qreal(rowHeight_ + spacing_))
        .toAlignedRect();
}

QVariantList TableBody::cellsInView() const
{
    QVariantList out;
    if (shapeDue_)
        return out;
    for (int r = firstRowInView(); r <= lastRowInView(); ++r) {
        const std::vector<Cell>& row = rowCells(r);
        for (int c = 0; c < int(row.size()); ++c) {
            const Cell& cell = row[size_t(c)];
            if (!cell.read || cell.stale)
                continue;
            const qreal left = lefts_[size_t(c)] - contentX_;
            if (left + widths_[size_t(c)] <= 0 || left >= width())
                continue;
            out.append(QVariantMap{{"row", r},
                                   {"column", c},
                                   {"text", cell.text},
                                   {"shown", cell.fit.shown},
                                   {"pixelSize", cell.fit.pixelSize},
                                   {"truncated", cell.fit.truncated},
                                   {"color", cell.color},
                                   {"flashing", cell.flashUntil != 0}});
        }
    }
    return out;
}

// Scene graph sync (the GUI thread waits): paints only what polish prepared.
void TableBody::paint(QPainter* painter)
{
    if (shapeDue_)
        return;
    const QRectF clip = painter->hasClipping() ? painter->clipBoundingRect() : boundingRect();
    const int first = firstRowInView();
    const int last = lastRowInView();
    for (int r = first; r <= last; ++r) {
        const std::vector<Cell>& row = rowCells(r);
        if (!QRectF(rowsRect(r, r)).intersects(clip))
            continue;
        for (int c = 0; c < int(row.size()); ++c) {
            const QRectF rect = cellRect(r, c);
            if (!rect.intersects(clip))
                continue;
            // The grid is the fill colour that shows between the cells; a
            // hovered row's colour is laid over it.
            if (r == selectedRow_)
                painter->fillRect(rect, selectedColor_);
            else if (r == activeRow_)
                painter->fillRect(rect, activeColor_);
            else
                painter->fillRect(rect, cellColor_);
            const Cell& cell = row[size_t(c)];
            if (cell.flashUntil != 0)
                painter->fillRect(rect, cell.flash);
            if (!cell.fitted || cell.fit.shown.isEmpty())
                continue;
            painter->setFont(fontOf(cell.fit.pixelSize));
            if (paintFonts_.count(cell.fit.pixelSize) == 0)
                paintFonts_[cell.fit.pixelSize] = painter->font();
            painter->setPen(cell.color);
            const QSizeF size = cell.staticText.size();
            const QRectF room = rect.adjusted(kLeftMargin, 0, -kRightMargin, 0);
            qreal x = room.left() + (room.width() - size.width()) / 2;
            if (cell.align == 1)
                x = room.left();
            else if (cell.align == 2)
                x = room.right() - size.width();
            const qreal y = room.top() + (room.height() - size.height()) / 2;
            painter->drawStaticText(QPointF(std::round(x), std::round(y)), cell.staticText);
        }
    }
}

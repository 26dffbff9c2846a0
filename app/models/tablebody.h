// TableBody: the cells of a quote table's rows, painted by one item. A page of
// a ranking changes some six hundred cells at once; as one text item each,
// the frame after Page Down spent most of its time updating and laying out
// those items. The body reads every column of its model (a window of a
// table model's columns; roles text_, color_, acolor_, isrun_, align_),
// keeps each cell's fitted text for the rows in view, and paints
// the row bands, the one-pixel grid, the flash of changed cells and the texts.
// A value too long for its column shrinks down to the minimum size before it
// loses its end.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QStaticText>
#include <QTimer>
#include <QVariantList>

#include <map>
#include <vector>

// How a text shows in `width` pixels of a font of `font`'s family: the
// largest pixel size from font's down to `minimumPixelSize` at which it fits
// whole, or at the minimum size cut at its right end with an ellipsis.
struct CellFit {
    int pixelSize = 0;
    QString shown;
    bool truncated = false;
};
CellFit fitCellText(const QString& text, const QFont& font, int minimumPixelSize, qreal width);

class TableBody : public QQuickPaintedItem {
    Q_OBJECT
    Q_PROPERTY(QAbstractItemModel* model READ model WRITE setModel NOTIFY modelChanged)
    // The width of each shown column, in order; a column past the list is 85.
    Q_PROPERTY(QVariantList columnWidths READ columnWidths WRITE setColumnWidths NOTIFY widthsChanged)
    Q_PROPERTY(int rowHeight READ rowHeight WRITE setRowHeight NOTIFY layoutChanged)
    Q_PROPERTY(int spacing READ spacing WRITE setSpacing NOTIFY layoutChanged)
    // The scrolled offset of the rows and columns in view.
    Q_PROPERTY(qreal contentX READ contentX WRITE setContentX NOTIFY layoutChanged)
    Q_PROPERTY(qreal contentY READ contentY WRITE setContentY NOTIFY layoutChanged)
    Q_PROPERTY(int selectedRow READ selectedRow WRITE setSelectedRow NOTIFY layoutChanged)
    Q_PROPERTY(int activeRow READ activeRow WRITE setActiveRow NOTIFY layoutChanged)
    Q_PROPERTY(QColor cellColor READ cellColor WRITE setCellColor NOTIFY layoutChanged)
    Q_PROPERTY(QColor selectedColor READ selectedColor WRITE setSelectedColor NOTIFY layoutChanged)
    Q_PROPERTY(QColor activeColor READ activeColor WRITE setActiveColor NOTIFY layoutChanged)
    Q_PROPERTY(QColor gridColor READ fillColor WRITE setGridColor NOTIFY layoutChanged)
    Q_PROPERTY(QString fontFamily READ fontFamily WRITE setFontFamily NOTIFY layoutChanged)
    Q_PROPERTY(int rows READ rows NOTIFY sizeChanged)
    Q_PROPERTY(int columns READ columns NOTIFY sizeChanged)
    Q_PROPERTY(qreal contentWidth READ contentWidth NOTIFY sizeChanged)
    Q_PROPERTY(qreal contentHeight READ contentHeight NOTIFY sizeChanged)
public:
    static constexpr int kPixelSize = 16;
    static constexpr int kMinimumPixelSize = 10;
    static constexpr int kFlashMs = 1000;

    explicit TableBody(QQuickItem* parent = nullptr);

    QAbstractItemModel* model() const { return model_; }
    void setModel(QAbstractItemModel* m);
    QVariantList columnWidths() const { return widthList_; }
    void setColumnWidths(const QVariantList& w);
    int rowHeight() const { return rowHeight_; }
    void setRowHeight(int h);
    int spacing() const { return spacing_; }
    void setSpacing(int s);
    qreal contentX() const { return contentX_; }
    void setContentX(qreal x);
    qreal contentY() const { return contentY_; }
    void setContentY(qreal y);
    int selectedRow() const { return selectedRow_; }
    void setSelectedRow(int r);
    int activeRow() const { return activeRow_; }
    void setActiveRow(int r);
    QColor cellColor() const { return cellColor_; }
    QColor selectedColor() const { return selectedColor_; }
    QColor activeColor() const { return activeColor_; }
    void setCellColor(const QColor& c);
    void setSelectedColor(const QColor& c);
    void setActiveColor(const QColor& c);
    void setGridColor(const QColor& c);
    QString fontFamily() const { return font_.family(); }
    void setFontFamily(const QString& f);
    int rows() const { return rows_; }
    int columns() const { return int(widths_.size()); }
    qreal contentWidth() const;
    qreal contentHeight() const;

    // The cells in view as shown: {row, column, text, shown, pixelSize,
    // truncated, color, flashing}. For tests.
    Q_INVOKABLE QVariantList cellsInView() const;

    void paint(QPainter* painter) override;

signals:
    void modelChanged();
    void widthsChanged();
    void layoutChanged();
    void sizeChanged();

protected:
    void updatePolish() override;
    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    struct Cell {
        QString text;
        QColor color;
        QColor flash;    // the flash colour while it lasts
        QString acolor;  // as the model last said it
        int align = 0;   // 1 left, 2 right, else centre
        qint64 flashUntil = 0;
        bool stale = true;  // to be read from the model
        bool read = false;  // read at least once
        bool fitted = false;
        CellFit fit;
        QStaticText staticText;
    };

    // GUI thread. Sets member to value; when that changes it, everything in
    // view is painted again (and the model's shape taken again with
    // `reshape`), and the answer is true.
    template <class T>
    bool change(T& member, const T& value, bool reshape = false)
    {
        if (member == value)
            return false;
        member = value;
        shapeDue_ = shapeDue_ || reshape;
        markAll();
        return true;
    }
    bool moveRow(int& row, int to);
    void connectModel();
    void takeShape();
    void markAll();
    void onDataChanged(const QModelIndex& tl, const QModelIndex& br);
    void endFlashes();
    void readCell(int row, int column, qint64 now);
    QRect viewRect() const;  // the item's own area, in whole pixels
    int firstRowInView() const;
    int lastRowInView() const;
    QRectF cellRect(int row, int column) const;
    QRect rowsRect(int first, int last) const;
    // A row's cells; empty until the row is first in view.
    std::vector<Cell>& rowCells(int row) { return cells_[size_t(row)]; }
    const std::vector<Cell>& rowCells(int row) const { return cells_[size_t(row)]; }
    // The font at pixelSize as the painter holds it once it has painted at
    // that size, else the body's font at that size. A text laid out in that
    // font is not laid out again when it is painted.
    QFont fontOf(int pixelSize) const;

    QPointer<QAbstractItemModel> model_;
    QVariantList widthList_;
    std::vector<int> widths_;
    std::vector<qreal> lefts_;
    int rowHeight_ = 26;
    int spacing_ = 1;
    qreal contentX_ = 0;
    qreal contentY_ = 0;
    int selectedRow_ = -1;
    int activeRow_ = -1;
    QColor cellColor_;
    QColor selectedColor_;
    QColor activeColor_;
    QFont font_;
    std::map<int, QFont> paintFonts_;
    int rows_ = 0;
    std::vector<std::vector<Cell>> cells_;  // by row, then column
    bool shapeDue_ = true;                  // rows, columns or widths to take from the model
    QRect dirty_;                           // to repaint at the next polish
    QTimer flashTimer_;
};

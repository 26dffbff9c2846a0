#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QAbstractTableModel>
#include <QTest>

#include <memory>
#include <vector>

#include "livetest.h"
#include "models/tablebody.h"

// The painted body of a quote table: how a long value fits its column, and
// what the body paints and reads, shown and hidden.
namespace {

QFont sized(int px)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(px);
    return f;
}

qreal advanceAt(int px, const QString& text)
{
    return QFontMetricsF(sized(px)).horizontalAdvance(text);
}

// A model with the table model's roles (text_, color_, acolor_, isrun_,
// align_) that counts what is read from it.
class CellModel : public QAbstractTableModel {
public:
    CellModel(int rows, int columns) : rows_(rows), columns_(columns), cells_(size_t(rows * columns))
    {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                set(r, c, QString::number(r * 10 + c), "#FFFFFF", 4);
    }
    void set(int r, int c, const QString& text, const QString& color, int align, const QString& flash = QString())
    {
        cells_[size_t(r * columns_ + c)] = {text, color, flash.isEmpty() ? "#00000000" : flash, !flash.isEmpty(),
                                            align};
        emit dataChanged(index(r, c), index(r, c));
    }
    int rowCount(const QModelIndex& = QModelIndex()) const override { return rows_; }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return columns_; }
    QVariant data(const QModelIndex& i, int role) const override
    {
        ++reads;
        const QVariantList& cell = cells_[size_t(i.row() * columns_ + i.column())];
        return role >= 0 && role < cell.size() ? cell[role] : QVariant();
    }
    mutable int reads = 0;

private:
    int rows_, columns_;
    std::vector<QVariantList> cells_;
};

class TableBodyCells : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software); }
    void SetUp() override
    {
        window_.resize(260, 120);
        body_ = std::make_unique<TableBody>(window_.contentItem());
        body_->setSize({260, 120});
        body_->setColumnWidths({60, 60, 60});
        body_->setCellColor(cell_);
        body_->setSelectedColor(selected_);
        body_->setActiveColor(QColor(0xFF, 0xFF, 0xFF, 128));
        body_->setGridColor(grid_);
        body_->setModel(&model_);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    void TearDown() override { body_.reset(); }

    QVariantMap shown(int row, int column) const
    {
        for (const QVariant& v : body_->cellsInView()) {
            const QVariantMap m = v.toMap();
            if (m["row"].toInt() == row && m["column"].toInt() == column)
                return m;
        }
        return {};
    }
    const QColor cell_{0x19, 0x1B, 0x1F}, selected_{0x22, 0x30, 0x4C}, grid_{0x22, 0x27, 0x2E};
    QQuickWindow window_;
    CellModel model_{3, 3};
    std::unique_ptr<TableBody> body_;
};

}  // namespace

// The largest size from 16 down to 10 at which the value fits whole, or the
// smallest with its end cut off.
TEST(TableCellFit, ShrinksToTheLargestSizeThatFitsThenCutsTheEnd)
{
    const QString amount = QStringLiteral("2811.68亿");
    const QString name = QStringLiteral("一二三四五六七八九十");
    struct Case {
        QString text;
        qreal width;
        int pixelSize;
        bool truncated;
    } cases[] = {
        {"9.18", 80, 16, false},
        {amount, advanceAt(16, amount), 16, false},
        {amount, advanceAt(12, amount) + 0.25, 12, false},
        {amount, advanceAt(10, amount), 10, false},
        {name, advanceAt(10, name) - 1, 10, true},
        {"", 0, 16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " in " + std::to_string(c.width));
        const CellFit fit = fitCellText(c.text, sized(16), 10, c.width);
        EXPECT_EQ(fit.pixelSize, c.pixelSize);
        EXPECT_EQ(fit.truncated, c.truncated);
        if (!c.truncated)
            EXPECT_EQ(fit.shown, c.text);
        else
            EXPECT_TRUE(fit.shown.endsWith(QChar(0x2026))) << fit.shown.toStdString();
        EXPECT_LE(advanceAt(fit.pixelSize, fit.shown), c.width);
    }
}

// Rows in the cell, highlighted and hovered colours, the grid between and
// below the cells, texts in their colours and places, and a flash that ends.
TEST_F(TableBodyCells, PaintsRowsGridTextsAndAFlashThatEnds)
{
    model_.set(0, 0, "888", "#FF3030", 1);
    model_.set(0, 2, "888", "#30FF30", 2);
    body_->setSelectedRow(1);
    body_->setActiveRow(2);
    ASSERT_TRUE(testsupport::waitFor([&] { return shown(0, 2)["text"] == "888"; }));
    QImage image = testsupport::grabItem(body_.get());
    ASSERT_FALSE(image.isNull());
    const QColor hovered((0xFF + grid_.red()) / 2, (0xFF + grid_.green()) / 2, (0xFF + grid_.blue()) / 2);
    const struct {
        QPoint at;
        QColor want;
        const char* what;
    } probes[] = {
        {{1, 1}, cell_, "row 0"},
        {{122, 24}, cell_, "row 0, column 2"},
        {{30, 28}, selected_, "row 1"},
        {{30, 55}, hovered, "row 2, hovered"},
        {{60, 10}, grid_, "gap after column 0"},
        {{30, 26}, grid_, "gap under row 0"},
        {{200, 10}, grid_, "right of the columns"},
        {{30, 100}, grid_, "below the rows"},
    };
    for (const auto& p : probes) {
        const QColor got = image.pixelColor(p.at);
        EXPECT_LE(std::abs(got.red() - p.want.red()) + std::abs(got.green() - p.want.green()) +
                      std::abs(got.blue() - p.want.blue()),
                  3)
            << p.what << ": expected " << p.want.name().toStdString() << ", got " << got.name().toStdString();
    }
    // Left alignment puts the red text at the cell's left, right alignment the
    // green one at its right.
    EXPECT_GT(testsupport::countNear(image, {3, 4, 20, 18}, QColor("#FF3030")), 5);
    EXPECT_EQ(testsupport::countNear(image, {36, 4, 24, 18}, QColor("#FF3030")), 0);
    EXPECT_GT(testsupport::countNear(image, {156, 4, 20, 18}, QColor("#30FF30")), 5);
    EXPECT_EQ(testsupport::countNear(image, {120, 4, 24, 18}, QColor("#30FF30")), 0);

    // A changed price flashes its cell for a second, then the cell is plain.
    model_.set(0, 1, "9.99", "#FFFFFF", 4, "#FFFFD000");
    ASSERT_TRUE(testsupport::waitFor([&] { return shown(0, 1)["flashing"].toBool(); }));
    image = testsupport::grabItem(body_.get());
    EXPECT_EQ(image.pixelColor(62, 2), QColor("#FFD000")) << image.pixelColor(62, 2).name().toStdString();
    ASSERT_TRUE(testsupport::waitFor([&] { return !shown(0, 1)["flashing"].toBool(); }));
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return testsupport::grabItem(body_.get()).pixelColor(62, 2) == cell_; },
        [&] { return testsupport::grabItem(body_.get()).pixelColor(62, 2).name().toStdString(); }));
}

// A hidden body reads nothing of the model; shown again, it shows what
// changed meanwhile.
TEST_F(TableBodyCells, AHiddenBodyReadsNothingUntilShown)
{
    ASSERT_TRUE(testsupport::waitFor([&] { return shown(2, 2)["text"] == "22"; }));
    body_->setVisible(false);
    model_.reads = 0;
    for (int r = 0; r < 3; ++r)
        model_.set(r, 1, "7" + QString::number(r), "#FFFFFF", 4);
    // Two frames of the window go by (asked for here) without a read.
    int frames = 0;
    const auto counting = QObject::connect(&window_, &QQuickWindow::frameSwapped, [&frames] { ++frames; });
    EXPECT_TRUE(testsupport::waitFor([&] {
        window_.update();
        return frames >= 2;
    }));
    QObject::disconnect(counting);
    EXPECT_EQ(model_.reads, 0);
    body_->setVisible(true);
    ASSERT_TRUE(testsupport::waitFor([&] { return shown(2, 1)["text"] == "72"; }));
    EXPECT_EQ(shown(0, 1)["text"], "70");
    EXPECT_EQ(shown(2, 2)["text"], "22");
}

// The custom controls: the spin edit, the parameter panel and the tree's
// item colours.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>

#include "editspin.h"
#include "formulaparameditor.h"
#include "treectrlex.h"

TEST(QuorvexControls, EditSpinStepsAndLayout)
{
    CEditSpin spin;
    spin.resize(100, 20);
    spin.show();
    EXPECT_EQ(QRect(0, 0, 90, 20), spin.edit()->geometry());
    QWidget* button = spin.findChild<QWidget*>(QStringLiteral("2"));
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(QRect(90, 0, 10, 20), button->geometry());

    spin.Set("9.5", "1", "10");
    const auto press = [&](int y) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, y), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    };
    press(2);
    EXPECT_EQ("10", spin.GetText());
    press(2);
    EXPECT_EQ("10", spin.GetText());
    press(18);
    EXPECT_EQ("9", spin.GetText());
    spin.Set("abc", "1", "10");
    spin.Spin(-1);
    EXPECT_EQ("1", spin.GetText()) << "not a number reads as 0, kept at the minimum";
    spin.Set("5", "", "9");
    for (int i = 0; i < 6; ++i)
        spin.Spin(+1);
    EXPECT_EQ("9", spin.GetText()) << "5,,9: no minimum, maximum 9";
    spin.Set("0.25", "", "");
    spin.Spin(-1);
    EXPECT_EQ("-0.75", spin.GetText());
}

TEST(QuorvexControls, PanelShowsOneBoxPerSlotAndReadsNormalisedValues)
{
    CFormulaParamEditor panel;
    panel.resize(300, 100);
    ConditionTemplate t;
    t.content = "A{}B{}C{}";
    t.argRanges = {ArgRange{"1.50", "", ""}, ArgRange{"x", "", ""}, ArgRange{"7", "0", "9"}};
    panel.ShowTemplate(t);
    panel.grab();  // paints, placing the boxes
    const quorvex::ParamLayout layout = panel.Layout();
    ASSERT_EQ(3u, layout.boxes.size());
    for (int i = 0; i < quorvex::kParamSlots; ++i) {
        EXPECT_EQ(i < 3, panel.child(i)->isVisibleTo(&panel)) << i;
        if (i < 3) {
            const auto& r = layout.boxes[static_cast<size_t>(i)];
            EXPECT_EQ(QRect(r.x, r.y, 50, r.h), panel.child(i)->geometry()) << i;
        }
    }
    EXPECT_EQ((QStringList{"1.5", "0", "7"}), panel.ReadValues());

    // Twelve slots and ranges: ten boxes, ten values, nothing past them.
    ConditionTemplate many;
    for (int i = 0; i < 12; ++i) {
        many.content += "{}";
        many.argRanges.append(ArgRange{QString::number(i), "", ""});
    }
    panel.resize(1000, 100);
    panel.ShowTemplate(many);
    panel.grab();
    EXPECT_EQ(10, panel.ReadValues().size());
    EXPECT_EQ("9", panel.ReadValues().last());

    // No template: only the background, every box hidden.
    panel.ShowTemplate(std::nullopt);
    const QImage image = panel.grab().toImage();
    const QRgb face = panel.palette().button().color().rgb();
    bool plain = true;
    for (int y = 0; y < image.height() && plain; ++y)
        for (int x = 0; x < image.width() && plain; ++x)
            plain = image.pixel(x, y) == face;
    EXPECT_TRUE(plain);
    for (int i = 0; i < quorvex::kParamSlots; ++i)
        EXPECT_FALSE(panel.child(i)->isVisibleTo(&panel)) << i;
    EXPECT_TRUE(panel.ReadValues().isEmpty());
}

TEST(QuorvexControls, TreeItemColoursAndBoldState)
{
    CTreeCtrlEx tree;
    auto* red = new QTreeWidgetItem(&tree, QStringList("红色"));
    auto* plain = new QTreeWidgetItem(&tree, QStringList("默认"));
    auto* system = new QTreeWidgetItem(&tree, QStringList("系统"));
    tree.SetItemColor(red, 0x0000FF);  // 0x00BBGGRR: red
    tree.SetItemColor(system, -1);
    tree.SetItemBold(red, true);

    const auto style = tree.StyleFor(red, false, true);
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(QColor(255, 0, 0), style->color);
    EXPECT_TRUE(style->font.bold());
    EXPECT_FALSE(tree.StyleFor(plain, false, false).has_value()) << "no record: default look";
    EXPECT_FALSE(tree.StyleFor(red, true, true).has_value()) << "selected in the focused tree: default look";
    ASSERT_TRUE(tree.StyleFor(red, true, false).has_value());
    const auto sys = tree.StyleFor(system, false, false);
    ASSERT_TRUE(sys.has_value());
    EXPECT_EQ(tree.palette().color(QPalette::WindowText), sys->color);
    EXPECT_FALSE(sys->font.bold());
    EXPECT_EQ(QColor(0, 255, 0), colorFromRef(0x00FF00));
    EXPECT_EQ(QColor(0x12, 0x34, 0x56), colorFromRef(0x563412));

    // Painted: the red item's text has red pixels, the plain one none.
    tree.resize(200, 100);
    const QImage image = tree.viewport()->grab().toImage();
    const auto redPixels = [&](QTreeWidgetItem* item) {
        const QRect r = tree.visualItemRect(item);
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            }
        return n;
    };
    EXPECT_GT(redPixels(red), 0);
    EXPECT_EQ(0, redPixels(plain));

    // Removing an item drops its record.
    delete tree.takeTopLevelItem(0);
    EXPECT_EQ(nullptr, tree.Record(red));
}

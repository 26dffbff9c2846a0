// Painted items paint while shown only: one hidden (itself or through an
// ancestor) and asked to update paints nothing in the frames that follow,
// then paints once with the data it has by then when it shows again; one
// shown again without a change in between does not paint again.
#include <gtest/gtest.h>

#include <QPainter>
#include <QQuickWindow>

#include "charts/shownpainteditem.h"
#include "livetest.h"

using testsupport::waitFor;

namespace {

class CountingItem : public ShownPaintedItem {
public:
    using ShownPaintedItem::ShownPaintedItem;
    void paint(QPainter* p) override
    {
        ++paints;
        painted = colour;
        p->fillRect(boundingRect(), colour);
    }
    int paints = 0;
    QColor colour = Qt::red;
    QColor painted;
};

}  // namespace

TEST(ShownPaintedItem, PaintsOnlyWhileShownAndCatchesUpWhenShownAgain)
{
    QQuickWindow window;
    window.resize(120, 80);
    QQuickItem* pane = new QQuickItem(window.contentItem());
    pane->setSize(QSizeF(120, 80));
    CountingItem* item = new CountingItem(pane);
    item->setSize(QSizeF(100, 60));
    int frames = 0;
    QObject::connect(&window, &QQuickWindow::frameSwapped, [&] { ++frames; });
    window.show();
    ASSERT_TRUE(waitFor([&] { return item->paints == 1 && frames > 0; }))
        << "shown: one paint, then its frame; painted " << item->paints << ", frames " << frames;
    EXPECT_EQ(QColor(Qt::red), item->painted);

    struct Case {
        const char* what;
        QQuickItem* hidden;  // the item itself or its pane
        QColor next;         // the data changed while hidden (invalid: no change)
        int paintsWhenShown;
    };
    const Case cases[] = {
        {"the item hidden, changed", item, Qt::blue, 1},
        {"its pane hidden, changed", pane, Qt::green, 1},
        {"its pane hidden, unchanged", pane, QColor(), 0},
        {"the item hidden, unchanged", item, QColor(), 0},
    };
    for (const Case& c : cases) {
        const int before = item->paints;
        const QColor shown = c.next.isValid() ? c.next : item->colour;
        frames = 0;
        c.hidden->setVisible(false);
        if (c.next.isValid()) {
            item->colour = c.next;
            item->update();
        }
        ASSERT_TRUE(waitFor([&] { return frames > 0; })) << c.what << ": no frame after hiding";
        EXPECT_EQ(before, item->paints) << c.what << ": a hidden item painted";
        EXPECT_EQ(c.next.isValid(), item->paintPending()) << c.what;
        frames = 0;
        c.hidden->setVisible(true);
        ASSERT_TRUE(waitFor([&] { return frames > 0; })) << c.what << ": no frame after showing";
        EXPECT_EQ(before + c.paintsWhenShown, item->paints) << c.what;
        EXPECT_EQ(shown, item->painted) << c.what << ": shown again with other data";
        EXPECT_FALSE(item->paintPending()) << c.what;
    }
}

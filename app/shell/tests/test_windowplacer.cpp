// Secondary windows open over the main window: where a window goes centred on
// its owner inside the screen, and which shown windows are placed.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>

#include "shell/windowplacer.h"

namespace {

TEST(WindowPlacer, CentresOnTheOwnerInsideTheScreen)
{
    const struct {
        const char* what;
        QRect owner;
        QSize size;
        QRect available;
        QPoint expected;
    } cases[] = {
        {"centred on a maximised window", {0, 0, 1280, 800}, {320, 110}, {0, 0, 1280, 800}, {480, 345}},
        {"centred on a moved window", {100, 50, 1000, 650}, {300, 200}, {0, 0, 1920, 1080}, {450, 275}},
        {"odd sizes round down", {0, 0, 1001, 651}, {300, 200}, {0, 0, 1920, 1080}, {350, 225}},
        {"kept off the right and bottom edges", {1500, 900, 400, 150}, {800, 600}, {0, 0, 1920, 1080}, {1120, 480}},
        {"kept off the left and top edges", {-300, -200, 400, 300}, {800, 600}, {0, 0, 1920, 1080}, {0, 0}},
        {"larger than the screen: its top-left corner shows",
         {0, 0, 1280, 800},
         {1400, 900},
         {0, 0, 1280, 800},
         {0, 0}},
        {"a second screen to the right", {1920, 0, 1280, 800}, {320, 110}, {1920, 0, 1280, 800}, {2400, 345}},
        {"no screen known: centred only", {0, 0, 1000, 650}, {1200, 100}, QRect(), {-100, 275}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowPlacer::centredOver(c.owner, c.size, c.available), c.expected) << c.what;
}

TEST(WindowPlacer, PlacesOnlyWindowsWithoutAPositionOfTheirOwn)
{
    QWindow owner;
    owner.setGeometry(100, 100, 1000, 650);
    owner.show();
    WindowPlacer placer([&owner] { return &owner; });
    qApp->installEventFilter(&placer);

    QWindow unplaced;
    unplaced.resize(300, 200);
    unplaced.show();
    EXPECT_EQ(unplaced.position(), QPoint(450, 325)) << "a window without a position opens over the owner";

    QWindow placed;
    placed.setGeometry(10, 20, 300, 200);
    placed.show();
    EXPECT_EQ(placed.position(), QPoint(10, 20)) << "a window placed by its code stays where it was put";

    QWindow popup;
    popup.setFlags(Qt::Popup);
    popup.resize(100, 50);
    popup.show();
    EXPECT_NE(popup.position(), QPoint(550, 400)) << "pop-ups open where they are asked to";

    QWindow child(&owner);
    child.resize(100, 50);
    child.show();
    EXPECT_EQ(child.position(), QPoint(0, 0)) << "a window inside another is not a top-level window";

    // A window that belongs to another shown window opens over that one.
    QWindow other;
    other.setGeometry(400, 300, 300, 200);
    other.show();
    QWindow dialog;
    dialog.setTransientParent(&other);
    dialog.resize(200, 100);
    dialog.show();
    EXPECT_EQ(dialog.position(), QPoint(450, 350));
    qApp->removeEventFilter(&placer);
}

}  // namespace

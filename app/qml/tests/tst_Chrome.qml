import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import "qrc:/qml/" as App

// Window chrome: title-bar drag and double click, resize handles.
Item {
    id: top
    width: 600
    height: 300

    // Stands for a window: geometry, state and the platform's move/resize.
    QtObject {
        id: fakeWindow
        property int x: 100
        property int y: 50
        property int width: 800
        property int height: 600
        property int visibility: Window.Windowed
        property int systemMoves: 0
        property var systemResizes: []
        function showNormal() { visibility = Window.Windowed; }
        function showMaximized() { visibility = Window.Maximized; }
        function startSystemMove() { systemMoves += 1; return true; }
        function startSystemResize(edges) { var r = systemResizes.slice(); r.push(edges); systemResizes = r; return true; }
    }
    // Stands for QRoot.setRect.
    QtObject {
        id: rects
        property var calls: []
        function setRect(x, y, w, h) { var c = calls.slice(); c.push([x, y, w, h]); calls = c; }
    }

    App.QTitleBar { id: titleBar; width: 600; window_: fakeWindow; platformName: "xcb" }
    App.QBorder { id: left; flag: 3; window_: fakeWindow; rectTarget: rects; platformName: "xcb"; y: 100; width: 4; height: 100 }
    App.QMouseFrame { id: frame; window_: fakeWindow }

    TextCase {
        name: "Chrome"
        when: windowShown

        function init() {
            fakeWindow.x = 100; fakeWindow.y = 50; fakeWindow.width = 800; fakeWindow.height = 600;
            fakeWindow.visibility = Window.Windowed;
            fakeWindow.systemMoves = 0;
            fakeWindow.systemResizes = [];
            rects.calls = [];
            titleBar.platformName = "xcb";
            left.platformName = "xcb";
        }

        function test_titleBarDrag() {
            compare(titleBar.height, 31);
            titleBar.press(500, 500);
            titleBar.move(503, 497);                 // 3 pixels: no move
            compare(fakeWindow.x, 100);
            compare(fakeWindow.y, 50);
            titleBar.move(506, 500);                 // 6 pixels: moves by the offset
            compare(fakeWindow.x, 106);
            compare(fakeWindow.y, 50);
            titleBar.move(510, 502);                 // then follows every move
            compare(fakeWindow.x, 110);
            compare(fakeWindow.y, 52);
            titleBar.release();
            // A maximised window is shown normal when dragged.
            fakeWindow.visibility = Window.Maximized;
            titleBar.press(0, 0);
            titleBar.move(0, 8);
            compare(fakeWindow.visibility, Window.Windowed);
            titleBar.release();
        }

        function test_titleBarMouse() {
            mousePress(titleBar, 300, 15);
            mouseMove(titleBar, 303, 15);
            compare(fakeWindow.x, 100);
            mouseMove(titleBar, 310, 15);
            compare(fakeWindow.x, 110);
            mouseRelease(titleBar, 310, 15);
            mouseDoubleClickSequence(titleBar, 300, 15);
            compare(fakeWindow.visibility, Window.Maximized);
            mouseDoubleClickSequence(titleBar, 300, 15);
            compare(fakeWindow.visibility, Window.Windowed);
            titleBar.canDoubleClicked = false;
            mouseDoubleClickSequence(titleBar, 300, 15);
            compare(fakeWindow.visibility, Window.Windowed);
            titleBar.canDoubleClicked = true;
        }

        function test_waylandHandsMovesToThePlatform() {
            titleBar.platformName = "wayland-egl";
            titleBar.press(500, 500);
            titleBar.move(503, 500);
            compare(fakeWindow.systemMoves, 0);
            titleBar.move(520, 500);
            compare(fakeWindow.systemMoves, 1);
            compare(fakeWindow.x, 100);              // the platform moves it
            titleBar.release();
            left.platformName = "wayland";
            left.begin(0, 0);
            compare(fakeWindow.systemResizes, [Qt.LeftEdge]);
            verify(!left.applyTimer.running);
        }

        function test_resizeRule() {
            var r = Qt.rect(100, 50, 800, 600);
            var cases = [
                // flag, dx, dy, expected x, y, w, h
                [3, -1, 0, 100, 50, 800, 600],       // 1 pixel: nothing
                [3, -2, 0, 98, 50, 802, 600],        // left edge moves, right stays
                [3, 30, 1, 130, 50, 770, 600],
                [1, 40, 40, 100, 50, 840, 600],
                [2, 40, 40, 100, 50, 800, 640],
                [0, 0, -10, 100, 40, 800, 610],
                [4, -5, -5, 95, 45, 805, 605],
                [5, 5, 5, 100, 55, 805, 595],
                [6, 5, -1, 100, 50, 805, 600],
                [7, -3, 3, 97, 50, 803, 603]
            ];
            for (var i = 0; i < cases.length; ++i) {
                var c = cases[i];
                var got = left.computeRect(c[0], r, c[1], c[2]);
                compare([got.x, got.y, got.width, got.height], [c[3], c[4], c[5], c[6]], "flag " + c[0] + " by " + c[1] + "," + c[2]);
            }
        }

        function test_resizeAppliesThroughSetRect() {
            left.begin(100, 100);
            left.moveTo(99, 100);
            left.applyTimer.triggered();
            compare(rects.calls.length, 0);          // unchanged geometry is not applied
            left.moveTo(90, 100);
            compare(left.applyTimer.interval, 100);
            verify(left.applyTimer.repeat);
            left.applyTimer.triggered();
            compare(rects.calls, [[90, 50, 810, 600]]);
            left.end();                              // release applies once more
            compare(rects.calls.length, 2);
            verify(!left.applyTimer.running);
            // Nothing while maximised.
            fakeWindow.visibility = Window.Maximized;
            verify(!left.enabled);
        }

        function test_frame() {
            var flags = [];
            var found = 0;
            for (var i = 0; i < frame.children.length; ++i) {
                var b = frame.children[i];
                if (b.flag === undefined)
                    continue;
                found += 1;
                if (b.flag >= 4)
                    compare([b.width, b.height], [4, 4]);
                else if (b.flag === 0 || b.flag === 2)
                    compare(b.height, 4);
                else
                    compare(b.width, 4);
            }
            compare(found, 8);
        }
    }
}

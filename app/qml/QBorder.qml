import QtQuick 2.15
import QtQuick.Window 2.15
import "js/Placement.js" as Placement

// One resize handle of a frameless window: flag 0 top, 1 right, 2 bottom,
// 3 left, 4 top-left, 5 top-right, 6 bottom-right, 7 bottom-left. While
// pressed, a 100 ms timer applies the new geometry through QRoot.setRect. On
// Wayland, where a window cannot place itself, the platform resizes it.
MouseArea {
    id: root
    property int flag: 0
    property var window_: Window.window
    // Receiver of setRect(x, y, w, h): the program's QRoot; a test may set it.
    property var rectTarget: typeof QRoot !== "undefined" ? QRoot : null
    property string platformName: Qt.platform.pluginName
    readonly property bool systemResize: platformName.indexOf("wayland") === 0
    property rect startRect: Qt.rect(0, 0, 0, 0)
    property rect targetRect: Qt.rect(0, 0, 0, 0)
    property point pressAt: Qt.point(0, 0)
    property alias applyTimer: timer

    hoverEnabled: true
    enabled: !!window_ && window_.visibility !== Window.Maximized && window_.visibility !== Window.FullScreen
    cursorShape: flag === 0 || flag === 2 ? Qt.SizeVerCursor
               : flag === 1 || flag === 3 ? Qt.SizeHorCursor
               : flag === 4 || flag === 6 ? Qt.SizeFDiagCursor : Qt.SizeBDiagCursor

    // The geometry after moving the handle by (dx, dy) from r (Placement.resized).
    function computeRect(f, r, dx, dy) {
        var g = Placement.resized(f, r, dx, dy);
        return Qt.rect(g.x, g.y, g.width, g.height);
    }
    function edges(f) {
        return [Qt.TopEdge, Qt.RightEdge, Qt.BottomEdge, Qt.LeftEdge, Qt.TopEdge | Qt.LeftEdge,
                Qt.TopEdge | Qt.RightEdge, Qt.BottomEdge | Qt.RightEdge, Qt.BottomEdge | Qt.LeftEdge][f];
    }
    function windowRect() { return Qt.rect(window_.x, window_.y, window_.width, window_.height); }
    function apply() {
        var w = window_;
        if (!rectTarget || !w)
            return;
        var t = targetRect;
        if (t.x !== w.x || t.y !== w.y || t.width !== w.width || t.height !== w.height)
            rectTarget.setRect(t.x, t.y, t.width, t.height);
    }
    function begin(gx, gy) {
        startRect = windowRect();
        targetRect = startRect;
        pressAt = Qt.point(gx, gy);
        if (systemResize && typeof window_.startSystemResize === "function" && window_.startSystemResize(edges(flag)))
            return;
        timer.start();
    }
    function moveTo(gx, gy) {
        if (timer.running)
            targetRect = computeRect(flag, startRect, gx - pressAt.x, gy - pressAt.y);
    }
    function end() {
        if (!timer.running)
            return;
        timer.stop();
        apply();
    }

    onEntered: startRect = windowRect()
    onPressed: { var g = mapToGlobal(mouse.x, mouse.y); begin(g.x, g.y); }
    onPositionChanged: if (pressed) { var g = mapToGlobal(mouse.x, mouse.y); moveTo(g.x, g.y); }
    onReleased: end()

    Timer { id: timer; interval: 100; repeat: true; onTriggered: root.apply() }
}

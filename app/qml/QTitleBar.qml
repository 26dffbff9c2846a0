import QtQuick 2.15
import QtQuick.Window 2.15
import "theme"

// Draggable title bar of a frameless window. A drag starts once the pointer
// has moved more than 5 pixels from the press point; a double click toggles
// normal and maximised. Where the platform moves windows itself (Wayland, on
// which a window cannot place itself), the drag is handed to it.
Rectangle {
    id: root
    property var window_: Window.window
    property bool canDoubleClicked: true
    property color bg_color_1_: Theme.titleBarDarkColor
    property color bg_color_2_: Theme.barBackground
    // The platform plug-in; a test may set it.
    property string platformName: Qt.platform.pluginName
    readonly property bool systemMove: platformName.indexOf("wayland") === 0
    property int dragThreshold: 5
    property bool dragging: false
    property bool maximizing: false
    property point pressAt: Qt.point(0, 0)
    property point lastAt: Qt.point(0, 0)

    height: 31
    color: bg_color_1_

    Rectangle {
        anchors.fill: parent
        anchors.bottomMargin: 1
        color: root.bg_color_2_
    }

    function isMaximized(w) {
        return w.visibility === Window.Maximized || w.visibility === Window.FullScreen;
    }
    // Press at global point (gx, gy).
    function press(gx, gy) {
        pressAt = Qt.point(gx, gy);
        lastAt = pressAt;
        dragging = false;
    }
    // Pointer at global point (gx, gy) while pressed.
    function move(gx, gy) {
        var w = window_;
        if (!w || maximizing)
            return;
        if (!dragging) {
            if (Math.abs(gx - pressAt.x) <= dragThreshold && Math.abs(gy - pressAt.y) <= dragThreshold)
                return;
            dragging = true;
            if (systemMove && typeof w.startSystemMove === "function" && w.startSystemMove()) {
                dragging = false;
                return;
            }
        }
        if (w.visibility !== Window.Windowed)
            w.showNormal();
        w.x += gx - lastAt.x;
        w.y += gy - lastAt.y;
        lastAt = Qt.point(gx, gy);
    }
    function release() { dragging = false; }
    function toggleMaximized() {
        var w = window_;
        if (!w || !canDoubleClicked)
            return;
        maximizing = true;
        if (isMaximized(w))
            w.showNormal();
        else
            w.showMaximized();
        maximizing = false;
    }

    MouseArea {
        anchors.fill: parent
        onPressed: { var g = mapToGlobal(mouse.x, mouse.y); root.press(g.x, g.y); }
        onPositionChanged: { var g = mapToGlobal(mouse.x, mouse.y); root.move(g.x, g.y); }
        onReleased: root.release()
        onDoubleClicked: root.toggleMaximized()
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15

// The web pages' right-click menu: a single "刷新" that asks for a reload.
Menu {
    id: root
    signal refresh()
    width: 80
    background: Rectangle { implicitWidth: 80; color: "#191b1f"; border.color: "#335493" }
    MenuItem {
        text: "刷新"
        height: 25
        contentItem: Text { text: "刷新"; color: "#FFFFFF"; font.pixelSize: 13; verticalAlignment: Text.AlignVCenter }
        background: Rectangle { color: parent.highlighted ? "#335493" : "#191b1f" }
        onTriggered: root.refresh()
    }
}

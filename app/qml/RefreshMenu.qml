import QtQuick 2.15
import QtQuick.Controls 2.15
import "theme"

// The web pages' right-click menu: a single "刷新" that asks for a reload.
Menu {
    id: root
    signal refresh()
    width: 80
    background: Rectangle { implicitWidth: 80; color: Theme.background; border.color: Theme.frameBorderColor }
    MenuItem {
        text: "刷新"
        height: 25
        contentItem: Text { text: "刷新"; color: Theme.textColor; font.pixelSize: Theme.smallButtonFontSize; verticalAlignment: Text.AlignVCenter }
        background: Rectangle { color: parent.highlighted ? Theme.frameBorderColor : Theme.background }
        onTriggered: root.refresh()
    }
}

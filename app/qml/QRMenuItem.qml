import QtQuick 2.15
import QtQuick.Controls 2.15
import "theme"

// One entry of the right-click menus: a "√" column when selected, then the name.
MenuItem {
    id: root
    property string name
    property bool select: false
    property var key
    // Wide enough for its whole name (and a sub-menu's arrow); 100 at least.
    implicitWidth: Math.max(100, leftPadding + 20 + label.implicitWidth + (subMenu ? 20 : 0) + rightPadding)
    implicitHeight: 25
    font.family: Theme.fontFamilyCn
    font.pixelSize: Theme.menuFontSize
    // The texts fill the item inside its padding, so that they are centred
    // on the highlight and the last entry stays inside the menu.
    contentItem: Row {
        Text {
            width: 20
            text: root.select ? "√" : ""
            color: Theme.textColor
            font: root.font
            verticalAlignment: Text.AlignVCenter
            height: root.availableHeight
        }
        Text {
            id: label
            text: root.name !== "" ? root.name : root.text
            textFormat: Text.PlainText
            color: Theme.textColor
            font: root.font
            verticalAlignment: Text.AlignVCenter
            height: root.availableHeight
        }
    }
    background: Rectangle {
        implicitWidth: 100
        implicitHeight: 25
        color: root.highlighted ? Theme.menuHighlightColor : Theme.noColor
    }
}

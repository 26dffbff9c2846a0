import QtQuick 2.15
import "theme"

// A flat button: a label centred on a plate that takes hoverColor under the
// mouse and disabledColor while disabled. It acts on a left click only and
// never takes the keyboard, so a click leaves the keys where they were.
// DialogButton, ActionButton and GlyphButton give it each kind's look.
Rectangle {
    id: button
    property alias text: label.text
    property alias font: label.font
    property alias textColor: label.color
    property color normalColor: Theme.barBackground
    property color hoverColor: Theme.hoverColor
    property color disabledColor: normalColor
    readonly property alias containsMouse: area.containsMouse
    signal clicked()

    color: !enabled ? disabledColor : area.containsMouse ? hoverColor : normalColor
    Text { id: label; anchors.centerIn: parent; color: Theme.textColor }
    MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; onClicked: button.clicked() }
}

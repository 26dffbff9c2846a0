import QtQuick 2.15
import "theme"

// A text that acts as a button (上一条, a panel's link, a window's ×): its
// colour follows the mouse and turns dim while disabled. Like FlatButton it
// acts on a left click only and never takes the keyboard.
Text {
    id: link
    property color normalColor: Theme.actionColor
    property color hoverColor: Theme.actionHoverColor
    property color disabledColor: Theme.dimTextColor
    readonly property alias containsMouse: area.containsMouse
    signal clicked()

    color: !enabled ? disabledColor : area.containsMouse ? hoverColor : normalColor
    MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; onClicked: link.clicked() }
}

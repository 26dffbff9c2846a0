import QtQuick 2.15
import "theme"

// Background of the right-click menus.
Rectangle {
    implicitWidth: 100
    implicitHeight: 25
    color: Theme.menuBackground
    radius: 4
}

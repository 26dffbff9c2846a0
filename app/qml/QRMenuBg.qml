import QtQuick 2.15

// Background of the right-click menus.
Rectangle {
    implicitWidth: 100
    implicitHeight: 25
    color: Qt.rgba(62 / 255, 65 / 255, 75 / 255, 0.95)
    radius: 4
}

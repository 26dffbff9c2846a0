import QtQuick 2.15
import QtQuick.Controls 2.15

// A sub-menu of the right-click menus.
Menu {
    property string name
    property var key
    title: name
    background: QRMenuBg {}
    delegate: QRMenuItem {}
}

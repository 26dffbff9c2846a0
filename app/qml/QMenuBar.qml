import QtQuick 2.15
import ReplyImage 1.0
import "qrc:/qml/js/menu.js" as Menu
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// The server-defined menu row of the main window's title bar. Hovering an item
// opens its drop-down; clicking an item or an entry queues the action and
// asks for the address to be opened.
Item {
    id: root
    property var menuItems: []        // normalised top-level items of js/menu.js
    property int hoveredIndex: -1
    property alias popMenu: pop
    property alias repeater: repeater
    signal clickedMenu(string name, string active)

    height: 30
    width: row.width

    function setModel(items) { menuItems = items; }

    function open(name, active) {
        Sql.dbAddActionCmd("MENU", name);
        clickedMenu(name, active);
    }

    function showPop(index) {
        var it = repeater.itemAt(index);
        if (!it || menuItems[index].menus.length === 0) {
            pop.close();
            return;
        }
        pop.sections = menuItems[index].menus;
        pop.x = it.x;
        pop.y = it.height - 9;
        pop.open();
    }
    // The pointer left item `index` at (x, y) of the item.
    function leaveItem(index, x, y, w) {
        if (hoveredIndex === index)
            hoveredIndex = -1;
        if (Menu.leftThroughSide(x, y, w)) {
            pop.close();
            return;
        }
        // Downwards: keep the drop-down only if the pointer reached it.
        Qt.callLater(function () {
            if (!pop.containsMouse && root.hoveredIndex === -1)
                pop.close();
        });
    }

    Row {
        id: row
        spacing: 5
        height: parent.height
        Repeater {
            id: repeater
            model: root.menuItems
            delegate: Rectangle {
                id: item
                property bool hovered: root.hoveredIndex === index
                width: Menu.menuItemWidth(label.implicitWidth)
                height: root.height
                color: Theme.buttonColor
                ReplyImage {
                    x: 6
                    anchors.verticalCenter: parent.verticalCenter
                    width: 20; height: 20
                    source: Menu.iconUrl(item.hovered ? modelData.img_h : modelData.img_n)
                }
                Text {
                    id: label
                    x: 30
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.name
                    color: item.hovered ? Theme.menuHoverTextColor : Theme.textColor
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.menuFontSize
                }
                MouseArea {
                    anchors.fill: parent
                    hoverEnabled: true
                    onEntered: { root.hoveredIndex = index; root.showPop(index); }
                    onExited: root.leaveItem(index, mouseX, mouseY, width)
                    onClicked: root.open(modelData.name, modelData.active)
                }
            }
        }
    }

    QPopMenu {
        id: pop
        onClickedBtn: root.open(name, active)
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import "theme"

// A row of exclusive buttons. An item with menuItems gets an arrow that opens
// a menu of its sub-items; picking one selects the item and takes over the
// sub-item's name and flag.
Rectangle {
    id: root
    property var datamodel: ListModel {}
    property int indextemp: 0
    property int style: 0
    property int item_height: 25
    property int menu_width: 60
    property int menu_item_height: 25
    property int menu_align: Text.AlignHCenter
    property color select_color: Theme.selectedColor
    property color select_color_hovered: Theme.selectedColor
    property color item_color: Theme.buttonColor
    property color item_color_hovered: Theme.buttonHoverColor
    property int font_pixelSize: Theme.buttonFontSize
    property int more_btn_width: 20
    signal btnClicked(var flag)
    signal btnDClicked(var flag)

    color: Theme.buttonColor
    height: item_height

    function visibleCount() {
        var n = 0;
        for (var i = 0; i < datamodel.count; ++i)
            if (datamodel.get(i).show !== false)
                ++n;
        return n;
    }
    function itemWidth(i) {
        if (style === 0)
            return datamodel.get(i).item_width || 0;
        if (style === 2)
            return 100;
        var n = visibleCount();
        return n > 0 ? width / n : 0;
    }
    function sameFlag(a, b) {
        if (a !== null && typeof a === "object")
            return b !== null && typeof b === "object" ? a.name === b.name : a.name === b;
        return String(a) === String(b);
    }
    function indexOfFlag(flag) {
        for (var i = 0; i < datamodel.count; ++i)
            if (sameFlag(datamodel.get(i).flag, flag))
                return i;
        return -1;
    }
    function select(i) {
        indextemp = i;
        for (var j = 0; j < datamodel.count; ++j)
            datamodel.setProperty(j, "select", j === i);
    }
    function itemAdded(obj) { datamodel.append(obj); }
    function itemRemoved(flag) {
        var i = indexOfFlag(flag);
        if (i >= 0)
            datamodel.remove(i);
    }
    function itemUpdate(old, name, flag) {
        var i = indexOfFlag(old);
        if (i < 0)
            return;
        datamodel.setProperty(i, "name", name);
        datamodel.setProperty(i, "flag", flag);
    }
    function pickSubItem(i, sub) {
        select(i);
        datamodel.setProperty(i, "name", sub.name);
        datamodel.setProperty(i, "flag", sub.flag);
        btnClicked(sub.flag);
    }

    Row {
        height: parent.height
        Repeater {
            model: root.datamodel
            delegate: Item {
                id: cell
                property int itemIndex: index
                // Read from the model itself: a role that only later items bring
                // (menuItems) is missing from the delegate's own model object.
                property var subItems: root.datamodel.get(index) ? root.datamodel.get(index).menuItems : undefined
                visible: model.show !== false
                width: visible ? root.itemWidth(index) : 0
                height: root.height
                property bool hasMenu: subItems !== undefined && subItems !== null && subItems.count > 0
                Rectangle { visible: index > 0; width: 1; height: parent.height; color: Theme.lineColor }
                Rectangle {
                    x: index > 0 ? 1 : 0
                    width: parent.width - x - (parent.hasMenu ? root.more_btn_width : 0)
                    height: parent.height
                    color: index === root.indextemp ? (area.containsMouse ? root.select_color_hovered : root.select_color)
                                                    : (area.containsMouse ? root.item_color_hovered : root.item_color)
                    Text {
                        anchors.centerIn: parent
                        text: model.name
                        textFormat: Text.PlainText
                        color: Theme.textColor
                        font.family: Theme.fontFamily
                        font.pixelSize: root.font_pixelSize
                    }
                    MouseArea {
                        id: area
                        anchors.fill: parent
                        hoverEnabled: true
                        onClicked: { root.select(index); root.btnClicked(model.flag); }
                        onDoubleClicked: root.btnDClicked(model.flag)
                    }
                }
                Rectangle {
                    id: arrow
                    objectName: "menuArrow"
                    visible: parent.hasMenu
                    anchors.right: parent.right
                    width: root.more_btn_width
                    height: parent.height
                    color: arrowArea.containsMouse ? root.item_color_hovered : root.item_color
                    Image { anchors.centerIn: parent; width: 13; height: 13; source: "qrc:/images/down_2.png" }
                    MouseArea { id: arrowArea; anchors.fill: parent; hoverEnabled: true; onClicked: subMenu.popup(arrow, 0, arrow.height) }
                }
                // Dark like the window, as the right-click menus are.
                Menu {
                    id: subMenu
                    objectName: "subMenu"
                    width: root.menu_width
                    background: QRMenuBg { implicitWidth: root.menu_width }
                    Repeater {
                        model: cell.hasMenu ? cell.subItems : null
                        delegate: MenuItem {
                            id: subItem
                            width: root.menu_width
                            height: root.menu_item_height
                            text: model.name
                            onTriggered: root.pickSubItem(cell.itemIndex, { name: model.name, flag: model.flag })
                            contentItem: Text {
                                text: subItem.text
                                textFormat: Text.PlainText
                                color: Theme.textColor
                                font.family: Theme.fontFamily
                                font.pixelSize: root.font_pixelSize
                                horizontalAlignment: root.menu_align
                                verticalAlignment: Text.AlignVCenter
                                elide: Text.ElideRight
                            }
                            background: Rectangle { color: subItem.highlighted ? Theme.menuHighlightColor : Theme.noColor }
                        }
                    }
                }
            }
        }
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import "qrc:/qml/js/menu.js" as Menu
import "theme"

// Drop-down of one top-level menu item: for each section a title row
// "• name" (when named) and its entries in a grid of three columns. Hover and
// click are mapped to an entry by row and column.
Popup {
    id: root
    property var sections: []         // normalised sections of js/menu.js
    property int hoverSection: -1
    property int hoverIndex: -1
    // True while the pointer is over the drop-down.
    readonly property bool containsMouse: area.containsMouse
    signal clickedBtn(string name, string active)

    width: 320
    height: Menu.popMenuHeight(sections)
    padding: 0
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent
    background: Item {}

    function setHover(x, y) {
        var hit = Menu.hitEntry(sections, width, x, y);
        hoverSection = hit ? hit.section : -1;
        hoverIndex = hit ? hit.index : -1;
    }
    // Emits clickedBtn for the entry under (x, y); false when there is none.
    function clickAt(x, y) {
        var hit = Menu.hitEntry(sections, width, x, y);
        if (!hit)
            return false;
        var e = sections[hit.section].menus[hit.index];
        close();
        clickedBtn(e.name, e.active);
        return true;
    }
    onClosed: { hoverSection = -1; hoverIndex = -1; }

    contentItem: Item {
        Image {
            x: 30
            y: 0
            width: 16; height: 10
            source: "qrc:/images/menubar/arrow.png"
        }
        Rectangle {
            y: 10
            width: parent.width
            height: parent.height - 10
            color: Theme.buttonColor
            border.color: Theme.hoverColor
        }
        Column {
            y: 10
            width: parent.width
            Repeater {
                model: root.sections
                delegate: Column {
                    property int sectionIndex: index
                    property var section: modelData
                    width: root.width
                    Item {
                        width: parent.width
                        height: 31
                        Text {
                            visible: section.name !== ""
                            x: 10
                            height: 30
                            verticalAlignment: Text.AlignVCenter
                            text: "• " + section.name
                            color: Theme.menuHoverTextColor
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.menuFontSize
                        }
                        Rectangle { y: 30; width: parent.width; height: 1; color: Theme.buttonBorderColor }
                    }
                    Grid {
                        columns: 3
                        Repeater {
                            model: section.menus
                            delegate: Text {
                                width: root.width / 3
                                height: 30
                                verticalAlignment: Text.AlignVCenter
                                elide: Text.ElideRight
                                text: "  " + modelData.name
                                color: root.hoverSection === sectionIndex && root.hoverIndex === index ? Theme.menuHoverTextColor : Theme.textColor
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.menuFontSize
                            }
                        }
                    }
                }
            }
        }
        MouseArea {
            id: area
            anchors.fill: parent
            hoverEnabled: true
            onPositionChanged: root.setHover(mouse.x, mouse.y)
            onClicked: root.clickAt(mouse.x, mouse.y)
            onExited: root.close()
        }
    }
}

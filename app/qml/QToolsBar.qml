import QtQuick 2.15
import QtQuick.Controls 2.15
import "qrc:/qml/js/ToolsBar.js" as Bar
import "theme"

// A row of fixed-width items; those that do not fit go to an overflow menu
// opened by the "more" button.
Rectangle {
    id: root
    property var model_: ListModel {}
    property int item_width: 60
    property int leftPadding: 0
    property int rightPadding: 25
    property int more_style: 0
    property int style: 0          // 0 multiple choice, 1 single choice, 2 no selection
    property int show_style: 0     // 1 shows icons
    property int font_pixelSize: 12
    property int font_weight: Font.Normal
    property color bg_color: Theme.toolRowColor
    property color hovered_color: Theme.selectedColor
    property color select_bg_color: Theme.frameBorderColor
    property color select_hovered_color: Theme.toolSelectedHoverColor
    property color spacing_color: Theme.buttonBorderColor
    property color text_color: Theme.textColor
    property int show_count: 0
    property alias moreMenu: menu
    // Per-item widths (QAutoToolsBar); null: every item is item_width wide.
    property var itemWidths: null
    property int menu_width: 100
    signal clickedItem(int index)

    color: bg_color

    function computeShowCount() {
        return Bar.fixedShowCount(width, leftPadding, rightPadding, item_width);
    }
    function updateShowCount() {
        show_count = computeShowCount();
        menu.close();
        Bar.mirror(model_, overflowModel, show_count);
    }
    function onChange(index, bStopEmit) {
        Bar.change(model_, overflowModel, show_count, style, index);
        if (!bStopEmit)
            clickedItem(index);
    }
    function getSelectIndexs() { return Bar.selectIndexes(model_); }
    function getFirstSelectIndex() { return Bar.firstSelectIndex(model_); }

    onWidthChanged: updateShowCount()
    Component.onCompleted: updateShowCount()
    Connections {
        target: root.model_
        function onCountChanged() { Bar.mirror(root.model_, overflowModel, root.show_count); }
    }

    ListModel { id: overflowModel }

    Row {
        x: root.leftPadding
        height: parent.height
        Repeater {
            model: root.model_
            delegate: Rectangle {
                visible: index < root.show_count
                width: root.itemWidths ? (root.itemWidths[index] || 0) : root.item_width
                height: root.height
                color: select ? (area.containsMouse ? root.select_hovered_color : root.select_bg_color)
                              : (area.containsMouse ? root.hovered_color : root.bg_color)
                Rectangle { visible: index > 0; width: 1; height: parent.height; color: root.spacing_color }
                Row {
                    anchors.centerIn: parent
                    spacing: 4
                    Image { visible: root.show_style === 1 && !!model.image; source: model.image ? model.image : "" }
                    Text {
                        text: model.name
                        textFormat: Text.PlainText
                        color: root.text_color
                        font.family: Theme.fontFamily
                        font.pixelSize: root.font_pixelSize
                        font.weight: root.font_weight
                    }
                }
                MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; onClicked: root.onChange(index, false) }
            }
        }
    }

    Rectangle {
        id: moreButton
        visible: root.show_count < root.model_.count
        anchors.right: parent.right
        width: root.rightPadding
        height: parent.height
        color: moreArea.containsMouse ? root.hovered_color : root.bg_color
        Text { visible: root.more_style === 0; anchors.centerIn: parent; text: ">"; color: root.text_color }
        Image { visible: root.more_style === 1; anchors.centerIn: parent; source: "qrc:/images/right.png" }
        MouseArea {
            id: moreArea
            anchors.fill: parent
            hoverEnabled: true
            onClicked: menu.popup(moreButton, moreButton.width / 2, moreButton.height / 2 + 25)
        }
    }

    Menu {
        id: menu
        background: QRMenuBg { implicitWidth: root.menu_width }
        Repeater {
            model: overflowModel
            delegate: QRMenuItem {
                width: root.menu_width
                name: model.name
                select: model.select
                onTriggered: root.onChange(model.index, false)
            }
        }
    }
}

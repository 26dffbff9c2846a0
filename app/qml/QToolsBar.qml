import QtQuick 2.15
import QtQuick.Controls 2.15
import "qrc:/qml/js/ToolsBar.js" as Bar
import "theme"

// A row of fixed-width items; those that do not fit go to an overflow menu
// opened by the "more" button. Both show the one model: the row makes only
// the items that fit, the menu is a scrolled list that makes only the rows in
// sight, so that a bar of thousands of items is built and changed at the cost
// of the few on screen.
Rectangle {
    id: root
    property var model_: ListModel {}
    property int item_width: 60
    property int leftPadding: 0
    property int rightPadding: 25
    property int more_style: 0
    property int style: 0          // 0 multiple choice, 1 single choice, 2 no selection
    property int show_style: 0     // 1 shows icons
    property int font_pixelSize: Theme.toolFontSize
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
    // What an overflow entry adds to its name's width, and the font it
    // names in (QRMenuItem's): measured, not guessed.
    readonly property int menuEntryChrome: Math.ceil(entryProbe.leftPadding + 20 + entryProbe.rightPadding) + 12
    readonly property font menuEntryFont: entryProbe.font
    // The overflow menu shows at most this many rows at a time and scrolls.
    property int menu_rows: 20
    signal clickedItem(int index)

    color: bg_color

    function computeShowCount() {
        return Bar.fixedShowCount(width, leftPadding, rightPadding, item_width);
    }
    function updateShowCount() {
        show_count = computeShowCount();
        menu.close();
        // The row never scrolls: a model refilled in place, or a width that
        // changed with it, must not leave its first buttons out of sight.
        row.positionViewAtBeginning();
    }
    // Single choice: the chosen index once known (-2: not known), so that a
    // click on a long bar rewrites two items, not all of them. Any change of
    // the model that the bar did not make itself forgets it.
    property int chosen_: -2
    property bool changing_: false
    function onChange(index, bStopEmit) {
        changing_ = true;
        if (style === 1 && chosen_ !== -2 && index >= 0 && index < model_.count) {
            if (chosen_ >= 0 && chosen_ !== index && chosen_ < model_.count)
                model_.setProperty(chosen_, "select", false);
            if (!model_.get(index).select)
                model_.setProperty(index, "select", true);
        } else {
            Bar.change(model_, null, show_count, style, index);
        }
        changing_ = false;
        chosen_ = style === 1 && index >= 0 && index < model_.count ? index : -2;
        if (!bStopEmit)
            clickedItem(index);
    }
    function getSelectIndexs() { return Bar.selectIndexes(model_); }
    function getFirstSelectIndex() {
        if (style === 1 && chosen_ !== -2)
            return chosen_;
        var i = Bar.firstSelectIndex(model_);
        if (style === 1)
            chosen_ = i;
        return i;
    }
    onModel_Changed: chosen_ = -2
    onStyleChanged: chosen_ = -2
    Connections {
        target: root.model_
        function onCountChanged() { root.chosen_ = -2; }
        function onDataChanged() {
            if (!root.changing_)
                root.chosen_ = -2;
        }
    }

    onWidthChanged: updateShowCount()
    Component.onCompleted: updateShowCount()
    ListView {
        id: row
        objectName: "barRow"
        x: root.leftPadding
        height: parent.height
        width: Bar.shownWidth(root.itemWidths, root.item_width, Math.min(root.show_count, root.model_.count))
        orientation: ListView.Horizontal
        interactive: false
        boundsBehavior: Flickable.StopAtBounds
        // No current item for the view to scroll to.
        currentIndex: -1
        highlightFollowsCurrentItem: false
        cacheBuffer: 0
        onCountChanged: positionViewAtBeginning()
        clip: true
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

    Rectangle {
        id: moreButton
        objectName: "moreButton"
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

    QRMenuItem { id: entryProbe; visible: false }

    // The items from show_count on; the ones before it have no height.
    Menu {
        id: menu
        background: QRMenuBg { implicitWidth: root.menu_width }
        contentItem: ListView {
            id: overflowList
            objectName: "overflowList"
            implicitWidth: root.menu_width
            implicitHeight: Math.min(Math.max(0, root.model_.count - root.show_count), root.menu_rows) * 25
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            model: menu.visible ? root.model_ : null
            ScrollBar.vertical: ScrollBar { policy: overflowList.contentHeight > overflowList.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded }
            delegate: QRMenuItem {
                visible: index >= root.show_count
                width: root.menu_width
                height: visible ? 25 : 0
                hoverEnabled: true
                highlighted: hovered
                name: model.name
                select: !!model.select
                // Closing drops the list's rows, this one too: it goes last.
                onTriggered: {
                    root.onChange(index, false);
                    root.moreMenu.close();   // (`menu` here is the item's own)
                }
            }
        }
    }
}

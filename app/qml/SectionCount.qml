import QtQuick 2.15
import HUtil 1.0
import "theme"

// One rise-and-fall distribution: twelve rows of name, section, a bar of the
// row's share of the largest count, and the count. Rows come from a list with
// a ratio role (the back end's) or from an IndexSectionCountModel.
ListView {
    id: root
    property int selectIndex: -1
    readonly property real rowHeight: height / 12
    // The name and count size; the section is a pixel smaller.
    property int textSize: 14
    interactive: false
    clip: true
    HUtil { id: hutil }

    function ratioOf(index, r) {
        if (r !== undefined && r !== null)
            return Number(r) || 0;
        return model && model.getCurRatio ? model.getCurRatio(index) : 0;
    }

    delegate: Rectangle {
        id: row
        width: root.width
        height: root.rowHeight
        color: area.containsMouse || root.selectIndex === index ? Theme.rowHoverColor : Theme.background
        readonly property color tint: hutil.getPriceColor(Number(model.type), 0)
        readonly property real barSpace: Math.max(0, width - 20 - 35 - 50 - 35 - 10)
        Text {
            x: 10; width: 35; height: parent.height
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: root.textSize
            color: Theme.labelTextColor
            text: model.name
        }
        Text {
            x: 45; width: 50; height: parent.height
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: root.textSize - 1
            // Long sections ("-7~-9.9%") shrink to their 50 px.
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 9
            color: row.tint
            text: model.section
        }
        Rectangle {
            objectName: "bar"
            x: 100
            y: row.height / 4
            height: row.height / 2
            width: Math.max(1, row.barSpace * root.ratioOf(index, model.ratio))
            color: row.tint
        }
        Text {
            x: row.width - 10 - 35; width: 35; height: parent.height
            horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: root.textSize
            color: row.tint
            text: model.count
        }
        MouseArea {
            id: area
            anchors.fill: parent
            hoverEnabled: true
            onClicked: root.selectIndex = index
            onDoubleClicked: root.selectIndex = index
        }
    }
}

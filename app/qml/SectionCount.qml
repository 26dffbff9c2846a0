import QtQuick 2.15
import HUtil 1.0
import "theme"
import "qrc:/qml/js/HomeView.js" as Home

// One rise-and-fall distribution: twelve rows of name, section, a bar of the
// row's share of the largest count, and the count. Rows come from a list with
// a ratio role (the back end's) or from an IndexSectionCountModel.
ListView {
    id: root
    property int selectIndex: -1
    readonly property real rowHeight: height / 12
    // The name and count size; the section is a pixel smaller.
    property int textSize: Theme.quoteFontSize
    interactive: false
    clip: true
    HUtil { id: hutil }

    function ratioOf(index, r) {
        if (r !== undefined && r !== null)
            return Number(r) || 0;
        return model && model.getCurRatio ? model.getCurRatio(index) : 0;
    }

    // The columns follow the panel's width (Home.sectionRowLayout).
    readonly property var columns: Home.sectionRowLayout(width)

    delegate: Rectangle {
        id: row
        width: root.width
        height: root.rowHeight
        color: area.containsMouse || root.selectIndex === index ? Theme.rowHoverColor : Theme.background
        readonly property color tint: hutil.getPriceColor(Number(model.type), 0)
        readonly property var c: root.columns
        // With the bar along the foot, the texts take the row above it.
        readonly property real textHeight: c.barBelow ? height * 0.75 : height
        Text {
            objectName: "name"
            x: row.c.nameX; width: row.c.nameW; height: row.textHeight
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: root.textSize
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: Theme.leastFitFontSize
            clip: true
            color: Theme.labelTextColor
            text: model.name
        }
        Text {
            objectName: "section"
            visible: row.c.section
            x: row.c.sectionX; width: row.c.sectionW; height: parent.height
            verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: root.textSize - 1
            // Long sections ("-7~-9.9%") shrink to their 50 px.
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: Theme.leastFitSectionFontSize
            color: row.tint
            text: model.section
        }
        Rectangle {
            objectName: "bar"
            x: row.c.barX
            y: row.c.barBelow ? row.textHeight : row.height / 4
            height: row.c.barBelow ? Math.max(2, row.height / 5) : row.height / 2
            width: Math.max(1, row.c.barSpace * root.ratioOf(index, model.ratio))
            color: row.tint
        }
        Text {
            objectName: "count"
            x: row.c.countX; width: row.c.countW; height: row.textHeight
            horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter
            font.family: Theme.fontFamily; font.pixelSize: root.textSize
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: Theme.leastFitFontSize
            clip: true
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

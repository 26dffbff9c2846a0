import QtQuick 2.15
import "theme"

// A titled distribution panel of the home view.
Rectangle {
    id: root
    property string title: ""
    // Shown instead of the title when the panel is too narrow for it.
    property string shortTitle: title
    property alias model: list.model
    property int titleHeight: 30
    color: Theme.background
    TextMetrics { id: fullTitle; font: titleText.font; text: root.title }
    Text {
        id: titleText
        objectName: "title"
        x: root.width >= 110 ? 10 : 3
        width: Math.max(0, root.width - 2 * x)
        height: root.titleHeight
        verticalAlignment: Text.AlignVCenter
        font.family: Theme.fontFamily
        font.pixelSize: Theme.paneTitleFontSize
        // Never into the next panel: the short title, shrunk if need be.
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: Theme.leastFitTitleFontSize
        elide: Text.ElideRight
        clip: true
        color: Theme.textColor
        text: fullTitle.advanceWidth <= width ? root.title : root.shortTitle
    }
    SectionCount {
        id: list
        objectName: "sectionList"
        y: root.titleHeight
        width: root.width
        height: Math.max(0, root.height - root.titleHeight)
    }
}

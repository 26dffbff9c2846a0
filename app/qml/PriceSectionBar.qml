import QtQuick 2.15
import "theme"

// A 20-pixel section bar of the quote panels; a fold image or a link at the right.
Rectangle {
    id: bar
    property string title
    property int foldImgType: -1   // -1: no fold image; else 0 open, 1 folded
    property string linkText
    signal foldClicked()
    signal linkClicked()
    width: 280
    height: 20
    color: Theme.sectionBackground
    Text { x: 10; anchors.verticalCenter: parent.verticalCenter; text: bar.title; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize }
    Image {
        visible: bar.foldImgType >= 0
        anchors.right: parent.right; anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        width: 13; height: 13
        source: bar.foldImgType === 1 ? "qrc:/images/down_2.png" : "qrc:/images/up_2.png"
        MouseArea { anchors.fill: parent; anchors.margins: -4; onClicked: bar.foldClicked() }
    }
    LinkButton {
        visible: bar.linkText !== ""
        anchors.right: parent.right; anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        text: bar.linkText
        normalColor: Theme.labelTextColor
        hoverColor: Theme.actionColor
        font.family: Theme.fontFamily; font.pixelSize: Theme.captionFontSize
        onClicked: bar.linkClicked()
    }
}

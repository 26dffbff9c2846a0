import QtQuick 2.15
import "theme"

// One line of text.
Rectangle {
    property string text_
    property color text_color: Theme.textColor
    property int horizontalAlignment: Text.AlignHCenter
    property int verticalAlignment: Text.AlignVCenter
    property int font_pixelSize: Theme.toolFontSize
    color: Theme.noColor
    Text {
        anchors.fill: parent
        text: parent.text_
        color: parent.text_color
        horizontalAlignment: parent.horizontalAlignment
        verticalAlignment: parent.verticalAlignment
        font.family: Theme.fontFamily
        font.pixelSize: parent.font_pixelSize
    }
}

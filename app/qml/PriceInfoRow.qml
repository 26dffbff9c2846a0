import QtQuick 2.15
import "theme"

// One row of two label/value pairs of the quote panels: labels take 2/10 of
// the width, values 3/10.
Row {
    id: row
    property string label1
    property string value1
    property color color1: Theme.quoteLabelColor
    property string label2
    property string value2
    property color color2: Theme.quoteLabelColor
    width: 280
    height: 20
    Text { width: row.width * 0.2; height: row.height; leftPadding: 10; text: row.label1; color: Theme.labelTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize; verticalAlignment: Text.AlignVCenter }
    Text { width: row.width * 0.3; height: row.height; rightPadding: 6; text: row.value1; color: row.color1; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize; horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter }
    Text { width: row.width * 0.2; height: row.height; leftPadding: 10; text: row.label2; color: Theme.labelTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize; verticalAlignment: Text.AlignVCenter }
    Text { width: row.width * 0.3; height: row.height; rightPadding: 10; text: row.value2; color: row.color2; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize; horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter }
}

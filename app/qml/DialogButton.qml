import QtQuick 2.15
import "theme"

// The bordered button of the dark dialogs (退出, 重置, the alert's answers).
FlatButton {
    border.color: Theme.hoverColor
    font.family: Theme.songFontFamily
    font.pixelSize: Theme.buttonFontSize
}

import QtQuick 2.15
import "theme"

// A one-sign button on a bar or a row (✕, —, □, +, −, >): no plate until
// the mouse is over it.
FlatButton {
    property string glyph
    text: glyph
    normalColor: Theme.noColor
    font.pixelSize: Theme.buttonFontSize
}

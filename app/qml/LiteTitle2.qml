import QtQuick 2.15

// One line of text of the given height.
LiteTitle {
    property int height_: 25
    property int font_weight: Font.Normal
    height: height_
    Component.onCompleted: children[0].font.weight = Qt.binding(function () { return font_weight; })
}

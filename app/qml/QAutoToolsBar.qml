import QtQuick 2.15
import HUtil 1.0
import "qrc:/qml/js/ToolsBar.js" as Bar
import "theme"

// A QToolsBar whose items are as wide as their text plus 10; the overflow menu
// is as wide as the widest text plus 35.
QToolsBar {
    id: root
    property var textWidths: []

    HUtil { id: util }

    function measure() {
        var widths = [];
        var widest = 0;
        for (var i = 0; i < model_.count; ++i) {
            var w = util.stringWidth(model_.get(i).name, Theme.fontFamily, font_pixelSize, font_weight);
            widths.push(w);
            widest = Math.max(widest, w);
        }
        textWidths = widths;
        itemWidths = widths.map(function (w) { return w + 10; });
        menu_width = widest + 35;
    }
    function computeShowCount() {
        return Bar.autoShowCount(textWidths, width, leftPadding, rightPadding);
    }
    function updateModel_(model) {
        model_ = model;
        measure();
        updateShowCount();
    }
    Component.onCompleted: { measure(); updateShowCount(); }
}

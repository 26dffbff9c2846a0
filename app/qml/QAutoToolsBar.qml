import QtQuick 2.15
import HUtil 1.0
import "qrc:/qml/js/ToolsBar.js" as Bar
import "theme"

// A QToolsBar whose items are as wide as their text plus 10; the overflow menu
// is as wide as its widest entry as the menu lays it out (the entries' own font,
// the tick column, the paddings and the scroll bar).
QToolsBar {
    id: root
    property var textWidths: []

    HUtil { id: util }

    function measure() {
        var widths = [];
        var widestEntry = 0;
        for (var i = 0; i < model_.count; ++i) {
            var name = model_.get(i).name;
            widths.push(util.stringWidth(name, Theme.fontFamily, font_pixelSize, font_weight));
            widestEntry = Math.max(widestEntry, util.stringWidth(name, menuEntryFont.family, menuEntryFont.pixelSize,
                                                                 menuEntryFont.weight));
        }
        textWidths = widths;
        itemWidths = widths.map(function (w) { return w + 10; });
        menu_width = Math.ceil(widestEntry) + menuEntryChrome;
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

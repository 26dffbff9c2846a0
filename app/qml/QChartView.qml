import QtQuick 2.15
import "theme"

// A tile of the chart grids: a title strip over a mini chart. The border
// shows whether the tile is the selected one.
Rectangle {
    id: root
    property bool select_: false
    property alias title: titleStrip.text_
    property alias chart: chart

    signal changeToMQView(var codeInfo)
    signal selectChange(var self)

    color: Theme.chartBackground
    border.width: 1
    border.color: select_ ? Theme.selectedColor : Theme.buttonColor

    LiteTitle {
        id: titleStrip
        objectName: "tileTitle"
        x: 1
        y: 1
        width: Math.max(0, root.width - 2)
        height: 20
        color: Theme.toolRowColor
        font_pixelSize: Theme.chartTitleFontSize
    }

    HomeIndexView {
        id: chart
        objectName: "tileChart"
        x: 1
        y: titleStrip.y + titleStrip.height
        width: Math.max(0, root.width - 2)
        height: Math.max(0, root.height - y - 1)
        onSelected: {
            root.setSelect(true);
            root.selectChange(root);
        }
        onChangeToMQView: function (info) { root.changeToMQView(info); }
    }

    function getKLineData(info) { chart.getKLineData(info); }
    function getMLineData(info) { chart.getMLineData(info); }
    function syncMainFormula(fname) { chart.syncMainFormula(fname); }
    function syncSubFormula(fname) { chart.syncSubFormula(fname); }
    // The formulas of the next chart the tile loads.
    function setMainFormula(fname) { chart.mainFormula = fname; }
    function setSubFormula(fname) { chart.subFormula = fname; }
    function setTitle(text) { titleStrip.text_ = text; }
    function clear() { chart.cancel(); chart.clear(); }
    function cancel() { chart.cancel(); }
    function setSelect(b) { select_ = b; }
    function isSelect() { return select_; }
}

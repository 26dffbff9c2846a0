import QtQuick 2.15
import "qrc:/qml/js/MQChartFormula.js" as JSFormula
import "qrc:/qml/js/Database.js" as Sql
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The overlay stocks (superposition) of the stock view's main pane: each one
// a further layer of the main pane with its own bars, colour and legend
// name, kept per chart kind in superposition.json; the picker window adds and
// removes them.
Item {
    id: root
    width: 0
    height: 0

    property var mqModel: null
    // The chart area (QView.qml) whose main pane takes the overlays.
    property var chartArea: null
    property string chartKind: "mline"
    property int cycle: QuoteCodes.KLINE_DAY
    // Where the picker window is made.
    property var popupParent: null

    // The last message for the user ("" when none).
    property string message: ""
    // The layer index of the last overlay (a running counter).
    property int superIndex: 0
    // The overlays' names in their legend colours: rows {name, colour}.
    property var legend: ListModel {}
    // The picker (QSuperpositionEdit.qml), made when first opened.
    property var superEdit: null

    // A refusal the user must read.
    signal notice(string text)

    function isKLine() { return chartKind === "kline"; }

    // An empty code clears those of this chart kind, "*" opens the picker;
    // any other stock is added as the next layer.
    function superposition(code, market) {
        if (code === "") {
            clear();
            JSFormula.clearSuperposition(chartKind);
            return;
        }
        if (code === "*") {
            openPicker();
            return;
        }
        var r = JSFormula.addSuperposition(chartKind, code, market);
        if (r === "full") {
            message = "已经达到最大叠加数量";
            notice(message);
        }
        if (r === "added")
            showOne(code, market);
    }

    // Every overlay layer away from the main pane (the file stays).
    function clear() {
        mqModel.cancelOtherKLine(0);
        mqModel.cancelOtherMinute(0);
        chartArea.mainChart.clearFormula(true);
        chartArea.mainChart.removeSubFChart(1);
        superIndex = 0;
        legend.clear();
    }

    function openPicker() {
        if (!superEdit) {
            var c = Qt.createComponent("qrc:/qml/QSuperpositionEdit.qml");
            if (c.status !== Component.Ready)
                return;
            superEdit = c.createObject(popupParent || root, {});
            if (!superEdit)
                return;
            superEdit.addSuperChart.connect(function (code, market, chart) {
                if (chart === root.chartKind)
                    root.superposition(String(code), Number(market));
            });
            superEdit.removeSuperChart.connect(function (code, market, chart) {
                if (chart === root.chartKind)
                    root.remove(String(code), Number(market));
            });
        }
        superEdit.show(chartKind);
    }

    // One overlay less: the others are laid again from the file.
    function remove(code, market) {
        if (!JSFormula.removeSuperposition(chartKind, code, market))
            return;
        clear();
        showSaved();
    }

    function stockName(code, market) { return Sql.stockName(String(code), Number(market), String(code)); }

    function showOne(code, market) {
        superIndex += 1;
        var index = superIndex;
        var at = (index - 1) % Theme.overlayColors.length;
        var main = chartArea.mainChart;
        if (isKLine()) {
            main.addFormula(index, "SKLINE", "NO", "NO", Theme.overlayColors[at]);
            mqModel.getKLineData(String(code), Number(market), Math.max(main.getPointCount(0), 512), cycle, index);
        } else {
            main.addFormula(index, "SMLINE", "MSCALES", "MCROSSHAIR", Theme.overlayColors[at]);
            mqModel.getMinuteData(String(code), Number(market), index);
        }
        legend.append({ name: stockName(code, market), colour: Theme.overlayLegendColors[at] });
    }

    // The saved overlays of this chart kind, laid anew.
    function showSaved() {
        superIndex = 0;
        legend.clear();
        var overlays = JSFormula.getSuperposition(chartKind);
        for (var i = 0; i < overlays.length; ++i)
            showOne(overlays[i].code, overlays[i].market);
    }
}

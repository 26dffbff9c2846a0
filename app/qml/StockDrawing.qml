import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Dialogs 1.3
import QtQuick.Window 2.15
import "qrc:/qml/js/RMenu.js" as RMenu
import "js/QuoteCodes.js" as QuoteCodes

// The stock view's drawing tools and interval statistics: the tool palette,
// the text dialog, the tool menu ("line" / "text") and the statistics window
// over the main pane, and the main pane's drawing file per stock and cycle.
Item {
    id: root
    objectName: "stockDrawing"

    // The chart area (QView.qml) whose main pane carries the drawings.
    property var chartArea: null
    property bool isKLine: false
    // Parent item of the windows' owner: the view.
    property var toolsView: null
    property var textDialog: null
    property var statsDialog: null
    // The identity whose file the main pane shows.
    property string code: ""
    property int market: 0
    property int cycle: QuoteCodes.KLINE_DAY

    readonly property var chart: chartArea ? chartArea.mainChart : null

    // The windows go with the view (the chart saves changed drawings itself).
    Component.onDestruction: {
        var windows = [toolsView, textDialog, statsDialog];
        for (var i = 0; i < windows.length; ++i)
            if (windows[i])
                windows[i].destroy();
    }

    function create(url, props) {
        var c = Qt.createComponent(url);
        if (c.status !== Component.Ready) {
            console.warn(c.errorString());
            return null;
        }
        // Kept in this item's properties, so the script engine does not
        // collect a shown window.
        return c.createObject(null, props || {});
    }

    // The tool row's "画线" and "区间统计".
    function onTool(flag) {
        if (!chart || !isKLine)
            return;
        if (flag === "painttools") {
            openTools();
        } else if (flag === "IntervalStatistics") {
            // The palette closes (saving the drawings): the next drag marks the span.
            if (toolsView && toolsView.visible)
                toolsView.close();
            chart.startIS();
        }
    }

    function openTools() {
        if (!toolsView) {
            // Owned by the chart's window, so it stays above it while open.
            toolsView = create("qrc:/qml/PanintToolsView.qml", { transientParent: root.Window.window });
            if (!toolsView)
                return;
            toolsView.clickedItem.connect(function (flag) {
                if (!root.chart)
                    return;
                root.chart.setPaintBoardActive(true);
                root.chart.setPaintBoardQChart(String(flag));
            });
            // Closed: the drawings are saved and the board stops taking the
            // mouse (unless the statistics window still marks a span).
            toolsView.closeView.connect(function () {
                root.save();
                if (root.chart && !(root.statsDialog && root.statsDialog.visible))
                    root.chart.setPaintBoardActive(false);
            });
            // First shown over the plot's top-left corner, next to what it draws on.
            placeOverChart(toolsView, 64, 24);
        }
        chart.setPaintBoardActive(true);
        toolsView.show();
        toolsView.raise();
    }

    // Puts a new tool window at (dx, dy) of the main pane (dx < 0: from its
    // right edge), inside the screen.
    function placeOverChart(w, dx, dy) {
        var p = chart.mapToGlobal(dx < 0 ? chart.width + dx - w.width : dx, dy);
        w.x = Math.max(0, Math.min(p.x, Screen.desktopAvailableWidth - w.width));
        w.y = Math.max(0, Math.min(p.y, Screen.desktopAvailableHeight - w.height));
    }

    // The drawings of the shown stock and cycle (the file of the one shown
    // before is saved by the chart when it changed).
    function load(aCode, aMarket, aCycle) {
        if (!chart || !isKLine || !aCode)
            return;
        code = aCode;
        market = aMarket;
        cycle = aCycle;
        chart.parsePaintData(code, market, cycle);
    }

    // A minute chart carries no drawings: the K-line's are saved when they
    // changed and the board is emptied.
    function unload() {
        if (!chart || code === "")
            return;
        chart.parsePaintData("", 0, 0);
        code = "";
    }

    function save() {
        if (chart && code !== "")
            chart.savePaintData(code, market, cycle);
    }

    // A menu entry: "color", "width" or "style" (with 1-3 or 1-2), "text" or
    // "delete"; the same as the menu's route.
    function menuAction(op, arg) {
        var q = { operation: op };
        if (op === "width" || op === "style") {
            q.operation = "line";
            q[op] = String(arg);
        }
        routeAction(q);
    }
    // The drawing-tool menu's route: a style command for the tool under the
    // mouse (the colour after the colour dialog); the file is saved after it.
    function routeAction(q) {
        toolMenu.close();
        var c = RMenu.paintStyleCommand(q);
        if (!chart || !c)
            return;
        if (c.askColor) {
            // The dialog starts from the tool's own colour.
            var rgb = chart.getPaintMenuColor();
            if (rgb >= 0)
                colorDialog.color = Qt.rgba(((rgb >> 16) & 255) / 255, ((rgb >> 8) & 255) / 255, (rgb & 255) / 255, 1);
            colorDialog.open();
            return;
        }
        chart.setStyleCommand(c.cmd, 0);
        save();
    }

    function showMenu(type, x, y) {
        var p = chart.mapToItem(root, x, y);
        toolMenu.build(RMenu.paintToolsMenu(type));
        toolMenu.popup(root, p.x, p.y);
    }

    function showText(editP, text, color, font) {
        if (!textDialog) {
            textDialog = create("qrc:/qml/QTextEditDlg.qml");
            if (!textDialog)
                return;
            textDialog.clickedOK.connect(function (t, c, f) {
                if (root.chart) {
                    root.chart.setPaintBoardEditText(textDialog.editId, t, String(c), textDialog.fontString(f));
                    root.save();
                }
            });
            // Over the chart it writes on, as the palette.
            placeOverChart(textDialog, 64, 24);
        }
        textDialog.editId = editP;
        textDialog.setText(text === "请输入文字" ? "" : text);
        textDialog.setColor(color);
        textDialog.setFont(textDialog.fontFromString(font));
        textDialog.show();
        textDialog.setTextFocus(true);
    }

    function showStatistics(json) {
        if (!statsDialog) {
            statsDialog = create("qrc:/qml/QIntervalStatisticsDlg.qml");
            if (!statsDialog)
                return;
            statsDialog.setStartEndDate.connect(function (s, e) { if (root.chart) root.chart.setISStartEnd(s, e); });
            // Closed: the span is given up and the board stops taking the
            // mouse (unless the palette is open).
            statsDialog.clickedClose.connect(function () {
                if (!root.chart)
                    return;
                root.chart.clearIS();
                if (!(root.toolsView && root.toolsView.visible))
                    root.chart.setPaintBoardActive(false);
            });
            placeOverChart(statsDialog, -64, 24);
        }
        statsDialog.setModel(json);
        statsDialog.show();
        statsDialog.raise();
    }

    Connections {
        target: root.chart
        ignoreUnknownSignals: true
        function onShowPaintBoardMenu(self, type, x, y) { root.showMenu(type, x, y); }
        function onShowTextDlg(self, editP, text, color, font_str) { root.showText(editP, text, color, font_str); }
        function onShowIntervalStatistics(json) { root.showStatistics(json); }
    }

    ColorDialog {
        id: colorDialog
        title: "请选颜色"
        onAccepted: {
            if (!root.chart)
                return;
            var c = colorDialog.color;
            root.chart.setStyleCommand(0, (Math.round(c.r * 255) << 16) | (Math.round(c.g * 255) << 8) | Math.round(c.b * 255));
            root.save();
        }
    }

    QRMenu {
        id: toolMenu
        objectName: "toolMenu"
        onPanintToolsMenuClicked: root.routeAction(query_map)
    }
}

import QtQuick 2.15
import TimeBar 1.0
import "theme"
import "js/QuoteCodes.js" as QuoteCodes
import "js/PaneLayout.js" as PaneLayout

// The chart area of the stock view: one main pane over any number of sub
// panes, all made from qchart.qml, and the time bar under them. The main pane
// holds the data; sub panes copy its bars and follow its range.
FocusScope {
    id: root
    property var mainChart: null
    property var subCharts: []
    property int cycle: QuoteCodes.KLINE_DAY
    property var maximisedSub: null  // a sub pane shown alone in the sub panes' room
    // While true, panes are added and removed without laying them out; the
    // layout happens once when it turns false (a stock change keeps the main
    // pane from being resized, and so relaid out, per pane).
    property bool holdLayout: false
    onHoldLayoutChanged: if (!holdLayout) layoutPanes()
    // The crosshair's info pop-up (PPoint.qml), made when the crosshair first shows.
    property var pointPopup: null

    signal pmousePointChange(var src, int x, int y)
    signal preCalcShow(int b, int e, int s, int xpos)
    signal pcrosshairChange(var src, int x, int y)
    signal removeSubChart(var self)
    signal editFormulaPraram(var self, string name)
    signal showTextDlg()
    signal showPaintBoardMenu()
    signal showRMenu(var self, int x, int y)
    signal showIntervalStatistics()
    signal showHistoryMLine(string date, int timestamp)
    signal nextCode()
    signal preCode()
    signal loadMoreKLine()

    Rectangle {
        id: panes
        color: Theme.chartBackground
        width: root.width
        height: Math.max(0, root.height - timeBar.height)
        onHeightChanged: root.layoutPanes()
    }
    TimeBar {
        id: timeBar
        objectName: "timeBar"
        y: panes.height
        width: root.width
        height: 20
    }

    function createPane(objectName) {
        var c = Qt.createComponent("qrc:/qml/qchart.qml");
        if (c.status !== Component.Ready) {
            console.warn(c.errorString());
            return null;
        }
        // The pane stays transparent: its layers paint beneath it (z -1), over
        // the area's own background.
        var p = c.createObject(panes, { objectName: objectName, leftPadding: 80, width: panes.width });
        if (!p)
            return null;
        p.width = Qt.binding(function () { return panes.width; });
        root.pmousePointChange.connect(p.onPmousePointChange);
        root.pcrosshairChange.connect(p.onPcrosshairChange);
        root.preCalcShow.connect(p.onPreCalcShow);
        p.mousePointChange.connect(root.onPaneMouse);
        p.crosshairChange.connect(root.onPaneCrosshair);
        p.reCalcShow.connect(root.preCalcShow);
        p.showRMenu.connect(root.showRMenu);
        p.removeSubChart.connect(root.removeSubChart);
        p.editFormulaPraram.connect(root.editFormulaPraram);
        p.preCode.connect(root.preCode);
        p.nextCode.connect(root.nextCode);
        p.doubleClicked.connect(root.onPaneDoubleClicked);
        return p;
    }

    // A pane going away leaves the view's signals first.
    function releasePane(p) {
        root.pmousePointChange.disconnect(p.onPmousePointChange);
        root.pcrosshairChange.disconnect(p.onPcrosshairChange);
        root.preCalcShow.disconnect(p.onPreCalcShow);
        p.visible = false;
        p.destroy();
    }

    function ensureMain() {
        if (mainChart)
            return mainChart;
        mainChart = createPane("mainQChart");
        if (mainChart) {
            // The main pane carries no settings or close button.
            mainChart.showSetToolsBar(false);
            mainChart.dataUpdate.connect(root.updateTimeBar);
            mainChart.loadQChartExtend();
        }
        layoutPanes();
        return mainChart;
    }

    // Heights the user dragged the splits to: [main, sub 0, sub 1, ...];
    // null for the preferred heights. Forgotten when panes come or go or the
    // area changes size.
    property var dragged: null
    property real draggedFor: 0

    // The panes stacked at PaneLayout's heights.
    function layoutPanes() {
        if (holdLayout)
            return;
        var n = subCharts.length;
        var d = PaneLayout.heights(panes.height, n, dragged, draggedFor, subCharts.indexOf(maximisedSub));
        if (!d.own)
            dragged = null;
        var y = 0;
        if (mainChart) {
            mainChart.y = 0;
            mainChart.height = d.heights[0];
            y = mainChart.height;
        }
        for (var i = 0; i < n; ++i) {
            subCharts[i].y = y;
            subCharts[i].height = d.heights[i + 1];
            y += subCharts[i].height;
        }
    }

    // The split above sub pane k moved by dy pixels from the heights start.
    function moveSplit(k, dy, start) {
        dragged = PaneLayout.split(panes.height, subCharts.length, k, dy, start);
        draggedFor = panes.height;
        maximisedSub = null;
        layoutPanes();
    }
    function paneHeights() {
        var out = [mainChart ? mainChart.height : 0];
        for (var i = 0; i < subCharts.length; ++i)
            out.push(subCharts[i].height);
        return out;
    }

    // A handle on each split between the panes, dragged up or down.
    Repeater {
        model: root.subCharts.length
        delegate: MouseArea {
            objectName: "paneSplit_" + index
            property var start: []
            property real pressY: 0
            x: 0
            y: root.subCharts[index] ? root.subCharts[index].y - 3 : 0
            z: 4
            width: root.width - 60  // clear of the pane's settings buttons
            height: 6
            visible: root.maximisedSub === null
            cursorShape: Qt.SplitVCursor
            preventStealing: true
            onPressed: {
                start = root.paneHeights();
                pressY = mapToItem(root, mouse.x, mouse.y).y;
            }
            onPositionChanged: if (pressed) root.moveSplit(index, mapToItem(root, mouse.x, mouse.y).y - pressY, start)
        }
    }

    function onPaneMouse(src, x, y) { pmousePointChange(src, x, y); }
    // A pane reports its crosshair bar; the others and the time bar take
    // its pixel.
    function onPaneCrosshair(src, pos, y) {
        var px = src.getPointX(pos - src.getBegin());  // the pane counts from its first visible bar
        pcrosshairChange(src, px, y);
        timeBar.setCurX(px);
        timeBar.setCurScales(src.getPosTime(pos));
        timeBar.update();
        refreshPointPopup();
    }
    // The pop-up shows the main pane's bar under the crosshair while the
    // crosshair is shown.
    function refreshPointPopup() {
        var shown = mainChart !== null && mainChart.getShowCrosshairLine();
        if (shown && !pointPopup) {
            var c = Qt.createComponent("qrc:/qml/PPoint.qml");
            if (c.status === Component.Ready)
                pointPopup = c.createObject(root, { objectName: "pointPopup", x: 2, y: 22, z: 5 });
        }
        if (!pointPopup)
            return;
        if (shown) {
            pointPopup.setChartType(mainChart);
            pointPopup.setData(mainChart);
        }
        pointPopup.visible = shown;
    }
    function onPaneDoubleClicked(src, x, y) {
        if (src !== mainChart) {
            maximisedSub = maximisedSub === src ? null : src;
            layoutPanes();
            return;
        }
        if (cycle === QuoteCodes.KLINE_DAY && mainChart.getLineType() === "kline") {
            var pos = mainChart.getCrosshairPos();
            if (pos >= 0 && pos < mainChart.getFirstKLineSize() - 1) {
                var hi = mainChart.getPointY(mainChart.getPosDataF(pos, "high"));
                var lo = mainChart.getPointY(mainChart.getPosDataF(pos, "low"));
                if (y >= Math.min(hi, lo) - 5 && y <= Math.max(hi, lo) + 5) {
                    showHistoryMLine(mainChart.getPosDataS(pos, "date"), mainChart.getPosTime(pos));
                    return;
                }
            }
        }
        changeShowCrosshairLine();
    }

    function addMainChart(fname, s, c) {
        fname = fname || "KLINE";
        var m = ensureMain();
        if (!m)
            return;
        m.clearFormula(false);
        m.addFormula(0, fname, s || "KSCALES", c || "KCROSSHAIR");
        if (fname === "KLINE")
            m.addFormula(0, "MA", "NO", "NO");
    }
    function addMainChartFormula(fname, s, c, index, colour) {
        var m = ensureMain();
        if (m)
            m.addFormula(index || 0, fname, s, c, index > 0 ? colour : undefined);
    }
    function addSubChart(fname, s, c, bStopReset) {
        fname = fname || "VOL";
        var m = ensureMain();
        var p = createPane("subQChart");
        if (!p || !m)
            return null;
        if (bStopReset)
            p.resetBeginEndState(false);
        p.setLineType(m.getLineType());
        p.setCycle(m.getCycle());
        p.addFormula(0, fname, s || "NO", c || "NO");
        // Settings and close on every sub pane but the minute line's and the
        // minute volume's, which carry none.
        p.showSetToolsBar(fname !== "MLINE" && fname !== "分时成交");
        p.showSetToolsBarClose(true);
        followMain(p, m);
        p.bindSyncDataSignal(m, 0);
        var list = subCharts;
        list.push(p);
        subCharts = list;
        layoutPanes();
        return p;
    }
    // A sub pane takes the main pane's bars and range.
    function followMain(p, m) {
        p.setKData(m, 0);
        p.updateReCalcShow(m.getBegin(), m.getEnd(), m.getkShowNumber(), m.getCrosshairPos());
    }
    // Another stock in the same panes: each sub pane keeps its formulas and
    // lets the previous stock's bars go, as a pane made anew would hold none.
    function renewSubCharts() {
        var m = ensureMain();
        maximisedSub = null;
        for (var i = 0; i < subCharts.length; ++i) {
            subCharts[i].clearKData();
            followMain(subCharts[i], m);
        }
    }
    function setMainChartKData() {
        for (var i = 0; i < subCharts.length; ++i)
            subCharts[i].setKData(mainChart, 0);
    }
    function clearMainChart() { if (mainChart) mainChart.clearFormula(false); }
    function clearMainChartFormula(name) { if (mainChart) mainChart.clearFormula(name); }
    function clearMainChartOther(name) { if (mainChart) mainChart.clearFormulaOther(name || ""); }
    function clearMainChartAll() { if (mainChart) { mainChart.clearFormula(false); mainChart.removeSubFChart(1); } }
    function clearSubChart(pane) {
        var list = [];
        for (var i = 0; i < subCharts.length; ++i) {
            if (subCharts[i] === pane)
                releasePane(pane);
            else
                list.push(subCharts[i]);
        }
        subCharts = list;
        layoutPanes();
    }
    function clearSubChartAll() {
        for (var i = 0; i < subCharts.length; ++i)
            releasePane(subCharts[i]);
        subCharts = [];
        layoutPanes();
    }
    function changeShowCrosshairLine() {
        if (!mainChart)
            return;
        var show = !mainChart.getShowCrosshairLine();
        mainChart.setShowCrosshairLine(show);
        for (var i = 0; i < subCharts.length; ++i)
            subCharts[i].setShowCrosshairLine(show);
        if (!show)
            clearTimeLabel();
        refreshPointPopup();
    }
    // The time bar's crosshair label goes with the crosshair.
    function clearTimeLabel() {
        timeBar.setCurScales(0);
        timeBar.update();
    }
    function hideCrosshairLine() {
        if (mainChart)
            mainChart.setShowCrosshairLine(false);
        for (var i = 0; i < subCharts.length; ++i)
            subCharts[i].setShowCrosshairLine(false);
        clearTimeLabel();
        refreshPointPopup();
    }
    function updateTimeBar() {
        if (!mainChart)
            return;
        timeBar.setChartType(mainChart.getLineType());
        timeBar.setChartCycle(cycle);
        timeBar.setScales(mainChart.getTimeBarTime(5));
        timeBar.update();
    }
    function setChartCycle(c) { cycle = c; timeBar.setChartCycle(c); }
    // Drawing tools hook in here when they exist.
    function setStyleCommand(cmd, value) {}
    function setPaintBoardQChart(tool) {}
    function showSetToolsBar(b) {}

    Keys.onPressed: {
        if (!mainChart)
            return;
        var k = PaneLayout.chartKey(event.key, mainChart.getkShowNumber(), mainChart.getMainName());
        if (!k)
            return;
        switch (k.action) {
        case "crosshair":
            var pos = mainChart.getCrosshairPos() + k.step;   // from where it was before it shows
            if (!mainChart.getShowCrosshairLine())
                changeShowCrosshairLine();
            mainChart.updateCrosshairPos(pos);
            updateTimeBar();
            break;
        case "zoom":
            mainChart.setkShowNumber(k.shown);
            if (k.more)
                loadMoreKLine();
            updateTimeBar();
            break;
        case "previous": preCode(); break;
        case "next": nextCode(); break;
        }
        event.accepted = true;
    }
}

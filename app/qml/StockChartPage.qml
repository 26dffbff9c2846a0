import QtQuick 2.15
import QBaseService 1.0
import CChipDistribution 1.0
import "qrc:/qml/js/MQChartFormula.js" as JSFormula
import "qrc:/qml/js/Database.js" as Sql
import "theme"
import "js/QuoteCodes.js" as QuoteCodes
import "js/PaneLayout.js" as PaneLayout

// The chart page of the stock view: the tool row, the chart area (QView.qml:
// main pane, sub panes, time bar) composed from the saved formula layout, the
// overlay legend, the chip panel beside the K-lines and, under the charts, an
// information area (empty unless a panel is put there).
Item {
    id: root
    objectName: "chartPage"

    property var mqModel: null
    // "mline" or "kline".
    property string chartKind: "mline"
    property int cycle: QuoteCodes.KLINE_DAY
    // The view's query (code, market, kcmd, formula_group_name, ...).
    property var query: ({})
    // The overlays' legend rows {name, colour}.
    property var overlayLegend: null
    // The chip panel beside the K-lines ("筹码") or hidden ("明细").
    property bool chipShown: false
    property int chipType: 0
    // Room for a panel under the charts; 0 high while it holds none.
    property alias infoArea: infoArea

    property alias chartArea: qview
    property alias toolRow: toolRow
    property alias chip: chip

    // The windows of the chart page, made when first needed.
    property var paramDialog: null
    property var paramPane: null
    property var historyWindow: null

    signal nextCode()
    signal preCode()
    signal chartTool(string flag)
    signal showRMenu(var self, int x, int y)

    QBaseService { id: baseService }

    StockToolRow {
        id: toolRow
        width: parent.width
        chartKind: root.chartKind
        chipShown: root.chipShown
        onToolClicked: root.chartTool(flag)
        onMainFormulaChosen: root.setMainFormula(name)
        onGroupChosen: root.setFormulaGroup(name)
        onSubChartClicked: root.toggleSubChart(name)
        onChipSwitched: root.showChip(shown)
    }

    QView {
        id: qview
        objectName: "qview"
        anchors.top: toolRow.bottom
        anchors.bottom: infoArea.top
        x: 0
        width: Math.max(0, parent.width - (chipPane.visible ? chipPane.width : 0))
        focus: true
        onNextCode: root.nextCode()
        onPreCode: root.preCode()
        onShowRMenu: root.showRMenu(self, x, y)
        onLoadMoreKLine: if (root.isKLine()) root.mqModel.loadMoreKLine(Math.max(512, qview.mainChart.getkShowNumber()))
        onRemoveSubChart: root.removeSubPane(self)
        onEditFormulaPraram: root.editFormulaParam(self, name)
        onShowHistoryMLine: root.showHistoryMLine(date, timestamp)
    }

    // The overlay stocks' names over the main pane's legend, in their colours.
    Row {
        objectName: "superLegend"
        x: Theme.paneLeftPadding
        y: qview.y + Theme.paneTitleHeight
        spacing: 8
        z: 3
        Repeater {
            model: root.overlayLegend
            Text { text: name; color: colour; font.family: Theme.fontFamily; font.pixelSize: Theme.toolFontSize }
        }
    }

    Rectangle {
        id: chipPane
        objectName: "chipPane"
        anchors.top: toolRow.bottom
        anchors.bottom: infoArea.top
        anchors.right: parent.right
        width: Theme.chipPaneWidth
        visible: root.chipShown && root.isKLine()
        color: Theme.chipBackground
        border.color: Theme.buttonColor
        Row {
            id: chipTypes
            height: Theme.toolRowHeight
            Repeater {
                model: ["黄", "远", "近"]
                Rectangle {
                    objectName: "chipType_" + index
                    width: chipPane.width / 3
                    height: chipTypes.height
                    color: index === root.chipType ? Theme.selectedColor : Theme.buttonColor
                    border.color: Theme.buttonBorderColor
                    Text {
                        anchors.centerIn: parent
                        text: modelData
                        color: Theme.textColor
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.toolFontSize
                    }
                    MouseArea { anchors.fill: parent; onClicked: root.setChipType(index) }
                }
            }
        }
        CChipDistribution {
            id: chip
            objectName: "chip"
            anchors.top: chipTypes.bottom
            anchors.bottom: parent.bottom
            width: parent.width
        }
    }

    // Under the charts, the whole width of the page: the information panel
    // (blocks, fund flow, news, research); its research rows become marks
    // under the K-lines.
    Item {
        id: infoArea
        objectName: "infoArea"
        anchors.bottom: parent.bottom
        width: parent.width
        height: newsView.height
        MQNewsView {
            id: newsView
            width: parent.width
            openHeight: root.height / 3
            onSyncResearchList: root.showResearchMarks(json)
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
    }
    property alias newsView: newsView
    property var researchMarks: null
    signal changeToMQView(var codeInfo)
    onQueryChanged: showInfo()

    function showInfo() {
        var code = String(query.code || "");
        if (code === "")
            return;
        var market = Number(query.market || 0);
        var shown = newsView.codeInfo;
        if (shown && shown.code === code && Number(shown.market) === market)
            return;
        // A route without the stock's type and name: the dictionary has them
        // (before its first download there is no table yet).
        var row = !query.type || !query.name ? Sql.stockRecord(code, market) : null;
        // The previous stock's marks go at once, whatever the new list brings.
        showResearchMarks({ name: "research", data: [] });
        newsView.setCodeInfo({ code: code, market: market, name: String(query.name || (row ? row.name : "")),
                               type: Number(query.type || (row ? row.type : 2)) });
    }
    function showResearchMarks(json) {
        researchMarks = json;
        var ext = qview.mainChart ? qview.mainChart.loadQChartExtend() : null;
        if (!ext)
            return;
        ext.removeExtendData(json.name);
        ext.appendExtendData(json);
    }

    function isKLine() { return chartKind === "kline"; }
    function layoutKey() { return isKLine() ? "kline" : "mline"; }

    // Binds the main pane to the view's model and the chip panel to the main pane.
    function bind() {
        qview.ensureMain().bindDataSignal(mqModel, -1);
        chip.bindSyncDataSignal(qview.mainChart);
    }

    // The panes for the chart kind and cycle, from the saved layout.
    function initChartView() {
        var main = qview.ensureMain();
        if (!main)
            return;
        var layout = JSFormula.getFormulaMap(layoutKey()) || {};
        var keep = keepsSubPanes(layout);
        qview.holdLayout = true;
        if (!keep)
            qview.clearSubChartAll();
        // The previous chart's formulas go first: what follows (cycle, show
        // count) would lay them out again for nothing.
        qview.clearMainChartAll();
        // The next K-line record places the range at the end of its series:
        // the bars of the previous chart are gone with its formulas.
        main.resetBeginEndState(true);
        if (isKLine()) {
            main.setCycle(cycle);
            main.setLineType("kline");
            main.setkShowNumber(120);
            toolRow.fillKLineToolBars();
        } else {
            main.setCycle(0);
            main.setLineType("mline");
            main.setkShowNumber(242);
        }
        qview.setChartCycle(cycle);
        initFormula(layout, keep);
        subPanesFor = subPanesKey(layout);
        qview.holdLayout = false;
        qview.clearTimeLabel();  // the new show count moved the hidden crosshair
    }

    // The sub panes made last: their chart kind, cycle and layout entries.
    property string subPanesFor: ""
    function subPanesKey(layout) {
        return JSON.stringify([layoutKey(), cycle, layout.sub_charts || []]);
    }
    // The sub panes shown are those the layout would make (the usual Page
    // Down to the next stock): they stay and only take the new bars. A
    // formula group of the route lays its own formulas over them.
    function keepsSubPanes(layout) {
        var panes = qview.subCharts.map(function (p) { return { tag: p.name_tag_, formulas: p.getFormulas() }; });
        return PaneLayout.keepsSubPanes(layout.sub_charts || [], panes, subPanesFor === subPanesKey(layout),
                                        isKLine() && !!query.formula_group_name);
    }

    function initFormula(layout, keepSubs) {
        var key = layoutKey();
        var mains = layout.main_charts || [];
        var subs = layout.sub_charts || [];
        // initChartView cleared the main pane already.
        for (var i = 0; i < mains.length; ++i)
            qview.mainChart.addFormula(0, mains[i].fname, mains[i].s, mains[i].c);
        if (keepSubs)
            qview.renewSubCharts();
        else
            for (var j = 0; j < subs.length; ++j)
                qview.addSubChart(subs[j].fname, subs[j].s, subs[j].c, false);
        toolRow.fillSubBar(key);
        if (isKLine() && query.formula_group_name)
            setFormulaGroup(query.formula_group_name);
    }

    // Each formula the user picks goes to the local action log.
    function logFormula(name) {
        try {
            Sql.dbAddActionCmd("FML", String(name));
        } catch (e) {
            // no database yet (the sign-in creates it): nothing to log into
        }
    }

    // The main-chart drop-down: the chosen formula replaces the main pane's
    // overlay formula, in the pane and in the layout.
    function setMainFormula(name) {
        var key = layoutKey();
        qview.clearMainChartOther("");
        JSFormula.removeOtherFormulaMap(key, "main_charts", name);
        JSFormula.addFormulaMap(key, "main_charts", name, "NO", "NO");
        qview.mainChart.addFormula(0, name, "NO", "NO");
        logFormula(name);
    }

    // A formula group: its first formula becomes the main overlay formula, the
    // rest go to the sub panes in order (panes added when needed).
    function setFormulaGroup(groupName) {
        var list = baseService.getFormulaGroup(groupName) || [];
        if (list.length === 0)
            return;
        qview.clearMainChartOther("");
        qview.mainChart.addFormula(0, list[0], "NO", "NO");
        var subs = list.slice(1);
        for (var i = 0; i < subs.length; ++i) {
            if (i < qview.subCharts.length) {
                qview.subCharts[i].replaceFormulaEx(subs[i]);
                qview.subCharts[i].setKData(qview.mainChart, 0);
            } else {
                qview.addSubChart(subs[i], "KSCALES", "KCROSSHAIR", true);
            }
        }
        JSFormula.setFormaulas(layoutKey(), [list[0]], subs);
        for (var j = 0; j < list.length; ++j)
            logFormula(list[j]);
        toolRow.fillSubBar(layoutKey());
    }

    // A sub-chart tool-bar button: adds the formula's pane or removes it.
    function toggleSubChart(name) {
        var key = layoutKey();
        if (JSFormula.isExistFormulaMap(key, "sub_charts", name)) {
            JSFormula.removeFormulaMap(key, "sub_charts", name);
            for (var i = 0; i < qview.subCharts.length; ++i)
                if (qview.subCharts[i].name_tag_ === name) {
                    qview.clearSubChart(qview.subCharts[i]);
                    break;
                }
        } else {
            JSFormula.addFormulaMap(key, "sub_charts", name, "KSCALES", "KCROSSHAIR");
            qview.addSubChart(name, "KSCALES", "KCROSSHAIR", true);
            logFormula(name);
        }
        toolRow.markSubBar(key);
    }

    // A pane's close button: the formula leaves the layout and the pane goes.
    function removeSubPane(pane) {
        JSFormula.removeFormulaMap(layoutKey(), "sub_charts", pane.name_tag_);
        qview.clearSubChart(pane);
        toolRow.markSubBar(layoutKey());
    }

    // A document of the page made when first needed; null while it does not exist.
    function createFrom(url, parent, props) {
        var c = Qt.createComponent(url);
        if (c.status !== Component.Ready)
            return null;
        return c.createObject(parent, props || {});
    }

    // The pane's settings button: the parameter dialog for its formula; the
    // pane reloads its formulas when the dialog reports a change.
    function editFormulaParam(pane, name) {
        if (!paramDialog) {
            paramDialog = createFrom("qrc:/qml/QFormulaParamSet.qml", root);
            if (!paramDialog)
                return;
            paramDialog.formulaParamSetFinal.connect(function () {
                if (root.paramPane)
                    root.paramPane.reLoadFormula();
            });
        }
        paramPane = pane;
        paramDialog.setFormulaName(name);
        paramDialog.visible = true;
    }

    function codeInfo() {
        return { code: String(query.code || ""), market: Number(query.market || 0),
                 name: String(query.name || ""), type: Number(query.type || 0), cycle: cycle };
    }

    // The history minute line of a day bar (day K-lines only).
    function showHistoryMLine(date, timestamp) {
        if (!isKLine() || cycle !== QuoteCodes.KLINE_DAY)
            return;
        if (!historyWindow)
            historyWindow = createFrom("qrc:/qml/HistoryMLine.qml", root);
        if (!historyWindow)
            return;
        historyWindow.getHMLineData(codeInfo(), date, timestamp);
        historyWindow.visible = true;
    }

    function showChip(b) { chipShown = b; }

    function setChipType(t) {
        chipType = t;
        chip.setChipType(String(t));
    }
}

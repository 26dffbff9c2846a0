import QtQuick 2.15
import MQModel 1.0
import HFileIO 1.0
import HRoute 1.0
import QBaseService 1.0
import MultiStockModel 1.0
import "qrc:/qml/js/MQChartFormula.js" as JSFormula

// The stock view: the chart buttons, the chart area (minute chart or K-lines
// of a cycle, panes composed from the saved layout) and the quote panel at
// the right, all fed by one MQModel.
FocusScope {
    id: root
    property var query_map_: ({})
    property string chartKey: "mline_"
    property alias mqModel: model
    property alias qview: qview
    property var subItems: ListModel {}
    readonly property var cycleNames: ({ 33: "日线", 34: "1分", 35: "5分", 36: "15分", 37: "30分", 38: "60分", 39: "周线", 40: "月线" })

    // The last message for the user ("" when none); a message box shows it.
    property string message: ""
    property int superIndex: 0
    readonly property var superColors: [0xFFcccccc, 0xFFA84000, 0xFF009654, 0xFF005496, 0xFF960054]

    signal changeToMQView(var query)

    MQModel { id: model }
    // The stocks of the quote table the view was opened from, in its order.
    property var stockList: []
    property string stockCtx: ""
    MultiStockModel {
        id: stockListModel
        onDataChange: root.stockList = data || []
    }
    HFileIO { id: fileIO }
    HRoute { id: hroute }
    QBaseService { id: baseService }

    Rectangle { anchors.fill: parent; color: "#FF191B1F" }

    Hbtn {
        id: chartButtons
        objectName: "chartButtons"
        x: 0
        width: Math.max(0, root.width - pricePane.width)
        height: 25
        style: 0
        datamodel: ListModel { id: buttonModel }
        onBtnClicked: root.activeFlag(flag)
    }

    Row {
        id: subBar
        objectName: "subChartBar"
        anchors.top: chartButtons.bottom
        width: qview.width
        height: 22
        spacing: 2
        clip: true
        Repeater {
            model: root.subItems
            Rectangle {
                width: label.implicitWidth + 12
                height: subBar.height
                color: select ? "#E6000C" : "#2F343B"
                Text { id: label; anchors.centerIn: parent; text: name; color: "#FFFFFF"; font.pixelSize: 12 }
                MouseArea { anchors.fill: parent; onClicked: root.toggleSubChart(name) }
            }
        }
    }

    QView {
        id: qview
        objectName: "qview"
        anchors.top: subBar.bottom
        anchors.bottom: parent.bottom
        x: 0
        width: Math.max(0, root.width - pricePane.width)
        focus: true
        onNextCode: root.stepCode(1)
        onPreCode: root.stepCode(-1)
        onLoadMoreKLine: if (root.isKLine()) model.loadMoreKLine(Math.max(512, qview.mainChart.getkShowNumber()))
        onRemoveSubChart: root.removeSubPane(self)
        // The parameter dialog, drawing tools, interval statistics and the
        // history minute line are wired here when they exist.
        onEditFormulaPraram: {}
        onShowHistoryMLine: {}
        onShowIntervalStatistics: {}
    }

    Item {
        id: pricePane
        anchors.right: parent.right
        width: 280
        height: root.height
        PriceView { anchors.fill: parent; mqModel: model; page: root }
        PriceIndexView { anchors.fill: parent; mqModel: model }
    }

    function isKLine() { return chartKey.indexOf("kline_") === 0; }
    function cycle() { return Number(query_map_.cycle || 33); }

    function fillButtons() {
        buttonModel.clear();
        buttonModel.append({ name: "分时", flag: "app://curview/?#chart=mline", item_width: 50 });
        for (var c = 33; c <= 38; ++c)
            buttonModel.append({ name: cycleNames[c], flag: "app://curview/?#chart=kline&cycle=" + c, item_width: 50 });
        buttonModel.append({ name: "周线", flag: "app://curview/?#chart=kline&cycle=39", item_width: 60,
                             menuItems: [{ name: "周线", flag: "app://curview/?#chart=kline&cycle=39" },
                                         { name: "月线", flag: "app://curview/?#chart=kline&cycle=40" }] });
    }

    // A chart button or a panel link: an app://curview route updates this view.
    function activeFlag(flag) {
        var r = hroute.getRoute(flag);
        if (r.scheme === "app" && r.host === "curview")
            updateQuery(r.query_map);
    }

    function updateQuery(q) {
        var merged = {};
        var k;
        for (k in query_map_) merged[k] = query_map_[k];
        for (k in q) merged[k] = q[k];
        setQuery(merged);
    }

    function setQuery(q) {
        var next = {};
        for (var k in q) next[k] = q[k];
        var chart = next.chart || "default";
        if (chart === "mk_line") {
            chart = isKLine() ? "mline" : "kline";
            next.cycle = 33;
        } else if (chart === "mk_cycle") {
            var c = isKLine() ? cycle() + 1 : 33;
            chart = c > 40 ? "mline" : "kline";
            next.cycle = c > 40 ? 33 : c;
        }
        if (chart === "default")
            chart = chartKey.indexOf("kline_") === 0 ? "kline" : "mline";
        if (chart !== "mline" && chart !== "kline")
            chart = "mline";   // the other pages come with later screens
        next.chart = chart;
        if (!next.cycle)
            next.cycle = 33;
        query_map_ = next;
        if (next.json && next.json !== stockCtx)
            loadStockList(next.json);
        chartKey = chart === "kline" ? "kline_" + next.cycle : "mline_";
        chartButtons.indextemp = chart === "mline" ? 0 : Math.min(7, Number(next.cycle) - 32);
        if (!next.code)
            return;
        cancel();
        qview.hideCrosshairLine();
        initChartView();
        subscribe();
    }

    function cancel() {
        model.cancelKLine(0);
        model.cancelMinute(0);
        model.cancelPrice();
        model.cancelDetail();
    }

    function initChartView() {
        qview.clearSubChartAll();
        var main = qview.ensureMain();
        if (!main)
            return;
        if (isKLine()) {
            main.setCycle(cycle());
            main.setLineType("kline");
            main.setkShowNumber(120);
            model.setDividendCmd(query_map_.kcmd || "");
        } else {
            main.setCycle(0);
            main.setLineType("mline");
            main.setkShowNumber(242);
        }
        qview.setChartCycle(cycle());
        initFormula();
    }

    function layoutKey() { return isKLine() ? "kline" : "mline"; }

    function initFormula() {
        var key = layoutKey();
        var layout = JSFormula.getFormulaMap(key) || {};
        var mains = layout.main_charts || [];
        var subs = layout.sub_charts || [];
        qview.clearMainChartAll();
        for (var i = 0; i < mains.length; ++i)
            qview.mainChart.addFormula(0, mains[i].fname, mains[i].s, mains[i].c);
        for (var j = 0; j < subs.length; ++j)
            qview.addSubChart(subs[j].fname, subs[j].s, subs[j].c, false);
        var names = [];
        var list = baseService.getFormulaNames(1, false) || [];
        for (var n = 0; n < list.length; ++n)
            names.push(list[n].name);
        JSFormula.formatToolsBarModel(subItems, names, key, "sub_charts");
        if (isKLine() && query_map_.formula_group_name)
            setFormulaGroup(query_map_.formula_group_name);
    }

    // The main-chart drop-down: the chosen formula replaces the main pane's
    // overlay formula, in the pane and in the layout.
    function setMainFormula(name) {
        var key = layoutKey();
        qview.clearMainChartOther("");
        JSFormula.removeOtherFormulaMap(key, "main_charts", name);
        JSFormula.addFormulaMap(key, "main_charts", name, "NO", "NO");
        qview.mainChart.addFormula(0, name, "NO", "NO");
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
        }
        for (var j = 0; j < subItems.count; ++j)
            if (subItems.get(j).name === name)
                subItems.setProperty(j, "select", JSFormula.isExistFormulaMap(key, "sub_charts", name));
    }

    function removeSubPane(pane) {
        JSFormula.removeFormulaMap(layoutKey(), "sub_charts", pane.name_tag_);
        qview.clearSubChart(pane);
    }

    // Overlays: an empty code clears those of this chart kind, "*" opens the
    // picker (a later screen); any other stock is added as the next layer.
    function superposition(code, market) {
        var key = layoutKey();
        if (code === "") {
            model.cancelOtherKLine(0);
            model.cancelOtherMinute(0);
            JSFormula.clearSuperposition(key);
            qview.mainChart.clearFormula(true);
            qview.mainChart.removeSubFChart(1);
            superIndex = 0;
            return;
        }
        if (code === "*")
            return;
        var r = JSFormula.addSuperposition(key, code, market);
        if (r === "full")
            message = "已经达到最大叠加数量";
        if (r === "added")
            showSuperChart(code, market);
    }

    function showSuperChart(code, market) {
        superIndex += 1;
        var index = superIndex;
        var colour = superColors[(index - 1) % superColors.length];
        var main = qview.mainChart;
        if (isKLine()) {
            main.addFormula(index, "SKLINE", "NO", "NO", colour);
            model.getKLineData(String(code), Number(market), Math.max(main.getPointCount(0), 512), cycle(), index);
        } else {
            main.addFormula(index, "SMLINE", "MSCALES", "MCROSSHAIR", colour);
            model.getMinuteData(String(code), Number(market), index);
        }
    }

    function subscribe() {
        var code = String(query_map_.code);
        var market = Number(query_map_.market || 0);
        if (isKLine())
            model.getKLineData(code, market, 512, cycle(), 0);
        else
            model.getMinuteData(code, market, 0);
        model.getPriceData(code, market);
        model.getDetailData(code, market, -1, 9999);
        superIndex = 0;
        var overlays = JSFormula.getSuperposition(layoutKey());
        for (var i = 0; i < overlays.length; ++i)
            showSuperChart(overlays[i].code, overlays[i].market);
    }

    // The quote-table context (plain or URL-encoded JSON) from its first page,
    // all rows in one page.
    function loadStockList(text) {
        stockCtx = text;
        var ctx = null;
        try { ctx = JSON.parse(text); } catch (e) {
            try { ctx = JSON.parse(decodeURIComponent(text)); } catch (e2) { ctx = null; }
        }
        if (!ctx || typeof ctx !== "object")
            return;
        ctx.page_ = { no: 0, length: 9999 };
        stockListModel.setCtx(JSON.stringify(ctx));
    }

    // The neighbour of the shown stock in the list, wrapping at both ends;
    // null without a list.
    function neighbour(step) {
        var n = stockList.length;
        if (n === 0)
            return null;
        var at = -1;
        for (var i = 0; i < n; ++i)
            if (String(stockList[i].code) === String(query_map_.code) && Number(stockList[i].market) === Number(query_map_.market)) {
                at = i;
                break;
            }
        var next = at < 0 ? (step > 0 ? 0 : n - 1) : (at + step + n) % n;
        return stockList[next];
    }

    // Page Up / Page Down through the quote table the view was opened from.
    function stepCode(step) {
        var s = neighbour(step);
        if (s)
            updateQuery({ code: s.code, market: String(s.market), name: s.name, chart: "default" });
    }

    onVisibleChanged: {
        if (!query_map_.code)
            return;
        if (visible) {
            cancel();
            initChartView();
            subscribe();
        } else {
            cancel();
        }
    }

    Component.onCompleted: {
        JSFormula.setFileIO(fileIO);
        fillButtons();
        qview.ensureMain().bindDataSignal(model, -1);
    }
}

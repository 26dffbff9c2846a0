import QtQuick 2.15
import MQModel 1.0
import HFileIO 1.0
import HRoute 1.0
import QBaseService 1.0
import MultiStockModel 1.0
import CChipDistribution 1.0
import "qrc:/qml/js/MQChartFormula.js" as JSFormula
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/JSUtil.js" as JSUtil
import "qrc:/qml/js/Database.js" as Sql

// The stock view: the chart buttons, the chart page (minute chart or K-lines
// of a cycle, panes composed from the saved layout, the formula tool bars and
// the chip panel), the detail, web and cycle-resonance pages, and the quote
// panel at the right, all fed by one MQModel.
FocusScope {
    id: root
    property var query_map_: ({})
    // The view key: "mline_", "kline_33" … "kline_40" (the chart page),
    // "detail_", "f10_", "f9_", "f11_" or "cycel_" (the other pages).
    property string chartKey: "mline_"
    // What the chart page shows: "mline" or "kline".
    property string chartKind: "mline"
    readonly property string page: chartKey.indexOf("mline_") === 0 || chartKey.indexOf("kline_") === 0
                                   ? "chart" : chartKey.slice(0, chartKey.length - 1)
    readonly property bool isIndex: Number(query_map_.type) === 1
    property alias mqModel: model
    property alias qview: qview
    property var subItems: ListModel {}
    readonly property var cycleNames: ({ 33: "日线", 34: "1分", 35: "5分", 36: "15分", 37: "30分", 38: "60分", 39: "周线", 40: "月线" })

    // The last message for the user ("" when none); a message box shows it.
    property string message: ""
    property int superIndex: 0
    readonly property var superColors: [0xFFcccccc, 0xFFA84000, 0xFF009654, 0xFF005496, 0xFF960054]
    readonly property var superLegendColors: ["#cccccc", "#A84000", "#009654", "#005496", "#960054"]
    property var superLegend: ListModel {}

    // The address of the web page shown for "f10", "f9" or "f11".
    property string webUrl: ""
    // Off where no web engine runs (tests on the offscreen platform).
    property bool webViewEnabled: true
    property var webView: null
    property var cycelView: null

    // The chip panel beside the K-lines ("筹码") or hidden ("明细").
    property bool chipShown: false
    property int chipType: 0

    // How often the market statistics of an index refresh (ms).
    property int statsInterval: 5000

    // The windows of the chart page, made when first needed.
    property var paramDialog: null
    property var paramPane: null
    property var superEdit: null
    property var historyWindow: null

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

    Timer {
        id: statsTimer
        interval: root.statsInterval
        repeat: true
        triggeredOnStart: true
        onTriggered: root.refreshMarketStats()
    }

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

    // ---- The chart page ----
    Item {
        id: chartPage
        objectName: "chartPage"
        anchors.top: chartButtons.bottom
        anchors.bottom: parent.bottom
        width: chartButtons.width
        visible: root.page === "chart"

        Rectangle {
            id: toolRow
            objectName: "toolRow"
            width: parent.width
            height: 22
            color: "#22272E"
            clip: true

            Row {
                id: toolLeft
                height: parent.height
                spacing: 2
                // Interval statistics and the drawing tools (their windows come
                // with later screens).
                Repeater {
                    model: root.chartKind === "kline" ? klineToolModel : null
                    Rectangle {
                        objectName: "klineTool_" + flag
                        width: toolIcon.width + toolText.implicitWidth + 14
                        height: toolRow.height
                        color: toolArea.containsMouse ? "#4A515B" : "#2F343B"
                        Image {
                            id: toolIcon
                            x: 4
                            anchors.verticalCenter: parent.verticalCenter
                            width: image !== "" ? 16 : 0
                            height: 16
                            source: image
                        }
                        Text {
                            id: toolText
                            x: toolIcon.x + toolIcon.width + (image !== "" ? 2 : 0)
                            anchors.verticalCenter: parent.verticalCenter
                            text: name
                            color: "#FFFFFF"
                            font.family: "Microsoft YaHei"
                            font.pixelSize: 12
                        }
                        MouseArea { id: toolArea; anchors.fill: parent; hoverEnabled: true; onClicked: root.onKLineTool(flag) }
                    }
                }
                Hbtn {
                    id: mainFormulaButton
                    objectName: "mainFormulaButton"
                    visible: root.chartKind === "kline"
                    width: visible ? 100 : 0
                    height: toolRow.height
                    item_height: toolRow.height
                    font_pixelSize: 12
                    menu_width: 110
                    style: 1
                    indextemp: -1
                    datamodel: ListModel { id: mainFormulaModel }
                    onBtnClicked: root.onMainFormulaFlag(flag)
                }
                Hbtn {
                    id: groupButton
                    objectName: "groupButton"
                    visible: root.chartKind === "kline"
                    width: visible ? 100 : 0
                    height: toolRow.height
                    item_height: toolRow.height
                    font_pixelSize: 12
                    menu_width: 120
                    style: 1
                    indextemp: -1
                    datamodel: ListModel { id: groupModel }
                    onBtnClicked: if (flag !== "") root.setFormulaGroup(String(flag))
                }
            }
            // One button per sub-chart formula: pressed adds its pane; those
            // that do not fit go to the overflow menu.
            QAutoToolsBar {
                id: subBar
                objectName: "subChartBar"
                x: toolLeft.width + 2
                width: Math.max(0, toolRow.width - x - (chipSwitch.visible ? chipSwitch.width : 0))
                height: toolRow.height
                model_: root.subItems
                style: 0
                onClickedItem: root.toggleSubChart(root.subItems.get(index).name)
            }
        }
        // "明细" hides the chip panel, "筹码" shows it (K-lines only).
        Row {
            id: chipSwitch
            objectName: "chipSwitch"
            anchors.right: parent.right
            height: toolRow.height
            visible: root.chartKind === "kline"
            Repeater {
                model: ["明细", "筹码"]
                Rectangle {
                    width: 40
                    height: chipSwitch.height
                    color: (index === 1) === root.chipShown ? "#E6000C" : "#2F343B"
                    border.color: "#161616"
                    Text { anchors.centerIn: parent; text: modelData; color: "#FFFFFF"; font.family: "Microsoft YaHei"; font.pixelSize: 12 }
                    MouseArea { anchors.fill: parent; onClicked: root.showChip(index === 1) }
                }
            }
        }

        QView {
            id: qview
            objectName: "qview"
            anchors.top: toolRow.bottom
            anchors.bottom: parent.bottom
            x: 0
            width: Math.max(0, parent.width - (chipPane.visible ? chipPane.width : 0))
            focus: true
            onNextCode: root.stepCode(1)
            onPreCode: root.stepCode(-1)
            onLoadMoreKLine: if (root.isKLine()) model.loadMoreKLine(Math.max(512, qview.mainChart.getkShowNumber()))
            onRemoveSubChart: root.removeSubPane(self)
            onEditFormulaPraram: root.editFormulaParam(self, name)
            onShowHistoryMLine: root.showHistoryMLine(date, timestamp)
            // Interval statistics come with a later screen.
            onShowIntervalStatistics: {}
        }

        // The overlay stocks' names over the main pane's legend, in their colours.
        Row {
            objectName: "superLegend"
            x: 80
            y: qview.y + 20
            spacing: 8
            z: 3
            Repeater {
                model: root.superLegend
                Text { text: name; color: colour; font.family: "Microsoft YaHei"; font.pixelSize: 12 }
            }
        }

        Rectangle {
            id: chipPane
            objectName: "chipPane"
            anchors.top: toolRow.bottom
            anchors.bottom: parent.bottom
            anchors.right: parent.right
            width: 220
            visible: root.chipShown && root.chartKind === "kline"
            color: "#000000"
            border.color: "#2F343B"
            Row {
                id: chipTypes
                height: 22
                Repeater {
                    model: ["黄", "远", "近"]
                    Rectangle {
                        objectName: "chipType_" + index
                        width: chipPane.width / 3
                        height: chipTypes.height
                        color: index === root.chipType ? "#E6000C" : "#2F343B"
                        border.color: "#161616"
                        Text { anchors.centerIn: parent; text: modelData; color: "#FFFFFF"; font.family: "Microsoft YaHei"; font.pixelSize: 12 }
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
    }

    // ---- The other pages ----
    // Tick details come with a later screen: the page stays empty.
    Item {
        id: detailPage
        objectName: "detailPage"
        anchors.fill: chartPage
        visible: root.page === "detail"
    }
    Item {
        id: webPage
        objectName: "webPage"
        anchors.fill: chartPage
        visible: root.page === "f10" || root.page === "f9" || root.page === "f11"
    }
    Item {
        id: cycelPage
        objectName: "cycelPage"
        anchors.fill: chartPage
        visible: root.page === "cycel"
    }

    Item {
        id: pricePane
        objectName: "pricePane"
        anchors.right: parent.right
        width: 280
        height: root.height
        PriceView { anchors.fill: parent; mqModel: model; page: root }
        PriceIndexView { id: priceIndexView; objectName: "priceIndexView"; anchors.fill: parent; mqModel: model }
    }

    ListModel {
        id: klineToolModel
        ListElement { name: "区间统计"; flag: "IntervalStatistics"; image: "" }
        ListElement { name: "画线"; flag: "painttools"; image: "qrc:/images/painttools/pen.png" }
    }

    function isKLine() { return chartKind === "kline"; }
    function cycle() { return Number(query_map_.cycle || 33); }
    function layoutKey() { return isKLine() ? "kline" : "mline"; }

    // The chart buttons; an index shows them up to the K-lines.
    function fillButtons() {
        buttonModel.clear();
        function add(name, key, flag, w, menu) {
            var e = { name: name, key: key, flag: flag, item_width: w, show: true };
            if (menu)
                e.menuItems = menu;
            buttonModel.append(e);
        }
        add("分时", "mline_", "app://curview/?#chart=mline", 50);
        for (var c = 33; c <= 38; ++c)
            add(cycleNames[c], "kline_" + c, "app://curview/?#chart=kline&cycle=" + c, 50);
        add("周线", "kline_39", "app://curview/?#chart=kline&cycle=39", 70,
            [{ name: "周线", flag: "app://curview/?#chart=kline&cycle=39" },
             { name: "月线", flag: "app://curview/?#chart=kline&cycle=40" }]);
        add("明细", "detail_", "app://curview/?#chart=detail", 50);
        add("F10", "f10_", "app://curview/?#chart=f10", 50);
        add("分析", "f9_", "app://curview/?#chart=f9", 50);
        add("诊断", "f11_", "app://curview/?#chart=f11", 50);
        add("共振", "cycel_", "app://curview/?#chart=cycel", 50);
    }
    function showPageButtons(b) {
        for (var i = 8; i < buttonModel.count; ++i)
            buttonModel.setProperty(i, "show", b);
    }

    // Marks the button of the view key; week and month share the drop-down.
    function selectButton() {
        var key = chartKey === "kline_40" ? "kline_39" : chartKey;
        for (var i = 0; i < buttonModel.count; ++i)
            if (buttonModel.get(i).key === key) {
                chartButtons.select(i);
                if (key === "kline_39") {
                    var month = chartKey === "kline_40";
                    buttonModel.setProperty(i, "name", month ? "月线" : "周线");
                    buttonModel.setProperty(i, "flag", "app://curview/?#chart=kline&cycle=" + (month ? 40 : 39));
                }
                return;
            }
        chartButtons.select(-1);
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

    readonly property var pageNames: ["mline", "kline", "detail", "f10", "f9", "f11", "cycel"]

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
            chart = page === "chart" ? chartKind : page;
        if (pageNames.indexOf(chart) < 0)
            chart = "mline";
        // An index has the chart page only.
        if (Number(next.type) === 1 && chart !== "mline" && chart !== "kline")
            chart = chartKind;
        var c2 = Number(next.cycle || 33);
        if (!(c2 >= 33 && c2 <= 40))
            c2 = 33;
        next.cycle = c2;
        next.chart = chart;
        var wasKLine = isKLine();
        query_map_ = next;
        if (next.json && next.json !== stockCtx)
            loadStockList(next.json);
        if (chart === "mline" || chart === "kline")
            chartKind = chart;
        chartKey = chart === "kline" ? "kline_" + c2 : chart + "_";
        showPageButtons(!isIndex);
        selectButton();
        if (!next.code)
            return;
        cancel();
        if (wasKLine)
            saveDrawing();
        qview.hideCrosshairLine();
        initChartView();
        showPage();
        subscribe();
    }

    function cancel() {
        model.cancelKLine(0);
        model.cancelMinute(0);
        model.cancelPrice();
        model.cancelDetail();
        statsTimer.stop();
    }

    function initChartView() {
        var main = qview.ensureMain();
        if (!main)
            return;
        qview.holdLayout = true;
        qview.clearSubChartAll();
        if (isKLine()) {
            main.setCycle(cycle());
            main.setLineType("kline");
            main.setkShowNumber(120);
            model.setDividendCmd(query_map_.kcmd || "");
            fillKLineToolBars();
        } else {
            main.setCycle(0);
            main.setLineType("mline");
            main.setkShowNumber(242);
        }
        qview.setChartCycle(cycle());
        initFormula();
        qview.holdLayout = false;
        qview.clearTimeLabel();  // the new show count moved the hidden crosshair
    }

    function names(list) {
        var out = [];
        for (var i = 0; i < (list || []).length; ++i)
            out.push(String(list[i].name));
        return out;
    }

    // The main-chart formula drop-down and the formula groups.
    function fillKLineToolBars() {
        var mains = names(baseService.getFormulaNames(0, false));
        var groups = names(baseService.getFormulaGroupNames());
        var sig = mains.join(",") + "|" + groups.join(",") + "|" + mainOverlayName();
        if (sig === klineBarKey)
            return;  // the same lists and face: the delegates stay
        klineBarKey = sig;
        JSFormula.formatHbtnModel(mainFormulaModel, mains, "kline", "main_charts");
        var menu = [];
        for (var i = 0; i < groups.length; ++i)
            menu.push({ name: groups[i], flag: groups[i] });
        groupModel.clear();
        if (menu.length > 0)
            groupModel.append({ name: "指标组合", flag: "", menuItems: menu });
    }
    // What the K-line tool bars and the sub bar were built from.
    property string klineBarKey: ""
    property string subBarKey: ""

    // The K-line layout's main formula besides the K-lines ("" when none).
    function mainOverlayName() {
        var l = (JSFormula.getFormulaMap("kline") || {}).main_charts || [];
        for (var i = 0; i < l.length; ++i)
            if (l[i].fname !== "KLINE")
                return String(l[i].fname);
        return "";
    }

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
        fillSubBar();
        if (isKLine() && query_map_.formula_group_name)
            setFormulaGroup(query_map_.formula_group_name);
    }

    // Each formula the user picks goes to the local action log.
    function logFormula(name) {
        try {
            Sql.dbAddActionCmd("FML", String(name));
        } catch (e) {
            // no database yet (the sign-in creates it): nothing to log into
        }
    }

    function onMainFormulaFlag(flag) {
        var f = null;
        try { f = JSON.parse(flag); } catch (e) { f = null; }
        if (f && f.name)
            setMainFormula(f.name);
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
        fillSubBar();
    }

    // The sub bar is rebuilt (and its texts measured) only when its formulas
    // or the chart kind change; otherwise only the pressed states follow the layout.
    function fillSubBar() {
        var list = names(baseService.getFormulaNames(1, false));
        var sig = layoutKey() + "|" + list.join(",");
        if (sig === subBarKey && subItems.count > 0) {
            markSubBar();
            return;
        }
        subBarKey = sig;
        JSFormula.formatToolsBarModel(subItems, list, layoutKey(), "sub_charts");
        subBar.updateModel_(subItems);
    }

    function markSubBar() {
        var key = layoutKey();
        for (var j = 0; j < subItems.count; ++j)
            subItems.setProperty(j, "select", JSFormula.isExistFormulaMap(key, "sub_charts", subItems.get(j).name));
        subBar.updateShowCount();
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
        markSubBar();
    }

    function removeSubPane(pane) {
        JSFormula.removeFormulaMap(layoutKey(), "sub_charts", pane.name_tag_);
        qview.clearSubChart(pane);
    }

    // A document of the view made when first needed; null while it does not exist.
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

    // The history minute line of a day bar (day K-lines only).
    function showHistoryMLine(date, timestamp) {
        if (!isKLine() || cycle() !== 33)
            return;
        if (!historyWindow)
            historyWindow = createFrom("qrc:/qml/HistoryMLine.qml", root);
        if (!historyWindow)
            return;
        historyWindow.getHMLineData(codeInfo(), date, timestamp);
        historyWindow.visible = true;
    }

    function codeInfo() {
        return { code: String(query_map_.code || ""), market: Number(query_map_.market || 0),
                 name: String(query_map_.name || ""), type: Number(query_map_.type || 0), cycle: cycle() };
    }

    // Overlays: an empty code clears those of this chart kind, "*" opens the
    // picker; any other stock is added as the next layer.
    function superposition(code, market) {
        var key = layoutKey();
        if (code === "") {
            clearSuperCharts();
            JSFormula.clearSuperposition(key);
            return;
        }
        if (code === "*") {
            openSuperEdit();
            return;
        }
        var r = JSFormula.addSuperposition(key, code, market);
        if (r === "full")
            message = "已经达到最大叠加数量";
        if (r === "added")
            showSuperChart(code, market);
    }

    function clearSuperCharts() {
        model.cancelOtherKLine(0);
        model.cancelOtherMinute(0);
        qview.mainChart.clearFormula(true);
        qview.mainChart.removeSubFChart(1);
        superIndex = 0;
        superLegend.clear();
    }

    function openSuperEdit() {
        if (!superEdit) {
            superEdit = createFrom("qrc:/qml/QSuperpositionEdit.qml", root);
            if (!superEdit)
                return;
            superEdit.addSuperChart.connect(function (code, market, chart) {
                if (chart === root.layoutKey())
                    root.superposition(String(code), Number(market));
            });
            superEdit.removeSuperChart.connect(function (code, market, chart) {
                if (chart === root.layoutKey())
                    root.removeSuperposition(String(code), Number(market));
            });
        }
        superEdit.show(layoutKey());
    }

    // One overlay less: the others are laid again from the file.
    function removeSuperposition(code, market) {
        if (!JSFormula.removeSuperposition(layoutKey(), code, market))
            return;
        clearSuperCharts();
        showSuperCharts();
    }

    function stockName(code, market) {
        try {
            var s = Sql.dbGetStockInfo(String(code), Number(market));
            if (s && s.name)
                return String(s.name);
        } catch (e) {
            // no local dictionary yet
        }
        return String(code);
    }

    function showSuperChart(code, market) {
        superIndex += 1;
        var index = superIndex;
        var at = (index - 1) % superColors.length;
        var main = qview.mainChart;
        if (isKLine()) {
            main.addFormula(index, "SKLINE", "NO", "NO", superColors[at]);
            model.getKLineData(String(code), Number(market), Math.max(main.getPointCount(0), 512), cycle(), index);
        } else {
            main.addFormula(index, "SMLINE", "MSCALES", "MCROSSHAIR", superColors[at]);
            model.getMinuteData(String(code), Number(market), index);
        }
        superLegend.append({ name: stockName(code, market), colour: superLegendColors[at] });
    }

    function showSuperCharts() {
        var overlays = JSFormula.getSuperposition(layoutKey());
        for (var i = 0; i < overlays.length; ++i)
            showSuperChart(overlays[i].code, overlays[i].market);
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
        superLegend.clear();
        showSuperCharts();
        if (isIndex)
            statsTimer.restart();
    }

    // ---- Pages ----
    function showPage() {
        if (page === "f10" || page === "f9" || page === "f11")
            loadWebPage(pageUrl(page));
        if (page === "cycel") {
            if (!cycelView)
                cycelView = createFrom("qrc:/qml/QCycelResonance.qml", cycelPage);
            if (cycelView) {
                cycelView.anchors.fill = cycelPage;
                cycelView.getData(codeInfo());
            }
        } else if (cycelView) {
            cycelView.clearDate();
        }
    }

    // The server address of a web page with the stock's fields filled in.
    function pageUrl(name) {
        var template = baseService.getServerAddressValue("url." + name);
        if (typeof template !== "string" || template === "")
            return "";
        var info = codeInfo();
        return JSUtil.tagRplace(template, { code: encodeURIComponent(info.code), market: String(info.market),
                                            name: encodeURIComponent(info.name), type: String(info.type) }) || "";
    }

    function loadWebPage(url) {
        webUrl = url;
        if (!webViewEnabled || url === "")
            return;
        if (!webView) {
            try {
                webView = Qt.createQmlObject("import QtQuick 2.15; import QtWebEngine 1.10; "
                                             + "WebEngineView { anchors.fill: parent }", webPage, "MQViewWebPage");
            } catch (e) {
                webView = null;
                return;
            }
        }
        webView.url = url;
    }

    // ---- Index statistics ----
    // The rise and fall distribution of the whole market and of the index's
    // own market, from the back end.
    function refreshMarketStats() {
        if (!isIndex || !visible)
            return;
        var url = baseService.getServerAddressValue("url.market_total");
        if (typeof url !== "string" || url === "")
            return;
        JSHttp.getData(url, {}, { "Content-Type": "application/json" }, function (ok, json) {
            if (!ok || !json || !root.isIndex)
                return;
            fillSection(priceIndexView.sectionModel, json.HS);
            fillSection(priceIndexView.sectionModel2, Number(root.query_map_.market) === 2 ? json.SZ : json.SH);
            priceIndexView.updateSectionCountModel();
        });
    }

    // Buckets without the up and down totals, each with its share of the largest.
    function fillSection(target, rows) {
        target.clear();
        if (!Array.isArray(rows))
            return;
        var kept = rows.filter(function (r) { return r && r.section !== "up_counts" && r.section !== "down_counts"; });
        var max = 0;
        for (var i = 0; i < kept.length; ++i)
            max = Math.max(max, Number(kept[i].count) || 0);
        for (var j = 0; j < kept.length; ++j) {
            var n = Number(kept[j].count) || 0;
            target.append({ name: String(kept[j].name), section: String(kept[j].section), count: n,
                            type: Number(kept[j].type) || 0, ratio: max > 0 ? n / max : 0 });
        }
    }

    // ---- Chip panel ----
    function showChip(b) { chipShown = b; }

    function setChipType(t) {
        chipType = t;
        chip.setChipType(String(t));
    }

    // ---- Drawing tools and interval statistics (later screens) ----
    function onKLineTool(flag) {}
    // Saves the drawing file of the shown K-line while the tool window is open.
    function saveDrawing() {}

    // ---- Stock list ----
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

    // Hidden: requests cancelled and the hold released; shown again: the panes
    // are set up and subscribed anew.
    onVisibleChanged: {
        // The shown view lends the layout module its file access: the view
        // that lent it last may have been closed since.
        if (visible)
            JSFormula.setFileIO(fileIO);
        if (!query_map_.code)
            return;
        if (visible) {
            cancel();
            initChartView();
            subscribe();
        } else {
            if (isKLine())
                saveDrawing();
            cancel();
            if (qview.mainChart)
                qview.mainChart.setHold(false);
        }
    }

    Component.onDestruction: if (isKLine()) saveDrawing()

    Component.onCompleted: {
        JSFormula.setFileIO(fileIO);
        fillButtons();
        selectButton();
        qview.ensureMain().bindDataSignal(model, -1);
        chip.bindSyncDataSignal(qview.mainChart);
    }
}

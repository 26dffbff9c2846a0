import QtQuick 2.15
import MQModel 1.0
import HFileIO 1.0
import HRoute 1.0
import FrameHold 1.0
import MultiStockModel 1.0
import "qrc:/qml/js/MQChartFormula.js" as JSFormula
import "qrc:/qml/js/Database.js" as Sql
import "theme"
import "js/QuoteCodes.js" as QuoteCodes
import "js/StockRoute.js" as StockRoute

// The stock view: one stock in one tab, fed by one MQModel. This document
// routes: it takes the view's query (setQuery, the chart buttons' routes,
// Page Up/Down through the quote table it came from), and hands the stock to
// its parts beside it: StockChartButtons (the chart buttons), StockChartPage
// (tool row, panes, chip panel), StockOverlays (overlay stocks), StockPages
// (明细, web pages, 共振) and StockQuotePane (the quote panel).
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
    readonly property var pageNames: ["mline", "kline", "detail", "f10", "f9", "f11", "cycel"]

    property alias mqModel: model
    property alias qview: chartPage.chartArea
    property alias chartPage: chartPage
    property alias overlays: overlays
    property alias pages: pages

    // The last message for the user ("" when none); a message box shows it.
    property alias message: overlays.message
    property alias superLegend: overlays.legend
    property alias superEdit: overlays.superEdit
    property alias webUrl: pages.webUrl
    property alias webViewEnabled: pages.webViewEnabled
    property alias cycelView: pages.cycelView
    property alias statsInterval: quotePane.statsInterval
    property alias paramDialog: chartPage.paramDialog
    property alias historyWindow: chartPage.historyWindow
    property alias chipShown: chartPage.chipShown

    // The stocks of the quote table the view was opened from, in its order.
    property var stockList: []
    property string stockCtx: ""
    // K-lines asked for at a time.
    readonly property int kLinePage: 512

    signal changeToMQView(var query)
    // The view went to another stock by itself (Page Up/Down): its tab
    // takes the stock's name and address.
    signal updateTabsUrl(var item, var codeInfo)
    // The user's my-stock groups changed (from the chart menu).
    signal mystockChange()

    MQModel { id: model }
    MultiStockModel {
        id: stockListModel
        onDataChange: {
            root.stockList = data || [];
            root.prefetchNeighbours();
        }
    }
    HFileIO { id: fileIO }
    HRoute { id: hroute }
    // A switch to another stock draws no frame of empty panes: the window
    // waits (briefly) for the new stock's bars.
    FrameHold { id: frameHold; objectName: "frameHold" }
    Connections {
        target: chartPage.chartArea.mainChart
        function onDataUpdate() { frameHold.release(); }
    }

    Rectangle { anchors.fill: parent; color: Theme.chartBackground }

    StockChartButtons {
        id: chartButtons
        x: 0
        width: Math.max(0, root.width - quotePane.width)
        onBtnClicked: root.activeFlag(flag)
    }

    StockChartPage {
        id: chartPage
        anchors.top: chartButtons.bottom
        anchors.bottom: parent.bottom
        width: chartButtons.width
        visible: root.page === "chart"
        mqModel: model
        chartKind: root.chartKind
        cycle: root.cycle()
        query: root.query_map_
        overlayLegend: overlays.legend
        onNextCode: root.stepCode(1)
        onPreCode: root.stepCode(-1)
        onChartTool: root.onKLineTool(flag)
        onChangeToMQView: root.changeToMQView(codeInfo)
        onShowRMenu: chartMenu.open()
    }

    StockChartMenu { id: chartMenu; view: root }
    property alias chartMenu: chartMenu

    StockOverlays {
        id: overlays
        mqModel: model
        chartArea: chartPage.chartArea
        chartKind: root.chartKind
        cycle: root.cycle()
        popupParent: root
        onNotice: messageBox.showMsg(text, null, false)
    }

    StockDrawing {
        id: drawing
        anchors.fill: parent
        chartArea: chartPage.chartArea
        isKLine: root.chartKind === "kline"
    }

    // Messages for the user, over the view.
    QPopup { id: messageBox; objectName: "messageBox"; width: 240 }

    StockPages {
        id: pages
        anchors.fill: chartPage
        page: root.page
        codeInfo: root.codeInfo()
        mqModel: model
    }

    StockQuotePane {
        id: quotePane
        anchors.right: parent.right
        height: root.height
        mqModel: model
        view: root
        isIndex: root.isIndex
        market: Number(root.query_map_.market || 1)
    }

    function isKLine() { return chartKind === "kline"; }
    function cycle() { return Number(query_map_.cycle || QuoteCodes.KLINE_DAY); }
    function layoutKey() { return isKLine() ? "kline" : "mline"; }

    function codeInfo() {
        return { code: String(query_map_.code || ""), market: Number(query_map_.market || 0),
                 name: String(query_map_.name || ""), type: Number(query_map_.type || 0), cycle: cycle() };
    }

    // A chart button or a panel link: an app://curview route updates this view.
    function activeFlag(flag) {
        var r = hroute.getRoute(flag);
        if (r.scheme === "app" && r.host === "curview")
            updateQuery(r.query_map);
    }

    function updateQuery(q) { setQuery(StockRoute.merge(query_map_, q)); }

    // Whoever opened the code without its type (the status bar, a quick-bar
    // address): the stock dictionary knows it. A dictionary that cannot
    // answer (held by another process) leaves the code a stock.
    function typed(q) {
        if (!q.code || (q.type !== undefined && q.type !== ""))
            return q;
        return StockRoute.withType(q, Sql.stockRecord(String(q.code), Number(q.market)));
    }

    // Applies StockRoute.decide's decision on the query.
    function setQuery(q) {
        var d = StockRoute.decide(typed(q), { kline: isKLine(), cycle: cycle(), page: page, chartKind: chartKind,
                                              pages: pageNames, code: query_map_.code, market: query_map_.market,
                                              visible: visible, stockCtx: stockCtx });
        // The new stock's data is asked for first, so that the server works
        // while the view is set up; its replies come in through the event
        // loop, after this function.
        if (d.load) {
            if (d.hold)
                frameHold.hold();
            cancel();
            if (d.clearTrades)
                quotePane.clearTrades();
            request(d.query, d.requestKLine);
        }
        query_map_ = d.query;
        if (d.stockCtx !== "")
            loadStockList(d.stockCtx);
        chartKind = d.chartKind;
        chartKey = d.chartKey;
        chartButtons.showPageButtons(!isIndex);
        chartButtons.selectKey(chartKey);
        if (!d.load)
            return;
        // The K-line's drawings, when changed, are saved as the chart lets
        // them go (drawing.load or unload in subscribe()).
        qview.hideCrosshairLine();
        chartPage.initChartView();
        pages.show();
        // Back from 明细 (whose list took the keys): the keys go to the charts again.
        if (d.focusCharts)
            qview.focus = true;
        subscribe();
        // A neighbour fetched beforehand shows at once (and ends the hold);
        // its subscription's first reply replaces it.
        model.showPrefetched();
        prefetchNeighbours();
    }

    function cancel() {
        model.cancelKLine(0);
        model.cancelMinute(0);
        model.cancelPrice();
        model.cancelDetail();
        quotePane.stopStats();
    }

    // The bars of the stock of query q (its K-lines under the query's
    // dividend command, or its minute line), its quote and its trades.
    function request(q, kline) {
        var code = String(q.code);
        var market = Number(q.market || 0);
        if (kline) {
            model.setDividendCmd(q.kcmd || "");
            model.getKLineData(code, market, kLinePage, Number(q.cycle || QuoteCodes.KLINE_DAY), 0);
        } else {
            model.getMinuteData(code, market, 0);
        }
        model.getPriceData(code, market);
        model.getDetailData(code, market, -1, 9999);
    }

    // What goes with the data once the panes are set up: the drawings, the
    // overlay stocks and the interval statistics.
    function subscribe() {
        if (isKLine())
            drawing.load(String(query_map_.code), Number(query_map_.market || 0), cycle());
        else
            drawing.unload();
        overlays.showSaved();
        quotePane.startStats();
    }

    // ---- The chart page's actions (also reached from the context menus) ----
    function setMainFormula(name) { chartPage.setMainFormula(name); }
    function setFormulaGroup(name) { chartPage.setFormulaGroup(name); }
    function toggleSubChart(name) { chartPage.toggleSubChart(name); }
    function showChip(b) { chartPage.showChip(b); }
    function setChipType(t) { chartPage.setChipType(t); }
    function superposition(code, market) { overlays.superposition(code, market); }

    // ---- Drawing tools and interval statistics ----
    function onKLineTool(flag) { drawing.onTool(flag); }
    // Saves the drawing file of the K-line shown last.
    function saveDrawing() { drawing.save(); }

    // ---- Stock list ----
    // The quote-table context (plain or URL-encoded JSON) from its first page,
    // all rows in one page.
    function loadStockList(text) {
        stockCtx = text;
        var ctx = StockRoute.listContext(text);
        if (ctx === "")
            return;
        model.cancelPrefetch();
        stockListModel.setCtx(ctx);
    }

    // The shown view of a chart keeps the bars and quotes of the stocks before
    // and after its own in the list at hand, so that Page Up or Page Down
    // shows them at once.
    function prefetchNeighbours() {
        if (!visible || page !== "chart" || !query_map_.code) {
            model.cancelPrefetch();
            return;
        }
        model.prefetch(StockRoute.neighbours(stockList, query_map_.code, query_map_.market), isKLine(), kLinePage,
                       cycle());
    }

    // Page Up / Page Down through the quote table the view was opened from.
    function stepCode(step) {
        var s = StockRoute.neighbour(stockList, query_map_.code, query_map_.market, step);
        if (!s)
            return;
        updateQuery(StockRoute.stepQuery(s));
        updateTabsUrl(root, { code: String(s.code), market: Number(s.market), name: String(s.name) });
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
            request(query_map_, isKLine());
            chartPage.initChartView();
            subscribe();
            prefetchNeighbours();
        } else {
            model.cancelPrefetch();
            frameHold.release();
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
        chartButtons.fill();
        chartButtons.selectKey(chartKey);
        chartPage.bind();
    }
}

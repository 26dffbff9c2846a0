// Runs beside the local back end, on a real display (xcb) with WebEngine: the
// link rules of the web views, a tab's page taking over quote, view and
// new-window links, the browser window's title, downloads and alert-mode
// close, and the main window's notices (pop-ups polled on a shortened
// interval, the login notice in a browser window in alert mode).
import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import QBaseService 1.0
import HFileIO 1.0
import "qrc:/qml/" as W
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/WebLinks.js" as WebLinks
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/JSUtil.js" as JSUtil

TestCase {
    id: test
    name: "Browser"
    when: windowShown

    property string base: typeof controlUrl !== "undefined" ? controlUrl : ""
    property var addresses: null
    property var stock: null       // {code, market} of a stock the back end has news about
    property var newsId: ""
    property var researchId: ""

    QBaseService { id: baseService }
    HFileIO { id: hFileIO }

    Component {
        id: browserWindow
        W.BrowserWindow {}
    }
    Window {
        id: hostWin
        width: 900; height: 600
        visible: true
        property var quotes: []
        property var tabs: []
        property var windows: []
        function onChangeToMQView(info) { quotes.push(info); }
        function onChangedTabView(title, url) { tabs.push({ title: title, url: url }); }
        function createWindow(arg) {
            var w = browserWindow.createObject(null, { applicationRoot: hostWin });
            if (typeof arg === "string")
                w.url = arg;
            windows.push(w);
            return w;
        }
        W.BrowserView { id: view; anchors.fill: parent }
    }

    function getJson(url) {
        var out = null;
        JSHttp.getData(url, {}, {}, function (ok, reply) { out = { ok: ok, reply: reply }; });
        tryVerify(function () { return out !== null; }, 10000);
        verify(out.ok, url);
        return out.reply;
    }
    // The page v loads has loaded and drawn a frame: a click before that
    // may find no page to take it.
    function loaded(v) {
        tryVerify(function () { return !v.loading && v.loadProgress === 100; }, 30000, "page did not load");
        painted(v);
    }
    // Two animation frames of the page have run (the page is on the screen
    // and takes input).
    function painted(v) {
        var frames = null;
        v.runJavaScript("window.testFrames = 0; requestAnimationFrame(function () {"
                        + " requestAnimationFrame(function () { window.testFrames = 2; }); }); 0");
        tryVerify(function () {
            v.runJavaScript("window.testFrames", function (x) { frames = x; });
            return frames === 2;
        }, 10000, "the page drew no frame (saw " + frames + ")");
    }
    // Loads url into v and waits for that load, not the page v showed
    // before (which may be the same address, already at 100%).
    function open(v, url) {
        var succeeded = false;
        function seen(r) { if (r.status === 2) succeeded = true; }   // WebEngineView.LoadSucceededStatus
        v.loadingChanged.connect(seen);
        v.url = url;
        tryVerify(function () { return succeeded && !v.loading; }, 30000, "page did not load: " + url);
        v.loadingChanged.disconnect(seen);
        painted(v);
    }
    // Clicks a link of the page with the mouse, as a user does (pages may
    // not open other schemes without a user's gesture).
    function click(v, id) {
        var r = null;
        v.runJavaScript("(function () { var b = document.getElementById('" + id + "').getBoundingClientRect();"
                        + " return [b.left, b.top, b.width, b.height]; })()", function (x) { r = x; });
        tryVerify(function () { return r !== null; }, 10000);
        mouseClick(v, r[0] + r[2] / 2, r[1] + r[3] / 2);
    }
    // Follows a link href set on a temporary anchor, clicked with the mouse.
    function follow(v, href) {
        v.runJavaScript("(function () { var a = document.createElement('a'); a.id = 'tmp'; a.textContent = 'link';"
                        + " a.style = 'position:fixed;left:300px;top:300px'; a.href = " + JSON.stringify(href) + ";"
                        + " var o = document.getElementById('tmp'); if (o) o.remove(); document.body.appendChild(a); })()");
        click(v, "tmp");
    }

    function initTestCase() {
        verify(base !== "", "no back end: TARVOLIN_CONTROL_URL is not set");
        if (Qt.platform.pluginName === "offscreen")
            skip("needs a real display");
        addresses = getJson(base + "v3clientcontrol");
        baseService.setServerAddress(addresses);
        var pools = getJson(base + "api/stock_pool");
        stock = { code: pools[0].stocks[0].tradingcode, market: Number(pools[0].stocks[0].exchangecode) };
        var fill = { code: stock.code, market: stock.market };
        newsId = getJson(JSUtil.tagRplace(addresses.url.stock_news_list, fill)).data[0].id;
        researchId = getJson(JSUtil.tagRplace(addresses.url.research_list, fill)).data[0].id;
        Sql.dbInit();
        Sql.dbExecuteSql("Replace INTO StockDictionary(code,market,name,type,pinyin,active) VALUES(?, ?, ?, ?, ?, ?)",
                         [stock.code, stock.market, "测试股", 2, "CSG", 1]);
        Sql.dbExecuteSql("DELETE FROM StockDictionary WHERE code='999999'", []);
    }

    function test_link_rules_data() {
        return [
            { tag: "quote", url: "goto::quote::x,600000,1", tab: true, want: "quote 600000 1" },
            { tag: "quote in window", url: "goto::quote::x,000001,2", tab: false, want: "quote 000001 2" },
            { tag: "quote without market", url: "goto::quote::x,600000", tab: true, want: "ignore" },
            { tag: "other goto", url: "goto::news::1", tab: true, want: "ignore" },
            { tag: "view", url: "app://qml/qml/QFlowView.qml?title=x", tab: true, want: "tab /qml/QFlowView.qml" },
            { tag: "monitor", url: "app://qml/qml/QMarketHotMonitor.qml", tab: true, want: "tab /qml/QMarketHotMonitor.qml" },
            { tag: "view in window", url: "app://qml/qml/QFlowView.qml", tab: false, want: "ignore" },
            { tag: "not a view", url: "app://qml/qml/main.qml", tab: true, want: "ignore" },
            { tag: "login window", url: "app://qml/qml/LoginView.qml", tab: true, want: "ignore" },
            { tag: "part path", url: "app://qml/qml/../qml/MQView.qml", tab: true, want: "ignore" },
            { tag: "contained only", url: "http://a/?next=app://qml/qml/MQView.qml", tab: true, want: "load" },
            { tag: "outside article", url: "https://outside.example/article/1.html", tab: true, want: "ignore" },
            { tag: "outside article in window", url: "https://outside.example/article/1.html", tab: false, want: "load" },
            { tag: "outside login", url: "https://passport.outside.example/login?x", tab: true, want: "ignore" },
            { tag: "page", url: "http://127.0.0.1/news", tab: true, want: "load" },
        ];
    }
    function test_link_rules(row) {
        var a = WebLinks.linkAction(row.url, row.tab);
        var got = a.action + (a.action === "quote" ? " " + a.code + " " + a.market : a.action === "tab" ? " " + a.document : "");
        compare(got, row.want);
    }

    function test_titles_and_download_names() {
        compare(WebLinks.windowTitle("新闻"), "金融终端  新闻");
        compare(WebLinks.windowTitle(""), "金融终端 ");
        compare(WebLinks.windowTitle("www." + WebLinks.makerDomain + "/a"), "金融终端 ");
        compare(WebLinks.downloadName("../研报/a\\b\u0001", 5), "研报ab_5.pdf");
        compare(WebLinks.downloadName("...", 7), "report_7.pdf");
        verify(WebLinks.isPdf("application/pdf"));
        verify(WebLinks.isPdf("Application/PDF; charset=binary"));
        verify(!WebLinks.isPdf("application/octet-stream"));
    }

    function test_tab_page_links() {
        open(view, base + "news/view?id=" + newsId);
        var pageUrl = String(view.url);
        // A stock the dictionary has: its quote view.
        click(view, "quote");
        tryVerify(function () { return hostWin.quotes.length === 1; }, 10000);
        compare(hostWin.quotes[0].code, stock.code);
        compare(Number(hostWin.quotes[0].market), stock.market);
        // One it does not have, and another goto:: link: nothing, no load.
        follow(view, "goto::quote::x,999999,1");
        follow(view, "goto::news::1");
        // A program view: a tab titled by its route.
        click(view, "flow");
        tryVerify(function () { return hostWin.tabs.length === 1; }, 10000);
        compare(hostWin.tabs[0].title, "资金流向");
        verify(hostWin.tabs[0].url.indexOf("app://qml/qml/QFlowView.qml") === 0);
        compare(hostWin.quotes.length, 1);
        compare(String(view.url), pageUrl);
        // A view that is not a screen: nothing.
        follow(view, "app://qml/qml/main.qml");
        // A new-window link: a browser window on that page.
        var before = hostWin.windows.length;
        click(view, "window");
        tryVerify(function () { return hostWin.windows.length === before + 1; }, 10000);
        var w = hostWin.windows[before];
        loaded(w.webView);
        tryCompare(w, "title", "金融终端  " + w.webView.title);
        verify(w.webView.title.length > 0);
        compare(hostWin.tabs.length, 1);
        // Alert mode: the close asks first; "当天不再提醒" closes and emits cancelNotice.
        w.show_alert = true;
        var cancelled = 0;
        w.cancelNotice.connect(function () { cancelled += 1; });
        w.requestClose();
        verify(w.visible);
        verify(w.alert !== null);
        compare(w.alert.ok_text_, "当天不再提醒");
        w.alert.clickedOk();
        compare(cancelled, 1);
        verify(!w.visible);
        // A plain close emits clickedClose.
        var plain = hostWin.createWindow(base + "notice/view?type=2");
        var closed = 0;
        plain.clickedClose.connect(function () { closed += 1; });
        plain.requestClose();
        compare(closed, 1);
        verify(!plain.visible);
    }

    function test_context_menu_and_refresh() {
        open(view, base + "news/view?id=" + newsId);
        view.right_menu = false;
        mouseClick(view, 100, 100, Qt.RightButton);
        wait(300);
        verify(!view.refreshMenu.visible);
        view.right_menu = true;
        mouseClick(view, 100, 100, Qt.RightButton);
        tryVerify(function () { return view.refreshMenu.visible; }, 10000);
        // "刷新" loads the page again.
        var starts = 0;
        function counter(r) { if (r.status === 0) starts += 1; }   // WebEngineView.LoadStartedStatus
        view.loadingChanged.connect(counter);
        compare(view.refreshMenu.itemAt(0).contentItem.text, "刷新");
        view.refreshMenu.itemAt(0).triggered();
        tryVerify(function () { return starts === 1; }, 10000);
        view.loadingChanged.disconnect(counter);
        loaded(view);
        view.refreshMenu.close();
    }

    function test_downloads() {
        var w = hostWin.createWindow(base + "research/view?id=" + researchId);
        loaded(w.webView);
        click(w.webView, "pdf");
        tryVerify(function () { return w.lastDownload !== ""; }, 20000, "no PDF download");
        verify(/_\d+\.pdf$/.test(w.lastDownload), w.lastDownload);
        verify(w.lastDownload.indexOf("/") < 0);
        compare(w.lastDownload.indexOf(w.webView.title.replace(/[\/\\]/g, "")), 0);
        // Anything but a PDF is cancelled.
        w.webView.runJavaScript("location.href = '/bytes?hex=414243'");
        tryVerify(function () { return w.lastDownload === ""; }, 20000, "a non-PDF download was kept");
        w.close();
    }

    Component {
        id: newsListComponent
        W.QNewsList { width: 600; height: 200; z: 10 }
    }
    // A double click on a news row opens its page in a browser window of the
    // hosting window.
    function test_news_row_opens_a_window() {
        var list = createTemporaryObject(newsListComponent, hostWin.contentItem);
        list.getNewsListData("research_list,research_view", { code: stock.code, market: stock.market });
        tryVerify(function () { return list.model_.count > 0; }, 10000);
        var before = hostWin.windows.length;
        waitForRendering(list);
        mouseDoubleClickSequence(list.listView, 100, 12);
        tryVerify(function () { return hostWin.windows.length === before + 1; }, 10000);
        var w = hostWin.windows[before];
        compare(String(w.url), addresses.url.research_view.replace("{{id}}", list.model_.get(0).id));
        loaded(w.webView);
        w.close();
    }

    Component {
        id: flowComponent
        W.QFlowView { width: 900; height: 500 }
    }
    // The 63-day chart: hidden until the page is in, the data drawn by the
    // chart library; data with quotes and backslashes reach the page intact.
    function test_flow_chart() {
        var v = createTemporaryObject(flowComponent, hostWin.contentItem);
        verify(!v.visible);
        v.setCodeInfo({ code: stock.code, market: stock.market });
        tryVerify(function () { return v.visible && v.updates === 1; }, 30000);
        var got = null;
        v.runJavaScript("JSON.stringify({ x: chart.getOption().xAxis[0].data.length, s: chart.getOption().series.map("
                        + "function (s) { return s.name + ':' + s.data.length; }), g: chart.getOption().grid[0].left })",
                        function (r) { got = JSON.parse(r); });
        tryVerify(function () { return got !== null; }, 10000);
        compare(got.x, 63);
        compare(got.s, ["主力净流入:63", "超大单净流入:63", "大单净流入:63", "中单净流入:63", "小单净流入:63"]);
        compare(got.g, 60);
        got = null;
        v.run("updateData(" + JSON.stringify(JSON.stringify({ xaxis: ["a'b"], series: [{ name: "x'\\\"</script>", data: [1] }] })) + ")");
        tryVerify(function () { return v.updates === 2; }, 10000);
        v.runJavaScript("chart.getOption().series[0].name + '|' + chart.getOption().xAxis[0].data[0]", function (r) { got = r; });
        tryVerify(function () { return got !== null; }, 10000);
        compare(got, "x'\\\"</script>|a'b");
    }

    // The main window: pop-up notices at start and on each shortened poll,
    // the login notice (a page) in a browser window in alert mode.
    function test_main_window_notices() {
        hFileIO.writedFileDefaultPath("notice_2.json", "");
        hFileIO.writedFileDefaultPath("notice_3.json", "");
        var c = Qt.createComponent("qrc:/qml/main.qml");
        compare(c.status, Component.Ready, c.errorString());
        var win = c.createObject(null);
        win.syncService.running = false;
        win.notices.interval = 300;
        tryVerify(function () { return win.notices.popupCount >= 3; }, 30000);
        win.notices.running = false;
        tryVerify(function () { return win.notices.loginWindow !== null; }, 10000);
        var login = win.notices.loginWindow;
        verify(login.show_alert);
        loaded(login.webView);
        tryCompare(login, "title", "金融终端  系统维护通知");
        login.requestClose();
        verify(login.visible);
        login.alert.clickedOk();
        var stored = JSON.parse(hFileIO.readFileDefaultPath("notice_2.json"));
        compare(stored.pop, JSUtil.dateFormat("yyyy-MM-dd", new Date()));
        win.destroy();
    }
}

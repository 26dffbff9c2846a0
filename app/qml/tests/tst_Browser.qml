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

TextCase {
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
        SignalSpy { id: menuRequests; target: view; signalName: "contextMenuRequested" }
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
            { tag: "title bar", url: "app://qml/qml/QTitleView.qml", tab: true, want: "ignore" },
            { tag: "tab area", url: "app://qml/qml/QTabView.qml?title=x", tab: true, want: "ignore" },
            { tag: "part of a view", url: "app://qml/qml/MQNewsView.qml", tab: true, want: "ignore" },
            { tag: "sub window", url: "app://qml/qml/SubWindow.qml", tab: true, want: "ignore" },
            { tag: "chart", url: "app://qml/qml/MQView.qml?code=600000&market=1#chart=mline", tab: true, want: "tab /qml/MQView.qml" },
            { tag: "home", url: "app://qml/qml/HomeView.qml", tab: true, want: "tab /qml/HomeView.qml" },
            { tag: "multi stock", url: "app://qml/qml/QMultiStockView.qml", tab: true, want: "tab /qml/QMultiStockView.qml" },
            { tag: "block monitor", url: "app://qml/qml/QMarketBlockMonitor.qml", tab: true, want: "tab /qml/QMarketBlockMonitor.qml" },
            { tag: "screen in a folder", url: "app://qml/qml/x/MQView.qml", tab: true, want: "ignore" },
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

    function test_web_addresses_data() {
        return [
            { tag: "http", url: "http://127.0.0.1:7710/news", want: true },
            { tag: "https", url: "HTTPS://example.org/", want: true },
            { tag: "file", url: "file:///etc/passwd", want: false },
            { tag: "data", url: "data:text/html,<b>x</b>", want: false },
            { tag: "javascript", url: "javascript:alert(1)", want: false },
            { tag: "program view", url: "app://qml/qml/MQView.qml", want: false },
            { tag: "no host", url: "http:///x", want: false },
            { tag: "empty", url: "", want: false },
        ];
    }
    function test_web_addresses(row) {
        compare(WebLinks.isWebAddress(row.url), row.want);
    }

    function test_download_decisions() {
        var d = WebLinks.downloadDecision("application/pdf", "研报/一", 9);
        compareText([d.accept, d.name, d.note], [true, "研报一_9.pdf", ""]);
        d = WebLinks.downloadDecision("text/html", "研报", 9);
        compareText([d.accept, d.name, d.note], [false, "", "未下载：只接受 PDF 文件"]);
        compareText(WebLinks.downloadNote("completed", "/home/u/下载/a_1.pdf", ""), "报告已保存到 /home/u/下载/a_1.pdf");
        compareText(WebLinks.downloadNote("failed", "", "磁盘已满"), "报告下载失败：磁盘已满");
        compareText(WebLinks.downloadNote("failed", "", ""), "报告下载失败");
    }

    function test_titles_and_download_names() {
        // The back end's own pages are titled by their address while loading.
        compareText(WebLinks.windowTitle("127.0.0.1:7710/notice/view"), "金融终端 ");
        compareText(WebLinks.windowTitle("新闻"), "金融终端  新闻");
        compareText(WebLinks.windowTitle(""), "金融终端 ");
        compareText(WebLinks.windowTitle("www." + WebLinks.makerDomain + "/a"), "金融终端 ");
        compareText(WebLinks.downloadName("../研报/a\\b\u0001", 5), "研报ab_5.pdf");
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
        compareText(hostWin.tabs[0].title, "资金流向");
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
        tryCompareText(w, "title", "金融终端  " + w.webView.title);
        verify(w.webView.title.length > 0);
        compare(hostWin.tabs.length, 1);
        // Alert mode: the close asks first; "当天不再提醒" closes and emits cancelNotice.
        w.show_alert = true;
        var cancelled = 0;
        w.cancelNotice.connect(function () { cancelled += 1; });
        w.requestClose();
        verify(w.visible);
        verify(w.alert !== null);
        compareText(w.alert.ok_text_, "当天不再提醒");
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
        menuRequests.clear();
        mouseClick(view, 100, 100, Qt.RightButton);
        // The page's request has come and gone without a menu.
        tryCompare(menuRequests, "count", 1, 10000);
        verify(!view.refreshMenu.visible);
        view.right_menu = true;
        mouseClick(view, 100, 100, Qt.RightButton);
        tryVerify(function () { return view.refreshMenu.visible; }, 10000);
        // "刷新" loads the page again.
        var starts = 0;
        function counter(r) { if (r.status === 0) starts += 1; }   // WebEngineView.LoadStartedStatus
        view.loadingChanged.connect(counter);
        compareText(view.refreshMenu.itemAt(0).contentItem.text, "刷新");
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
        tryVerify(function () { return w.downloads.savedPath !== ""; }, 20000, "no PDF saved");
        compareText(w.downloads.note, "报告已保存到 " + w.downloads.savedPath);
        verify(/_\d+\.pdf$/.test(w.lastDownload), w.lastDownload);
        verify(w.lastDownload.indexOf("/") < 0);
        compare(w.lastDownload.indexOf(w.webView.title.replace(/[\/\\]/g, "")), 0);
        // Anything but a PDF is cancelled.
        w.webView.runJavaScript("location.href = '/bytes?hex=414243'");
        tryVerify(function () { return w.lastDownload === ""; }, 20000, "a non-PDF download was kept");
        compareText(w.downloads.note, "未下载：只接受 PDF 文件");
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
    // chart library under the stock's name (the dictionary's when the route
    // gives none); data with quotes and backslashes reach the page intact.
    // What expr gives in the page, once ok(it) holds (the page runs the
    // scripts handed to it in turn).
    function pageValue(v, expr, ok) {
        var got;
        tryVerify(function () {
            v.runJavaScript("(function () { try { return " + expr + "; } catch (e) { return null; } })()",
                            function (r) { got = r; });
            return got !== undefined && got !== null && ok(got);
        }, 30000, "the page's " + expr);
        return got;
    }
    function test_flow_chart() {
        var v = createTemporaryObject(flowComponent, hostWin.contentItem);
        verify(!v.visible);
        v.setCodeInfo({ code: stock.code, market: stock.market });
        tryVerify(function () { return v.visible; }, 30000);
        pageValue(v, "chart.getOption().xAxis[0].data.length", function (n) { return n === 63; });
        var got = null;
        v.runJavaScript("JSON.stringify({ x: chart.getOption().xAxis[0].data.length, s: chart.getOption().series.map("
                        + "function (s) { return s.name + ':' + s.data.length; }), g: chart.getOption().grid[0].left,"
                        + " t: chart.getOption().title[0].text, top: chart.getOption().grid[0].top })",
                        function (r) { got = JSON.parse(r); });
        tryVerify(function () { return got !== null; }, 10000);
        compare(got.x, 63);
        compareText(got.s, ["主力净流入:63", "超大单净流入:63", "大单净流入:63", "中单净流入:63", "小单净流入:63"]);
        compare(got.g, 60);
        compareText(got.t, "测试股");
        verify(got.top >= 30, "the plot starts below the name, at " + got.top);
        got = null;
        v.run("updateData(" + JSON.stringify(JSON.stringify({ xaxis: ["a'b"], series: [{ name: "x'\\\"</script>", data: [1] }] })) + ")");
        got = pageValue(v, "chart.getOption().series[0].name + '|' + chart.getOption().xAxis[0].data[0]",
                        function (t) { return t.indexOf("|a'b") >= 0; });
        compare(got, "x'\\\"</script>|a'b");

        // A name given by the caller is shown as it stands.
        v.setCodeInfo({ code: stock.code, market: stock.market, name: "乙'<b>" });
        got = pageValue(v, "chart.getOption().title[0].text", function (t) { return t !== "" && t !== "测试股"; });
        compareText(got, "乙'<b>");
    }

    // The main window: pop-up notices at start and on each shortened poll,
    // the login notice (a page) in a browser window in alert mode.
    function test_main_window_notices() {
        hFileIO.writedFileDefaultPath("notice_2.json", "");
        hFileIO.writedFileDefaultPath("notice_3.json", "");
        var c = Qt.createComponent("qrc:/qml/main.qml");
        compare(c.status, Component.Ready, c.errorString());
        var win = c.createObject(null);
        var popups = countPopups(win.notices);
        win.syncService.running = false;
        win.notices.interval = 300;
        tryVerify(function () { return popups.count >= 3; }, 30000);
        win.notices.running = false;
        tryVerify(function () { return win.notices.loginWindow !== null; }, 10000);
        var login = win.notices.loginWindow;
        verify(login.show_alert);
        loaded(login.webView);
        tryCompareText(login, "title", "金融终端  系统维护通知");
        login.requestClose();
        verify(login.visible);
        login.alert.clickedOk();
        var stored = JSON.parse(hFileIO.readFileDefaultPath("notice_2.json"));
        compare(stored.pop, JSUtil.dateFormat("yyyy-MM-dd", new Date()));
        win.destroy();
    }

    // A page of our own on the back end's address: three window.open calls
    // from timers (no click), then "opened" as its title, and a link that
    // opens a window when clicked.
    function openerPage() {
        return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>opener</title></head><body>"
                + "<a id=\"click\" target=\"_blank\" href=\"/news/view?id=" + newsId + "\" "
                + "style=\"position:fixed;left:20px;top:20px\">新窗口</a><script>"
                + "var n = 0; function tick() { window.open('/notice/view?type=2', '_blank'); n += 1;"
                + " if (n < 3) setTimeout(tick, 0); else document.title = 'opened'; }"
                + " setTimeout(tick, 0);</script></body></html>";
    }
    function test_window_open_needs_a_click_data() {
        return [{ tag: "tab" }, { tag: "window" }];
    }
    function test_window_open_needs_a_click(row) {
        var v = view;
        var w = null;
        if (row.tag === "window") {
            w = hostWin.createWindow("");
            v = w.webView;
        }
        var before = hostWin.windows.length;
        v.loadHtml(openerPage(), base);
        tryCompare(v, "title", "opened", 30000);
        // The click's window comes after any the timers asked for.
        click(v, "click");
        tryVerify(function () { return hostWin.windows.length > before; }, 20000, "the click opened no window");
        var opened = hostWin.windows[hostWin.windows.length - 1];
        loaded(opened.webView);
        compare(hostWin.windows.length, before + 1, "only the click opens a window");
        verify(String(opened.webView.url).indexOf("/news/view?id=") > 0, String(opened.webView.url));
        opened.closeNow();
        if (w)
            w.closeNow();
    }

    // Alert mode refuses every way of closing: the title bar's close button
    // (a click) and a close from the window system (Alt+F4 sends the same
    // close event); each asks, and "继续提醒" closes without dismissing.
    function test_alert_mode_refuses_every_close_data() {
        return [{ tag: "window system" }, { tag: "close button" }];
    }
    function test_alert_mode_refuses_every_close(row) {
        var w = hostWin.createWindow(base + "notice/view?type=2");
        loaded(w.webView);
        w.show_alert = true;
        var cancelled = 0, closed = 0;
        w.cancelNotice.connect(function () { cancelled += 1; });
        w.clickedClose.connect(function () { closed += 1; });
        if (row.tag === "window system") {
            w.close();
        } else {
            waitForRendering(w.titleBar);
            mouseClick(w.titleBar, w.titleBar.width - 15, 15);
        }
        verify(w.visible, "the window stayed open");
        verify(w.alert !== null, "the question is asked");
        compareText(w.alert.text_, "下次启动是否不再弹出本条消息？");
        w.close();                     // asked once only
        verify(w.visible);
        w.alert.clickedCancel();
        verify(!w.visible);
        compare(cancelled, 0);
        compare(closed, 0);
    }

    // The title bar moves the window, as the sub windows' do.
    function test_title_bar_moves_the_window() {
        var w = hostWin.createWindow(base + "notice/view?type=2");
        loaded(w.webView);
        w.x = 100;
        w.y = 120;
        tryCompare(w, "x", 100);
        waitForRendering(w.titleBar);
        mousePress(w.titleBar, 200, 15);
        mouseMove(w.titleBar, 260, 45, -1, Qt.LeftButton);
        mouseRelease(w.titleBar, 260, 45);
        tryCompare(w, "x", 160);
        tryCompare(w, "y", 150);
        w.closeNow();
    }

    // A tab takes a report's PDF as a window does and says where it went;
    // anything else is refused with a line saying why.
    function test_tab_downloads() {
        open(view, base + "research/view?id=" + researchId);
        var title = view.title;
        click(view, "pdf");
        tryVerify(function () { return view.downloads.savedPath !== ""; }, 20000, "no PDF saved from the tab");
        var name = view.downloads.lastDownload;
        verify(/_\d+\.pdf$/.test(name), name);
        compare(name.indexOf(title.replace(/[\/\\]/g, "")), 0);
        verify(view.downloads.savedPath.indexOf("/" + name) > 0, view.downloads.savedPath);
        compareText(view.downloads.note, "报告已保存到 " + view.downloads.savedPath);
        verify(view.downloads.visible);
        view.runJavaScript("location.href = '/bytes?hex=414243'");
        tryVerify(function () { return view.downloads.lastDownload === ""; }, 20000, "a non-PDF download was kept");
        compareText(view.downloads.note, "未下载：只接受 PDF 文件");
        mouseClick(view.downloads);
        verify(!view.downloads.visible, "a click hides the line");
    }
}

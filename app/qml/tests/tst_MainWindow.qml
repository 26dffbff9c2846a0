import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import HFileIO 1.0
import QBaseService 1.0
import "qrc:/qml/js/Database.js" as Sql

// The main window's layout and its routing rules (stub views for documents).
TextCase {
    id: test
    name: "MainWindow"
    when: windowShown
    property var win: null
    HFileIO { id: files }
    QBaseService { id: base }

    function initTestCase() {
        Sql.dbInit();
        var c = Qt.createComponent("qrc:/qml/main.qml");
        compare(c.status, Component.Ready, c.errorString());
        win = c.createObject(null);
        verify(win !== null);
        win.tabView.documentBase = Qt.resolvedUrl("stubs").toString();
        win.syncService.running = false;
    }
    function cleanupTestCase() {
        win.destroy();
    }
    function init() {
        while (win.tabView.count > 1)
            win.tabView.closeTab(win.tabView.count - 1);
    }

    // Browser windows open on web addresses only, as tabs do.
    function test_createWindow_refuses_other_addresses_data() {
        return [
            { tag: "file", url: "file:///etc/passwd" },
            { tag: "data", url: "data:text/html,<script>window.open('x')</script>" },
            { tag: "javascript", url: "javascript:alert(1)" },
            { tag: "program view", url: "app://qml/qml/QTitleView.qml" },
            { tag: "resource", url: "qrc:/qml/main.qml" },
            { tag: "empty", url: "" },
        ];
    }
    function test_createWindow_refuses_other_addresses(row) {
        compare(win.createWindow(row.url), null, row.url);
    }

    function test_layout() {
        compare(win.objectName, "mainWindow");
        compareText(win.title, "金融终端");
        compare(String(win.color), "#191b1f");
        verify(win.flags & Qt.FramelessWindowHint);
        compare(win.titleView.y, 0);
        compare(win.titleView.height, 31);
        compare(win.quickBar.y, 31);
        compare(win.quickBar.height, 35);
        compare(win.tabView.y, 66);
        compare(win.stateBar.height, 31);
        compare(win.stateBar.y + 31, win.contentItem.height);
        compare(win.tabView.y + win.tabView.height, win.stateBar.y);
        // The fixed home tab comes first, even before its view exists.
        compareText(win.tabView.entries[0].title, "首页");
        compare(win.tabView.entries[0].homeTag, true);
        compare(win.tabView.entries[0].route.url, "app://qml/qml/HomeView.qml");
    }

    function test_routes() {
        win.onChangedTabView("x", "");
        win.onChangedTabView("x", null);
        compare(win.tabView.count, 1);
        // findview of the chart with no chart open: 上证指数 with the given values.
        win.onChangedTabView("", "app://findview/qml/MQView.qml?cycle=39");
        compare(win.tabView.count, 2);
        var q = win.tabView.entries[1].route.query_map;
        compareText([q.code, q.market, q.name, q.cycle, q.chart], ["1A0001", "1", "上证指数", "39", "mline"]);
        win.tabView.closeTab(1);
        // A view's changeToMQView opens the chart tab.
        win.onChangedTabView("自选", "app://qml/qml/StubView.qml?g=1");
        var v = win.tabView.currentItem;
        v.changeToMQView({ code: "600000", market: "1", name: "沪市000", cmd: "c", chart: "kline" });
        compare(win.tabView.count, 3);
        compareText(win.tabView.entries[2].title, "沪市000");
        var r = win.tabView.entries[2].route;
        compare(r.url_query, "app://qml/qml/MQView.qml?code=600000&market=1");
        compareText([r.query_map.chart, r.query_map.name, r.query_map.cmd], ["kline", "沪市000", undefined]);
        // The same chart twice keeps one tab.
        win.onChangeToMQView({ code: "600000", market: "1", name: "沪市000", chart: "kline" });
        compare(win.tabView.count, 3);
        // findview takes the open chart tab.
        win.onChangedTabView("", "app://findview/qml/MQView.qml?cycle=39");
        compare(win.tabView.count, 3);
        compare(win.tabView.entries[2].route.query_map.cycle, "39");
        // curview changes the current tab and opens none.
        win.onChangedTabView("F10", "app://curview/?#chart=f10");
        compare(win.tabView.count, 3);
    }

    function test_quickBarFlags() {
        win.onQuickClicked("x", "");
        compare(win.tabView.count, 1);
        // A formula group that does not exist: the "提醒" tab with the flag's url.
        win.onQuickClicked("趋势指标", "app://findview/qml/MQView.qml?formula_group_name=%E6%B2%A1%E6%9C%89&url=http%3A%2F%2F127.0.0.1%3A7710%2Fnews");
        compare(win.tabView.count, 2);
        compareText(win.tabView.entries[1].title, "提醒");
        compare(win.tabView.entries[1].route.url, "http://127.0.0.1:7710/news");
        win.onQuickClicked("我的", "app://qml/qml/StubView.qml?q=1");
        compareText(win.tabView.entries[2].title, "我的");
    }

    function test_functionKeys() {
        var keys = {};
        for (var i = 0; i < win.shortcuts.length; ++i)
            keys[win.shortcuts[i].sequence] = win.shortcuts[i];
        keys["F3"].activated();
        var e = win.tabView.entries[win.tabView.currentIndex];
        compareText(e.title, "上证指数");
        compare(e.route.url_query, "app://qml/qml/MQView.qml?code=1A0001&market=1");
        compare(e.route.query_map.chart, "mline");
        compare(e.route.query_map.type, "1");  // an index: its view shows no stock pages
        keys["F4"].activated();
        e = win.tabView.entries[win.tabView.currentIndex];
        compareText(e.title, "深证成指");
        compare(e.route.url_query, "app://qml/qml/MQView.qml?code=399001&market=2");
        compare(e.route.query_map.type, "1");
        keys["F6"].activated();
        e = win.tabView.entries[win.tabView.currentIndex];
        compareText(e.title, "我的自选");
        compare(e.route.url, "app://qml/qml/MyStockView.qml");
        compare(win.tabView.count, 4);
        // A digit typed in the tab area opens the quick commands with it.
        win.tabView.quickKey("6");
        verify(win.quickCmd.opened);
        compare(win.quickCmd.input.text, "6");
        win.quickCmd.close();
    }

    function test_restoresMaximisedAfterMinimised() {
        win.showMaximized();
        tryCompare(win, "visibility", Window.Maximized);
        win.showMinimized();
        tryCompare(win, "visibility", Window.Minimized);
        win.showNormal();                       // restoring brings it back maximised
        tryCompare(win, "visibility", Window.Maximized);
    }

    function test_quitDialogAndSubWindow() {
        win.showQuitConfirm();
        var d = win.quitDialog;
        verify(d.visible);
        compareText(d.title, "退出确认");
        compare([d.width, d.height], [300, 150]);
        verify(d.flags & Qt.FramelessWindowHint);
        d.close();
        verify(!d.visible);
        verify(win.visible);
        var sub = win.createSubWindow("沪市000", "app://qml/qml/MQView.qml?code=600000&market=1");
        verify(sub !== null);
        compare(sub.title, "Hello World");
        compare([sub.width, sub.height], [1000, 650]);
        compare(sub.tabView.count, 1);
        compareText(sub.tabView.entries[0].title, "沪市000");
        sub.onChangeToMQView({ code: "000001", market: "2", name: "深市000" });
        compare(sub.tabView.count, 2);
        compare(sub.tabView.entries[1].route.url_query, "app://qml/qml/MQView.qml?code=000001&market=2");
        sub.destroy();
    }

    // A close request (the window manager's, Alt+F4) asks first, as the
    // title bar's close button does; 退出 then sends the queued edits under
    // "正在保存…" and closes the window once the back end answered (here it
    // cannot be reached, so the edit stays queued for the next sign-in).
    function test_closeRequestAsksThenSavesThenCloses() {
        win.close();
        verify(win.visible, "a close request ended the program without asking");
        verify(win.quitDialog && win.quitDialog.visible);
        compareText(win.quitDialog.title, "退出确认");

        base.setServerAddress({ url: { mystock: "http://127.0.0.1:1/api/mystock" } });
        Sql.dbAddMyStockCmd("ADD", "600000", 1, "1", "自选股1");
        var queued = Sql.dbGetMyStockCmd().length;
        win.quitDialog.quit();
        verify(!win.quitDialog.visible);
        verify(win.quitting);
        verify(savingNote().visible);
        compareText(savingNote().children[1].children[0].text, "正在保存…");
        tryVerify(function () { return !win.visible; }, 5000);
        compare(Sql.dbGetMyStockCmd().length, queued);
        base.setServerAddress({});
        Sql.dbDeleteMyStockCmd(Sql.dbGetMyStockCmd().map(function (r) { return r.id; }));
        verify(!win.quitting);
        win.show();
    }
    function savingNote() {
        var kids = win.contentItem.children;
        for (var i = 0; i < kids.length; ++i)
            if (kids[i].objectName === "savingNote")
                return kids[i];
        return null;
    }

    function test_exitMessageClosesTheWindow() {
        var closed = false;
        win.closing.connect(function () { closed = true; });
        win.onExitWindow("连接认证系统失败，点击确定退出！");
        verify(win.message.opened);
        compareText(win.message.msg_, "连接认证系统失败，点击确定退出！");
        verify(!win.message.is_cancel_);
        win.message.answer(true);
        verify(closed);
        verify(!win.visible);
        win.show();
    }

    // Escape or a press outside closes the pop-up without its button: the
    // program still ends, since it has no session left to run on.
    function test_exitMessageEndsTheProgramHoweverClosed() {
        var closed = 0;
        win.closing.connect(function () { closed++; });
        win.onExitWindow("心跳失败");
        verify(win.message.opened);
        win.message.close();  // what Escape and a press outside do
        tryVerify(function () { return closed === 1; });
        verify(!win.visible);
        win.show();
    }

    // A save the disk refuses is told in the window once, not at every
    // further save of that file.
    function test_saveFailureToldOnce() {
        win.message.close();
        tryVerify(function () { return !win.message.opened; });
        verify(!files.writedFileDefaultPath("no-such-folder/a.json", "x"));
        verify(win.message.opened);
        compareText(win.message.msg_, "保存失败：找不到保存的文件夹");
        win.message.close();
        tryVerify(function () { return !win.message.opened; });
        verify(!files.writedFileDefaultPath("no-such-folder/a.json", "y"));
        verify(!win.message.opened);
    }

    // A data file that is there but cannot be read (here the database's
    // folder where a file is asked for) is told in the window, once, and not
    // taken for a missing one silently.
    function test_unreadableFileToldOnce() {
        win.message.close();
        tryVerify(function () { return !win.message.opened; });
        compare(files.readFileDefaultPath("Databases"), "");
        tryVerify(function () { return win.message.opened; });
        compareText(win.message.msg_, "无法读取 Databases：不是普通文件");
        win.message.close();
        tryVerify(function () { return !win.message.opened; });
        compare(files.readFileDefaultPath("Databases"), "");
        verify(!win.message.opened);
    }
}

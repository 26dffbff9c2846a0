import QtQuick 2.15
import QtQuick.Window 2.15
import QMyStockService 1.0
import QQuorvexService 1.0
import HFileIO 1.0
import "qrc:/qml/js/Database.js" as Sql

// End-to-end runs only (loaded through TARVOLIN_TEST_MAIN_QML): the stock
// groups in the real main window. First run (--phase=first): the ranking
// screen's row menu (table-menu.png), its "添加自选" into the first group, the
// "自选股" view holding the stock (mystock.png), the background sync's upload,
// and a screening result listed by "条件选股" (screening-results.png). Second
// run (--phase=second): the groups of the new sign-in. Progress goes to the
// log as "demo: ..." lines. Each step waits for the state it reports and
// shoots (rows with names, charts with data, the login and pop-up notices come
// and put away), and a shot waits for the window to draw a frame after that.
QtObject {
    id: demo
    property var win: null
    property string dir: argument("--screenshots=", "screenshots")
    property string phase: argument("--phase=", "first")
    property int waited: 0
    property int step: 0
    property var view: null
    property var ranking: null
    property var menu: null
    property var stock: null
    property var myStock: QMyStockService {}
    property var results: QQuorvexService {}

    function argument(prefix, fallback) {
        var args = Qt.application.arguments;
        for (var i = 0; i < args.length; ++i)
            if (args[i].indexOf(prefix) === 0)
                return args[i].substring(prefix.length);
        return fallback;
    }
    function say(text) { console.info("demo: " + text); }
    // The test shoots the whole screen (pop-ups included) when asked, and the
    // run goes on once the file is there.
    property var files: HFileIO {}
    property string posing: ""
    property var afterShot: null
    // A shot waits for a frame drawn after it was asked for (frames then
    // passes shotFrame).
    property string shooting: ""
    property int frames: 0
    property int shotFrame: 0
    property var frameCounter: Connections {
        target: demo.win
        function onFrameSwapped() { demo.frames += 1; }
    }
    function grab(name, next) {
        shooting = name;
        shotFrame = frames;
        afterShot = next;
        win.update();
    }
    function ready() {
        return win.visible && win.stateBar.connected && win.tabView.entries.length > 0;
    }
    // The login notice and the pop-up notices come once after sign-in, each
    // in a window of its own over the main window: the shots wait for both,
    // then put them away.
    function noticesAway() {
        var n = win.notices;
        if (!n.loginWindow || !n.lastPopup)
            return false;
        n.loginWindow.visible = false;
        if (n.lastPopup)
            n.lastPopup.visible = false;
        win.requestActivate();
        return true;
    }
    // The table's first rows hold their names (their quotes came).
    function rowsNamed(v, n) {
        var m = v.table.table_model;
        if (m.rowCount() < n)
            return false;
        for (var i = 0; i < n; ++i)
            if (String(m.getCodeInfo(i).name || "") === "")
                return false;
        return true;
    }
    // The group view's upper chart pane shows the selected stock's data.
    function chartShown(v) {
        var c = v.pane1.chart;
        return v.pane1.codeInfo !== null && c.upper !== null && c.upper.getFirstKLineSize() > 0;
    }
    function open(title, url) {
        win.onChangedTabView(title, url);
        view = win.tabView.entries[win.tabView.currentIndex].item;
    }
    function groupCodes() {
        var doc = myStock.getJson(), out = [];
        var result = doc && doc.result ? doc.result : [];
        for (var g = 0; g < result.length; ++g)
            for (var i = 0; i < result[g].codes.length; ++i)
                out.push(result[g].group_id + ":" + result[g].codes[i].code);
        return out.join(",");
    }
    function tableRows(v) { return v.table.table_model.rowCount(); }

    property Timer poll: Timer {
        interval: 200
        repeat: true
        running: true
        onTriggered: {
            demo.waited += interval;
            if (demo.shooting !== "") {
                if (demo.frames > demo.shotFrame) {
                    demo.posing = demo.dir + "/" + demo.shooting;
                    demo.shooting = "";
                    demo.say("pose " + demo.posing);
                }
            } else if (demo.posing !== "") {
                if (demo.files.readFile(demo.posing).byteLength > 0) {
                    demo.say("wrote " + demo.posing);
                    demo.posing = "";
                    demo.afterShot();
                }
            } else if (demo.waited > 60000) {
                demo.say("timed out at step " + demo.step);
                Qt.quit();
            } else if (demo.phase === "second") {
                if (demo.ready()) {
                    demo.say("groups " + demo.groupCodes());
                    Qt.quit();
                }
            } else if (demo.step === 0 && demo.ready() && demo.noticesAway()) {
                demo.step = 1;
                demo.say("groups " + demo.groupCodes());
                demo.open("涨幅排名", "app://qml/qml/QRankingView.qml?tab=1100#block=1101&field=34&sort=0");
                demo.ranking = demo.view;
            } else if (demo.step === 1 && demo.tableRows(demo.view) > 5) {
                demo.step = 2;
                var table = demo.view.table.table;
                demo.stock = table.table_model.getCodeInfo(2);
                table.openMenu(2);
                demo.menu = table.rMenu;
                demo.waited = 0;
            } else if (demo.step === 2 && demo.menu && demo.menu.opened && demo.menu.count > 0) {
                demo.step = 3;
                demo.say("menu " + demo.menu.entries.map(function (e) { return e.name === "" ? "-" : e.name; }).join(" "));
                demo.grab("table-menu.png", function () {
                    var add = demo.menu.entries[0].menuItems[0];
                    demo.menu.choose(add.key);
                    demo.menu.close();
                    demo.say("added " + demo.stock.code + " to " + add.name);
                    // A second stock the same way, so the group holds two.
                    var table = demo.ranking.table.table;
                    table.openMenu(5);
                    table.rMenu.choose(table.rMenu.entries[0].menuItems[0].key);
                    table.rMenu.close();
                    demo.open("我的自选", "app://qml/qml/MyStockView.qml");
                    demo.step = 4;
                    demo.waited = 0;
                });
            } else if (demo.step === 4 && demo.rowsNamed(demo.view, 2) && demo.chartShown(demo.view)) {
                demo.step = 5;
                demo.say("mystock rows " + demo.tableRows(demo.view) + " last " + demo.view.table.table_model.getCodeInfo(demo.tableRows(demo.view) - 1).code);
                demo.grab("mystock.png", function () { demo.step = 6; demo.waited = 0; });
            } else if (demo.step === 6 && Sql.dbGetMyStockCmd().length === 0) {
                demo.step = 7;
                demo.say("uploaded after " + demo.waited + " ms");
                // A screening result handed over as the screening page would
                // hand it, with the ranking's first codes.
                var rows = [], ranking = demo.ranking.table.table_model;
                for (var i = 0; i < 6; ++i) {
                    var info = ranking.getCodeInfo(i);
                    rows.push({ stock_code: String(info.code), exchange_type: String(info.market) });
                }
                demo.say("screening " + demo.results.quorvexResponse({ type: 0, data: rows }));
                demo.open("条件选股", "app://qml/qml/QuorvexView.qml");
                demo.waited = 0;
            } else if (demo.step === 7 && demo.rowsNamed(demo.view, 6) && demo.chartShown(demo.view)) {
                demo.step = 8;
                demo.say("results " + demo.view.bar.model_.count + " rows " + demo.tableRows(demo.view));
                demo.grab("screening-results.png", function () { Qt.quit(); });
            }
        }
    }

    Component.onCompleted: {
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        var screen = Qt.application.screens[0];
        if (win.visibility === Window.Maximized && screen && win.width < screen.desktopAvailableWidth) {
            win.x = 0;
            win.y = 0;
            win.width = screen.desktopAvailableWidth;
            win.height = screen.desktopAvailableHeight;
        }
        if (typeof QRoot !== "undefined")
            QRoot.setWindow(win);
    }
}

import QtQuick 2.15
import QtQuick.Window 2.15

// Demo and end-to-end runs only (loaded through TARVOLIN_TEST_MAIN_QML): opens
// the real main window, waits until the quick bar, the marquee and the quote
// server's state are in and the home view is filled, writes <dir>/main.png
// and home.png, opens a stock through the quick
// commands, writes <dir>/stock.png and quits. Arguments: --screenshots=DIR
// (default "screenshots"), --until-disconnected (stay until the quote
// server is gone, then quit), --day-kline (switch the stock to its day K-line
// through the quick command "96" before the screenshot), --main-shot=NAME and
// --stock-shot=NAME (the screenshots' file names, default main.png and
// stock.png). Progress goes to the log as "demo: ..." lines.
QtObject {
    id: demo
    property var win: null
    property string dir: argument("--screenshots=", "screenshots")
    property bool untilDisconnected: Qt.application.arguments.indexOf("--until-disconnected") >= 0
    property bool dayKLine: Qt.application.arguments.indexOf("--day-kline") >= 0
    property string mainShot: argument("--main-shot=", "main.png")
    property string stockShot: argument("--stock-shot=", "stock.png")
    property int waited: 0
    property int step: 0
    property bool wantDay: false  // the day K-line has been asked for

    function argument(prefix, fallback) {
        var args = Qt.application.arguments;
        for (var i = 0; i < args.length; ++i)
            if (args[i].indexOf(prefix) === 0)
                return args[i].substring(prefix.length);
        return fallback;
    }
    function say(text) { console.info("demo: " + text); }
    function geometry(name, item) {
        var p = item.mapToItem(null, 0, 0);
        say("geometry " + name + " " + Math.round(p.x) + " " + Math.round(p.y) + " " + Math.round(item.width) + " " + Math.round(item.height));
    }
    function grab(name, next) {
        win.page.grabToImage(function (result) {
            var path = dir + "/" + name;
            say((result.saveToFile(path) ? "wrote " : "could not write ") + path);
            next();
        });
    }
    function ready() {
        return win.visible && win.quickBar.items.length > 0 && win.stateBar.marquee.items.length > 0
                && win.stateBar.connected && win.titleView.menuBar.menuItems.length > 0
                && (win.stateBar.indexBar.model_ === null || win.stateBar.indexBar.boards.length > 0);
    }
    // The home view (the first tab) has its tiles and distributions.
    function homeReady() {
        var home = win.tabView.entries.length > 0 ? win.tabView.entries[0].item : null;
        return !!home && !!home.sectionView && home.sectionView.models[0].count > 0
                && home.priceBoard.boardModel.indexBoard.length > 0
                && home.conceptBoard.boardModel.indexBoard.length > 0
                && !!home.indexChart && !!home.indexChart.upper && home.indexChart.upper.getFirstKLineSize() > 1;
    }
    // Types 600000 into the quick commands; false while the dictionary has no
    // such row yet (the code list is still on its way).
    function searchStock(lastTry) {
        win.tabView.quickKey("6");
        win.quickCmd.input.text = "";
        win.quickCmd.input.text = "600000";
        if (win.quickCmd.rows.length === 0 && !lastTry)
            return false;
        if (win.quickCmd.rows.length === 0)
            win.quickCmd.input.text = "03";      // no stock rows: the 上证指数 command
        return true;
    }
    // The open tab is a stock view whose main pane shows its chart: the
    // minute line, or with day the day candles with the last one in view.
    function stockShown(day) {
        var v = win.tabView.currentItem;
        var m = v && v.qview !== undefined && v.query_map_ !== undefined && v.qview ? v.qview.mainChart : null;
        if (!m)
            return false;
        if (!day)
            return v.chartKey === "mline_" && m.getLineType() === "mline" && m.getFirstKLineSize() > 1;
        var n = m.getFirstKLineSize();
        return v.chartKey === "kline_33" && m.getLineType() === "kline" && n > 0 && m.getEnd() === n - 1;
    }
    function openStock() {
        say("quick command " + win.quickCmd.input.text + " rows " + win.quickCmd.rows.length);
        win.quickCmd.openRow(0);
        var e = win.tabView.entries[win.tabView.currentIndex];
        say("opened " + e.title + " " + e.route.url_query);
    }

    property Timer poll: Timer {
        interval: 200
        repeat: true
        running: true
        onTriggered: {
            demo.waited += interval;
            if (demo.step === 0 && ((demo.ready() && demo.homeReady()) || demo.waited > 30000)) {
                demo.step = 1;
                demo.say("ready " + demo.ready() + " after " + demo.waited + " ms");
                demo.say("window " + demo.win.width + " " + demo.win.height);
                demo.say("state " + demo.win.stateBar.stateText);
                demo.geometry("titleView", demo.win.titleView);
                demo.geometry("menuBar", demo.win.titleView.menuBar);
                demo.geometry("quickBar", demo.win.quickBar);
                demo.geometry("tabView", demo.win.tabView);
                demo.geometry("stateBar", demo.win.stateBar);
                demo.say("home " + demo.homeReady() + " " + demo.win.tabView.entries[0].title);
                demo.grab(demo.mainShot, function () {
                    // The home view's own shot belongs to the plain run only.
                    if (demo.mainShot !== "main.png") {
                        demo.step = 2;
                        demo.waited = 0;
                        return;
                    }
                    demo.grab("home.png", function () {
                        demo.step = 2;
                        demo.waited = 0;
                    });
                });
            } else if (demo.step === 2 && demo.searchStock(demo.waited > 15000)) {
                demo.openStock();
                demo.step = 3;
                demo.waited = 0;
            } else if (demo.step === 3 && demo.dayKLine && demo.stockShown(false)) {
                demo.win.tabView.quickKey("9");
                demo.win.quickCmd.input.text = "96";
                demo.openStock();
                demo.dayKLine = false;
                demo.wantDay = true;
                demo.waited = 0;
            } else if (demo.step === 3 && (demo.stockShown(demo.wantDay) || demo.waited > 30000)) {
                if (!demo.stockShown(demo.wantDay))
                    demo.say("the stock view showed no " + (demo.wantDay ? "day candles" : "minute line") + " after "
                             + demo.waited + " ms");
                demo.step = 4;
                demo.grab(demo.stockShot, function () {
                    demo.step = 5;
                    demo.say("state " + demo.win.stateBar.stateText);
                    if (!demo.untilDisconnected)
                        Qt.quit();
                });
            } else if (demo.step === 5 && !demo.win.stateBar.connected) {
                demo.step = 6;
                demo.say("state " + demo.win.stateBar.stateText);
                Qt.quit();
            }
        }
    }

    Component.onCompleted: {
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        // Without a window manager nothing maximises the window: do what one would.
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

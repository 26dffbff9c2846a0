import QtQuick 2.15
import QtQuick.Window 2.15
import "qrc:/qml/js/StockRoute.js" as StockRoute

// Timing runs only (loaded through TARVOLIN_TEST_MAIN_QML by
// scripts/bench-input): drives the real main window with key and wheel
// events and prints, as "bench: NAME MS", the time from each input to the
// first frame that shows its result: the first and a second quick command
// opening a stock (firstcmd, secondcmd), frames a second on one stock view
// with live pushes, a wheel step in 沪深A股涨幅排名 (wheel), Page Down there
// (pgdn to the painted highlight, pgdn-rows to the first frame with the next
// page's rows) and Page Down to the table's next stock in the stock view
// (nextstock). Ends with "done".
QtObject {
    id: b
    property var win: null
    property int step: 0
    property real waitedFrom: 0
    property real t0: 0
    property string what: ""
    property var pending: null   // function: true when the state shows the action's result
    property var pendingRows: null   // the same for the rows of a new page after Page Down
    property int frames: 0
    property int reps: 0
    property var memo: ({})
    property var fr: Connections {
        target: b.win
        function onFrameSwapped() {
            b.frames++;
            if (b.pending && b.pending()) {
                b.say(b.what + " " + (Date.now() - b.t0));
                b.pending = null;
            }
            if (b.pendingRows && b.pendingRows()) {
                b.say("pgdn-rows " + (Date.now() - b.memo.pageAt));
                b.pendingRows = null;
            }
        }
    }
    function say(text) { console.info("bench: " + text); }
    function find(item, test) {
        if (!item) return null;
        if (test(item)) return item;
        var kids = item.children;
        for (var i = 0; i < kids.length; ++i) { var r = find(kids[i], test); if (r) return r; }
        return null;
    }
    function view() { return win.tabView.currentItem; }
    function isStockView(v) { return v && v.qview !== undefined && v.query_map_ !== undefined; }
    function key(k) { TestInput.key(win, k, 0, ""); }
    function quickRow(code) {
        var rows = win.quickCmd.rows;
        for (var i = 0; i < rows.length; ++i)
            if (String(rows[i].code) === code || String(rows[i].name) === code) return i;
        return -1;
    }
    function since() { return Date.now() - waitedFrom; }
    function next() { step++; waitedFrom = Date.now(); }
    function timed(name, act, done) {
        what = name; pending = done; t0 = Date.now(); act();
    }
    property Timer poll: Timer {
        interval: 20; repeat: true; running: true
        onTriggered: {
            if (b.pending) return;
            var s = b.step;
            if (s === 0) {
                if (b.win.visible && b.win.quickBar.items.length > 0 && b.win.stateBar.connected
                    && b.win.tabView.entries.length > 0) { b.next(); }
            } else if (s === 1 && b.since() > 3000) {
                TestInput.type(b.win, "600000"); b.next();
            } else if (s === 2) {
                if (b.quickRow("600000") < 0) return;
                b.timed("firstcmd", function () { b.key(Qt.Key_Return); },
                        function () { return b.isStockView(b.view()) && b.view().query_map_.code === "600000"; });
                b.next();
            } else if (s === 3 && b.since() > 3000) {
                TestInput.type(b.win, "600004"); b.next();
            } else if (s === 4) {
                if (b.quickRow("600004") < 0) return;
                b.memo.tab = b.view();
                b.timed("secondcmd", function () { b.key(Qt.Key_Return); },
                        function () { return b.isStockView(b.view()) && b.view().query_map_.code === "600004"; });
                b.next();
            } else if (s === 5 && b.since() > 3000) {
                // frames over 10 s on one stock view with live pushes
                b.frames = 0; b.memo.f0 = Date.now(); b.next();
            } else if (s === 6 && b.since() > 10000) {
                b.say("frames/s " + (b.frames * 1000 / (Date.now() - b.memo.f0)).toFixed(2));
                TestInput.type(b.win, "60"); b.next();
            } else if (s === 7) {
                var r = b.quickRow("沪深A股涨幅排名"); if (r < 0) return;
                for (var i = 0; i < r; ++i) b.key(Qt.Key_Down);
                b.key(Qt.Key_Return); b.next();
            } else if (s === 8) {
                b.memo.table = b.find(b.view(), function (o) { return o.table_model !== undefined && o.chartQuery !== undefined; });
                if (!b.memo.table || b.memo.table.table_model.rowCount() < 10 || b.since() < 2000) return;
                var t = b.memo.table;
                var p = t.mapToItem(null, 150, t.header_height + t.spacing + t.rowHeight / 2);
                b.memo.p = p;
                TestInput.click(b.win, p.x, p.y); b.next();
            } else if (s === 9 && b.since() > 1000) {
                if (b.reps >= 12) { b.reps = 0; b.next(); return; }
                var t = b.memo.table; var before = t.selectIndex;
                b.timed("wheel", function () { TestInput.wheel(b.win, b.memo.p.x, b.memo.p.y, -120); },
                        function () { return t.selectIndex !== before; });
                b.reps++; b.waitedFrom = Date.now() - 800;
            } else if (s === 10 && b.since() > 1000) {
                if (b.reps >= 8) { b.reps = 0; b.next(); return; }
                // A row past the first selected, so that every Page Down moves
                // the highlight (to row 0).
                var t = b.memo.table;
                var p1 = t.mapToItem(null, 150, t.header_height + t.spacing + t.rowHeight * 1.5 + t.spacing);
                TestInput.click(b.win, p1.x, p1.y); b.step = 101; b.waitedFrom = Date.now();
            } else if (s === 101) {
                var t = b.memo.table;
                // The highlight follows its stock while pushes re-sort the
                // page: it may have left row 1, but not for row 0.
                if (t.selectIndex < 1 || b.since() < 500) return;
                var first = String(t.table_model.getCodeInfo(0).code);
                b.timed("pgdn", function () { b.key(Qt.Key_PageDown); },
                        function () { return t.selectIndex === 0; });
                b.memo.pageAt = b.t0;
                // The page's rows may come with the key or later: timed at the
                // first frame that shows them.
                b.pendingRows = function () {
                    return t.table_model.rowCount() > 0 && String(t.table_model.getCodeInfo(0).code) !== first;
                };
                b.reps++; b.step = 100;
            } else if (s === 100) {
                if (!b.pending && !b.pendingRows) { b.step = 10; b.waitedFrom = Date.now(); }
                else if (Date.now() - b.memo.pageAt > 5000) {
                    if (b.pendingRows) b.say("pgdn-rows none");
                    b.pending = null; b.pendingRows = null; b.step = 10; b.waitedFrom = Date.now();
                }
            } else if (s === 11) {
                b.key(Qt.Key_Return); b.next();
            } else if (s === 12) {
                var sv = b.view();
                if (!b.isStockView(sv) || sv.stockList.length < 4 || b.since() < 3000) {
                    if (b.since() > 10000) {  // say what came instead, and end
                        b.say("nextstock none: " + (b.isStockView(sv) ? "the stock view has " + sv.stockList.length
                                                    + " stocks to step through" : "Return opened no stock view"));
                        b.step = 14;
                    }
                    return;
                }
                b.next();
            } else if (s === 13 && b.since() > 1500) {
                if (b.reps >= 10) { b.reps = 0; b.next(); return; }
                // Timed to the first frame whose price pane shows the next
                // stock's name and code.
                var v = b.view();
                var s = StockRoute.neighbour(v.stockList, v.query_map_.code, v.query_map_.market, 1);
                var pane = b.find(v, function (o) { return o.objectName === "pricePane"; });
                var shown = b.find(pane, function (o) { return o.objectName === "nameText"; });
                var want = String(s.name) + "  " + String(s.code);
                b.timed("nextstock", function () { b.key(Qt.Key_PageDown); },
                        function () { return String(b.view().query_map_.code) === String(s.code) && shown.visible
                                             && String(shown.text) === want; });
                b.reps++;
                b.waitedFrom = Date.now();
            } else if (s === 14) {
                b.say("done"); b.step = 99; Qt.quit();
            }
        }
    }
    Component.onCompleted: {
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        var screen = Qt.application.screens[0];
        if (win.visibility === Window.Maximized && screen && win.width < screen.desktopAvailableWidth) {
            win.x = 0; win.y = 0;
            win.width = screen.desktopAvailableWidth; win.height = screen.desktopAvailableHeight;
        }
        if (typeof QRoot !== "undefined") QRoot.setWindow(win);
    }
}

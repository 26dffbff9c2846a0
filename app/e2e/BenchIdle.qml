import QtQuick 2.15
import QtQuick.Window 2.15

// Timing runs only (loaded through TARVOLIN_TEST_MAIN_QML by
// scripts/bench-idle): opens a stock view for each of `codes` (one tab each,
// the last one shown), or the ranking 沪深A股涨幅排名 (`ranking`), through the
// quick command, lets it settle, then leaves
// the window idle with live pushes for `seconds`. Prints "bench: settled" when the idle span starts, "bench:
// frames N" (frames swapped in the span) and "bench: done" when it ends, then
// quits; the script reads the process's CPU time at the first and last line.
// Each frame is also a debug line "frame", for a time line of frames and
// replies (the script's BENCH_IDLE_LOG).
QtObject {
    id: b
    property var win: null
    property int step: 0
    property real waitedFrom: 0
    property int frames: 0
    property int seconds: 60
    property var codes: ["600000"]
    // Open 沪深A股涨幅排名 (quick command 60) instead of stock views.
    property bool ranking: false
    property int opened: 0
    function code() { return ranking ? "60" : codes[opened]; }
    property var fr: Connections {
        target: b.win
        function onFrameSwapped() { b.frames++; console.debug("frame"); }
    }
    function say(text) { console.info("bench: " + text); }
    function view() { return win.tabView.currentItem; }
    function isStockView(v) { return v && v.qview !== undefined && v.query_map_ !== undefined; }
    function opened_() {
        var v = view();
        if (ranking)
            return v && v.table !== undefined && v.table.table_model !== undefined && v.table.table_model.rowCount() > 0;
        return isStockView(v) && v.query_map_.code === code();
    }
    function quickRow(code) {
        var rows = win.quickCmd.rows;
        for (var i = 0; i < rows.length; ++i)
            if (String(rows[i].code) === code) return i;
        return -1;
    }
    function since() { return Date.now() - waitedFrom; }
    function next() { step++; waitedFrom = Date.now(); }
    property Timer poll: Timer {
        interval: 200; repeat: true; running: b.step < 5
        onTriggered: {
            var s = b.step;
            if (s === 0) {
                if (b.win.visible && b.win.quickBar.items.length > 0 && b.win.stateBar.connected
                    && b.win.tabView.entries.length > 0) b.next();
            } else if (s === 1 && b.since() > 2000) {
                TestInput.type(b.win, b.code()); b.next();
            } else if (s === 2) {
                if (b.quickRow(b.code()) < 0) return;
                TestInput.key(b.win, Qt.Key_Return, 0, ""); b.next();
            } else if (s === 3) {
                if (!b.opened_()) return;
                if (b.opened + 1 < b.codes.length) {
                    b.say("opened " + b.code()); b.opened++; b.step = 0; b.next();
                } else if (b.since() > 8000) {
                    b.frames = 0; b.say("settled"); b.next();
                }
            } else if (s === 4 && b.since() > b.seconds * 1000) {
                b.say("frames " + b.frames); b.say("done"); b.step = 5; Qt.quit();
            }
        }
    }
    Component.onCompleted: {
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        if (typeof QRoot !== "undefined") QRoot.setWindow(win);
    }
}

import QtQuick 2.15
import QBaseService 1.0
import HUtil 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/Documents.js" as Documents
import "js/SyncQueue.js" as SyncQueue

// Background sync of the main window: every tick uploads the queued stock-group
// edits; every sixth tick sends the heartbeat, then the queued user actions.
// Queued rows are deleted only after the back end has taken them, so nothing
// queued is lost to a failed upload. A failing queue backs off (its rounds
// skipped, doubling up to five minutes); a refused batch is sent again row by
// row, and a row refused on its own is kept aside, so that it does not hold
// back the edits after it; the later edits of the same stock (or group) wait
// behind it, so that the back end gets one stock's edits in the order made.
// Nothing goes out while a service's address is missing. `waitingText` says
// when edits wait for the back end. `flushMyStock` sends every queued edit at
// once (quitting, signing in) and waits for the back end a bounded time.
Item {
    id: root
    property int interval: 5000
    property int heartbeatEvery: 6
    property int maxHeartbeatFailures: 10
    property int timeout: 15000
    property int maxBackoff: 300000
    property int tick: 0
    property int heartbeatFailures: 0
    property alias running: timer.running
    // Upload in flight: a slow reply never overlaps the next upload of the same rows.
    property bool myStockBusy: false
    property bool actionBusy: false
    // Per queue: rounds to skip after failures (`skip`, doubling) and still to
    // skip (`wait`), rows sent one at a time after a refused batch (`single`),
    // ids refused on their own (`parked`).
    // Ids the back end took that a held database kept from deleting
    // (`taken`) are deleted on a later round and never sent again.
    property var myStockQueue: ({ skip: 0, wait: 0, single: false, parked: {}, taken: {} })
    property var actionQueue: ({ skip: 0, wait: 0, single: false, parked: {}, taken: {} })
    property int waitingEdits: 0
    // While flushMyStock runs: what to call when it ends, and when it must end.
    property var flushDone: null
    property double flushEnd: 0
    readonly property string waitingText: waitingEdits > 0 ? "自选股修改待同步（" + waitingEdits + "）" : ""
    signal exitWindow(var msg)

    QBaseService { id: base }
    HUtil { id: util }

    function login(key) {
        var v = base.getLoginValue(key);
        return v === null || v === undefined ? "" : String(v);
    }
    function address(key) {
        var v = base.getServerAddressValue(key);
        return v === null || v === undefined ? "" : String(v);
    }

    function onTick() {
        tick += 1;
        syncMyStock();
        if (tick % heartbeatEvery === 0) {
            sendHeartBeat();
            syncAction();
        }
    }

    function heartbeatFailed() {
        heartbeatFailures += 1;
        if (heartbeatFailures >= maxHeartbeatFailures) {
            timer.stop();
            exitWindow("连接认证系统失败，点击确定退出！");
        }
    }

    function sendHeartBeat() {
        var url = address("url.heartbeat");
        if (url === "") {  // no address: a failed beat, nothing sent
            heartbeatFailed();
            return;
        }
        JSHttp.getData(url, { user_id: login("user.sid"), pcid: util.getCpuId() }, {}, function (ok, json) {
            if (!ok) {
                heartbeatFailed();
                return;
            }
            heartbeatFailures = 0;
            if (json.result === "false") {
                timer.stop();
                exitWindow(json.msg);
            }
        }, timeout);
    }

    // One round of a queue (the rules in SyncQueue.js): posts its rows
    // (without their local ids) and deletes exactly the posted ids once the
    // reply says code "0000". Rows kept aside go again one at a time when
    // nothing else waits (the oldest first, before the rows held behind it).
    // done(left) gets the rows still queued after a round that did not take
    // them all. ms: the request's time-out.
    function syncQueue(queue, rows, url, remove, roundMs, done, keyOf, ms) {
        var taken = queue.taken;
        var takenIds = Object.keys(taken).map(Number);
        if (takenIds.length > 0 && tryRemove(remove, takenIds))
            queue.taken = {};
        rows = SyncQueue.untaken(rows, taken);
        if (queue.wait > 0) {
            queue.wait -= 1;
            done(rows.length);
            return false;
        }
        var fresh = SyncQueue.freshRows(queue.parked, rows, keyOf);
        var batch = SyncQueue.batch(fresh, rows, queue.single);
        if (batch.length === 0) {
            queue.single = false;
            done(0);
            return false;
        }
        var post = SyncQueue.posted(batch);
        JSHttp.postData(url, post.body, { "Content-Type": "application/json" }, function (ok, json) {
            var took = SyncQueue.accepted(ok, json);
            var removed = took && tryRemove(remove, post.ids);
            if (SyncQueue.settle(queue, ok, json, post.ids, batch.length, fresh.length, removed, roundMs,
                                 maxBackoff) === "failed")
                console.log("sync failed, kept for a later try: " + Documents.logText(json));
            done(took ? rows.length - post.ids.length : rows.length);
        }, ms || timeout);
        return true;
    }

    function tryRemove(remove, ids) {
        try {
            remove(ids);
            return true;
        } catch (e) {
            console.log("synced rows not deleted yet: " + e);
            return false;
        }
    }

    // The queued rows, or null while the database cannot be read (the
    // round is skipped).
    function readRows(read) {
        try {
            return read();
        } catch (e) {
            console.log("queued rows not readable now: " + e);
            return null;
        }
    }

    // One round of the stock-group edits; true when a request went out (ms:
    // its time-out, the default one when not given).
    function syncMyStock(ms) {
        var url = address("url.mystock");
        if (myStockBusy || url === "")
            return false;
        var rows = readRows(Sql.dbGetMyStockCmd);
        if (rows === null)
            return false;
        if (rows.length === 0) {
            waitingEdits = 0;
            return false;
        }
        url += "?user_id=" + encodeURIComponent(login("user.id")) + "&cmd=update";
        myStockBusy = true;
        if (!syncQueue(myStockQueue, rows, url, Sql.dbDeleteMyStockCmd, interval, function (left) {
            myStockBusy = false;
            var stuck = myStockQueue.skip > 0 || Object.keys(myStockQueue.parked).length > 0;
            waitingEdits = stuck ? left : 0;
            if (flushDone !== null) {
                if (myStockQueue.wait > 0)
                    endFlush();                // the back end failed: the rest waits
                else
                    Qt.callLater(flushRound);
            }
        }, SyncQueue.editKey, ms))
            myStockBusy = false;
        return myStockBusy;
    }

    // Sends the queued stock-group edits now, round after round (a refused
    // batch row by row), until none is left, the back end fails or ms have
    // passed; then calls done() once. What is left stays queued: the next
    // sign-in sends it before it reads the groups. A round already under way
    // is waited for.
    function flushMyStock(ms, done) {
        flushDone = done || function () {};
        flushEnd = Date.now() + ms;
        myStockQueue.wait = 0;
        flushGuard.interval = Math.max(1, ms);
        flushGuard.restart();
        if (!myStockBusy)
            flushRound();
    }
    function flushRound() {
        if (flushDone === null)
            return;
        var left = flushEnd - Date.now();
        if (left <= 0 || !syncMyStock(left))
            endFlush();
    }
    function endFlush() {
        flushGuard.stop();
        var done = flushDone;
        flushDone = null;
        if (done)
            done();
    }

    function syncAction() {
        var url = address("url.user_action");
        if (actionBusy || url === "")
            return;
        var rows = readRows(Sql.dbGetActionCmd);
        if (rows === null || rows.length === 0)
            return;
        url += "?user_id=" + encodeURIComponent(login("user.sid"));
        actionBusy = true;
        if (!syncQueue(actionQueue, rows, url, Sql.dbDeleteActionCmd, interval * heartbeatEvery,
                       function () { actionBusy = false; }))
            actionBusy = false;
    }

    Timer {
        id: flushGuard
        repeat: false
        onTriggered: root.endFlush()
    }
    Timer {
        id: timer
        interval: root.interval
        repeat: true
        running: true
        onTriggered: root.onTick()
    }
}

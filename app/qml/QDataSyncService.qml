import QtQuick 2.15
import QBaseService 1.0
import HUtil 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/Documents.js" as Documents

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

    // A failed round: skip 1, 2, 4, ... rounds, up to maxBackoff.
    function backOff(queue, roundMs) {
        var most = Math.max(1, Math.floor(maxBackoff / roundMs));
        queue.skip = queue.skip > 0 ? Math.min(queue.skip * 2, most) : 1;
        queue.wait = queue.skip;
    }

    // What a stock-group edit is about: its stock, or for a rename its group.
    function editKey(r) {
        if (r.cmd === "RENAME")
            return "group " + r.group_id;
        var c = r.code || {};
        return "stock " + c.code + " " + c.market_id;
    }

    // The rows that may go now: neither kept aside nor behind a row kept
    // aside that has the same key (keyOf null: rows are independent).
    function freshRows(queue, rows, keyOf) {
        var held = {};
        return rows.filter(function (r) {
            var k = keyOf ? keyOf(r) : null;
            if (queue.parked[r.id]) {
                if (k !== null)
                    held[k] = true;
                return false;
            }
            return k === null || !held[k];
        });
    }

    // One round of a queue: posts its rows (without their local ids) and
    // deletes exactly the posted ids once the reply says code "0000". Rows
    // kept aside go again one at a time when nothing else waits (the oldest
    // first, before the rows held behind it). done(left) gets the rows still
    // queued after a round that did not take them all. ms: the request's
    // time-out.
    function syncQueue(queue, rows, url, remove, roundMs, done, keyOf, ms) {
        var taken = queue.taken;
        var takenIds = Object.keys(taken).map(Number);
        if (takenIds.length > 0 && tryRemove(remove, takenIds))
            queue.taken = {};
        rows = rows.filter(function (r) { return !taken[r.id]; });
        if (queue.wait > 0) {
            queue.wait -= 1;
            done(rows.length);
            return false;
        }
        var fresh = freshRows(queue, rows, keyOf);
        var batch = fresh.length > 0 ? (queue.single ? fresh.slice(0, 1) : fresh) : rows.slice(0, 1);
        if (batch.length === 0) {
            queue.single = false;
            done(0);
            return false;
        }
        var ids = [];
        var body = [];
        for (var i = 0; i < batch.length; ++i) {
            ids.push(batch[i].id);
            var r = {};
            for (var k in batch[i])
                if (k !== "id")
                    r[k] = batch[i][k];
            body.push(r);
        }
        JSHttp.postData(url, body, { "Content-Type": "application/json" }, function (ok, json) {
            var left = rows.length;
            if (ok && json && json.code === "0000") {
                if (!tryRemove(remove, ids))
                    for (var t = 0; t < ids.length; ++t)
                        queue.taken[ids[t]] = true;
                left -= ids.length;
                for (var j = 0; j < ids.length; ++j)
                    delete queue.parked[ids[j]];
                if (fresh.length > 0) {
                    queue.skip = 0;
                    if (batch.length === fresh.length)
                        queue.single = false;
                }
            } else if (ok && fresh.length > 1 && batch.length > 1) {
                queue.single = true;       // refused: find the row it was about
            } else if (ok && fresh.length > 0) {
                queue.parked[ids[0]] = true;  // refused on its own: kept aside
            } else {
                console.log("sync failed, kept for a later try: " + Documents.logText(json));
                backOff(queue, roundMs);
            }
            done(left);
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
        }, editKey, ms))
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

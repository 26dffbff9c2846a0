import QtQuick 2.15
import QBaseService 1.0
import HUtil 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/Documents.js" as Documents

// Background sync of the main window: every tick uploads the queued stock-group
// edits; every sixth tick sends the heartbeat, then the queued user actions.
// Queued rows are deleted only after the back end has taken them, so nothing
// queued is lost to a failed upload.
Item {
    id: root
    property int interval: 5000
    property int heartbeatEvery: 6
    property int maxHeartbeatFailures: 10
    property int timeout: 15000
    property int tick: 0
    property int heartbeatFailures: 0
    property alias running: timer.running
    // Upload in flight: a slow reply never overlaps the next upload of the same rows.
    property bool myStockBusy: false
    property bool actionBusy: false
    signal exitWindow(var msg)

    QBaseService { id: base }
    HUtil { id: util }

    function login(key) {
        var v = base.getLoginValue(key);
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

    function sendHeartBeat() {
        JSHttp.getData(base.getServerAddressValue("url.heartbeat"), { user_id: login("user.sid"), pcid: util.getCpuId() },
                       {}, function (ok, json) {
            if (!ok) {
                heartbeatFailures += 1;
                if (heartbeatFailures >= maxHeartbeatFailures) {
                    timer.stop();
                    exitWindow("连接认证系统失败，点击确定退出！");
                }
                return;
            }
            heartbeatFailures = 0;
            if (json.result === "false") {
                timer.stop();
                exitWindow(json.msg);
            }
        }, timeout);
    }

    // Posts rows (without their local ids) and deletes exactly the posted ids
    // once the reply says code "0000".
    function upload(rows, url, remove, done) {
        var ids = [];
        var body = [];
        for (var i = 0; i < rows.length; ++i) {
            ids.push(rows[i].id);
            var r = {};
            for (var k in rows[i])
                if (k !== "id")
                    r[k] = rows[i][k];
            body.push(r);
        }
        JSHttp.postData(url, body, { "Content-Type": "application/json" }, function (ok, json) {
            if (ok && json && json.code === "0000")
                remove(ids);
            else
                console.log("sync failed, kept for the next try: " + Documents.logText(json));
            done();
        }, timeout);
    }

    function syncMyStock() {
        if (myStockBusy)
            return;
        var rows = Sql.dbGetMyStockCmd();
        if (rows.length === 0)
            return;
        myStockBusy = true;
        var url = base.getServerAddressValue("url.mystock") + "?user_id=" + encodeURIComponent(login("user.id")) + "&cmd=update";
        upload(rows, url, Sql.dbDeleteMyStockCmd, function () { myStockBusy = false; });
    }

    function syncAction() {
        if (actionBusy)
            return;
        var rows = Sql.dbGetActionCmd();
        if (rows.length === 0)
            return;
        actionBusy = true;
        var url = base.getServerAddressValue("url.user_action") + "?user_id=" + encodeURIComponent(login("user.sid"));
        upload(rows, url, Sql.dbDeleteActionCmd, function () { actionBusy = false; });
    }

    Timer {
        id: timer
        interval: root.interval
        repeat: true
        running: true
        onTriggered: root.onTick()
    }
}

import QtQuick 2.15
import HFileIO 1.0
import "qrc:/qml/" as Q
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/JSHttp.js" as JSHttp

// The background sync with short intervals, and access to the local queues.
Item {
    id: root
    property alias sync: sync
    property var exitMessages: []
    Q.QDataSyncService {
        id: sync
        interval: 40
        timeout: 2000
        onExitWindow: root.exitMessages = root.exitMessages.concat([msg])
    }
    HFileIO { id: files }
    // The local database outlives a test: each starts with empty queues. It
    // is checked first, as the sign-in window does.
    function init() {
        files.checkLocalDatabase();
        Sql.dbInit();
        Sql.dbDeleteMyStockCmd(Sql.dbGetMyStockCmd().map(function (r) { return r.id; }));
        Sql.dbDeleteActionCmd(Sql.dbGetActionCmd().map(function (r) { return r.id; }));
    }
    function queueStock(cmd, code, market) { Sql.dbAddMyStockCmd(cmd, code, market, "1", "自选股1"); }
    // An edit the back end refuses: no such command.
    function queueBadStock(code, market) { Sql.dbAddMyStockCmd("MOVE", code, market, "1", "自选股1"); }
    function queueAction(action, remark) { Sql.dbAddActionCmd(action, remark); }
    function stockRows() { return Sql.dbGetMyStockCmd().length; }
    function queueRename(groupId, name) { Sql.dbAddMyStockCmd("RENAME", "000000", 0, String(groupId), name); }
    // flushMyStock, noting when it called back (flushed: the calls so far).
    property int flushed: 0
    function flush(ms) { sync.flushMyStock(ms, function () { root.flushed += 1; }); }
    // The codes of the user's group 1 as the back end holds them ("?" until
    // the reply is in, "error" when it failed).
    property string groupCodes: "?"
    function readGroups(url, user) {
        groupCodes = "?";
        JSHttp.getData(url, { user_id: user, cmd: "get" }, {}, function (ok, json) {
            if (!ok || !json || !json.result) {
                groupCodes = "error";
                return;
            }
            var codes = [];
            for (var i = 0; i < json.result.length; ++i)
                if (String(json.result[i].group_id) === "1")
                    for (var j = 0; j < json.result[i].codes.length; ++j)
                        codes.push(json.result[i].codes[j].code);
            groupCodes = codes.join(",");
        });
    }
    function actionRows() { return Sql.dbGetActionCmd().length; }
}

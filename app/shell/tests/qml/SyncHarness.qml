import QtQuick 2.15
import HFileIO 1.0
import "qrc:/qml/" as Q
import "qrc:/qml/js/Database.js" as Sql

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
    function actionRows() { return Sql.dbGetActionCmd().length; }
}

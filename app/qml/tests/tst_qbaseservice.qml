// QBaseService and ServerStateModel as the views use them: objects and arrays
// arrive as JavaScript values, a missing level as null.
import QtQuick 2.15
import QtTest 1.2
import QBaseService 1.0
import ServerStateModel 1.0

TextCase {
    name: "QBaseService"

    QBaseService { id: base }
    ServerStateModel { id: serverState }

    function test_stores() {
        compare(base.getLoginValue("user.sessionId"), null)
        base.setLoginInfo({ "user": { "sessionId": "S1", "id": 7 }, "menus": [1, 2] })
        compare(base.getLoginValue("user.sessionId"), "S1")
        compare(base.getLoginValue("user").id, 7)
        compare(base.getLoginValue("menus").length, 2)
        compare(base.getLoginValue("nothing.id"), null)
        verify(base.getLoginValue("user.missing") === undefined)
        base.setServerAddress({ "url": { "quote": [{ "url": "tcp://q", "name": "主站" }] } })
        compareText(base.getServerAddressValue("url.quote")[0].name, "主站")
        compare(base.getBaseInfoValue("appName"), "Tarvolin")
        compare(base.getBaseInfo().appVer, "tarvo_winpc_tax1_1.000006")
    }

    function test_local_groups() {
        base.addLocalFormulaGroup({ "name": "趋势", "formulas": ["MA", "MACD"] })
        compare(base.getLoadLocalFormulaGroup().length, 1)
        compareText(base.getFormulaGroup("趋势"), ["MA", "MACD"])
        base.removeLocalFormulaGroup("趋势")
        compare(base.getLoadLocalFormulaGroup().length, 0)
    }

    function test_server_state() {
        compare(serverState.server_state, 0)
        compare(serverState.server_name, "")
    }
}

import QtQuick 2.12
import QtTest 1.12
import "qrc:/qml/js/Database.js" as Sql

TextCase {
    name: "Database"

    function init() {
        Sql.dbInit();
        Sql.dbExecuteSql("DELETE FROM StockDictionary WHERE market<>0");
        Sql.dbClearMyStockCmd();
        Sql.dbClearActionCmd();
        Sql.dbCleanAllUserInfo();
    }

    function test_commandRows() {
        // Code "10" is written twice; the second row (个股诊断) wins.
        var r = Sql.dbGetStockInfo("10", 0);
        compareText(r.name, "个股诊断");
        compare(r.cmd, "app://curview/?#chart=f11");
        compare(Sql.dbExecuteSql("SELECT count(*) AS n FROM StockDictionary WHERE market=0").rows.item(0).n, 50);
        r = Sql.dbGetStockInfo("03", 0);
        compareText(r.cmd, "app://qml/qml/MQView.qml?code=1A0001&market=1#chart=default&type=1&name=上证指数&pinyin=SZZS");
        compare(r.pinyin, null);
        r = Sql.dbGetStockInfo("67", 0);
        compare(r.pinyin, "HSAGZFPM");
        compare(r.cmd, "app://qml/qml/QRankingView.qml?tab=1100#block=1101&field=34&sort=0");
        compare(Sql.dbGetStockInfo("96", 0).cmd, "app://curview/?chart=kline&cycle=33");
        compare(Sql.dbGetStockInfo("999", 0), null);
    }

    function test_searchOrderAndLimit() {
        // Stocks whose pinyin holds ZHPM sort after the command rows (type 0).
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["600001", 1, "甲", 2, "ZHPMA", "a"]);
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["000002", 2, "乙", 2, "XZHPM", "b"]);
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["000003", 3, "丙", 2, "ZHPM", "c"]);
        var list = Sql.dbGetStockCmd("ZHPM");
        var codes = list.map(function (r) { return r.code; });
        compare(codes.join(","), "80,81,82,83,84,85,86,87,88,89,812,818,600001,000002");
        compare(list[0].cmd, "app://qml/qml/QMarketTopMonitor.qml?tab=1100#block=1101");
        compare(list[12].market, 1);
        // At most 100 rows; apostrophes are plain text, not SQL.
        for (var i = 0; i < 120; ++i)
            Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["7" + (10000 + i), 1, "x", 2, "Q", ""]);
        compare(Sql.dbGetStockCmd("7").length, 100);
        compare(Sql.dbGetStockCmd("' OR 1=1 --").length, 0);
    }

    function test_userInfo() {
        compare(Sql.dbGetUserInfo(), null);
        Sql.dbSaveUserInfo("a", "x1");
        Sql.dbSaveUserInfo("b'c", "x2");
        var u = Sql.dbGetUserInfo();
        compare(u.user_name, "b'c");
        compare(u.user_password, "x2");
        Sql.dbCleanAllUserInfo();
        compare(Sql.dbGetUserInfo(), null);
    }

    function test_queues() {
        Sql.dbAddMyStockCmd("ADD", "600000", 1, "g1", "我的自选");
        Sql.dbAddMyStockCmd("DELETE", "000001", 2, "g1");
        var rows = Sql.dbGetMyStockCmd();
        compare(rows.length, 2);
        compare(rows[0].cmd, "ADD");
        compare(rows[0].code.code, "600000");
        compare(rows[0].code.market_id, 1);
        compareText(rows[0].group_name, "我的自选");
        compare(rows[1].group_name, null);
        // Deleting the uploaded ids keeps a row queued meanwhile.
        Sql.dbAddMyStockCmd("ADD", "600519", 1, "g1", "");
        Sql.dbDeleteMyStockCmd([rows[0].id, rows[1].id]);
        rows = Sql.dbGetMyStockCmd();
        compare(rows.length, 1);
        compare(rows[0].code.code, "600519");

        Sql.dbAddActionCmd("LOGIN", "demo");
        var acts = Sql.dbGetActionCmd();
        compare(acts.length, 1);
        compare(acts[0].do_action, "LOGIN");
        verify(/^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$/.test(acts[0].create_time), acts[0].create_time);
        Sql.dbClearActionCmd();
        compare(Sql.dbGetActionCmd().length, 0);
    }

    function test_stockRecord_data() {
        return [
            { tag: "a stock", code: "600001", market: 1, fallback: "-", name: "甲", type: 2 },
            { tag: "same code, other market", code: "600001", market: 2, fallback: "-", name: "-", type: null },
            { tag: "no name", code: "600002", market: 1, fallback: "600002", name: "600002", type: 1 },
            { tag: "not there", code: "999999", market: 1, fallback: "", name: "", type: null },
        ];
    }
    function test_stockRecord(row) {
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["600001", 1, "甲", 2, "J", ""]);
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["600002", 1, "", 1, "", ""]);
        var r = Sql.stockRecord(row.code, row.market);
        compare(r === null ? null : r.type, row.type);
        compareText(Sql.stockName(row.code, row.market, row.fallback), row.name);
    }
    // A dictionary that cannot answer (none made yet): no record, the fallback name.
    function test_stockRecord_without_a_dictionary() {
        Sql.dbExecuteSql("DROP TABLE StockDictionary");
        compare(Sql.stockRecord("10", 0), null);
        compareText(Sql.stockName("10", 0, "10"), "10");
        Sql.initQuickCmd();
        compareText(Sql.stockName("10", 0, "10"), "个股诊断");
    }

    // A search box's rows: the mapped rows with their type's names, rows
    // mapped to null left out; a dictionary that cannot answer is "held".
    function test_searchRows() {
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["600001", 1, "甲", 2, "JIA", ""]);
        Sql.dbExecuteSql("Replace INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["600002", 1, "乙基金", 3, "JIAJ", ""]);
        var s = Sql.searchRows("JIA", function (r) { return Number(r.type) === 3 ? null : { code: r.code }; });
        compare(s.held, false);
        compareText(s.rows, [{ code: "600001", type_name: "股票" }]);
        compare(Sql.searchRows("", function (r) { return {}; }).rows, []);
        Sql.dbExecuteSql("DROP TABLE StockDictionary");
        compare(Sql.searchRows("JIA", function (r) { return {}; }), { held: true, rows: [] });
        Sql.initQuickCmd();
    }
}

.pragma library
.import QtQuick.LocalStorage 2.0 as LS
.import "QuoteCodes.js" as QuoteCodes

// The program's local database "qelm": the remembered sign-in, the queued
// stock-group edits and user actions, and the quick-command rows of the
// StockDictionary table (the stock rows are written natively when the code list
// arrives). Every statement binds its values; no text is joined into SQL.

var rankLink = "app://qml/qml/QRankingView.qml?tab=1100";
var monitorLink = "app://qml/qml/QMarketTopMonitor.qml?tab=1100";

// A ranking table of one block, sorted by one field (sort 0 falling, 1 rising).
function rankOf(block, field, sort) {
    return rankLink + "#block=" + block + "&field=" + field + "&sort=" + sort;
}
var klineLink = "app://curview/?chart=kline&cycle=";

// Fixed command rows [code, name, pinyin, active], written in this order with
// "Replace INTO", so a later row with the same code replaces an earlier one
// (code "10" is written twice on purpose: 个股诊断 replaces 个股资料).
var quickCmdRows = [
    ["0", "深圳中小板行情报价", null, rankOf(1105, QuoteCodes.FIELD_CODE, 1)],
    ["1", "上海Ａ股行情报价", null, rankOf(1102, QuoteCodes.FIELD_CODE, 1)],
    ["2", "上海Ｂ股行情报价", null, rankOf(1108, QuoteCodes.FIELD_CODE, 1)],
    ["3", "深圳Ａ股行情报价", null, rankOf(1103, QuoteCodes.FIELD_CODE, 1)],
    ["4", "深圳Ｂ股行情报价", null, rankOf(1109, QuoteCodes.FIELD_CODE, 1)],
    ["9", "深圳创业板行情报价", null, rankOf(1106, QuoteCodes.FIELD_CODE, 1)],
    ["5", "上海债券行情报价", null, rankOf(160103, QuoteCodes.FIELD_CODE, 1)],
    ["6", "深圳债券行情报价", null, rankOf(160104, QuoteCodes.FIELD_CODE, 1)],
    ["7", "沪深A股行情报价", null, rankOf(1101, QuoteCodes.FIELD_CODE, 0)],
    ["8", "沪深B股行情报价", null, rankOf(1107, QuoteCodes.FIELD_CODE, 1)],
    ["01", "成交明细", null, "app://curview/?#chart=detail"],
    ["03", "上证指数", null, "app://qml/qml/MQView.qml?code=1A0001&market=1#chart=default&type=1&name=上证指数&pinyin=SZZS"],
    ["04", "深证成指", null, "app://qml/qml/MQView.qml?code=399001&market=2#chart=default&type=1&name=深证成指&pinyin=SZCZ"],
    ["05", "周期切换", null, "app://curview/?#chart=mk_line"],
    ["06", "自选股", null, "app://qml/qml/MyStockView.qml"],
    ["08", "周期切换", null, "app://curview/?#chart=mk_cycle"],
    ["09", "深度分析", null, "app://curview/?#chart=f9"],
    ["10", "个股资料", null, "app://curview/?#chart=f10"],
    ["10", "个股诊断", null, "app://curview/?#chart=f11"],
    ["60", "沪深A股涨幅排名", "HSAGZFPM", rankOf(1101, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["67", "沪深A股涨幅排名", "HSAGZFPM", rankOf(1101, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["61", "沪A涨幅排名", "HAZFPM", rankOf(1102, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["62", "沪B涨幅排名", "HBZFPM", rankOf(1108, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["63", "深A涨幅排名", "SAZFPM", rankOf(1103, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["64", "深B涨幅排名", "SBZFPM", rankOf(1109, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["65", "沪债涨幅排名", "HZZFPM", rankOf(160103, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["66", "深债涨幅排名", "SZZFPM", rankOf(160104, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["68", "沪深B股涨幅排名", "HSBGZFPM", rankOf(1107, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["69", "中小板涨幅排名", "ZXBZFPM", rankOf(1105, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["612", "创业板涨幅排名", "CYBZFPM", rankOf(1106, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["618", "科创板涨幅排名", "KCBZFPM", rankOf(1124, QuoteCodes.FIELD_RISE_RATE, 0)],
    ["80", "沪深A综合排名", "HSAZHPM", monitorLink + "#block=1101"],
    ["87", "沪深A综合排名", "HSAZHPM", monitorLink + "#block=1101"],
    ["81", "沪A综合排名", "HAZHPM", monitorLink + "#block=1102"],
    ["82", "沪B综合排名", "HBZHPM", monitorLink + "#block=1108"],
    ["83", "深A综合排名", "SAZHPM", monitorLink + "#block=1103"],
    ["84", "深B综合排名", "SBZHPM", monitorLink + "#block=1109"],
    ["85", "沪债综合排名", "HZZHPM", monitorLink + "#block=160103"],
    ["86", "深债综合排名", "SZZHPM", monitorLink + "#block=160104"],
    ["88", "沪深B综合排名", "HSBZHPM", monitorLink + "#block=1107"],
    ["89", "中小板综合排名", "ZXBZHPM", monitorLink + "#block=1105"],
    ["812", "创业板综合排名", "CYBZHPM", monitorLink + "#block=1106"],
    ["818", "科创板综合排名", "KCBZHPM", monitorLink + "#block=1124"],
    ["91", "1分钟线", "1FZX", klineLink + QuoteCodes.KLINE_MIN1],
    ["92", "5分钟线", "5FZX", klineLink + QuoteCodes.KLINE_MIN5],
    ["93", "15分钟线", "15FZX", klineLink + QuoteCodes.KLINE_MIN15],
    ["94", "30分钟线", "30FZX", klineLink + QuoteCodes.KLINE_MIN30],
    ["95", "60分钟线", "60FZX", klineLink + QuoteCodes.KLINE_MIN60],
    ["96", "日线", "RKX", klineLink + QuoteCodes.KLINE_DAY],
    ["97", "周线", "ZKX", klineLink + QuoteCodes.KLINE_WEEK],
    ["98", "月线", "YKX", klineLink + QuoteCodes.KLINE_MONTH]
];

var stockDictionaryTable = "CREATE TABLE IF NOT EXISTS StockDictionary(code TEXT(16) NOT NULL, market INTEGER, "
        + "name TEXT, type INTEGER, pinyin TEXT, active TEXT, PRIMARY KEY (code, market))";

function dbGetHandle() {
    try {
        return LS.LocalStorage.openDatabaseSync("qelm", "", "stock db", 100000);
    } catch (err) {
        console.log("Error opening database: " + err);
    }
    return undefined;
}

function dbInit() {
    var db = dbGetHandle();
    try {
        db.transaction(function (tx) {
            tx.executeSql("CREATE TABLE IF NOT EXISTS user_info(user_name text PRIMARY KEY NOT NULL, user_password text)");
            tx.executeSql("CREATE TABLE IF NOT EXISTS mystock_cmd(id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
                          + "cmd TEXT NOT NULL, code TEXT NOT NULL, market INTEGER NOT NULL, group_id TEXT NOT NULL, group_name TEXT)");
            tx.executeSql("CREATE TABLE IF NOT EXISTS action_cmd(id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
                          + "do_action TEXT NOT NULL, remark TEXT NOT NULL, create_time TEXT NOT NULL)");
        });
        initQuickCmd();
    } catch (err) {
        console.log("Error creating table in database: " + err);
    }
}

// One transaction for the table and every row: a transaction a row would
// sync the file fifty times before the sign-in window could show.
function initQuickCmd() {
    dbGetHandle().transaction(function (tx) {
        tx.executeSql(stockDictionaryTable);
        for (var i = 0; i < quickCmdRows.length; ++i) {
            var r = quickCmdRows[i];
            tx.executeSql("Replace INTO StockDictionary(code,market,name,type,pinyin,active) VALUES(?, 0, ?, 0, ?, ?)",
                          [r[0], r[1], r[2], r[3]]);
        }
    });
}

function dbExecuteSql(sql, args) {
    var db = dbGetHandle();
    var rs;
    db.transaction(function (tx) {
        rs = args === undefined ? tx.executeSql(sql) : tx.executeSql(sql, args);
    });
    return rs;
}

function dbSaveUserInfo(user_name, user_password) {
    var db = dbGetHandle();
    db.transaction(function (tx) {
        tx.executeSql("DELETE FROM user_info");
        tx.executeSql("Replace INTO user_info VALUES(?, ?)", [user_name, user_password]);
    });
}

function dbGetUserInfo() {
    var rs = dbExecuteSql("SELECT user_name,user_password FROM user_info");
    return rs.rows.length > 0 ? rs.rows.item(0) : null;
}

function dbCleanAllUserInfo() {
    dbExecuteSql("DELETE FROM user_info WHERE user_name not null");
}

// Queued rows that could not be written (another process holds the file, or
// the disk is full), per table, in order: kept here and written before the
// table is next read, so that a held database neither loses them nor stops
// the caller. They live as long as the program.
var pendingRows = { mystock_cmd: [], action_cmd: [] };

var insertSql = {
    mystock_cmd: "INSERT INTO mystock_cmd(cmd, code, market, group_id, group_name) VALUES(?, ?, ?, ?, ?)",
    action_cmd: "INSERT INTO action_cmd(do_action, remark, create_time) VALUES(?, ?, ?)"
};

// Writes the rows kept for `table`, oldest first, in one transaction; true
// when none is left. A failure keeps them all for the next try.
function flushPending(table) {
    var rows = pendingRows[table];
    if (rows.length === 0)
        return true;
    try {
        dbGetHandle().transaction(function (tx) {
            for (var i = 0; i < rows.length; ++i)
                tx.executeSql(insertSql[table], rows[i]);
        });
    } catch (err) {
        return false;
    }
    pendingRows[table] = [];
    return true;
}

// Queues a row; false when it is kept in memory for a later write.
function queueRow(table, values) {
    if (flushPending(table)) {
        try {
            dbExecuteSql(insertSql[table], values);
            return true;
        } catch (err) {
            console.log("queued row kept for a later write: " + err);
        }
    }
    pendingRows[table].push(values);
    return false;
}

function dbPendingCount() {
    return pendingRows.mystock_cmd.length + pendingRows.action_cmd.length;
}

function dbAddMyStockCmd(cmd, code, market, group_id, group_name) {
    return queueRow("mystock_cmd", [cmd, code, market, group_id, group_name === undefined ? null : group_name]);
}

// The my-stock button of a stock: adds it to the first group, or takes it
// out of its group, through the stock-group store `service` (a
// QMyStockService), and queues the edit for the back end. False when there is
// no group to add it to (nothing changes).
function toggleMyStock(service, code, market) {
    var g;
    if (service.isExist(code, market)) {
        g = service.getGroup(code, market);
        if (g)
            dbAddMyStockCmd("DELETE", code, market, String(g.group_id), g.group_name);
        service.removeStock(code, market);
        return true;
    }
    var doc = service.getJson();
    if (!doc || !doc.result || doc.result.length === 0)
        return false;
    service.addStock(0, code, market);
    g = service.getGroup(code, market);
    if (g)
        dbAddMyStockCmd("ADD", code, market, String(g.group_id), g.group_name);
    return true;
}

// Rows in table order; each keeps its id so a sync deletes only what it sent.
// Rows kept in memory are written first; they are read once they are in.
function dbGetMyStockCmd() {
    flushPending("mystock_cmd");
    var rs = dbExecuteSql("SELECT id, cmd, code, market, group_id, group_name FROM mystock_cmd ORDER BY id");
    var list = [];
    for (var i = 0; i < rs.rows.length; ++i) {
        var r = rs.rows.item(i);
        list.push({ id: r.id, cmd: r.cmd, code: { code: r.code, market_id: r.market },
                    group_id: r.group_id, group_name: r.group_name });
    }
    return list;
}

function dbClearMyStockCmd() {
    dbExecuteSql("DELETE FROM mystock_cmd WHERE id>=0");
}

// Deletes the uploaded rows only; rows queued since stay for the next upload.
function dbDeleteMyStockCmd(ids) {
    deleteIds("mystock_cmd", ids);
}

function pad2(n) {
    return (n < 10 ? "0" : "") + n;
}

function dbAddActionCmd(do_action, remark) {
    var d = new Date();
    var stamp = d.getFullYear() + "-" + pad2(d.getMonth() + 1) + "-" + pad2(d.getDate()) + " "
            + pad2(d.getHours()) + ":" + pad2(d.getMinutes()) + ":" + pad2(d.getSeconds());
    return queueRow("action_cmd", [do_action, remark, stamp]);
}

function dbGetActionCmd() {
    flushPending("action_cmd");
    var rs = dbExecuteSql("SELECT id, do_action, remark, create_time FROM action_cmd ORDER BY id");
    var list = [];
    for (var i = 0; i < rs.rows.length; ++i) {
        var r = rs.rows.item(i);
        list.push({ id: r.id, do_action: r.do_action, remark: r.remark, create_time: r.create_time });
    }
    return list;
}

function dbClearActionCmd() {
    dbExecuteSql("DELETE FROM action_cmd WHERE id>=0");
}

function dbDeleteActionCmd(ids) {
    deleteIds("action_cmd", ids);
}

function deleteIds(table, ids) {
    if (!ids || ids.length === 0)
        return;
    var db = dbGetHandle();
    db.transaction(function (tx) {
        for (var i = 0; i < ids.length; ++i)
            tx.executeSql("DELETE FROM " + table + " WHERE id=?", [ids[i]]);
    });
}

function stockRow(r) {
    return { cmd: r.active, code: r.code, market: r.market, name: r.name, type: r.type, pinyin: r.pinyin };
}

var stockOrder = " ORDER BY type, market, length(code), code";

// The display name of a stock row's type; "未知" for any other value.
var STOCK_TYPE_NAMES = ["指令", "指数", "股票", "基金", "债券", "权证"];
function stockTypeName(type) {
    var n = STOCK_TYPE_NAMES[Number(type)];
    return n !== undefined ? n : "未知";
}

function dbGetStockCmd(str) {
    var rs = dbExecuteSql("SELECT code, market, name, type, pinyin, active FROM StockDictionary "
                          + "WHERE (code LIKE '%' || ? || '%' OR pinyin LIKE '%' || ? || '%') AND market IN (0, 1, 2, 20)"
                          + stockOrder + " LIMIT 100", [str, str]);
    var list = [];
    for (var i = 0; i < rs.rows.length; ++i)
        list.push(stockRow(rs.rows.item(i)));
    return list;
}

// A search box's rows for a text: { held, rows }. held: another program
// holds the database (the box keeps what it shows and searches again
// shortly). rows: for each dictionary row found, row(r) with the type's name
// as type_name; a row for which row(r) is null is left out.
function searchRows(text, row) {
    var found;
    try {
        found = text === "" ? [] : dbGetStockCmd(text);
    } catch (e) {
        return { held: true, rows: [] };
    }
    var out = [];
    for (var i = 0; i < found.length; ++i) {
        var o = row(found[i]);
        if (o === null)
            continue;
        o.type_name = stockTypeName(found[i].type);
        out.push(o);
    }
    return { held: false, rows: out };
}

function dbGetStockInfo(code, market) {
    var rs = dbExecuteSql("SELECT code, market, name, type, pinyin, active FROM StockDictionary "
                          + "WHERE code=? AND market=?" + stockOrder + " LIMIT 1", [code, market]);
    return rs.rows.length > 0 ? stockRow(rs.rows.item(0)) : null;
}

// The dictionary's record of a stock, or null: none, or a dictionary that
// cannot answer now (not made before the first sign-in, or held by another
// process).
function stockRecord(code, market) {
    try {
        return dbGetStockInfo(code, market);
    } catch (e) {
        return null;
    }
}

// The dictionary's name of a stock, or fallback when it has none.
function stockName(code, market, fallback) {
    var r = stockRecord(code, market);
    return r && r.name ? String(r.name) : fallback;
}

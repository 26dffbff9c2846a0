import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/Documents.js" as Documents

// Shape checks of what the back end hands the sign-in window: start-image
// addresses, the sign-in reply and the stock pools.
TextCase {
    name: "Documents"

    function test_startImages_data() {
        return [
            { tag: "http", v: ["http://h/a.png", "https://h/b.png"], ok: true },
            { tag: "resource", v: ["qrc:/images/start.png"], ok: true },
            { tag: "file", v: ["http://h/a.png", "file:///proc/self/fd/0"], ok: false },
            { tag: "path", v: ["/proc/self/fd/0"], ok: false },
            { tag: "no scheme slash", v: ["http:proc"], ok: false },
            { tag: "data", v: ["data:image/png;base64,AAAA"], ok: false },
            { tag: "empty", v: [], ok: false },
            { tag: "not texts", v: [{}], ok: false },
            { tag: "text", v: "http://h/a.png", ok: false }
        ];
    }
    function test_startImages(row) {
        compare(Documents.startImages(row.v) !== null, row.ok);
    }

    function test_isSignIn_data() {
        var user = { id: "10001", sessionId: "abc" };
        return [
            { tag: "sound", v: { result: "true", user: user, sessionId: "abc" }, ok: true },
            { tag: "number id", v: { result: "true", user: { id: 10001, sessionId: "abc" } }, ok: true },
            { tag: "user a list", v: { result: "true", user: [1, 2], sessionId: { a: 1 } }, ok: false },
            { tag: "session an object", v: { result: "true", user: { id: "1", sessionId: {} } }, ok: false },
            { tag: "top session an object", v: { result: "true", user: user, sessionId: {} }, ok: false },
            { tag: "empty session", v: { result: "true", user: { id: "1", sessionId: "" } }, ok: false },
            { tag: "id a list", v: { result: "true", user: { id: [], sessionId: "abc" } }, ok: false },
            { tag: "empty id", v: { result: "true", user: { id: "", sessionId: "abc" } }, ok: false },
            { tag: "id not finite", v: { result: "true", user: { id: Infinity, sessionId: "abc" } }, ok: false },
            { tag: "no user", v: { result: "true" }, ok: false },
            { tag: "refused", v: { result: "false", user: user }, ok: false },
            { tag: "a list", v: [], ok: false },
            { tag: "null", v: null, ok: false }
        ];
    }
    function test_isSignIn(row) {
        compare(Documents.isSignIn(row.v), row.ok);
    }

    function test_stockPoolDocument_data() {
        var a = { tradingcode: "600000", exchangecode: 1 };
        var b = { tradingcode: 1, exchangecode: "0" };
        return [
            { tag: "pools become groups", pools: [{ group_id: 1, group_name: "精选池", stocks: [a, b] }],
              result: [{ group_id: 1, group_name: "精选池",
                         codes: [{ code: "600000", market_id: "1" }, { code: "1", market_id: "0" }] }] },
            { tag: "malformed stocks go", pools: [{ group_id: 2, group_name: "池二",
                                                    stocks: [{ tradingcode: "600036" }, null, [a], a] }],
              result: [{ group_id: 2, group_name: "池二", codes: [{ code: "600000", market_id: "1" }] }] },
            { tag: "pools left empty go", pools: [{ group_id: 3, group_name: "空池", stocks: [{ exchangecode: 1 }] },
                                                  { group_id: 4, group_name: "池四", stocks: [b] }],
              result: [{ group_id: 4, group_name: "池四", codes: [{ code: "1", market_id: "0" }] }] },
            { tag: "malformed pools go", pools: [null, "池", { group_id: 5, stocks: "600000" }, { group_id: 6 }], result: [] },
            { tag: "no pools", pools: [], result: [] },
        ];
    }
    function test_stockPoolDocument(row) {
        var doc = Documents.stockPoolDocument(row.pools);
        compareText(doc.code, "0000");
        compareText(doc.msg, "success");
        compareText(doc.result, row.result);
        for (var i = 0; i < row.result.length; ++i)
            compareText(doc.result[i].group_name, row.result[i].group_name);
    }
}

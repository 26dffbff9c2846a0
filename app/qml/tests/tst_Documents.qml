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

    function test_missingCredential_data() {
        return [
            { tag: "both given", user: "demo", password: "x", field: null, message: null },
            { tag: "no user", user: "", password: "x", field: "user", message: "用户名不能为空" },
            { tag: "no user, no password", user: "", password: "", field: "user", message: "用户名不能为空" },
            { tag: "no password", user: "demo", password: "", field: "password", message: "密码不能为空" },
            { tag: "a space is a name", user: " ", password: " ", field: null, message: null }
        ];
    }
    function test_missingCredential(row) {
        var m = Documents.missingCredential(row.user, row.password);
        compare(m === null ? null : m.field, row.field);
        compareText(m === null ? null : m.message, row.message);
    }

    function test_signInRefusal_data() {
        var sound = { result: "true", user: { id: "10001", sessionId: "abc" } };
        return [
            { tag: "signs in", ok: true, v: sound, message: "", shape: false },
            { tag: "request failed", ok: false, v: "连接超时", message: "连接超时", shape: false },
            { tag: "refused with info", ok: true, v: { result: "false", info: "密码错误" }, message: "密码错误", shape: false },
            { tag: "refused, empty info", ok: true, v: { result: "false", info: "" }, message: "数据请求错误，请重试！", shape: false },
            { tag: "refused, info not a text", ok: true, v: { result: "false", info: { a: 1 } },
              message: "数据请求错误，请重试！", shape: false },
            { tag: "a list", ok: true, v: [sound], message: "数据请求错误，请重试！", shape: false },
            { tag: "null", ok: true, v: null, message: "数据请求错误，请重试！", shape: false },
            { tag: "true without a session", ok: true, v: { result: "true", user: { id: "1" } },
              message: "数据请求错误，请重试！", shape: true }
        ];
    }
    function test_signInRefusal(row) {
        var r = Documents.signInRefusal(row.ok, row.v);
        compareText(r.message, row.message);
        compare(r.shape, row.shape);
    }

    function test_noGroups_data() {
        return [
            { tag: "missing", v: { code: "0000" }, none: true },
            { tag: "null", v: { code: "0000", result: null }, none: true },
            { tag: "empty list", v: { code: "0000", result: [] }, none: true },
            { tag: "one group", v: { code: "0000", result: [{ group_id: 1 }] }, none: false },
            { tag: "an object", v: { code: "0000", result: {} }, none: false }
        ];
    }
    function test_noGroups(row) {
        compare(Documents.noGroups(row.v), row.none);
    }

    function test_defaultGroupCommands() {
        var cmds = Documents.defaultGroupCommands(10);
        compare(cmds.length, 10);
        compareText(cmds[0], { cmd: "RENAME", group_id: 1, group_name: "自选股1" });
        compareText(cmds[9], { cmd: "RENAME", group_id: 10, group_name: "自选股10" });
        compare(Documents.defaultGroupCommands(0), []);
    }

    function test_withStartImages() {
        var builtIn = ["qrc:/images/start.png"];
        compare(Documents.withStartImages(builtIn, JSON.stringify(["http://h/a.png"])),
                ["qrc:/images/start.png", "http://h/a.png"]);
        compare(builtIn, ["qrc:/images/start.png"], "the built-in list is not changed");
        compare(Documents.withStartImages(builtIn, JSON.stringify(["file:///etc/passwd"])), null);
        compare(Documents.withStartImages(builtIn, JSON.stringify({ a: 1 })), null);
        var threw = false;
        try {
            Documents.withStartImages(builtIn, "not json");
        } catch (e) {
            threw = true;
        }
        verify(threw, "a text that is not JSON throws, for the caller to log");
    }
}

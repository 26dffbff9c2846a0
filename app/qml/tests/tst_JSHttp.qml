// Runs beside the local back end: JSHttp's queries, bodies and callbacks.
import QtQuick 2.15
import QtTest 1.15
import Network 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp

TextCase {
    id: test
    name: "JSHttp"

    property string base: typeof controlUrl !== "undefined" ? controlUrl : ""
    property int count: 0
    property var results: []

    function record(ok, data) {
        results.push({ ok: ok, data: data });
        count += 1;
    }

    function init() {
        results = [];
        count = 0;
        JSHttp.defaultTimeout = 15000;
    }

    // Waits for the n-th callback of this test.
    function waitFor(n) {
        tryCompare(test, "count", n, 10000);
    }

    // Runs one quick request to the end, so that anything a finished request
    // still had queued has been delivered.
    function settle() {
        var seen = count;
        JSHttp.getData(base + "echo", {}, {}, record);
        waitFor(seen + 1);
        results.pop();
        count = seen;
    }

    function initTestCase() {
        verify(base !== "", "no back end: TARVOLIN_CONTROL_URL is not set");
    }

    function test_formatQuery_data() {
        return [
            { tag: "empty", parame: {}, query: "" },
            { tag: "one", parame: { a: 1 }, query: "a=1" },
            { tag: "order", parame: { b: "x", a: 2 }, query: "b=x&a=2" },
            { tag: "encoded", parame: { "k&": "p&=+ %中" }, query: "k%26=p%26%3D%2B%20%25%E4%B8%AD" },
        ];
    }
    function test_formatQuery(row) {
        compare(JSHttp.formatQuery(row.parame), row.query);
    }

    function test_getData_appends_the_query_data() {
        return [
            { tag: "no parameters", path: "echo", parame: {}, target: "/echo" },
            { tag: "ends in ?", path: "echo?", parame: { a: 1 }, target: "/echo?a=1" },
            { tag: "has a query", path: "echo?x=2", parame: { a: 1 }, target: "/echo?x=2&a=1" },
            { tag: "no ?", path: "echo", parame: { a: 1 }, target: "/echo?a=1" },
            { tag: "encoded", path: "echo", parame: { p: "a&b=c" }, target: "/echo?p=a%26b%3Dc" },
        ];
    }
    function test_getData_appends_the_query(row) {
        JSHttp.getData(base + row.path, row.parame, { "Content-Type": "application/json" }, record);
        waitFor(1);
        verify(results[0].ok);
        compare(results[0].data.target, row.target);
        compare(results[0].data.method, "GET");
        compare(results[0].data.headers["content-type"], "application/json");
    }

    function test_callback_forms() {
        JSHttp.getData(base + "api/fast_menu", {}, {}, record);
        waitFor(1);
        verify(results[0].ok);
        verify(Array.isArray(results[0].data));
        compare(typeof results[0].data[0].name, "string");

        JSHttp.getData(base + "f10", { code: "600000", market: 1 }, {}, record);
        waitFor(2);
        verify(results[1].ok);
        verify(results[1].data.msg.indexOf("<html>") >= 0, results[1].data.msg);

        JSHttp.getData(base + "status/500", {}, {}, record);
        waitFor(3);
        compare(results[2].ok, false);
        compareText(results[2].data, "数据请求错误，请重试！");

        // A redirect is followed to its answer.
        JSHttp.getData(base + "redirect", { to: "/api/marque" }, {}, record);
        waitFor(4);
        verify(results[3].ok);
        compare(results[3].data.result, "true");
        settle();
        compare(count, 4);
    }

    function test_default_and_given_timeouts() {
        compare(JSHttp.getData(base + "echo", {}, {}, null).getTimeout(), 15000);
        compare(JSHttp.getData(base + "echo", {}, {}, null, 2000).getTimeout(), 2000);
    }

    function test_getData_reports_a_timeout_once() {
        JSHttp.defaultTimeout = 100;
        var request = JSHttp.getData(base + "sleep", { ms: 3000 }, {}, record);
        waitFor(1);
        compare(results[0].ok, false);
        compareText(results[0].data, "请求数据超时");
        compare(request.readyState, HttpRequest.Error);
        compare(request.status, HttpRequest.OperationCanceledError);
        settle();
        compare(count, 1);
    }

    function test_a_cleared_request_reports_one_error() {
        var request = JSHttp.getData(base + "sleep", { ms: 3000 }, {}, record);
        request.clear();
        waitFor(1);
        compare(results[0].ok, false);
        compareText(results[0].data, "数据请求错误，请重试！");
        settle();
        compare(count, 1);
    }

    function test_postData_bodies_data() {
        return [
            { tag: "json", headers: { "Content-Type": "application/json" }, parame: { a: 1, b: "x y" },
              body: "{\"a\":1,\"b\":\"x y\"}" },
            { tag: "form", headers: { "Content-Type": "application/x-www-form-urlencoded" },
              parame: { user: "li", password: "p&=+ %中" }, body: "user=li&password=p%26%3D%2B%20%25%E4%B8%AD" },
            { tag: "array", headers: { "Content-Type": "application/json" }, parame: [{ cmd: "ADD" }],
              body: "[{\"cmd\":\"ADD\"}]" },
        ];
    }
    function test_postData_bodies(row) {
        compare(JSHttp.postData(base + "echo", row.parame, row.headers, record), undefined);
        waitFor(1);
        verify(results[0].ok);
        compare(results[0].data.method, "POST");
        compare(results[0].data.body, row.body);
        compare(results[0].data.headers["content-type"], row.headers["Content-Type"]);
    }

    function test_postData_reports_a_timeout_once() {
        JSHttp.postData(base + "sleep?ms=3000", {}, {}, record, 100);
        waitFor(1);
        compareText(results[0].data, "请求数据超时");
        settle();
        compare(count, 1);
    }

    function test_sign_in_and_groups_through_the_wrapper() {
        JSHttp.getData(base + "v3clientcontrol", { appName: "Tarvolin", appVer: "1" }, {}, record);
        waitFor(1);
        var url = results[0].data.url;
        JSHttp.postData(url.login, { username: "demo", password: "demo", menu: "v2" },
                        { "Content-Type": "application/x-www-form-urlencoded" }, record);
        waitFor(2);
        compare(results[1].data.result, "true");
        var user = results[1].data.user.id;
        JSHttp.postData(url.mystock + "?" + JSHttp.formatQuery({ user_id: user, cmd: "update" }),
                        [{ cmd: "RENAME", group_id: 1, group_name: "自选股1" }],
                        { "Content-Type": "application/json" }, record);
        waitFor(3);
        compare(results[2].data.code, "0000");
        JSHttp.getData(url.mystock, { user_id: user, cmd: "get" }, { "Content-Type": "application/json" }, record);
        waitFor(4);
        compareText(results[3].data.result[0].group_name, "自选股1");
    }
}

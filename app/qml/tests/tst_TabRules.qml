import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/TabRules.js" as TabRules

// The tab area's rules (js/TabRules.js): the documents an address may open,
// the tab an address finds, the tab current after a close, a stock's chart
// address and the tab area's keys.
TextCase {
    name: "TabRules"

    function test_documentUrl_data() {
        return [
            { tag: "a document", path: "/qml/MQView.qml", url: "qrc:/qml/MQView.qml" },
            { tag: "below a folder", path: "/qml/sub/A-b_1.qml", url: "qrc:/qml/sub/A-b_1.qml" },
            { tag: "going up", path: "/qml/../secret.qml", url: "" },
            { tag: "an empty step", path: "/qml//MQView.qml", url: "" },
            { tag: "not below /qml/", path: "/images/MQView.qml", url: "" },
            { tag: "not a document", path: "/qml/js/StockRoute.js", url: "" },
            { tag: "a query in the path", path: "/qml/A.qml?x=1", url: "" },
            { tag: "no path", path: undefined, url: "" },
        ];
    }

    function test_documentUrl(row) {
        compareText(TabRules.documentUrl(row.path, "qrc:"), row.url);
    }

    function entry(path, urlQuery) { return { route: { path: path, url_query: urlQuery } }; }
    readonly property var tabs: [entry("/qml/HomeView.qml", "a"), entry("/qml/MQView.qml", "b"),
                                 entry("/qml/QBlockView.qml", "c"), entry("/qml/MQView.qml", "d")]

    function test_indexOf_data() {
        return [
            { tag: "the current tab first", current: 1, path: "/qml/MQView.qml", at: 1 },
            { tag: "else the last with the path", current: 0, path: "/qml/MQView.qml", at: 3 },
            { tag: "no current tab", current: -1, path: "/qml/HomeView.qml", at: 0 },
            { tag: "a current index past the tabs", current: 7, path: "/qml/QBlockView.qml", at: 2 },
            { tag: "no tab with the path", current: 1, path: "/qml/QView.qml", at: -1 },
        ];
    }

    function test_indexOf(row) {
        compare(TabRules.indexOfPath(tabs, row.current, row.path), row.at);
    }

    function test_indexOfUrlQuery() {
        compare(TabRules.indexOfUrlQuery(tabs, "c"), 2);
        compare(TabRules.indexOfUrlQuery(tabs, "e"), -1);
        compare(TabRules.indexOfUrlQuery([], "a"), -1);
    }

    function test_mergeQuery() {
        var old = { code: "600000", chart: "kline" };
        compareText(TabRules.mergeQuery(old, { chart: "f10", name: "甲" }), { code: "600000", chart: "f10", name: "甲" });
        compare(old, { code: "600000", chart: "kline" }, "the tab's query is left as it was");
    }

    function test_afterClose_data() {
        return [
            { tag: "a tab before the current", current: 3, closed: 1, left: 4, next: 2 },
            { tag: "a tab after the current", current: 1, closed: 3, left: 4, next: 1 },
            { tag: "the current, others after it", current: 2, closed: 2, left: 4, next: 2 },
            { tag: "the current and last", current: 4, closed: 4, left: 4, next: 3 },
            { tag: "the only tab", current: 0, closed: 0, left: 0, next: 0 },
        ];
    }

    function test_afterClose(row) {
        compare(TabRules.afterClose(row.current, row.closed, row.left), row.next);
    }

    function test_chartUrl_data() {
        return [
            { tag: "default chart", code: "600000", market: "1", members: { code: "600000", market: "1", name: "浦发银行" },
              chart: "mline", url: "app://qml/qml/MQView.qml?code=600000&market=1#chart=mline&name=%E6%B5%A6%E5%8F%91%E9%93%B6%E8%A1%8C" },
            { tag: "its own chart, no cmd", code: "000001", market: 0, members: { chart: "kline", cmd: "x", cycle: 35 },
              chart: "mline", url: "app://qml/qml/MQView.qml?code=000001&market=0#chart=kline&cycle=35" },
            { tag: "no fragment", code: "a b", market: 1, members: {}, chart: "",
              url: "app://qml/qml/MQView.qml?code=a%20b&market=1" },
        ];
    }

    function test_chartUrl(row) {
        compareText(TabRules.chartUrl(row.code, row.market, row.members, row.chart), row.url);
    }

    function test_keyAction_data() {
        return [
            { tag: "Tab", key: Qt.Key_Tab, mods: Qt.NoModifier, text: "\t", action: "next" },
            { tag: "Ctrl+Tab", key: Qt.Key_Tab, mods: Qt.ControlModifier, text: "", action: "next" },
            { tag: "Ctrl+Shift+Tab", key: Qt.Key_Tab, mods: Qt.ControlModifier | Qt.ShiftModifier, text: "", action: "previous" },
            { tag: "Backtab", key: Qt.Key_Backtab, mods: Qt.ShiftModifier, text: "", action: "previous" },
            { tag: "Escape", key: Qt.Key_Escape, mods: Qt.NoModifier, text: "\u001b", action: "close" },
            { tag: "Ctrl+W", key: Qt.Key_W, mods: Qt.ControlModifier, text: "\u0017", action: "close" },
            { tag: "a letter", key: Qt.Key_W, mods: Qt.NoModifier, text: "w", action: "quick" },
            { tag: "a capital", key: Qt.Key_A, mods: Qt.ShiftModifier, text: "A", action: "quick" },
            { tag: "a digit", key: Qt.Key_6, mods: Qt.NoModifier, text: "6", action: "quick" },
            { tag: "Alt+letter", key: Qt.Key_F, mods: Qt.AltModifier, text: "f", action: "" },
            { tag: "Ctrl+letter", key: Qt.Key_C, mods: Qt.ControlModifier, text: "c", action: "" },
            { tag: "a sign", key: Qt.Key_Period, mods: Qt.NoModifier, text: ".", action: "" },
            { tag: "a Chinese character", key: 0, mods: Qt.NoModifier, text: "中", action: "" },
            { tag: "F1", key: Qt.Key_F1, mods: Qt.NoModifier, text: "", action: "" },
        ];
    }

    function test_keyAction(row) {
        compareText(TabRules.keyAction(row.key, row.mods, row.text), row.action);
    }

    function test_webTitle() {
        compareText(TabRules.webTitle("news.example.net/a", "example.net"), "加载中");
        compareText(TabRules.webTitle("行情新闻", "example.net"), "行情新闻");
    }

    function route(scheme, host, path, urlQuery) {
        return { scheme: scheme, host: host, path: path, url_query: urlQuery, query_map: {} };
    }

    function test_openAction_data() {
        return [
            { tag: "the current view", r: route("app", "curview", "/", "x"), current: 2, action: "current", at: 2 },
            { tag: "the screening dialog", r: route("app", "quorvex", "/", "x"), current: 1, action: "none", at: -1 },
            { tag: "found by path, current first", r: route("app", "findview", "/qml/MQView.qml", "x"), current: 1,
              action: "find", at: 1 },
            { tag: "found by path, the last", r: route("app", "findview", "/qml/MQView.qml", "x"), current: 0,
              action: "find", at: 3 },
            { tag: "no tab of the path", r: route("app", "findview", "/qml/QView.qml", "x"), current: 0,
              action: "none", at: -1 },
            { tag: "a tab of the address", r: route("app", "qml", "/qml/QBlockView.qml", "c"), current: 0,
              action: "tab", at: 2 },
            { tag: "a web tab of the address", r: route("https", "h", "/p", "a"), current: 3, action: "tab", at: 0 },
            { tag: "a new tab", r: route("app", "qml", "/qml/QView.qml", "e"), current: 0, action: "add", at: 4 },
        ];
    }

    function test_openAction(row) {
        var a = TabRules.openAction(row.r, tabs, row.current);
        compareText(a.action, row.action);
        compare(a.index, row.at);
    }

    function test_tabKind_data() {
        return [
            { tag: "a document", r: route("app", "qml", "/qml/A.qml", ""), kind: "document" },
            { tag: "http", r: route("http", "h", "/", ""), kind: "web" },
            { tag: "https", r: route("https", "h", "/", ""), kind: "web" },
            { tag: "another app host", r: route("app", "curview", "/", ""), kind: "" },
            { tag: "a file", r: route("file", "", "/etc/passwd", ""), kind: "" },
        ];
    }

    function test_tabKind(row) {
        compareText(TabRules.tabKind(row.r), row.kind);
    }

    function test_quickTarget_data() {
        var group = { scheme: "app", host: "findview", path: "/qml/MQView.qml",
                      query_map: { formula_group_name: "波段", url: "https://h/remind" } };
        var noUrl = { scheme: "app", host: "findview", path: "/qml/MQView.qml", query_map: { formula_group_name: "波段" } };
        var other = { scheme: "app", host: "qml", path: "/qml/MQView.qml", query_map: { formula_group_name: "波段" } };
        return [
            { tag: "a group the user has", r: group, groups: [{ name: "短线" }, { name: "波段" }], title: "波段",
              url: "app://findview/x" },
            { tag: "a group the user lacks", r: group, groups: [{ name: "短线" }], title: "提醒", url: "https://h/remind" },
            { tag: "no groups at all", r: group, groups: null, title: "提醒", url: "https://h/remind" },
            { tag: "empty group entries", r: group, groups: [null, {}], title: "提醒", url: "https://h/remind" },
            { tag: "lacking, no reminder page", r: noUrl, groups: [], title: "提醒", url: "" },
            { tag: "not the stock view's group", r: other, groups: [], title: "波段", url: "app://findview/x" },
        ];
    }

    function test_quickTarget(row) {
        var to = TabRules.quickTarget(row.r, row.groups, "波段", "app://findview/x");
        compareText(to.title, row.title);
        compareText(to.url, row.url);
    }

    function test_indexQueryFor() {
        var r = { scheme: "app", host: "findview", path: "/qml/MQView.qml",
                  query_map: { code: "600000", market: "1", chart: "kline", formula_group_name: "波段" } };
        compareText(TabRules.indexQueryFor(r),
                    { code: "1A0001", market: "1", chart: "kline", formula_group_name: "波段", name: "上证指数" });
        compareText(r.query_map.code, "600000", "the route is left as it was");
        compare(TabRules.indexQueryFor({ scheme: "app", host: "findview", path: "/qml/QView.qml", query_map: {} }), null);
        compare(TabRules.indexQueryFor({ scheme: "app", host: "qml", path: "/qml/MQView.qml", query_map: {} }), null);
    }
}

import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/StockRoute.js" as StockRoute

// Where a stock view's query lands (js/StockRoute.js): page or chart and
// K-line cycle, by the rules of the quick keys, the page buttons and indexes;
// what the view does with it (asks for data, holds the frame, clears trades,
// reads a stock list); and Page Up/Down through the list it came from.
TextCase {
    name: "StockRoute"

    readonly property var pages: ["mline", "kline", "detail", "f10", "f9", "f11", "cycel"]

    function view(kline, cycle, page) {
        return { kline: kline, cycle: cycle, page: page, chartKind: kline ? "kline" : "mline", pages: pages };
    }

    function test_resolve_data() {
        return [
            { tag: "a page by name", query: { chart: "detail" }, view: view(false, 33, "chart"), chart: "detail", cycle: 33 },
            { tag: "K-lines of a cycle", query: { chart: "kline", cycle: 39 }, view: view(false, 33, "chart"), chart: "kline", cycle: 39 },
            { tag: "cycle as text", query: { chart: "kline", cycle: "35" }, view: view(false, 33, "chart"), chart: "kline", cycle: 35 },
            { tag: "no chart keeps the charts", query: {}, view: view(true, 36, "chart"), chart: "kline", cycle: 33 },
            { tag: "no chart keeps the page", query: { chart: "default" }, view: view(false, 33, "detail"), chart: "detail", cycle: 33 },
            { tag: "unknown page: minutes", query: { chart: "news" }, view: view(true, 33, "chart"), chart: "mline", cycle: 33 },
            { tag: "toggle from minutes", query: { chart: "mk_line", cycle: 38 }, view: view(false, 33, "chart"), chart: "kline", cycle: 33 },
            { tag: "toggle from K-lines", query: { chart: "mk_line" }, view: view(true, 39, "chart"), chart: "mline", cycle: 33 },
            { tag: "next cycle", query: { chart: "mk_cycle" }, view: view(true, 35, "chart"), chart: "kline", cycle: 36 },
            { tag: "next after the last: minutes", query: { chart: "mk_cycle" }, view: view(true, 40, "chart"), chart: "mline", cycle: 33 },
            { tag: "next from minutes: day", query: { chart: "mk_cycle" }, view: view(false, 40, "chart"), chart: "kline", cycle: 33 },
            { tag: "an index has the charts only", query: { chart: "f10", type: 1 }, view: view(true, 33, "chart"), chart: "kline", cycle: 33 },
            { tag: "an index's type as text", query: { chart: "detail", type: "1" }, view: view(false, 33, "chart"), chart: "mline", cycle: 33 },
            { tag: "a stock keeps its page", query: { chart: "f10", type: 2 }, view: view(true, 33, "chart"), chart: "f10", cycle: 33 },
            { tag: "cycle below the range", query: { chart: "kline", cycle: 32 }, view: view(false, 33, "chart"), chart: "kline", cycle: 33 },
            { tag: "cycle above the range", query: { chart: "kline", cycle: 41 }, view: view(false, 33, "chart"), chart: "kline", cycle: 33 },
            { tag: "cycle not a number", query: { chart: "kline", cycle: "x" }, view: view(false, 33, "chart"), chart: "kline", cycle: 33 },
        ];
    }

    function test_resolve(row) {
        var r = StockRoute.resolve(row.query, row.view);
        compare(r.chart, row.chart);
        compare(r.cycle, row.cycle);
    }

    // The view showing 600000.1 (or nothing), as decide() takes it.
    function shown(kline, cycle, page, extra) {
        var v = view(kline, cycle, page);
        v.code = "600000";
        v.market = 1;
        v.visible = true;
        v.stockCtx = "";
        for (var k in extra)
            v[k] = extra[k];
        return v;
    }

    function test_decide_data() {
        var ctx = "{\"list\":1}";
        return [
            { tag: "same stock, minutes", query: { code: "600000", market: "1" }, view: shown(false, 33, "chart"),
              chart: "mline", cycle: 33, chartKind: "mline", chartKey: "mline_", load: true, requestKLine: false,
              hold: true, clearTrades: false, stockCtx: "", focusCharts: true },
            { tag: "another stock keeps the K-lines", query: { code: "000001", market: 0 }, view: shown(true, 36, "chart"),
              chart: "kline", cycle: 33, chartKind: "kline", chartKey: "kline_33", load: true, requestKLine: true,
              hold: true, clearTrades: true, stockCtx: "", focusCharts: true },
            { tag: "same code, other market", query: { code: "600000", market: 0, chart: "kline", cycle: 38 },
              view: shown(false, 33, "chart"), chart: "kline", cycle: 38, chartKind: "kline", chartKey: "kline_38",
              load: true, requestKLine: true, hold: true, clearTrades: true, stockCtx: "", focusCharts: true },
            { tag: "a page from K-lines asks for K-lines", query: { code: "600000", market: 1, chart: "detail" },
              view: shown(true, 35, "chart"), chart: "detail", cycle: 33, chartKind: "kline", chartKey: "detail_",
              load: true, requestKLine: true, hold: false, clearTrades: false, stockCtx: "", focusCharts: false },
            { tag: "a page from minutes asks for minutes", query: { code: "600000", market: 1, chart: "f10" },
              view: shown(false, 33, "chart"), chart: "f10", cycle: 33, chartKind: "mline", chartKey: "f10_",
              load: true, requestKLine: false, hold: false, clearTrades: false, stockCtx: "", focusCharts: false },
            { tag: "back from a page to minutes", query: { code: "600000", market: 1, chart: "mline" },
              view: shown(true, 33, "detail"), chart: "mline", cycle: 33, chartKind: "mline", chartKey: "mline_",
              load: true, requestKLine: false, hold: true, clearTrades: false, stockCtx: "", focusCharts: true },
            { tag: "a hidden view does not hold", query: { code: "600000", market: 1 },
              view: shown(false, 33, "chart", { visible: false }), chart: "mline", cycle: 33, chartKind: "mline",
              chartKey: "mline_", load: true, requestKLine: false, hold: false, clearTrades: false, stockCtx: "",
              focusCharts: true },
            { tag: "no code: keys only", query: { chart: "kline", cycle: 40 }, view: shown(false, 33, "chart"),
              chart: "kline", cycle: 40, chartKind: "kline", chartKey: "kline_40", load: false, requestKLine: true,
              hold: false, clearTrades: false, stockCtx: "", focusCharts: false },
            { tag: "a first stock clears trades", query: { code: "600000", market: 1 },
              view: shown(false, 33, "chart", { code: undefined, market: undefined }), chart: "mline", cycle: 33,
              chartKind: "mline", chartKey: "mline_", load: true, requestKLine: false, hold: true, clearTrades: true,
              stockCtx: "", focusCharts: true },
            { tag: "a new list context", query: { code: "600000", market: 1, json: ctx }, view: shown(false, 33, "chart"),
              chart: "mline", cycle: 33, chartKind: "mline", chartKey: "mline_", load: true, requestKLine: false,
              hold: true, clearTrades: false, stockCtx: ctx, focusCharts: true },
            { tag: "the list context at hand", query: { code: "600000", market: 1, json: ctx },
              view: shown(false, 33, "chart", { stockCtx: ctx }), chart: "mline", cycle: 33, chartKind: "mline",
              chartKey: "mline_", load: true, requestKLine: false, hold: true, clearTrades: false, stockCtx: "",
              focusCharts: true },
            { tag: "an index on a page: its chart", query: { code: "000001", market: 1, type: 1, chart: "f9" },
              view: shown(true, 37, "chart"), chart: "kline", cycle: 33, chartKind: "kline", chartKey: "kline_33",
              load: true, requestKLine: true, hold: true, clearTrades: true, stockCtx: "", focusCharts: true },
        ];
    }

    function test_decide(row) {
        var d = StockRoute.decide(row.query, row.view);
        compareText(d.query.chart, row.chart, "query's chart");
        compare(d.query.cycle, row.cycle, "query's cycle");
        compareText(d.query.code, row.query.code, "query's code");
        compareText(d.chartKind, row.chartKind, "chartKind");
        compareText(d.chartKey, row.chartKey, "chartKey");
        compare(d.load, row.load, "load");
        compare(d.requestKLine, row.requestKLine, "requestKLine");
        compare(d.hold, row.hold, "hold");
        compare(d.clearTrades, row.clearTrades, "clearTrades");
        compareText(d.stockCtx, row.stockCtx, "stockCtx");
        compare(d.focusCharts, row.focusCharts, "focusCharts");
    }

    function test_decide_keeps_the_query() {
        var q = { code: "600000", market: "1", chart: "mk_line" };
        var d = StockRoute.decide(q, shown(false, 33, "chart"));
        compareText(q.chart, "mk_line", "the caller's query is left as it was");
        compare(q.cycle, undefined);
        compareText(d.query.market, "1", "the query's other keys go along");
    }

    function test_merge_data() {
        var current = { code: "600000", market: "1", type: 2, chart: "kline", cycle: 35 };
        return [
            { tag: "new keys over old", current: current, q: { chart: "detail" },
              merged: { code: "600000", market: "1", type: 2, chart: "detail", cycle: 35 } },
            { tag: "another code is typed afresh", current: current, q: { code: "000001", market: "0" },
              merged: { code: "000001", market: "0", chart: "kline", cycle: 35 } },
            { tag: "another code with its type", current: current, q: { code: "000001", type: 1 },
              merged: { code: "000001", market: "1", type: 1, chart: "kline", cycle: 35 } },
            { tag: "the same code keeps its type", current: current, q: { code: 600000 },
              merged: { code: 600000, market: "1", type: 2, chart: "kline", cycle: 35 } },
            { tag: "into an empty view", current: {}, q: { code: "1" }, merged: { code: "1" } },
        ];
    }

    function test_merge(row) {
        compare(StockRoute.merge(row.current, row.q), row.merged);
        compare(row.current.type === undefined || row.current.type === 2, true, "current left as it was");
    }

    function test_listContext_data() {
        return [
            { tag: "plain JSON", text: "{\"block\":\"hy\"}", ctx: "{\"block\":\"hy\",\"page_\":{\"no\":0,\"length\":9999}}" },
            { tag: "URL-encoded JSON", text: "%7B%22block%22%3A%22%E9%93%B6%E8%A1%8C%22%7D",
              ctx: "{\"block\":\"银行\",\"page_\":{\"no\":0,\"length\":9999}}" },
            { tag: "its own page replaced", text: "{\"page_\":{\"no\":3,\"length\":20}}",
              ctx: "{\"page_\":{\"no\":0,\"length\":9999}}" },
            { tag: "not JSON", text: "list%", ctx: "" },
            { tag: "a number", text: "12", ctx: "" },
            { tag: "null", text: "null", ctx: "" },
        ];
    }

    function test_listContext(row) {
        compareText(StockRoute.listContext(row.text), row.ctx);
    }

    readonly property var list: [{ code: "600000", market: 1, name: "甲" }, { code: "000001", market: 0, name: "乙" },
                                 { code: "600036", market: 1, name: "丙", type: 2 }]

    function test_neighbour_data() {
        return [
            { tag: "next", code: "000001", market: 0, step: 1, at: 2 },
            { tag: "previous", code: "000001", market: "0", step: -1, at: 0 },
            { tag: "after the last: the first", code: "600036", market: 1, step: 1, at: 0 },
            { tag: "before the first: the last", code: 600000, market: 1, step: -1, at: 2 },
            { tag: "not listed, down: the first", code: "600000", market: 0, step: 1, at: 0 },
            { tag: "not listed, up: the last", code: "300750", market: 0, step: -1, at: 2 },
        ];
    }

    function test_neighbour(row) {
        compareText(StockRoute.neighbour(list, row.code, row.market, row.step), list[row.at]);
    }

    function test_neighbour_of_an_empty_list() {
        compare(StockRoute.neighbour([], "600000", 1, 1), null);
        compare(StockRoute.neighbours([], "600000", 1), []);
    }

    function test_neighbours_data() {
        return [
            { tag: "after and before", list: list, code: "000001", market: 0,
              out: [{ code: "600036", market: 1 }, { code: "600000", market: 1 }] },
            { tag: "two rows: one each way", list: list.slice(0, 2), code: "600000", market: "1",
              out: [{ code: "000001", market: 0 }, { code: "000001", market: 0 }] },
            { tag: "the only row: none", list: list.slice(0, 1), code: "600000", market: 1, out: [] },
            { tag: "not listed: the ends", list: list, code: "1", market: 1,
              out: [{ code: "600000", market: 1 }, { code: "600036", market: 1 }] },
        ];
    }

    function test_neighbours(row) {
        compare(StockRoute.neighbours(row.list, row.code, row.market), row.out);
    }

    function test_stepQuery_data() {
        return [
            { tag: "untyped row", s: list[0], q: { code: "600000", market: "1", name: "甲", chart: "default" } },
            { tag: "typed row", s: { code: "000300", market: 1, name: "沪深300", type: "1" },
              q: { code: "000300", market: "1", name: "沪深300", chart: "default", type: 1 } },
        ];
    }

    function test_stepQuery(row) {
        var q = StockRoute.stepQuery(row.s);
        compareText(q, row.q);
        compareText(q.name, row.q.name);
    }

    function test_withType_data() {
        var q = { code: "000300", market: "1", name: "沪深300" };
        return [
            { tag: "the dictionary's type", q: q, known: { code: "000300", type: "1" }, out: { code: "000300", market: "1", name: "沪深300", type: 1 } },
            { tag: "a record without a type", q: q, known: { code: "000300", type: null }, out: q },
            { tag: "no record", q: q, known: null, out: q },
        ];
    }

    function test_withType(row) {
        compareText(StockRoute.withType(row.q, row.known), row.out);
        compare(row.q.type, undefined, "the query is left as it was");
    }

    function test_chartButtons() {
        var b = StockRoute.chartButtons();
        compareText(b.map(function (e) { return e.name; }).join(" "),
                    "分时 日线 1分 5分 15分 30分 60分 周线 明细 F10 分析 诊断 共振");
        compareText(b.map(function (e) { return e.key; }).join(" "),
                    "mline_ kline_33 kline_34 kline_35 kline_36 kline_37 kline_38 kline_39 detail_ f10_ f9_ f11_ cycel_");
        compareText(b[0].flag, "app://curview/?#chart=mline");
        compareText(b[2].flag, "app://curview/?#chart=kline&cycle=34");
        compareText(b[12].flag, "app://curview/?#chart=cycel");
        compare(b.map(function (e) { return e.item_width; }), [50, 50, 50, 50, 50, 50, 50, 70, 50, 50, 50, 50, 50]);
        compareText(b[7].menuItems, [{ name: "周线", flag: "app://curview/?#chart=kline&cycle=39" },
                                     { name: "月线", flag: "app://curview/?#chart=kline&cycle=40" }]);
        compareText(b[StockRoute.FIRST_PAGE_BUTTON].name, "明细", "the pages an index lacks start at 明细");
        verify(b.every(function (e) { return e.show === true; }));
    }

    function test_chartButtonFace_data() {
        return [
            { tag: "the week", key: "kline_39", at: "kline_39", face: { name: "周线", flag: "app://curview/?#chart=kline&cycle=39" } },
            { tag: "the month on the week's button", key: "kline_40", at: "kline_39",
              face: { name: "月线", flag: "app://curview/?#chart=kline&cycle=40" } },
            { tag: "the day", key: "kline_33", at: "kline_33", face: null },
            { tag: "a page", key: "f10_", at: "f10_", face: null },
        ];
    }

    function test_chartButtonFace(row) {
        var b = StockRoute.chartButtonFace(row.key);
        compare(b.key, row.at);
        compareText(b.face, row.face);
    }
}

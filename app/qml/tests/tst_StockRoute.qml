import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/StockRoute.js" as StockRoute

// Where a stock view's query lands (js/StockRoute.js): page or chart and
// K-line cycle, by the rules of the quick keys, the page buttons and indexes.
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
}

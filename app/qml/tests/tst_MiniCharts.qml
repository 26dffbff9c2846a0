import QtQuick 2.15
import QtTest 1.15
import HFileIO 1.0
import "qrc:/qml/js/MiniCharts.js" as Mini
import "qrc:/qml/js/MQChartFormula.js" as JSFormula

// View logic of the mini charts and chart grids: titles, tile sizes, the lower
// pane's formula, selection moves across pages and the multi-stock request.
Item {
    id: top
    width: 900
    height: 600

    HFileIO { id: fileIO }

    TextCase {
        name: "MiniCharts"

        function test_titles() {
            compareText(Mini.stockTitle("沪市001", "600001"), "沪市001(600001)");
            // Date text "2026-12-07 星期一 ..." keeps its first 14 characters.
            compareText(Mini.historyTitle("沪市001", "600001", "2026-12-07 星期一 15:00"), "沪市001(600001) 2026-12-07 星期一");
            compare(Mini.historyTitle("", "600001", "2026-12-07"), "(600001) 2026-12-07");
            compare(Mini.historyTitle("a", "1", undefined), "a(1) ");
            compareText(Mini.resonanceTiles.map(function (t) { return t.title; }).join(","),
                    "分时线,日线,1分钟,5分钟,15分钟,30分钟,60分钟,周线,月线");
            compare(Mini.resonanceTiles.map(function (t) { return t.cycle; }).join(","), "0,33,34,35,36,37,38,39,40");
        }

        // A view not laid out yet has height 0 (or a negative rest): no part is negative.
        function test_part_data() {
            return [
                { tag: "laid out", length: 900, n: 3, want: 300 },
                { tag: "rounds down", length: 100, n: 3, want: 33 },
                { tag: "zero height", length: 0, n: 3, want: 0 },
                { tag: "negative rest", length: -25, n: 3, want: 0 },
                { tag: "no parts", length: 900, n: 0, want: 0 },
                { tag: "undefined", length: undefined, n: 3, want: 0 }
            ];
        }
        function test_part(d) { compare(Mini.part(d.length, d.n), d.want); }

        function test_subFormula_data() {
            return [
                { tag: "minute default", kind: "mline", chosen: "", want: "MVOL" },
                { tag: "minute chosen", kind: "mline", chosen: "MACD", want: "MACD" },
                { tag: "no VOL on minutes", kind: "mline", chosen: "VOL", want: "MVOL" },
                { tag: "K-line default", kind: "kline", chosen: "", want: "VOL" },
                { tag: "K-line chosen", kind: "kline", chosen: "KD", want: "KD" },
                { tag: "no minute volume on K-lines", kind: "kline", chosen: "分时成交", want: "VOL" }
            ];
        }
        function test_subFormula(d) { compare(Mini.subFormulaFor(d.kind, d.chosen), d.want); }

        // Tiles 0..8 in three rows; count = filled tiles of the page.
        // The home chart's menu ticks what its panes draw: the lower pane's
        // volume (MVOL in the minute chart, VOL over K-lines) or the chosen one.
        function test_markShown_data() {
            var subs = [{ name: "VOL", select: false, flag: 1 }, { name: "MACD", select: true, flag: 2 },
                        { name: "KDJ", select: false, flag: 3 }];
            var mains = [{ name: "MA", select: false, flag: 4 }, { name: "BOLL", select: true, flag: 5 }];
            return [
                { tag: "minute, nothing chosen: volume", list: subs, kind: "mline", type: "sub_charts", main: "MA", sub: "", want: "VOL" },
                { tag: "K-lines, nothing chosen: volume", list: subs, kind: "kline", type: "sub_charts", main: "MA", sub: "", want: "VOL" },
                { tag: "K-lines, KDJ chosen", list: subs, kind: "kline", type: "sub_charts", main: "MA", sub: "KDJ", want: "KDJ" },
                { tag: "minute, MACD chosen", list: subs, kind: "mline", type: "sub_charts", main: "MA", sub: "MACD", want: "MACD" },
                { tag: "minute, nothing chosen: 分时成交 is the volume",
                  list: [{ name: "分时成交", select: false, flag: 6 }, { name: "MACD", select: true, flag: 2 }],
                  kind: "mline", type: "sub_charts", main: "MA", sub: "", want: "分时成交" },
                { tag: "K-lines' overlay", list: mains, kind: "kline", type: "main_charts", main: "MA", sub: "", want: "MA" },
                { tag: "no overlay on the minute chart", list: mains, kind: "mline", type: "main_charts", main: "MA", sub: "", want: "" }
            ];
        }
        function test_markShown(d) {
            var marked = Mini.markShown(d.list, d.kind, d.type, d.main, d.sub);
            compareText(marked.filter(function (e) { return e.select; }).map(function (e) { return e.name; }).join(","), d.want);
            compare(marked.map(function (e) { return e.flag; }).join(","), d.list.map(function (e) { return e.flag; }).join(","));
        }

        function test_step_data() {
            return [
                { tag: "right", index: 0, delta: 1, count: 9, page: 0, want: 1 },
                { tag: "down a row", index: 1, delta: 3, count: 9, page: 0, want: 4 },
                { tag: "up a row", index: 4, delta: -3, count: 9, page: 0, want: 1 },
                { tag: "left before the first", index: 0, delta: -1, count: 9, page: -1, want: 8 },
                { tag: "up from the first row keeps the column", index: 1, delta: -3, count: 9, page: -1, want: 7 },
                { tag: "right after the last", index: 8, delta: 1, count: 9, page: 1, want: 0 },
                { tag: "down from the last row keeps the column", index: 7, delta: 3, count: 9, page: 1, want: 1 },
                { tag: "right after the last filled tile", index: 3, delta: 1, count: 4, page: 1, want: 0 },
                { tag: "down past the filled tiles", index: 2, delta: 3, count: 4, page: 1, want: 2 },
                { tag: "down to a filled tile", index: 0, delta: 3, count: 4, page: 0, want: 3 },
                { tag: "empty page", index: 0, delta: 1, count: 0, page: 1, want: 0 }
            ];
        }
        function test_step(d) {
            var s = Mini.step(d.index, d.delta, d.count);
            compare(s.page, d.page);
            compare(s.index, d.want);
        }

        function test_multiStockContext() {
            var table = { peroid_: 30, page_: { no: 20, length: 31 }, sort_: { id: 34, mode: 0 },
                          market_field_: [0, 1, 2, 34, 35], blocks_: [1101] };
            var text = JSON.stringify(table);
            // URL-encoded as the table hands it on, row 5 of the table's page.
            var ctx = JSON.parse(Mini.multiStockContext(encodeURIComponent(text), "5"));
            compare(ctx.market_field_, [0, 34]);
            compare(ctx.page_.no, 25);
            compare(ctx.page_.length, 9);
            compare(ctx.blocks_, [1101]);
            compare(ctx.peroid_, 30);
            // Plain text, no row, no sort field.
            table.sort_ = { id: -1, mode: 0 };
            ctx = JSON.parse(Mini.multiStockContext(JSON.stringify(table)));
            compare(ctx.market_field_, [0]);
            compare(ctx.page_.no, 20);
            // Not a context.
            compare(Mini.multiStockContext("", "1"), "");
            compare(Mini.multiStockContext("%7Bbroken", "1"), "");
            compare(Mini.multiStockContext("[1,2]", "1"), "");
            compare(Mini.parseContext(undefined), null);
        }

        // The layout module reads the file through the given object and keeps
        // the one it had before.
        function test_withLayout() {
            JSFormula.setFileIO(null);
            var kline = Mini.withLayout(fileIO, function (layout) { return layout.getFormulaMap("kline"); });
            compare(kline.main_charts[1].fname, "Sulvane");
            compare(kline.sub_charts[0].fname, "Lumeth");
            compare(JSFormula.io_, null);
            verify(fileIO.readFileDefaultPath("formula_map.json").indexOf("Lumeth") >= 0);
        }
    }
}

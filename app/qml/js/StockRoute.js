.pragma library
.import "QuoteCodes.js" as QuoteCodes

// Where a stock view's query lands: its page or chart ("mline", "kline",
// "detail", ...) and its K-line cycle, from the query's chart, type and cycle
// and the view as it stands:
//   view = { kline: the chart shows K-lines, cycle: its cycle, page: the page
//            shown ("chart" for the charts), chartKind: "mline" or "kline",
//            pages: the page names the view has }
// "mk_line" toggles minutes and day K-lines, "mk_cycle" steps to the next
// cycle (after the last, the minutes), "default" (or none) keeps the page;
// an unknown page is the minutes, an index has the charts only, and a cycle
// out of range is the day.
function resolve(query, view) {
    var chart = query.chart || "default";
    var cycle = query.cycle;
    if (chart === "mk_line") {
        chart = view.kline ? "mline" : "kline";
        cycle = QuoteCodes.KLINE_DAY;
    } else if (chart === "mk_cycle") {
        var next = view.kline ? view.cycle + 1 : QuoteCodes.KLINE_DAY;
        chart = next > QuoteCodes.KLINE_LAST ? "mline" : "kline";
        cycle = next > QuoteCodes.KLINE_LAST ? QuoteCodes.KLINE_DAY : next;
    }
    if (chart === "default")
        chart = view.page === "chart" ? view.chartKind : view.page;
    if (view.pages.indexOf(chart) < 0)
        chart = "mline";
    if (Number(query.type) === 1 && chart !== "mline" && chart !== "kline")
        chart = view.chartKind;
    var c = Number(cycle || QuoteCodes.KLINE_DAY);
    if (!(c >= QuoteCodes.KLINE_FIRST && c <= QuoteCodes.KLINE_LAST))
        c = QuoteCodes.KLINE_DAY;
    return { chart: chart, cycle: c };
}

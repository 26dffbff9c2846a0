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

// What a stock view does with a query (its code already typed, where the
// stock dictionary knew it), from the view as it stands:
//   view = resolve()'s view and { code, market: the stock shown, visible:
//            the view is shown, stockCtx: the quote-table context at hand }
// The decision:
//   query: the query with its chart and cycle, the view's query from now on
//   chartKind, chartKey: the chart page's kind and the view key
//   load: the query has a stock, whose data is asked for (requestKLine: its
//         K-lines rather than its minutes) and whose panes are set up anew
//   hold: the window waits for the new bars before it draws
//   clearTrades: another stock, whose listed trades go
//   stockCtx: a new quote-table context to read the stock list from ("" when none)
//   focusCharts: the charts take the keys (back from a page that took them)
function decide(query, view) {
    var next = {};
    for (var k in query)
        next[k] = query[k];
    var route = resolve(next, view);
    var chart = route.chart;
    var isChart = chart === "mline" || chart === "kline";
    next.cycle = route.cycle;
    next.chart = chart;
    var load = !!next.code;
    var chartKey = chart === "kline" ? "kline_" + route.cycle : chart + "_";
    return {
        query: next,
        chartKind: isChart ? chart : view.chartKind,
        chartKey: chartKey,
        load: load,
        requestKLine: chart === "kline" || (!isChart && view.kline),
        hold: load && isChart && !!view.visible,
        clearTrades: load && (String(next.code) !== String(view.code) || Number(next.market) !== Number(view.market)),
        stockCtx: next.json && next.json !== view.stockCtx ? String(next.json) : "",
        focusCharts: load && isChart
    };
}

// Query q with the type of the dictionary's record `known` of its stock (q
// itself when the record is missing or has no type).
function withType(q, known) {
    if (!known || known.type === undefined || known.type === null)
        return q;
    var next = {};
    for (var k in q)
        next[k] = q[k];
    next.type = Number(known.type);
    return next;
}

// The view's query q brought into the current one: q's keys over current's;
// another code without a type is typed afresh (its old type dropped).
function merge(current, q) {
    var merged = {};
    var k;
    for (k in current)
        merged[k] = current[k];
    for (k in q)
        merged[k] = q[k];
    if (q.code !== undefined && q.type === undefined && String(q.code) !== String(current.code))
        delete merged.type;
    return merged;
}

// The quote-table context (plain or URL-encoded JSON) as the text that asks
// for all its rows in one page; "" when the text is no context.
function listContext(text) {
    var ctx = null;
    try {
        ctx = JSON.parse(text);
    } catch (e) {
        try {
            ctx = JSON.parse(decodeURIComponent(text));
        } catch (e2) {
            ctx = null;
        }
    }
    if (!ctx || typeof ctx !== "object")
        return "";
    ctx.page_ = { no: 0, length: 9999 };
    return JSON.stringify(ctx);
}

function sameStock(a, code, market) {
    return String(a.code) === String(code) && Number(a.market) === Number(market);
}

// The neighbour step rows away (1 or -1) of the stock code/market in list,
// wrapping at both ends (a stock not in the list: its first or last row);
// null for an empty list.
function neighbour(list, code, market, step) {
    var n = list.length;
    if (n === 0)
        return null;
    var at = -1;
    for (var i = 0; i < n; ++i)
        if (sameStock(list[i], code, market)) {
            at = i;
            break;
        }
    var next = at < 0 ? (step > 0 ? 0 : n - 1) : (at + step + n) % n;
    return list[next];
}

// The stocks after and before code/market in list to keep at hand, as
// { code, market }: none that is the stock itself.
function neighbours(list, code, market) {
    var out = [];
    var steps = [1, -1];
    for (var i = 0; i < steps.length; ++i) {
        var s = neighbour(list, code, market, steps[i]);
        if (s && !sameStock(s, code, market))
            out.push({ code: String(s.code), market: Number(s.market) });
    }
    return out;
}

// The query that steps to the list's row s (Page Up/Down): its stock in its
// table type, on the page shown.
function stepQuery(s) {
    var q = { code: s.code, market: String(s.market), name: s.name, chart: "default" };
    if (s.type !== undefined)
        q.type = Number(s.type);
    return q;
}

var CHART_FLAG = "app://curview/?#chart=";

// The names of the K-line cycles.
var cycleNames = {};
cycleNames[QuoteCodes.KLINE_DAY] = "日线";
cycleNames[QuoteCodes.KLINE_MIN1] = "1分";
cycleNames[QuoteCodes.KLINE_MIN5] = "5分";
cycleNames[QuoteCodes.KLINE_MIN15] = "15分";
cycleNames[QuoteCodes.KLINE_MIN30] = "30分";
cycleNames[QuoteCodes.KLINE_MIN60] = "60分";
cycleNames[QuoteCodes.KLINE_WEEK] = "周线";
cycleNames[QuoteCodes.KLINE_MONTH] = "月线";

// The first of the chart buttons that an index lacks (the stock's pages).
var FIRST_PAGE_BUTTON = 8;

// The stock view's chart buttons in order: { name, key, flag, item_width,
// show, menuItems? }: 分时, the K-line cycles from the day to 60 minutes, 周线
// with 月线 in its drop-down, then the pages. key is the view's chart key,
// flag the route the button opens.
function chartButtons() {
    var out = [];
    function add(name, key, flag, w, menu) {
        var e = { name: name, key: key, flag: flag, item_width: w, show: true };
        if (menu)
            e.menuItems = menu;
        out.push(e);
    }
    add("分时", "mline_", CHART_FLAG + "mline", 50);
    for (var c = QuoteCodes.KLINE_DAY; c <= QuoteCodes.KLINE_MIN60; ++c)
        add(cycleNames[c], "kline_" + c, CHART_FLAG + "kline&cycle=" + c, 50);
    add("周线", "kline_" + QuoteCodes.KLINE_WEEK, CHART_FLAG + "kline&cycle=" + QuoteCodes.KLINE_WEEK, 70,
        [{ name: "周线", flag: CHART_FLAG + "kline&cycle=" + QuoteCodes.KLINE_WEEK },
         { name: "月线", flag: CHART_FLAG + "kline&cycle=" + QuoteCodes.KLINE_MONTH }]);
    var pages = [["明细", "detail"], ["F10", "f10"], ["分析", "f9"], ["诊断", "f11"], ["共振", "cycel"]];
    for (var i = 0; i < pages.length; ++i)
        add(pages[i][0], pages[i][1] + "_", CHART_FLAG + pages[i][1], 50);
    return out;
}

// The button a chart key marks: { key, face }; week and month share the
// drop-down (key of the week), whose face, { name, flag }, follows the cycle
// shown; face is null for any other button.
function chartButtonFace(chartKey) {
    var week = "kline_" + QuoteCodes.KLINE_WEEK;
    var month = "kline_" + QuoteCodes.KLINE_MONTH;
    if (chartKey !== week && chartKey !== month)
        return { key: chartKey, face: null };
    var c = chartKey === month ? QuoteCodes.KLINE_MONTH : QuoteCodes.KLINE_WEEK;
    return { key: week, face: { name: cycleNames[c], flag: CHART_FLAG + "kline&cycle=" + c } };
}

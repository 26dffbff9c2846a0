.pragma library
.import "MQChartFormula.js" as JSFormula
.import "QuoteCodes.js" as QuoteCodes

// View logic of the mini chart and the chart grids: tile sizes, titles, the
// lower pane's formula, selection moves across pages and the multi-stock
// request.

var GRID = 3;            // tiles per row and per column
var PAGE = GRID * GRID;  // tiles of a grid, rows of a multi-stock page

// Cycle resonance: tile 1 the minute chart, tiles 2-9 the K-line cycles.
var resonanceTiles = [
    { title: "分时线", cycle: 0 },
    { title: "日线", cycle: QuoteCodes.KLINE_DAY },
    { title: "1分钟", cycle: QuoteCodes.KLINE_MIN1 },
    { title: "5分钟", cycle: QuoteCodes.KLINE_MIN5 },
    { title: "15分钟", cycle: QuoteCodes.KLINE_MIN15 },
    { title: "30分钟", cycle: QuoteCodes.KLINE_MIN30 },
    { title: "60分钟", cycle: QuoteCodes.KLINE_MIN60 },
    { title: "周线", cycle: QuoteCodes.KLINE_WEEK },
    { title: "月线", cycle: QuoteCodes.KLINE_MONTH }
];

// One of n equal parts of a length in whole pixels; never negative, so a view
// that is not laid out yet (length 0 or less) gives 0.
function part(length, n) {
    if (!(n > 0) || !(length > 0))
        return 0;
    return Math.floor(length / n);
}

// "name(code)".
function stockTitle(name, code) {
    return (name || "") + "(" + (code || "") + ")";
}

// The history minute line's title: "name(code) " and the first 14
// characters of the date text (date, blank, weekday name).
function historyTitle(name, code, date) {
    return stockTitle(name, code) + " " + String(date || "").substring(0, 14);
}

// The lower pane's formula for a chart kind: the chosen one, unless that
// kind's formula menu leaves it out ("VOL" on minute charts, "分时成交" on
// K-lines), else the kind's default.
function subFormulaFor(kind, chosen) {
    if (kind === "mline")
        return chosen && chosen !== "VOL" ? chosen : "MVOL";
    return chosen && chosen !== "分时成交" ? chosen : "VOL";
}

// The menu entries { name, select, flag } of the home chart's main (type
// "main_charts") or lower pane's formulas, ticked by what the pane draws:
// the main formula by its name (K-lines only), the lower one as
// subFormulaFor gives it for the chart kind.
function markShown(entries, kind, type, mainFormula, subFormula) {
    var shown = type === "main_charts" ? (kind === "kline" ? mainFormula : "") : subFormulaFor(kind, subFormula);
    // The volume has three names: VOL, the minute chart's MVOL and 分时成交.
    var volume = ["VOL", "MVOL", "分时成交"];
    function same(a, b) { return a === b || (volume.indexOf(a) >= 0 && volume.indexOf(b) >= 0); }
    var out = [];
    for (var i = 0; i < entries.length; ++i) {
        var e = entries[i];
        var drawn = type === "main_charts" ? e.name === shown : same(subFormulaFor(kind, e.name), shown);
        out.push({ name: e.name, select: shown !== "" && drawn, flag: e.flag });
    }
    return out;
}

// A selection move by delta (±1 across, ±GRID down and up) from index on a
// page with count filled tiles: {page: 0, index} within the page, or
// {page: -1 | 1, index} for the tile to select on the previous or next page
// (same column for a vertical move, the far end for a horizontal one).
function step(index, delta, count) {
    var n = index + delta;
    var vertical = Math.abs(delta) === GRID;
    if (n < 0)
        return { page: -1, index: vertical ? PAGE - GRID + ((n % GRID) + GRID) % GRID : PAGE - 1 };
    if (n >= count)
        return { page: 1, index: vertical ? n % GRID : 0 };
    return { page: 0, index: n };
}

// A quote-table context from its text, plain or URL-encoded JSON; null when
// it is neither.
function parseContext(text) {
    if (!text)
        return null;
    var ctx = null;
    try {
        ctx = JSON.parse(text);
    } catch (e) {
        try { ctx = JSON.parse(decodeURIComponent(text)); } catch (e2) { ctx = null; }
    }
    return ctx && typeof ctx === "object" && !Array.isArray(ctx) ? ctx : null;
}

// The multi-stock request over a quote-table context: fields 0 and the sort
// field, from the table's first row plus row, one grid of rows. "" when the
// text is not a context.
function multiStockContext(text, row) {
    var ctx = parseContext(text);
    if (!ctx)
        return "";
    var sort = ctx.sort_ && typeof ctx.sort_ === "object" ? Number(ctx.sort_.id) : -1;
    ctx.market_field_ = sort > 0 ? [0, sort] : [0];
    var first = ctx.page_ && Number(ctx.page_.no) > 0 ? Math.floor(Number(ctx.page_.no)) : 0;
    var extra = Number(row) > 0 ? Math.floor(Number(row)) : 0;
    ctx.page_ = { no: first + extra, length: PAGE };
    return JSON.stringify(ctx);
}

// Runs fn with the layout module reading "formula_map.json" through io (an
// HFileIO of the caller), then hands the module back the file object it had,
// so it never keeps one of a view that may go away before the next caller.
function withLayout(io, fn) {
    var previous = JSFormula.io_;
    JSFormula.setFileIO(io);
    try {
        return fn(JSFormula);
    } finally {
        JSFormula.setFileIO(previous);
    }
}

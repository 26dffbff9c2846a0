.pragma library

// Texts, colours and numbers of the stock view's crosshair pop-up (PPoint.qml)
// and parameter dialog (QFormulaParamSet.qml).

var UP = "#ff0000";
var FLAT = "#FFFFFF";
var DOWN = "#00FF00";

// A parameter spin box holds value × HELD as an integer.
var HELD = 10000;

function isValue(v) { return typeof v === "number" && isFinite(v); }

// Fixed-point text without a minus sign on a value that rounds to zero.
function fixedText(v, decimals) {
    var s = v.toFixed(decimals);
    return /^-0(\.0*)?$/.test(s) ? s.substring(1) : s;
}

// The bar's date text from the chart ("yyyy-MM-dd", the weekday, "HH:mm:ss"):
// month-day and hour:minute on a minute chart, the first 14 characters (date
// and zh_CN's three-character weekday) on a K-line. The time is cut from the
// end, so another locale's longer weekday names give the same minute text.
function dateText(isMinute, text) {
    var s = text === undefined || text === null ? "" : String(text);
    if (s.length < 19)
        return s;
    return isMinute ? "时间: " + s.substr(5, 5) + " " + s.substr(s.length - 8, 5) : s.substr(0, 14);
}

function priceColor(v, reference) {
    if (!isValue(v) || !isValue(reference) || v === reference)
        return FLAT;
    return v > reference ? UP : DOWN;
}

// A price with the stock's decimals; "-" where the bar has none.
function priceText(v, decimals) { return isValue(v) && v > 0 ? fixedText(v, decimals) : "-"; }

// The pop-up's rows at one bar. d holds open, high, low, close, avg_price,
// vol and sum; reference is the close that colours and changes compare
// with; volText formats the two volume rows (亿/万).
function pointRows(d, reference, decimals, isMinute, volText) {
    var rows = [];
    function price(label, v) {
        var shown = isValue(v) && v > 0;
        rows.push({ label: label, text: priceText(v, decimals), color: shown ? priceColor(v, reference) : FLAT });
    }
    price("开盘", d.open);
    price("最高", d.high);
    price("最低", d.low);
    price(isMinute ? "最新" : "收盘", d.close);
    price("均价", d.avg_price);
    // Without a reference or a close there is no change to show (and no
    // division by a zero reference).
    var known = isValue(d.close) && d.close > 0 && isValue(reference) && reference > 0;
    var change = known ? d.close - reference : 0;
    var colour = known ? priceColor(d.close, reference) : FLAT;
    rows.push({ label: "涨跌额", text: known ? fixedText(change, decimals) : "-", color: colour });
    rows.push({ label: "涨跌幅", text: known ? fixedText(change / reference * 100, 2) + "%" : "-", color: colour });
    rows.push({ label: "成交量", text: isValue(d.vol) ? volText(d.vol) : "-", color: FLAT });
    rows.push({ label: "成交额", text: isValue(d.sum) ? volText(d.sum) : "-", color: FLAT });
    return rows;
}

// Parameter values and the integers the spin boxes hold.
function heldValue(v) { return Math.round(Number(v) * HELD); }

// Up to four decimals, trailing zeros dropped: 5000 gives "0.5", 120000 "12".
function heldText(held) {
    var s = (held / HELD).toFixed(4);
    s = s.replace(/0+$/, "").replace(/\.$/, "");
    return s === "-0" ? "0" : s;
}

// The held integer of a typed text, clamped to [from, to]; null when the text
// is no number.
function heldFromText(text, from, to) {
    var t = String(text).trim();
    if (!/^[-+]?(\d+\.?\d*|\.\d+)$/.test(t))
        return null;
    return Math.max(from, Math.min(to, heldValue(parseFloat(t))));
}

// setFormulaParam's argument: the parameters in order, each with the value
// its spin box holds.
function paramArgs(params, helds) {
    var args = [];
    for (var i = 0; i < params.length; ++i)
        args.push({ name: params[i].name, value: helds[i] / HELD, min: params[i].min, max: params[i].max });
    return { args: args };
}

// Fund-flow requests to the outside market-data service and their pure
// formatting, and the back end's market statistics. The service's three hosts
// (real-time, history, data centre) are server-address values
// ("url.flow_realtime_host", "url.flow_history_host",
// "url.flow_datacenter_host"), read once by configure().
.pragma library
.import "JSHttp.js" as JSHttp

var ut = "7d3e9a15c0f2b846e1a5d9c3f07b2e64";
var dataCentreToken = "c5a0e7f3192d4b86a3e1f50d7c9b2a48";
var todayFields = "f62,f184,f66,f69,f72,f75,f78,f81,f84,f87,f64,f65,f70,f71,f76,f77,f82,f83,"
        + "f164,f166,f168,f170,f172,f252,f253,f254,f255,f256,f124,f6,f278,f279,f280,f281,f282";
var formatError = "数据格式错误";
var hosts = { realtime: "", history: "", datacenter: "" };
// The `_` of each request; tests fix it.
var now = function () { return Date.now(); };

function configure(baseService) {
    for (var kind in hosts) {
        var v = baseService.getServerAddressValue("url.flow_" + kind + "_host");
        hosts[kind] = v ? String(v).replace(/\/+$/, "") : "";
    }
}

// The service's market id of a market number ("" when it has none).
function marketId(market, history) {
    var m = Number(market);
    if (m === 1) return "1";
    if (m === 2) return "0";
    if (history && m === 90) return "90";
    return "";
}
function secid(codeInfo, history) {
    var id = codeInfo ? marketId(codeInfo.market, history) : "";
    return id === "" ? "" : id + "." + codeInfo.code;
}

// host + path + "?" + key=value pairs joined by "&" as given (no encoding).
function buildUrl(host, path, pairs) {
    var q = [];
    for (var i = 0; i < pairs.length; ++i)
        q.push(pairs[i][0] + "=" + pairs[i][1]);
    return host + path + "?" + q.join("&");
}

function todayUrl(codeInfo) {
    var s = secid(codeInfo, false);
    if (s === "") return "";
    return buildUrl(hosts.realtime, "/api/qt/ulist.np/get",
                    [["fltt", 2], ["secids", s], ["fields", todayFields], ["ut", ut], ["_", now()]]);
}
function historyUrl(codeInfo) {
    var s = secid(codeInfo, true);
    if (s === "") return "";
    return buildUrl(hosts.history, "/api/qt/stock/fflow/daykline/get",
                    [["lmt", 0], ["klt", 101], ["secid", s], ["fields1", "f1,f2,f3,f7"],
                     ["fields2", "f51,f52,f53,f54,f55,f56,f57,f58,f59,f60,f61,f62,f63,f64,f65"], ["ut", ut], ["_", now()]]);
}
function blockFlowUrl(block) {
    return buildUrl(hosts.realtime, "/api/qt/clist/get",
                    [["pn", 1], ["pz", 500], ["po", 1], ["np", 1], ["fields", "f12,f13,f14,f62"], ["fid", "f62"],
                     ["fs", block], ["ut", ut], ["_", now()]]);
}
function hsgtCurJLRUrl() {
    return buildUrl(hosts.realtime, "/api/qt/kamt.rtmin/get",
                    [["fields1", "f1,f2,f3,f4"], ["fields2", "f51,f52,f53,f54,f55,f56"], ["ut", ut], ["_", now()]]);
}
function hsgtCurJMEUrl() {
    return buildUrl(hosts.realtime, "/api/qt/kamtbs.rtmin/get",
                    [["fields1", "f1,f2,f3,f4"], ["fields2", "f51,f54,f52,f58,f53,f62,f56,f57,f60,f61"], ["ut", ut],
                     ["_", now()]]);
}
function hsgtLSUrl(date) {
    return buildUrl(hosts.datacenter, "/EM_MutiSvcExpandInterface/api/js/get",
                    [["type", "HSGTZJZS"], ["token", dataCentreToken], ["ps", 5000],
                     ["filter", "(DateTime%3E^" + date + "^)"]]);
}

function get(url, callback) {
    if (!url) return null;
    return JSHttp.getData(url, {}, { "Content-Type": "application/json" }, callback);
}

// Number text: "-" for empty, missing, "-", not a number or infinite;
// otherwise the value with `decimals` (2 when not given).
function formatNumber(v, decimals) {
    if (v === undefined || v === null || v === "" || v === "-")
        return "-";
    var n = Number(v);
    if (typeof v === "boolean" || !isFinite(n))
        return "-";
    return n.toFixed(decimals === undefined ? 2 : decimals);
}
// Whether formatNumber gives a figure for v (not "-").
function isFigure(v) {
    return formatNumber(v, 0) !== "-";
}
// formatNumber of v / divisor; "-" when v itself is no figure.
function formatScaled(v, divisor, decimals) {
    return isFigure(v) ? formatNumber(Number(v) / divisor, decimals) : "-";
}
function num(v) {
    var n = Number(v);
    return typeof v === "boolean" || v === null || v === "" || !isFinite(n) ? 0 : n;
}

var flowClasses = [
    ["超大单流入", "f64", "#CC3333", true], ["大单流入", "f70", "#FF3D3D", true], ["中单流入", "f76", "#FF6060", true],
    ["小单流入", "f82", "#FFA0A0", true], ["小单流出", "f83", "#A0FFA0", false], ["中单流出", "f77", "#60FF60", false],
    ["大单流出", "f71", "#0FC351", false], ["超大单流出", "f65", "#33CC33", false]
];
var historyColours = ["#FE3EE1", "#FF0033", "#FF1117", "#FFB83D", "#94C4EE"];

// Today's flow of a reply {data: {diff: [...]}}, or null for another shape.
function formatToday(reply) {
    var diff = reply && reply.data && Array.isArray(reply.data.diff) ? reply.data.diff : null;
    if (!diff || diff.length === 0 || diff[0] === null || typeof diff[0] !== "object")
        return null;
    var d = {};
    var k;
    for (k in diff[0])
        d[k] = diff[0][k];
    if (diff.length > 1 && diff[1] !== null && typeof diff[1] === "object") {
        for (k in diff[1]) {
            if (k === "f124" || typeof diff[1][k] === "boolean" || !isFinite(Number(diff[1][k])) || diff[1][k] === "")
                continue;
            d[k] = num(d[k]) + Number(diff[1][k]);
        }
        var amount = num(d.f6);
        var pairs = [["f184", "f62"], ["f69", "f66"], ["f75", "f72"], ["f81", "f78"], ["f87", "f84"]];
        for (var p = 0; p < pairs.length; ++p)
            d[pairs[p][0]] = amount === 0 ? 0 : num(d[pairs[p][1]]) / amount * 100;
    }
    var buySum = num(d.f64) + num(d.f70) + num(d.f76) + num(d.f82);
    var sellSum = num(d.f65) + num(d.f71) + num(d.f77) + num(d.f83);
    var data = [];
    for (var i = 0; i < flowClasses.length; ++i) {
        var c = flowClasses[i];
        var sum = c[3] ? buySum : sellSum;
        var value = formatScaled(d[c[1]], 10000, 4);
        var ratio = !isFigure(d[c[1]]) ? "-" : sum === 0 ? "0.0" : formatNumber(Number(d[c[1]]) / sum * 100, 1);
        data.push({ name: c[0], color: c[2], value: value, ratio: ratio,
                    showInfo: c[0] + " " + value + "万元 " + ratio + "%" });
    }
    function series(keys) {
        var out = [];
        for (var j = 0; j < keys.length; ++j)
            out.push({ value: formatScaled(d[keys[j]], 10000, 4), color: historyColours[j] });
        return out;
    }
    return {
        data: data, buySum: buySum, sellSum: sellSum, raw: d,
        mBuySum: isFigure(d.f64) && isFigure(d.f70) ? formatNumber((num(d.f64) + num(d.f70)) / 10000, 0) : "-",
        mSellSum: isFigure(d.f65) && isFigure(d.f71) ? formatNumber((num(d.f65) + num(d.f71)) / 10000, 0) : "-",
        day5: series(["f164", "f166", "f168", "f170", "f172"]),
        day20: series(["f252", "f253", "f254", "f255", "f256"])
    };
}

// An amount in automatic units: more than 12 integer digits in 万亿, more
// than 8 in 亿, more than 4 in 万, 2 decimals.
function autoUnit(v) {
    var n = num(v);
    var digits = String(Math.floor(Math.abs(n))).length;
    if (digits > 12) return (n / 1e12).toFixed(2) + "万亿";
    if (digits > 8) return (n / 1e8).toFixed(2) + "亿";
    if (digits > 4) return (n / 1e4).toFixed(2) + "万";
    return n.toFixed(2);
}
function escapeHtml(t) {
    return String(t).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;")
            .replace(/'/g, "&#39;");
}
function span(text, v) {
    var n = num(v);
    var cls = n > 0 ? " class=\"red\"" : n < 0 ? " class=\"green\"" : "";
    return "<span" + cls + ">" + text + "</span>";
}

// History of a reply {data: {klines: [...]}}: for type 1 the chart data
// {xaxis, series} of the last 63 days, for other types the HTML rows of a
// table, newest first; null without entries.
function formatHistory(reply, type) {
    var lines = reply && reply.data && Array.isArray(reply.data.klines) ? reply.data.klines : [];
    if (lines.length === 0)
        return null;
    var rows = [];
    for (var i = 0; i < lines.length; ++i)
        rows.push(String(lines[i]).split(","));
    if (Number(type) === 1) {
        var kept = rows.filter(function (f) { return f.length >= 6; }).slice(-63);
        var names = [["主力净流入", 1, "#FE3EE1"], ["超大单净流入", 5, "#900000"], ["大单净流入", 4, "#FF1117"],
                     ["中单净流入", 3, "#FFB83D"], ["小单净流入", 2, "#94C4EE"]];
        var out = { xaxis: kept.map(function (f) { return f[0]; }), series: [] };
        for (var s = 0; s < names.length; ++s) {
            var col = names[s][1];
            out.series.push({ name: names[s][0], type: "line", symbol: "none", color: names[s][2], suffix: "万元",
                              data: kept.map(function (f) { return Number((num(f[col]) / 10000).toFixed(2)); }) });
        }
        return out;
    }
    var html = "";
    var pairs = [[1, 6], [5, 10], [4, 9], [3, 8], [2, 7]];
    for (var r = rows.length - 1; r >= 0; --r) {
        var f = rows[r];
        if (f.length < 15)
            continue;
        html += "<tr><td>" + escapeHtml(f[0]) + "</td>";
        for (var p = 0; p < pairs.length; ++p) {
            html += "<td>" + span(autoUnit(f[pairs[p][0]]), f[pairs[p][0]]) + "</td>";
            html += "<td>" + span(num(f[pairs[p][1]]).toFixed(2) + "%", f[pairs[p][1]]) + "</td>";
        }
        html += "</tr>";
    }
    return html;
}

function getTodayZJLX(codeInfo, callback) {
    return get(todayUrl(codeInfo), function (ok, reply) {
        if (!ok) { callback(false, reply); return; }
        var r = formatToday(reply);
        if (r === null) callback(false, formatError);
        else callback(true, r);
    });
}
function getHistoryZJLX(codeInfo, type, callback) {
    return get(historyUrl(codeInfo), function (ok, reply) {
        if (!ok) { callback(false, reply); return; }
        var r = formatHistory(reply, type);
        if (r === null) callback(false, formatError);
        else callback(true, r);
    });
}
function getBlockFLow(block, callback) { return get(blockFlowUrl(block), callback); }
function getHSGTCurJLR(callback) { return get(hsgtCurJLRUrl(), callback); }
function getHSGTCurJME(callback) { return get(hsgtCurJMEUrl(), callback); }
function getHSGTLS(date, callback) { return get(hsgtLSUrl(date), callback); }

function getMarketStatistics(url, param, callback) {
    return JSHttp.getData(url, param, { "Content-Type": "application/json" }, callback);
}

// Fills the model from json[tag] without the "up_counts" and "down_counts"
// rows, each with ratio = count / the largest count of the rest.
function getMarketStatisticsModel(model, json, tag) {
    model.clear();
    var list = json && Array.isArray(json[tag]) ? json[tag] : [];
    var kept = [];
    var max = 0;
    for (var i = 0; i < list.length; ++i) {
        var e = list[i];
        if (e === null || typeof e !== "object" || e.section === "up_counts" || e.section === "down_counts")
            continue;
        kept.push(e);
        max = Math.max(max, num(e.count));
    }
    for (var j = 0; j < kept.length; ++j) {
        var row = {};
        for (var k in kept[j])
            row[k] = kept[j][k];
        row.ratio = max > 0 ? num(kept[j].count) / max : 0;
        model.append(row);
    }
}

// The fund-flow table of a today result: per class (super-large, large,
// medium, small) the inflow entry i against the outflow entry 7 - i, the net
// with its bar (net / the largest absolute net) and both ratios.
function flowRows(result) {
    var names = ["超大单", "大单", "中单", "小单"];
    var rows = [];
    var m = 0;
    function ratio(v) { return isFigure(v) ? formatNumber(v, 2) + "%" : "-"; }
    for (var i = 0; i < 4; ++i) {
        var a = result.data[i].value, b = result.data[7 - i].value;
        var inflow = num(a), outflow = num(b);
        var known = isFigure(a) && isFigure(b);
        var net = known ? Number(inflow.toFixed(0)) - Number(outflow.toFixed(0)) : 0;
        m = Math.max(m, Math.abs(net));
        rows.push({ name: names[i], inflow: formatNumber(a, 0), outflow: formatNumber(b, 0),
                    net: known ? net.toFixed(0) : "-", netValue: net,
                    inRatio: ratio(result.data[i].ratio), outRatio: ratio(result.data[7 - i].ratio) });
    }
    for (var j = 0; j < 4; ++j)
        rows[j].bar = m === 0 ? 0 : rows[j].netValue / m;
    return rows;
}

// Bars of the 5-day and 20-day nets on one scale: s = |min| + |max| when
// max > 0, else |min|, over both lists; a negative value v starts at
// |min - v| / s, a positive one at |min| / s, each |v| / s wide.
function historyBars(day5, day20) {
    var values = [];
    var k;
    for (k = 0; k < day5.length; ++k) values.push(num(day5[k].value));
    for (k = 0; k < day20.length; ++k) values.push(num(day20[k].value));
    var min = values.length > 0 ? Math.min.apply(null, values) : 0;
    var max = values.length > 0 ? Math.max.apply(null, values) : 0;
    var s = max > 0 ? Math.abs(min) + Math.abs(max) : Math.abs(min);
    function bar(list, i) {
        var v = num(list[i].value);
        if (s === 0) return { start: 0, width: 0, value: v, color: list[i].color };
        return { start: v < 0 ? Math.abs(min - v) / s : Math.abs(min) / s, width: Math.abs(v) / s, value: v, color: list[i].color };
    }
    var out = { day5: [], day20: [] };
    for (k = 0; k < day5.length; ++k) out.day5.push(bar(day5, k));
    for (k = 0; k < day20.length; ++k) out.day20.push(bar(day20, k));
    return out;
}

// A today result whose eight values are all "0.0000" or "-" (no flow today).
function isEmptyFlow(result) {
    for (var i = 0; i < result.data.length; ++i)
        if (result.data[i].value !== "0.0000" && result.data[i].value !== "-")
            return false;
    return true;
}

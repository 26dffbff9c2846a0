// The news and research list requests of the information panel and the
// home view.
.pragma library
.import "JSHttp.js" as JSHttp

// The most rows a list keeps (and marks a chart gets) from one reply.
var maxRows = 300;

function isRow(r) {
    return r !== null && typeof r === "object" && !Array.isArray(r);
}
function dateOf(r) {
    return r.pubdate === undefined || r.pubdate === null ? "" : String(r.pubdate);
}

// The rows of json.data that are objects, in the reply's order; past maxRows
// only the newest maxRows (by pubdate, newest first; the reply's order among
// rows of one date). One pass over the reply and a sort of the kept rows, so
// that a reply of any length costs little more than reading it.
function keptRows(json) {
    var rows = json && Array.isArray(json.data) ? json.data : [];
    var all = [];
    var counts = {};
    for (var i = 0; i < rows.length; ++i) {
        if (!isRow(rows[i]))
            continue;
        all.push(rows[i]);
        var d = dateOf(rows[i]);
        counts[d] = (counts[d] || 0) + 1;
    }
    if (all.length <= maxRows)
        return all;
    // The oldest date still kept, and how many of its rows fit.
    var dates = Object.keys(counts).sort().reverse();
    var left = maxRows, last = "", ofLast = 0;
    for (var k = 0; k < dates.length && left > 0; ++k) {
        last = dates[k];
        ofLast = Math.min(left, counts[last]);
        left -= ofLast;
    }
    var kept = [];
    for (var j = 0; j < all.length; ++j) {
        var t = dateOf(all[j]);
        if (t > last || (t === last && ofLast-- > 0))
            kept.push({ row: all[j], at: j });
    }
    kept.sort(function (a, b) {
        var x = dateOf(a.row), y = dateOf(b.row);
        return x > y ? -1 : x < y ? 1 : a.at - b.at;
    });
    return kept.map(function (e) { return e.row; });
}

// Clears the model and fills it in one step from the kept rows of json.data
// (rows that are not objects are skipped; a reply without a data array
// leaves it empty).
function getJsonModel(model, json) {
    model.clear();
    var rows = keptRows(json);
    var out = [];
    for (var i = 0; i < rows.length; ++i) {
        var r = rows[i];
        var row = {};
        for (var k in r) {
            var v = r[k];
            // Lists in a ListModel must be lists of objects: keep scalars only.
            if (v === null || typeof v !== "object")
                row[k] = v === null || v === undefined ? "" : v;
        }
        row.id = r.id === undefined || r.id === null ? "" : String(r.id);
        row.title = r.title === undefined || r.title === null ? "" : String(r.title);
        row.pubdate = dateOf(r);
        out.push(row);
    }
    if (out.length > 0)
        model.append(out);
}

function getStockNewsList(url, param, callback) {
    return JSHttp.getData(url, param, { "Content-Type": "application/json" }, callback, undefined, maxRows);
}

// Research marks for a chart from a research list reply: one per row, from
// the last row to the first, dated at 00:00 local time of its pubdate, with
// the report page (viewUrl's {{id}} filled) to open from the tip.
function researchMarks(json, viewUrl, fill) {
    var rows = keptRows(json);
    var data = [];
    for (var i = rows.length - 1; i >= 0; --i) {
        var r = rows[i];
        if (r === null || typeof r !== "object")
            continue;
        var m = /^(\d{4})-(\d{2})-(\d{2})/.exec(String(r.pubdate));
        if (!m)
            continue;
        var t = new Date(Number(m[1]), Number(m[2]) - 1, Number(m[3]), 0, 0, 0).getTime() / 1000;
        data.push({ time: t, type: "text", color: "#FF0000", content: "R",
                    detailed: r.title === undefined || r.title === null ? "" : String(r.title),
                    url: viewUrl ? fill(viewUrl, { id: String(r.id) }) || "" : "" });
    }
    return { name: "research", data: data };
}

// The line under a news item's or notice's title in its message box: its
// author and date ("" for one it lacks).
function byline(author, date) {
    return "撰写作者:" + (author || "") + "  发布日期:" + (date || "");
}

// A list's flag "<list address key>[,<page address key>]" as { list, page }
// (page "" when the list's rows open no page).
function listFlag(flag) {
    var parts = String(flag).split(",");
    return { list: parts[0], page: parts.length > 1 ? parts[1] : "" };
}

// The news and research list requests of the information panel and the
// home view.
.pragma library
.import "JSHttp.js" as JSHttp

// Clears the model and appends every row of json.data (rows that are not
// objects are skipped; a reply without a data array leaves it empty).
function getJsonModel(model, json) {
    model.clear();
    var rows = json && Array.isArray(json.data) ? json.data : [];
    for (var i = 0; i < rows.length; ++i) {
        var r = rows[i];
        if (r === null || typeof r !== "object" || Array.isArray(r))
            continue;
        var row = {};
        for (var k in r) {
            var v = r[k];
            // Lists in a ListModel must be lists of objects: keep scalars only.
            if (v === null || typeof v !== "object")
                row[k] = v === null || v === undefined ? "" : v;
        }
        row.id = r.id === undefined || r.id === null ? "" : String(r.id);
        row.title = r.title === undefined || r.title === null ? "" : String(r.title);
        row.pubdate = r.pubdate === undefined || r.pubdate === null ? "" : String(r.pubdate);
        model.append(row);
    }
}

function getStockNewsList(url, param, callback) {
    return JSHttp.getData(url, param, { "Content-Type": "application/json" }, callback);
}

// Research marks for a chart from a research list reply: one per row, from
// the last row to the first, dated at 00:00 local time of its pubdate, with
// the report page (viewUrl's {{id}} filled) to open from the tip.
function researchMarks(json, viewUrl, fill) {
    var rows = json && Array.isArray(json.data) ? json.data : [];
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

.pragma library

// Placeholder filling and date texts for the views.

// Fills every {{key}} of `str` (any letter case) with map[key], key by key in
// the map's order; the key is regular-expression text as given. Then removes
// every {{...}} left whose inner text is ASCII letters or digits. Null for an
// empty or missing text. Values are inserted as they are ("$" included).
function tagRplace(str, map) {
    if (str === undefined || str === null || str === "")
        return null;
    var out = String(str);
    if (map) {
        for (var key in map) {
            var value = map[key];
            out = out.replace(new RegExp("{{" + key + "}}", "gi"), function () { return value; });
        }
    }
    return out.replace(/{{[A-Za-z0-9]+}}/g, "");
}

function pad(v, width) {
    var s = String(v);
    while (s.length < width)
        s = "0" + s;
    return s;
}

// Replaces the first run of each of y, M, d, H, m and s in `fmt` (in that
// order) with the date's year, month (1-12), day, hour, minute and second: a
// run of one letter gives the plain number, a longer run pads it with zeros
// to the run's length (a longer number is not cut).
function dateFormat(fmt, date) {
    var parts = [
        ["y", date.getFullYear()], ["M", date.getMonth() + 1], ["d", date.getDate()],
        ["H", date.getHours()], ["m", date.getMinutes()], ["s", date.getSeconds()]
    ];
    var out = String(fmt);
    for (var i = 0; i < parts.length; ++i) {
        var run = new RegExp(parts[i][0] + "+").exec(out);
        if (!run)
            continue;
        var text = run[0].length === 1 ? String(parts[i][1]) : pad(parts[i][1], run[0].length);
        out = out.substring(0, run.index) + text + out.substring(run.index + run[0].length);
    }
    return out;
}

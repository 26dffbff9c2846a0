// View logic of the home view: the column widths, the concept tiles' colour
// table and the rows of the distribution panels.
.pragma library

// Left column min(w / 4, 410), middle max(w / 2, 650), right the rest.
function layout(w) {
    var left = Math.min(w / 4, 410);
    var middle = Math.max(w / 2, 650);
    return { left: left, middle: middle, right: Math.max(0, w - left - middle) };
}

var conceptColors = {
    "-10": "#0C472E", "-9": "#0C472E", "-8": "#0C472E", "-7": "#0D5B38", "-6": "#0E6F41",
    "-5": "#0F824A", "-4": "#109653", "-3": "#12AA5E", "-2": "#13BE67", "-1": "#14D270",
    "0": "#2A2F38", "-": "#2A2F38",
    "1": "#FA2933", "2": "#E22630", "3": "#CA232D", "4": "#991D26", "5": "#811A22", "6": "#69171F",
    "7": "#51141C", "8": "#51141C", "9": "#51141C", "10": "#51141C"
};

// The colour key of a change rate r (a fraction, as the board's float gives
// it): ceil(r x 100) when it rose, else floor, with 0 decimals. A float rate
// one ulp above a whole percent lands in the next bucket, as computed here.
function conceptKey(r) {
    if (r === undefined || r === null || isNaN(r))
        return "-";
    var n = r > 0 ? Math.ceil(r * 100) : Math.floor(r * 100);
    var key = n.toFixed(0);
    return key === "-0" ? "0" : key;
}

function conceptColor(r) {
    var c = conceptColors[conceptKey(r)];
    return c === undefined ? "#FFFFFF" : c;
}

// The rows of one panel from one array of the market_total reply: without the
// "up_counts" and "down_counts" entries, each with ratio = count / max (0 when
// the largest count is 0).
function distributionRows(array) {
    var rows = [];
    var max = 0;
    if (!array || array.length === undefined)
        return rows;
    for (var i = 0; i < array.length; ++i) {
        var e = array[i];
        if (!e || e.section === "up_counts" || e.section === "down_counts")
            continue;
        var count = Number(e.count) || 0;
        rows.push({ name: String(e.name === undefined ? "" : e.name), section: String(e.section === undefined ? "" : e.section),
                    count: count, type: Number(e.type) || 0, ratio: 0 });
        max = Math.max(max, count);
    }
    for (var j = 0; j < rows.length; ++j)
        rows[j].ratio = max > 0 ? rows[j].count / max : 0;
    return rows;
}

// The keys of the four panels in order.
var distributionKeys = ["HS", "SH", "SZ", "CY"];
var distributionTitles = ["全市场涨跌分布", "上海涨跌分布", "深圳涨跌分布", "创业板涨跌分布"];

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

// The text colour on a concept tile: white for the current tile, "#EEEEEE"
// for the others, and dark on a white tile (a rate outside the table), where
// light text could not be read.
function conceptTextColor(tileColor, current) {
    if (tileColor === "#FFFFFF")
        return "#191B1F";
    return current ? "#FFFFFF" : "#EEEEEE";
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

// The columns of a distribution row in a panel w px wide. Wide enough
// (w >= 170): 10 px each side, the name 35 px, the section 50 px, the bar
// from x 100 to 5 px before the count, 35 px at the right. Narrower
// (w >= 110): the section is left out, 6 px each side, the bar 4 px after
// the name and before the count. Narrower still: 3 px each side, the name
// and the count share the row's width half and half above the bar, which
// runs along the row's foot over the whole width. Label, bar and count never
// overlap, and the bar has room at every width.
function sectionRowLayout(w) {
    var width = Math.max(0, w);
    if (width >= 170)
        return { section: true, barBelow: false, nameX: 10, nameW: 35, sectionX: 45, sectionW: 50,
                 barX: 100, barSpace: width - 150, countX: width - 45, countW: 35 };
    if (width >= 110)
        return { section: false, barBelow: false, nameX: 6, nameW: 35, sectionX: 0, sectionW: 0,
                 barX: 45, barSpace: width - 90, countX: width - 41, countW: 35 };
    var half = Math.max(0, Math.floor((width - 6) / 2) - 1);
    return { section: false, barBelow: true, nameX: 3, nameW: half, sectionX: 0, sectionW: 0,
             barX: 3, barSpace: Math.max(0, width - 6), countX: width - 3 - half, countW: half };
}

// The keys of the four panels in order.
var distributionKeys = ["HS", "SH", "SZ", "CY"];
var distributionTitles = ["全市场涨跌分布", "上海涨跌分布", "深圳涨跌分布", "创业板涨跌分布"];
var distributionShortTitles = ["全市场", "上海", "深圳", "创业板"];

.pragma library

// The server-defined menu tree of the main window's title bar, and the
// geometry of its drop-down: row heights, grid hits and item widths.

var rowHeight = 30;      // one grid row or section title of a drop-down
var titleHeight = 31;    // section title row plus its 1-pixel gap
var columns = 3;

function text(v) {
    return v === null || v === undefined ? "" : String(v);
}

// What a window can show: the menu bar holds a few dozen items, a drop-down
// a screen's height of sections and entries. A reply past these is cut.
var maxItems = 40;
var maxSections = 12;
var maxEntries = 60;
// The program ships /images/menubar/<n>_n.png and _h.png for these positions.
var shippedIcons = 6;

function list(v, max) {
    return Array.isArray(v) ? v.slice(0, max) : [];
}

// One entry of a section: name and active, hovered_ false, no id.
function normEntry(e) {
    return { name: text(e.name), active: text(e.active), hovered_: false };
}

function normSection(s) {
    var entries = [];
    var menus = list(s.menus, maxEntries);
    for (var i = 0; i < menus.length; ++i)
        entries.push(normEntry(menus[i] || {}));
    return { name: text(s.name), active: text(s.active), menus: entries };
}

// Normalises the login value "menus" (an array, or its JSON text) into plain
// top-level items, at most maxItems, and appends them to model (a ListModel)
// in one step when one is given. Missing icons default to
// /images/menubar/<position>_n.png and _h.png where the program has one, and
// stay empty elsewhere. Returns the items as a JS array.
function getJsonModel(model, json) {
    var tree = json;
    if (typeof tree === "string") {
        try {
            tree = JSON.parse(tree);
        } catch (e) {
            tree = [];
        }
    }
    tree = list(tree, maxItems);
    var items = [];
    for (var i = 0; i < tree.length; ++i) {
        var t = tree[i] || {};
        var sections = [];
        var menus = list(t.menus, maxSections);
        for (var j = 0; j < menus.length; ++j)
            sections.push(normSection(menus[j] || {}));
        var hasIcon = t.img_n !== undefined && t.img_n !== null && t.img_n !== "";
        var shipped = i < shippedIcons;
        items.push({
            name: text(t.name),
            active: text(t.active),
            img_n: hasIcon ? text(t.img_n) : shipped ? "/images/menubar/" + i + "_n.png" : "",
            img_h: hasIcon ? text(t.img_h) : shipped ? "/images/menubar/" + i + "_h.png" : "",
            menus: sections
        });
    }
    if (model && items.length > 0)
        model.append(items);
    return items;
}

// Rows of the entry grid of one section.
function gridRows(entryCount) {
    return Math.ceil(entryCount / columns);
}

// Height of a drop-down: 10 + for each section (31 + 30 x ceil(entries / 3)).
function popMenuHeight(sections) {
    var h = 10;
    for (var i = 0; i < sections.length; ++i)
        h += titleHeight + rowHeight * gridRows(sections[i].menus.length);
    return h;
}

// Top of each section's entry grid, below its title row; the first section
// starts below the 10-pixel arrow band.
function sectionTops(sections) {
    var tops = [];
    var y = 10;
    for (var i = 0; i < sections.length; ++i) {
        tops.push(y + titleHeight);
        y += titleHeight + rowHeight * gridRows(sections[i].menus.length);
    }
    return tops;
}

// The entry under (x, y) of a drop-down of the given width:
// row = (y - section top) / 30, column = x / (width / 3), index = row * 3 + column.
// Returns {section, index} or null over a title row, the margin or an empty cell.
function hitEntry(sections, width, x, y) {
    if (x < 0 || x >= width)
        return null;
    var tops = sectionTops(sections);
    for (var i = 0; i < sections.length; ++i) {
        var rows = gridRows(sections[i].menus.length);
        if (y >= tops[i] && y < tops[i] + rows * rowHeight) {
            var row = Math.floor((y - tops[i]) / rowHeight);
            var col = Math.floor(x / (width / columns));
            var index = row * columns + col;
            return index < sections[i].menus.length ? { section: i, index: index } : null;
        }
    }
    return null;
}

// Width of a top-level item of the menu bar.
function menuItemWidth(textWidth) {
    return Math.ceil(textWidth) + 40;
}

// Whether the pointer left an item through its left, right or top edge
// (within 5 pixels of them); leaving downwards may enter the drop-down.
function leftThroughSide(x, y, width) {
    return x <= 5 || x >= width - 5 || y <= 5;
}

// An icon path of the tree as an image source: a resource path for "/..."
// (the program's own images), the server's http(s) address as given, and
// nothing for any other address (a file or a device is never read).
function iconUrl(path) {
    var p = text(path);
    if (p.charAt(0) === "/" && p.charAt(1) !== "/")
        return "qrc:" + p;
    return /^https?:\/\//i.test(p) ? p : "";
}

.pragma library

// The stock view's pane layout ("formula_map.json") and the tool-bar models
// built from it. The file lives in the data directory; the view hands in its
// HFileIO object once (setFileIO) before the first call.

var FILE = "formula_map.json";
var io_ = null;
var map_ = null;

var SUPER_FILE = "superposition.json";
var MAX_SUPER = 5;

function setFileIO(io) { io_ = io; map_ = null; }

// A JSON object file of the data directory; {} when missing or unreadable.
function readObject(name) {
    var text = io_ ? io_.readFileDefaultPath(name) : "";
    if (!text)
        return {};
    try {
        var o = JSON.parse(text);
        return o && typeof o === "object" && !Array.isArray(o) ? o : {};
    } catch (e) {
        return {};
    }
}

function item(name, fname, s, c) { return { name: name, fname: fname, s: s, c: c }; }

function defaultMap() {
    return {
        kline: {
            main_charts: [item("K线", "KLINE", "KSCALES", "KCROSSHAIR"), item("Sulvane", "Sulvane", "NO", "NO")],
            sub_charts: [item("Lumeth", "Lumeth", "KSCALES", "KCROSSHAIR"), item("KD", "KD", "KSCALES", "KCROSSHAIR")]
        },
        mline: {
            main_charts: [item("分时线", "MLINE", "MSCALES", "MCROSSHAIR")],
            sub_charts: [item("成交量", "分时成交", "KSCALES", "KCROSSHAIR"), item("MACD", "MACD", "KSCALES", "KCROSSHAIR")]
        }
    };
}

function save() {
    if (io_ && map_)
        io_.writedFileDefaultPath(FILE, JSON.stringify(map_));
}

function isEntry(e) {
    return e !== null && typeof e === "object" && typeof e.fname === "string" && e.fname !== ""
            && typeof e.s === "string" && typeof e.c === "string"
            && (e.name === undefined || typeof e.name === "string");
}

// The map with every malformed entry dropped; a chart whose main list is left
// without a usable entry takes the default layout. Returns whether anything
// had to change.
function repair(m) {
    var changed = false;
    var defaults = defaultMap();
    for (var key in defaults) {
        var chart = m[key];
        if (chart === null || typeof chart !== "object" || Array.isArray(chart)) {
            m[key] = defaults[key];
            changed = true;
            continue;
        }
        var lists = ["main_charts", "sub_charts"];
        for (var i = 0; i < lists.length; ++i) {
            var l = chart[lists[i]];
            var kept = Array.isArray(l) ? l.filter(isEntry) : [];
            if (!Array.isArray(l) || kept.length !== l.length)
                changed = true;
            chart[lists[i]] = kept;
        }
        if (chart.main_charts.length === 0) {
            m[key] = defaults[key];
            changed = true;
        }
    }
    return changed;
}

// The map as loaded (once), with the default written when missing, empty or
// unreadable. A file that is unreadable or holds malformed entries is kept as
// "formula_map.json.bad" (a later one beside it, numbered) before the default
// or the repaired map replaces it.
function load() {
    if (map_)
        return map_;
    var m = readObject(FILE);
    if (Object.keys(m).length === 0) {
        var text = io_ ? io_.readFileDefaultPath(FILE) : "";
        if (text.trim() !== "" && text.trim() !== "{}")
            io_.keepBadFileDefaultPath(FILE);
        map_ = defaultMap();
        save();
    } else {
        map_ = m;
        if (repair(m)) {
            if (io_)
                io_.keepBadFileDefaultPath(FILE);
            save();
        }
    }
    return map_;
}

function list(key, type) {
    var m = load();
    if (!m[key] || typeof m[key] !== "object")
        m[key] = { main_charts: [], sub_charts: [] };
    if (!Array.isArray(m[key][type]))
        m[key][type] = [];
    return m[key][type];
}

function getFormulaMap(key) {
    var m = load();
    return key === undefined ? m : m[key];
}

function indexOfName(l, name) {
    for (var i = 0; i < l.length; ++i)
        if (l[i] && l[i].fname === name)
            return i;
    return -1;
}

function isExistFormulaMap(key, type, name) { return indexOfName(list(key, type), name) >= 0; }

function addFormulaMap(key, type, name, s, c) {
    var l = list(key, type);
    if (indexOfName(l, name) < 0) {
        l.push({ fname: name, s: s, c: c });
        save();
    }
}

function removeFormulaMap(key, type, name) {
    var l = list(key, type);
    var i = indexOfName(l, name);
    if (i >= 0)
        l.splice(i, 1);
    save();
    return i;
}

function keepOnly(l, name) {
    return l.filter(function (e) { return e && (e.fname === name || e.fname === "MLINE" || e.fname === "KLINE"); });
}

function removeOtherFormulaMap(key, type, name) {
    var m = load();
    list(key, type);
    m[key][type] = keepOnly(m[key][type], name);
    save();
}

function setFormaulas(key, mcharts, scharts) {
    var m = load();
    list("kline", "main_charts");
    list("kline", "sub_charts");
    m.kline.main_charts = keepOnly(m.kline.main_charts, "");
    m.kline.sub_charts = keepOnly(m.kline.sub_charts, "");
    var mains = list(key, "main_charts");
    var subs = list(key, "sub_charts");
    for (var i = 0; i < (mcharts || []).length; ++i)
        mains.push({ fname: mcharts[i], s: "KSCALES", c: "KCROSSHAIR" });
    for (var j = 0; j < (scharts || []).length; ++j)
        subs.push({ fname: scharts[j], s: "KSCALES", c: "KCROSSHAIR" });
    save();
}

function toolItems(items, key, type) {
    var out = [];
    for (var i = 0; i < items.length; ++i) {
        var name = items[i];
        if ((key === "kline" && name === "分时成交") || (key === "mline" && name === "VOL"))
            continue;
        out.push({ name: name, select: isExistFormulaMap(key, type, name), flag: { type: type, name: name } });
    }
    return out;
}

// One tool-bar item per formula name.
function formatToolsBarModel(model, items, key, type) {
    var l = toolItems(items, key, type);
    model.clear();
    for (var i = 0; i < l.length; ++i)
        model.append({ name: l[i].name, select: l[i].select, flag: JSON.stringify(l[i].flag) });
}

// One drop-down button: its menu holds the items, its face is the first
// selected item (or the first item).
function formatHbtnModel(model, names, key, type) {
    var l = toolItems(names, key, type);
    model.clear();
    if (l.length === 0)
        return;
    var face = l[0];
    for (var i = 0; i < l.length; ++i)
        if (l[i].select) { face = l[i]; break; }
    var menu = [];
    for (var j = 0; j < l.length; ++j)
        menu.push({ name: l[j].name, select: l[j].select, flag: JSON.stringify(l[j].flag) });
    model.append({ name: face.name, select: face.select, flag: JSON.stringify(face.flag), menuItems: menu });
}

function writeSuper(all) {
    if (io_)
        io_.writedFileDefaultPath(SUPER_FILE, JSON.stringify(all));
}

function sameStock(e, code, market) {
    return e && String(e.code) === String(code) && Number(e.market) === Number(market);
}

// Overlay stocks per chart kind ("kline", "mline") in "superposition.json".
function getSuperposition(key) {
    var l = readObject(SUPER_FILE)[key];
    return Array.isArray(l) ? l : [];
}

// "added", "present" (already an overlay: nothing changes) or "full" (five
// overlays already: nothing changes).
function addSuperposition(key, code, market) {
    var all = readObject(SUPER_FILE);
    var l = Array.isArray(all[key]) ? all[key] : [];
    for (var i = 0; i < l.length; ++i)
        if (sameStock(l[i], code, market))
            return "present";
    if (l.length >= MAX_SUPER)
        return "full";
    l.push({ code: String(code), market: Number(market) });
    all[key] = l;
    writeSuper(all);
    return "added";
}

function clearSuperposition(key) {
    var all = readObject(SUPER_FILE);
    all[key] = [];
    writeSuper(all);
}

// Removes one overlay stock of a chart kind; false when it was not there.
function removeSuperposition(key, code, market) {
    var all = readObject(SUPER_FILE);
    var l = Array.isArray(all[key]) ? all[key] : [];
    var kept = l.filter(function (e) { return !sameStock(e, code, market); });
    if (kept.length === l.length)
        return false;
    all[key] = kept;
    writeSuper(all);
    return true;
}

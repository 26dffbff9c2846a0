.pragma library

// Shape checks of the documents the program downloads and of the data files
// it reads back: a document of another shape (a text where a list belongs, an
// error page turned into {msg}, an object posing as a list) is refused before
// use, so it can neither stall a window nor replace a good file.

var MAX_START_IMAGES = 20;
var MAX_URL_LENGTH = 2048;

function isObject(v) { return v !== null && typeof v === "object" && !Array.isArray(v); }

// JSHttp hands a body that is not JSON over as {msg: <text>}.
function isTextBody(v) { return isObject(v) && Object.keys(v).length === 1 && typeof v.msg === "string"; }

// The start images: a short, non-empty list of http(s) or resource (qrc:)
// addresses; null otherwise. A file or device address is refused: reading one
// could block the start.
function startImages(v) {
    if (!Array.isArray(v) || v.length === 0 || v.length > MAX_START_IMAGES)
        return null;
    for (var i = 0; i < v.length; ++i)
        if (typeof v[i] !== "string" || v[i].length > MAX_URL_LENGTH || !/^(https?:\/\/|qrc:\/)/i.test(v[i]))
            return null;
    return v;
}

// A sign-in reply the program can go on with: result "true", a user object
// whose id is a text or a number and whose sessionId is a text, neither
// empty, and a top-level sessionId, when there is one, a text too.
function isSignIn(v) {
    if (!isObject(v) || v.result !== "true" || !isObject(v.user))
        return false;
    var id = v.user.id;
    var idOk = (typeof id === "string" && id !== "") || (typeof id === "number" && isFinite(id));
    var session = v.user.sessionId;
    return idOk && typeof session === "string" && session !== ""
            && (v.sessionId === undefined || typeof v.sessionId === "string");
}

// The downloads of the sign-in window that it reads itself, by the file each
// one is kept in (the board, rating and margin lists are checked by
// FileDownload, off the GUI thread).
var downloads = {
    "formula.json": function (v) { return (isObject(v) || Array.isArray(v)) && !isTextBody(v); },
    "StockPool.json": Array.isArray
};

function isDownload(file, v) {
    var check = downloads[file];
    return check !== undefined && check(v);
}

// One stock of a pool: a code text and an exchange number or text.
function isPoolStock(s) {
    return isObject(s) && (typeof s.tradingcode === "string" || typeof s.tradingcode === "number")
            && (typeof s.exchangecode === "number" || typeof s.exchangecode === "string");
}

// The stock-pool download as the document of groups the views read: pools
// {group_id, group_name, stocks:[{tradingcode, exchangecode}]} become groups
// {group_id, group_name, codes:[{code, market_id}]}; malformed stocks and
// pools, and pools left empty, go.
function stockPoolDocument(pools) {
    var result = [];
    for (var i = 0; i < pools.length; ++i) {
        var p = pools[i];
        if (!isObject(p) || !Array.isArray(p.stocks))
            continue;
        var codes = [];
        for (var j = 0; j < p.stocks.length; ++j)
            if (isPoolStock(p.stocks[j]))
                codes.push({ code: String(p.stocks[j].tradingcode), market_id: String(p.stocks[j].exchangecode) });
        if (codes.length > 0)
            result.push({ group_id: p.group_id, group_name: p.group_name, codes: codes });
    }
    return { code: "0000", msg: "success", result: result };
}

// A value as a line of the log: at most `max` characters (300 when not given)
// and a note of how much was left out, so a large reply cannot flood the log.
function logText(v, max) {
    var limit = max || 300;
    var t = typeof v === "string" ? v : isTextBody(v) ? v.msg : JSON.stringify(v);
    if (typeof t !== "string")
        t = String(v);
    return t.length <= limit ? t : t.substring(0, limit) + "… (" + (t.length - limit) + " more characters)";
}

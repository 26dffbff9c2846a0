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

// What the sign-in window refuses before asking: { field, message } for an
// empty user name or password ("user" or "password": the field that takes
// the keys), null when both are given.
function missingCredential(user, password) {
    if (user === "")
        return { field: "user", message: "用户名不能为空" };
    if (password === "")
        return { field: "password", message: "密码不能为空" };
    return null;
}

// Why a sign-in reply does not sign in: "" when it does; the back end's
// own info text for a refusal that carries one; the common message for any
// other refusal and for a success of the wrong shape (`shape` true: worth a
// line in the log). A failed request (ok false) shows its error text.
function signInRefusal(ok, v) {
    if (!ok)
        return { message: String(v), shape: false };
    if (!isObject(v) || v.result !== "true")
        return { message: isObject(v) && typeof v.info === "string" && v.info ? v.info : "数据请求错误，请重试！",
                 shape: false };
    if (!isSignIn(v))
        return { message: "数据请求错误，请重试！", shape: true };
    return { message: "", shape: false };
}

// Whether a stock-group reply holds no group (its result missing, null or
// an empty list), so the default groups are made.
function noGroups(v) {
    var r = v.result;
    return r === null || r === undefined || (Array.isArray(r) && r.length === 0);
}

// The commands that name the `count` default groups 自选股1 to 自选股<count>.
function defaultGroupCommands(count) {
    var cmds = [];
    for (var n = 1; n <= count; ++n)
        cmds.push({ cmd: "RENAME", group_id: n, group_name: "自选股" + n });
    return cmds;
}

// The start images: the built-in ones, then those of the kept file's text
// (null when the text is not a list of image addresses).
function withStartImages(builtIn, text) {
    var list = startImages(JSON.parse(text));
    return list ? builtIn.concat(list) : null;
}

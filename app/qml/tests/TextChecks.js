.pragma library
// Texts in test failures: Qt Quick Test prints compared texts through Latin-1
// ("涨幅" comes out as "??"), so a text check reports each text both as it is
// (UTF-8) and escaped.

// text with every character outside printable ASCII as \uXXXX
// ("涨幅" -> "\u6DA8\u5E45", a new line -> "\u000A").
function escaped(text) {
    var s = String(text), out = "";
    for (var i = 0; i < s.length; ++i) {
        var c = s.charCodeAt(i);
        out += c >= 0x20 && c < 0x7F ? s.charAt(i) : "\\u" + ("000" + c.toString(16).toUpperCase()).slice(-4);
    }
    return out;
}

// "涨幅" (\u6DA8\u5E45): a text as it is and escaped.
function describe(text) {
    return "\"" + String(text) + "\" (" + escaped(text) + ")";
}

// The failure message of two texts that differ.
function mismatch(actual, expected, message) {
    return (message ? message + ": " : "") + "the texts differ\n   Actual   : " + describe(actual)
            + "\n   Expected : " + describe(expected);
}

// Whether v is a text with a Chinese character in it, or a list or plain
// record (nested at most `depth` levels, 4 when not given) holding one.
// Objects of the program (items, models) are not looked into.
function holdsChinese(v, depth) {
    if (typeof v === "string")
        return /[\u3000-\u303F\u4E00-\u9FFF\uFF00-\uFFEF]/.test(v);
    var d = depth === undefined ? 4 : depth;
    if (d <= 0 || v === null || typeof v !== "object")
        return false;
    // Items and models pass for plain records by their prototype, not by
    // their objectName.
    var plain = Array.isArray(v) || (Object.getPrototypeOf(v) === Object.prototype && !("objectName" in v));
    if (!plain)
        return false;
    for (var k in v)
        if (holdsChinese(v[k], d - 1))
            return true;
    return false;
}

// The failure message of two values that differ: texts as mismatch() gives
// them, lists and records as their JSON texts when either holds Chinese;
// "" when the values are not of that kind.
function valueMismatch(actual, expected, message) {
    if (typeof actual === "string" && typeof expected === "string")
        return mismatch(actual, expected, message);
    if (!holdsChinese(actual) && !holdsChinese(expected))
        return "";
    return (message ? message + ": " : "") + "the values differ\n   Actual   : " + describe(JSON.stringify(actual))
            + "\n   Expected : " + describe(JSON.stringify(expected));
}

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

// Rules of the embedded web views: which links they take over, the window
// title of a page and the name of a downloaded report. The maker's web
// domain and the outside web site's suppressed pages are set here only.
.pragma library

// A page title naming this domain is not shown in a window title.
var makerDomain = "maker.example";
// Navigation to these pages of the outside market-data web site (its
// article pages and its login page) is not followed in a tab.
var suppressedFragments = ["outside.example/article/", "passport.outside.example/login"];

// A view document of the program: "app://qml/qml/<Name>View.qml" or
// "<Name>Monitor.qml" (a screen, not a window or a part), with a query or
// fragment after it at most.
function viewDocument(url) {
    var m = /^app:\/\/qml(\/qml\/[A-Z][A-Za-z0-9_]*(View|Monitor)\.qml)([?#].*)?$/.exec(String(url));
    if (!m || m[1] === "/qml/LoginView.qml")
        return "";
    return m[1];
}

// What a navigation to url does: {action: "quote", code, market} for
// "goto::quote::<x>,<code>,<market>", {action: "ignore"} for other "goto::"
// links and suppressed pages, {action: "tab", document} for a view document
// (tabs only; windows ignore app:// links), {action: "load"} otherwise.
function linkAction(url, inTab) {
    var u = String(url);
    if (u.indexOf("goto::") === 0) {
        var parts = u.split("::");
        if (parts[1] === "quote" && parts[2]) {
            var list = parts[2].split(",");
            if (list.length >= 3 && list[1] !== "" && list[2] !== "")
                return { action: "quote", code: list[1], market: list[2] };
        }
        return { action: "ignore" };
    }
    if (u.indexOf("app://") === 0) {
        var doc = inTab ? viewDocument(u) : "";
        return doc !== "" ? { action: "tab", document: doc } : { action: "ignore" };
    }
    if (inTab)
        for (var i = 0; i < suppressedFragments.length; ++i)
            if (u.indexOf(suppressedFragments[i]) >= 0)
                return { action: "ignore" };
    return { action: "load" };
}

function windowTitle(pageTitle) {
    var t = pageTitle === undefined || pageTitle === null ? "" : String(pageTitle);
    if (t === "" || t.indexOf(makerDomain) >= 0)
        return "金融终端 ";
    return "金融终端  " + t;
}

// "<title>_<ms>.pdf" with the title made safe as a file name: no "/", "\",
// control characters or leading dots and blanks, at most 80 characters.
function downloadName(pageTitle, ms) {
    var t = String(pageTitle === undefined || pageTitle === null ? "" : pageTitle);
    t = t.replace(/[\/\\\u0000-\u001f\u007f]/g, "").replace(/^[.\s]+/, "");
    if (t.length > 80)
        t = t.substring(0, 80);
    if (t === "")
        t = "report";
    return t + "_" + ms + ".pdf";
}

function isPdf(mimeType) {
    return String(mimeType).toLowerCase().split(";")[0].trim() === "application/pdf";
}

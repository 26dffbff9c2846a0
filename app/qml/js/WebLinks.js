// Rules of the embedded web views: which links they take over, the window
// title of a page and the name of a downloaded report. The maker's web
// domain and the outside web site's suppressed pages are set here only.
.pragma library

// The maker's (and its back end's) web domain: a page title naming it is not
// shown in a window title, and a tab shows "加载中" while its title names it.
var makerDomain = "127.0.0.1";
// Navigation to these pages of the outside market-data web site (its
// article pages and its login page) is not followed in a tab.
var suppressedFragments = ["outside.example/article/", "passport.outside.example/login"];

// The program's screens: the only documents a page's link may open as a tab
// (the views the routes and menus open and the market monitors; never a
// window, a title bar, the tab area or a part of a view).
var screens = ["HomeView", "MQView", "MyStockView", "StockPoolView", "QuorvexView", "QRankingView",
               "QStrategyView", "QFlowView", "QMultiStockView",
               "QMarketHotMonitor", "QMarketTopMonitor", "QMarketBlockMonitor"];

// The screen document of "app://qml/qml/<screen>.qml", with a query or
// fragment after it at most; "" for any other address.
function viewDocument(url) {
    var m = /^app:\/\/qml\/qml\/([A-Za-z0-9_]+)\.qml([?#].*)?$/.exec(String(url));
    if (!m || screens.indexOf(m[1]) < 0)
        return "";
    return "/qml/" + m[1] + ".qml";
}

// Whether a window or a tab may load this address: http and https only.
function isWebAddress(url) {
    return /^https?:\/\/[^\/]/i.test(String(url));
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

// What a view does with a download request: {accept: true, name} for a PDF
// (named after the page), else {accept: false, note} saying why.
function downloadDecision(mimeType, pageTitle, ms) {
    if (!isPdf(mimeType))
        return { accept: false, name: "", note: "未下载：只接受 PDF 文件" };
    return { accept: true, name: downloadName(pageTitle, ms), note: "" };
}

// The line shown once a download has ended.
function downloadNote(state, path, reason) {
    if (state === "completed")
        return "报告已保存到 " + path;
    return "报告下载失败" + (reason ? "：" + reason : "");
}

function isPdf(mimeType) {
    return String(mimeType).toLowerCase().split(";")[0].trim() === "application/pdf";
}

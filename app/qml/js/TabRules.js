.pragma library

// The tab area's rules: which document an address opens, which tab an
// address finds, where the current tab goes when one closes, the chart
// address of a stock and what a key does. Entries are the tab area's
// {title, route, homeTag, item}.

// The document below base of a route's path, or "" when the path is not a
// plain document path below /qml/.
function documentUrl(path, base) {
    var p = path || "";
    if (!/^\/qml\/[A-Za-z0-9_\/.-]+\.qml$/.test(p) || p.indexOf("..") >= 0 || p.indexOf("//") >= 0)
        return "";
    return base + p;
}

// The tab whose route has this address without its fragment, or -1.
function indexOfUrlQuery(entries, urlQuery) {
    for (var i = 0; i < entries.length; ++i)
        if (entries[i].route.url_query === urlQuery)
            return i;
    return -1;
}

// A tab with this path: the current one first, then from the last; -1 for none.
function indexOfPath(entries, current, path) {
    if (current >= 0 && current < entries.length && entries[current].route.path === path)
        return current;
    for (var i = entries.length - 1; i >= 0; --i)
        if (entries[i].route.path === path)
            return i;
    return -1;
}

// The query q over a tab's query (neither changed).
function mergeQuery(old, q) {
    var merged = {};
    var k;
    for (k in old)
        merged[k] = old[k];
    for (k in q)
        merged[k] = q[k];
    return merged;
}

// The tab made current after tab `closed` went, of `left` tabs left, while
// `current` was: the tabs after a current tab before it move down one, and
// the last tab closing gives the one before it.
function afterClose(current, closed, left) {
    var next = current > closed || (current === closed && closed >= left) ? current - 1 : current;
    return Math.max(0, next);
}

// The chart address of a stock: code and market as the query, the other
// members (but cmd) as the fragment, with chart = defaultChart when given
// and missing.
function chartUrl(code, market, members, defaultChart) {
    var frag = [];
    if (defaultChart && members.chart === undefined)
        frag.push("chart=" + defaultChart);
    for (var k in members)
        if (k !== "code" && k !== "market" && k !== "cmd")
            frag.push(k + "=" + encodeURIComponent(members[k]));
    return "app://qml/qml/MQView.qml?code=" + encodeURIComponent(code) + "&market=" + market
            + (frag.length ? "#" + frag.join("&") : "");
}

// What a key does in the tab area: "previous" or "next" tab, "close" the
// current one, "quick" (a letter or digit opens the quick commands) or ""
// (not the tab area's key).
function keyAction(key, modifiers, text) {
    var ctrl = (modifiers & Qt.ControlModifier) !== 0;
    var shift = (modifiers & Qt.ShiftModifier) !== 0;
    if (key === Qt.Key_Backtab || (key === Qt.Key_Tab && ctrl && shift))
        return "previous";
    if (key === Qt.Key_Tab)
        return "next";
    if (key === Qt.Key_Escape || (key === Qt.Key_W && ctrl))
        return "close";
    if (!ctrl && (modifiers & Qt.AltModifier) === 0 && text.length === 1 && /[0-9A-Za-z]/.test(text))
        return "quick";
    return "";
}

// A web page's tab title: "加载中" while the page is titled by the back
// end's own domain.
function webTitle(title, domain) {
    return title.indexOf(domain) >= 0 ? "加载中" : title;
}

// What the tab area does with a route (HRoute's object) it is asked to
// open: { action, index }. "current": the current view takes the query
// (app://curview); "none": nothing (app://quorvex, or app://findview with no
// tab of its path); "find": tab `index`, found by path, takes the query over
// its own; "tab": tab `index` has the address and takes the route; "add": a
// new tab.
function openAction(r, entries, current) {
    if (r.scheme === "app" && r.host === "curview")
        return { action: "current", index: current };
    if (r.scheme === "app" && r.host === "quorvex")
        return { action: "none", index: -1 };
    if (r.scheme === "app" && r.host === "findview") {
        var f = indexOfPath(entries, current, r.path);
        return f < 0 ? { action: "none", index: -1 } : { action: "find", index: f };
    }
    var i = indexOfUrlQuery(entries, r.url_query);
    return i >= 0 ? { action: "tab", index: i } : { action: "add", index: entries.length };
}

// What a new tab of a route shows: "document" (an app://qml route), "web"
// (http or https) or "" (nothing: no tab is made).
function tabKind(r) {
    if (r.scheme === "app" && r.host === "qml")
        return "document";
    return r.scheme === "http" || r.scheme === "https" ? "web" : "";
}

// The tab a quick command opens: { title, url }. A command for the stock
// view's formula group of a name the user does not have (groups: [{ name }])
// opens its reminder page (the route's url member) as "提醒"; any other its
// own address.
function quickTarget(r, groups, title, flag) {
    if (r.scheme === "app" && r.host === "findview" && r.path === "/qml/MQView.qml") {
        var name = r.query_map.formula_group_name;
        var list = groups || [];
        var known = false;
        for (var i = 0; i < list.length; ++i)
            known = known || (!!list[i] && list[i].name === name);
        if (!known)
            return { title: "提醒", url: r.query_map.url || "" };
    }
    return { title: title, url: flag };
}

// The query the stock view opens with when an app://findview route for it
// found no stock view: the route's query on the index 上证指数; null for any
// other route.
function indexQueryFor(r) {
    if (r.scheme !== "app" || r.host !== "findview" || r.path !== "/qml/MQView.qml")
        return null;
    var q = mergeQuery(r.query_map, {});
    q.code = "1A0001";
    q.market = "1";
    q.name = "上证指数";
    return q;
}

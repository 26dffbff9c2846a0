.pragma library
.import "QuoteCodes.js" as QuoteCodes

// The right-click menus of the quote tables and charts as data: each entry is
// { name, key } ("" as name makes a separator) or { name, menuItems: [{ name,
// key, select }] }. Keys are app:// routes that QRMenu.qml acts on.

var cur = "app://curview/?";

// The stock's place in the groups: null, or { group_id, group_name }.
function groupEntries(groups, code, market, own, exceptOwn) {
    var out = [];
    var active = own ? "move" : "add";
    for (var i = 0; i < groups.length; ++i) {
        var id = String(groups[i].group_id);
        if (exceptOwn && own && id === String(own.group_id))
            continue;
        out.push({ name: String(groups[i].group_name),
                   key: cur + "active=" + active + "&group_id=" + encodeURIComponent(id) + "&code=" + code
                        + "&market=" + market });
    }
    return out;
}

function groupKey(active, own, code, market) {
    return cur + "active=" + active + "&group_id=" + encodeURIComponent(String(own.group_id)) + "&code=" + code
            + "&market=" + market;
}

// The stock types without F10 pages (1 index, 4 fund); only type 2 has F9.
function f10Entries(stockType, f10Key, f9Key) {
    var out = [];
    if (stockType === 1 || stockType === 4)
        return out;
    out.push({ name: "图文F10", key: f10Key });
    if (stockType === 2)
        out.push({ name: "深度F9", key: f9Key });
    return out;
}

function tableMenu(groups, own, code, market, row, ctx, stockType) {
    var out = [];
    if (!own) {
        out.push({ name: "添加自选", menuItems: groupEntries(groups, code, market, null, false) });
    } else {
        out.push({ name: "置顶", key: groupKey("move", own, code, market) });
        out.push({ name: "移除自选", key: groupKey("del", own, code, market) });
        out.push({ name: "移动分组", menuItems: groupEntries(groups, code, market, own, true) });
    }
    var view = cur + "active=MQView&code=" + code + "&market=" + market;
    out.push({ name: "" });
    out.push({ name: "查看K线", key: view + "#chart=kline&cycle=" + QuoteCodes.KLINE_DAY + "&json=" + ctx });
    out.push({ name: "查看分时", key: view + "#chart=mline&json=" + ctx });
    out = out.concat(f10Entries(stockType, view + "#chart=f10&json=" + ctx, view + "#chart=f9&json=" + ctx));
    out.push({ name: "" });
    out.push({ name: "多股同列", key: cur + "active=QMultiStockView#row=" + row });
    return out;
}

// chart: "kline", "mline" (or another chart kind); kcmd: "", "fd" or "bd".
function chartMenu(chart, groups, own, code, market, crosshair, kcmd, stockType) {
    var out = [];
    if (chart !== "kline")
        out.push({ name: "查看K线", key: cur + "#chart=kline&cycle=" + QuoteCodes.KLINE_DAY });
    if (chart !== "mline")
        out.push({ name: "查看分时", key: cur + "#chart=mline" });
    out.push(crosshair ? { name: "隐藏十字线", key: cur + "active=crosshair#crosshair=false" }
                       : { name: "显示十字线", key: cur + "active=crosshair#crosshair=true" });
    var f10 = f10Entries(stockType, cur + "#chart=f10", cur + "#chart=f9");
    if (f10.length > 0)
        out = out.concat([{ name: "" }], f10);
    out.push({ name: "" });
    if (!own) {
        out.push({ name: "添加自选", menuItems: groupEntries(groups, code, market, null, false) });
    } else {
        out.push({ name: "移除自选", key: groupKey("del", own, code, market) });
        out.push({ name: "移动分组", menuItems: groupEntries(groups, code, market, own, true) });
    }
    // Overlay stocks: "*" opens the picker, an empty code clears them.
    if (chart === "kline" || chart === "mline") {
        var add = cur + "active=add_" + chart + "&market=0&code=";
        out.push({ name: "叠加品种", menuItems: [{ name: "选择叠加股票", key: add + "*" }, { name: "取消叠加", key: add }] });
    }
    if (chart !== "mline") {
        var k = kcmd === "fd" || kcmd === "bd" ? kcmd : "";
        out.push({ name: "" });
        out.push({ name: "除复权", menuItems: [
            { name: "不复权", key: cur + "#kcmd=", select: k === "" },
            { name: "前复权", key: cur + "#kcmd=fd", select: k === "fd" },
            { name: "后复权", key: cur + "#kcmd=bd", select: k === "bd" }] });
    }
    if (chart === "kline")
        out.push({ name: "平移K线", key: cur + "active=hold#hold=true" });
    return out;
}

function paintToolsMenu(type) {
    var p = cur + "active=panint&operation=";
    var color = { name: "颜色", key: p + "color" };
    var del = { name: "删除", key: p + "delete" };
    if (type === "line")
        return [color,
                { name: "粗细", menuItems: [{ name: "细线", key: p + "line&width=1" }, { name: "中线", key: p + "line&width=2" },
                                            { name: "粗线", key: p + "line&width=3" }] },
                { name: "虚实", menuItems: [{ name: "实线", key: p + "line&style=1" }, { name: "虚线", key: p + "line&style=2" }] },
                del];
    if (type === "text")
        return [color, { name: "文本", key: p + "text" }, del];
    return [];
}

// mainList / subList: indicators { name, flag, select }.
function homeIndexMenu(chart, mainList, subList) {
    function entries(list, slot) {
        var out = [];
        for (var i = 0; i < list.length; ++i)
            out.push({ name: String(list[i].name), select: !!list[i].select,
                       key: cur + "#active=formula&chart=" + slot + "&flag=" + encodeURIComponent(JSON.stringify(list[i].flag)) });
        return out;
    }
    var out = [];
    if (chart !== "MLINE")
        out.push({ name: "主图指标", menuItems: entries(mainList, "main_charts") });
    out.push({ name: "幅图指标", menuItems: entries(subList, "sub_charts") });
    return out;
}

// Which rule a chosen route falls under, in order (route: HRoute's object).
function rule(route) {
    var a = route.query_map.active;
    if (a === "panint") return "panint";
    if (a === "MQView") return "MQView";
    if (a === "QMultiStockView") return "multi";
    if (route.host === "curview" && (a === undefined || a === "")) return "update";
    if (a === "add_kline" || a === "add_mline") return "superposition";
    if (a === "crosshair") return "crosshair";
    if (a === "hold") return "hold";
    if (a === "formula") return "formula";
    if (a === "add" || a === "move" || a === "del") return "group";
    return "";
}

// The formula flag of a route: JSON text, possibly still percent-encoded;
// null when it does not parse.
function formulaFlag(text) {
    try {
        return JSON.parse(text);
    } catch (e) {
        try {
            return JSON.parse(decodeURIComponent(text));
        } catch (e2) {
            return null;
        }
    }
}

// The drawing board's style command for a drawing-tool route: colour 0 (the
// colour comes from the colour dialog), delete 1, text 2, solid 4, dashed 5,
// widths 1-3 as 6-8; null for anything else.
function paintStyleCommand(q) {
    switch (q.operation) {
    case "color": return { cmd: 0, askColor: true };
    case "delete": return { cmd: 1 };
    case "text": return { cmd: 2 };
    case "line":
        if (q.width === "1" || q.width === "2" || q.width === "3")
            return { cmd: 5 + Number(q.width) };
        if (q.style === "1" || q.style === "2")
            return { cmd: 3 + Number(q.style) };
        return null;
    }
    return null;
}

// What a chosen route asks for (route: HRoute's object; nameOf(code,
// market): the stock's name, "" when unknown): { signal, args } for the
// menu's signal to emit with those arguments, { edit } for a my-stock group
// edit ({ active, groupId, code, market }), or { signal: "" } for nothing.
// The route's query is completed in place (the stock's name, the parsed
// formula flag), as the views it goes to read it.
function choice(route, nameOf) {
    var q = route.query_map;
    switch (rule(route)) {
    case "panint":
        return { signal: "panintToolsMenuClicked", args: [q] };
    case "MQView":
        q.name = nameOf(q.code, q.market);
        return { signal: "changeToMQView", args: [q] };
    case "multi":
        return { signal: "changeToQMultiStockView", args: [Number(q.row)] };
    case "update":
        return { signal: "updateQuery", args: [q] };
    case "superposition":
        return { signal: "superpositionChart",
                 args: [q.active === "add_kline" ? "kline" : "mline", String(q.code || ""), Number(q.market)] };
    case "crosshair":
        return { signal: "changeCrosshair", args: [q.crosshair === "true"] };
    case "hold":
        return { signal: "changeHold", args: [q.hold === "true"] };
    case "formula":
        q.flag = formulaFlag(q.flag);
        return q.flag !== null ? { signal: "changeFormula", args: [q] } : { signal: "" };
    case "group":
        return { signal: "", edit: { active: q.active, groupId: String(q.group_id), code: String(q.code),
                                     market: Number(q.market) } };
    }
    return { signal: "" };
}

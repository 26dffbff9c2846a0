import QtQuick 2.15
import QtTest 1.15
import QMyStockService 1.0
import "qrc:/qml/" as W
import "qrc:/qml/js/RMenu.js" as RMenu
import "qrc:/qml/js/Database.js" as Sql

// The context menus: every menu's entries as data, and what each route does
// when chosen (group edits with their database rows, the views it opens, the
// chart commands it hands on).
Item {
    id: top
    width: 800
    height: 600

    QMyStockService { id: groups }
    W.QRMenu { id: menu }
    SignalSpy { id: changed; target: menu; signalName: "mystockChange" }
    SignalSpy { id: opened; target: menu; signalName: "changeToMQView" }
    SignalSpy { id: updated; target: menu; signalName: "updateQuery" }
    SignalSpy { id: crosshair; target: menu; signalName: "changeCrosshair" }
    SignalSpy { id: hold; target: menu; signalName: "changeHold" }
    SignalSpy { id: formula; target: menu; signalName: "changeFormula" }
    SignalSpy { id: multi; target: menu; signalName: "changeToQMultiStockView" }
    SignalSpy { id: paint; target: menu; signalName: "panintToolsMenuClicked" }
    SignalSpy { id: overlay; target: menu; signalName: "superpositionChart" }

    readonly property var two: [{ group_id: "1", group_name: "自选股1" }, { group_id: "2", group_name: "自选股2" }]

    TextCase {
        name: "RMenu"
        when: windowShown

        function init() {
            Sql.dbInit();
            Sql.dbClearMyStockCmd();
            groups.fromJson(JSON.stringify({ code: "0000", msg: "success", result: [
                { group_id: "1", group_name: "自选股1", codes: [{ code: "600001", market_id: "1" }] },
                { group_id: "2", group_name: "自选股2", codes: [] }] }));
            var spies = [changed, opened, updated, crosshair, hold, formula, multi, paint, overlay];
            for (var i = 0; i < spies.length; ++i)
                spies[i].clear();
        }
        function names(list) {
            var out = [];
            for (var i = 0; i < list.length; ++i)
                out.push(list[i].name === "" ? "-" : list[i].name);
            return out.join(" ");
        }
        function rows() {
            var r = Sql.dbGetMyStockCmd(), out = [];
            for (var i = 0; i < r.length; ++i)
                out.push([r[i].cmd, r[i].code.code, r[i].code.market_id, r[i].group_id, r[i].group_name].join(":"));
            return out;
        }
        function codesOf(g) {
            var c = groups.getJson().result[g].codes, out = [];
            for (var i = 0; i < c.length; ++i)
                out.push(c[i].code);
            return out.join(",");
        }

        function test_tableMenuEntries() {
            var cur = "app://curview/?";
            // Not in a group: 添加自选 with every group; type 2 has F10 and F9.
            var m = RMenu.tableMenu(top.two, null, "600009", 1, 4, "CTX", 2);
            compareText(names(m), "添加自选 - 查看K线 查看分时 图文F10 深度F9 - 多股同列");
            compare(m[0].menuItems[1].key, cur + "active=add&group_id=2&code=600009&market=1");
            compare(m[2].key, cur + "active=MQView&code=600009&market=1#chart=kline&cycle=33&json=CTX");
            compare(m[3].key, cur + "active=MQView&code=600009&market=1#chart=mline&json=CTX");
            compare(m[5].key, cur + "active=MQView&code=600009&market=1#chart=f9&json=CTX");
            compare(m[7].key, cur + "active=QMultiStockView#row=4");
            // In group 1: 置顶, 移除自选 and 移动分组 without its own group.
            m = RMenu.tableMenu(top.two, top.two[0], "600001", 1, 0, "", 3);
            compareText(names(m), "置顶 移除自选 移动分组 - 查看K线 查看分时 图文F10 - 多股同列");
            compare(m[0].key, cur + "active=move&group_id=1&code=600001&market=1");
            compare(m[1].key, cur + "active=del&group_id=1&code=600001&market=1");
            compareText(names(m[2].menuItems), "自选股2");
            compare(m[2].menuItems[0].key, cur + "active=move&group_id=2&code=600001&market=1");
            // Types 1 (index) and 4 have no F10 pages.
            compareText(names(RMenu.tableMenu(top.two, null, "1A0001", 1, 0, "", 1)), "添加自选 - 查看K线 查看分时 - 多股同列");
            compareText(names(RMenu.tableMenu(top.two, null, "500001", 1, 0, "", 4)), "添加自选 - 查看K线 查看分时 - 多股同列");
        }

        function test_chartAndToolMenuEntries() {
            var cur = "app://curview/?";
            var k = RMenu.chartMenu("kline", top.two, null, "600009", 1, false, "fd", 2);
            compareText(names(k), "查看分时 显示十字线 - 图文F10 深度F9 - 添加自选 叠加品种 - 除复权 平移K线");
            compare(k[7].menuItems[0].key, cur + "active=add_kline&market=0&code=*");
            compare(k[1].key, cur + "active=crosshair#crosshair=true");
            var adj = k[k.length - 2].menuItems;
            compareText(names(adj), "不复权 前复权 后复权");
            compare([adj[0].select, adj[1].select, adj[2].select], [false, true, false]);
            compare(adj[2].key, cur + "#kcmd=bd");
            compare(k[k.length - 1].key, cur + "active=hold#hold=true");
            var mline = RMenu.chartMenu("mline", top.two, top.two[1], "600009", 1, true, "", 1);
            compareText(names(mline), "查看K线 隐藏十字线 - 移除自选 移动分组 叠加品种");
            compare(mline[5].menuItems[1].key, cur + "active=add_mline&market=0&code=");
            compare(mline[1].key, cur + "active=crosshair#crosshair=false");
            compare(RMenu.chartMenu("kline", top.two, null, "6", 1, false, "xx", 1)[6].menuItems[0].select, true);

            var line = RMenu.paintToolsMenu("line");
            compareText(names(line), "颜色 粗细 虚实 删除");
            compare(line[1].menuItems[2].key, cur + "active=panint&operation=line&width=3");
            compare(line[2].menuItems[1].key, cur + "active=panint&operation=line&style=2");
            compareText(names(RMenu.paintToolsMenu("text")), "颜色 文本 删除");
            // The board's style commands, as the drawing tools number them.
            var cases = [[{ operation: "color" }, 0], [{ operation: "delete" }, 1], [{ operation: "text" }, 2],
                         [{ operation: "line", style: "1" }, 4], [{ operation: "line", style: "2" }, 5],
                         [{ operation: "line", width: "1" }, 6], [{ operation: "line", width: "3" }, 8]];
            for (var i = 0; i < cases.length; ++i)
                compare(RMenu.paintStyleCommand(cases[i][0]).cmd, cases[i][1], JSON.stringify(cases[i][0]));
            compare(RMenu.paintStyleCommand({ operation: "line", width: "9" }), null);

            var home = RMenu.homeIndexMenu("KLINE", [{ name: "MA", flag: { name: "MA", n: 5 }, select: true }],
                                           [{ name: "VOL", flag: "VOL" }]);
            compareText(names(home), "主图指标 幅图指标");
            compare(home[0].menuItems[0].key,
                    cur + "#active=formula&chart=main_charts&flag=" + encodeURIComponent('{"name":"MA","n":5}'));
            compare(home[0].menuItems[0].select, true);
            compareText(names(RMenu.homeIndexMenu("MLINE", [], [])), "幅图指标");
        }

        // Group edits: add, move (and 置顶), remove, each with its rows; a move
        // to a group that does not exist leaves everything as it was.
        function test_groupRoutes() {
            var cur = "app://curview/?";
            menu.choose(cur + "active=add&group_id=2&code=600009&market=1");
            compare(codesOf(1), "600009");
            compareText(rows(), ["ADD:600009:1:2:自选股2"]);
            compare(changed.count, 1);

            menu.choose(cur + "active=move&group_id=1&code=600009&market=1");
            compare(codesOf(0), "600009,600001");
            compare(codesOf(1), "");
            compareText(rows().slice(1), ["DELETE:600009:1:2:自选股2", "ADD:600009:1:1:自选股1"]);

            menu.choose(cur + "active=move&group_id=1&code=600001&market=1");   // 置顶
            compare(codesOf(0), "600001,600009");

            Sql.dbClearMyStockCmd();
            menu.choose(cur + "active=move&group_id=77&code=600001&market=1");
            compare(codesOf(0), "600001,600009");
            compare(rows(), []);

            menu.choose(cur + "active=del&group_id=1&code=600009&market=1");
            compare(codesOf(0), "600001");
            compareText(rows(), ["DELETE:600009:1:1:自选股1"]);
            changed.clear();
            menu.choose(cur + "active=add&group_id=2&code=600001&market=1");   // already in a group
            compare(codesOf(1), "");
            compare(rows().length, 1);
            compare(changed.count, 0);
        }

        function test_viewAndChartRoutes() {
            var cur = "app://curview/?";
            Sql.dbExecuteSql("REPLACE INTO StockDictionary VALUES(?, ?, ?, ?, ?, ?)", ["600009", 1, "测试股", 2, "CSG", "a"]);
            menu.choose(cur + "active=MQView&code=600009&market=1#chart=kline&cycle=33&json=" + encodeURIComponent('{"a":1}'));
            compare(opened.count, 1);
            var q = opened.signalArguments[0][0];
            compareText([q.code, q.market, q.name, q.chart, q.cycle, q.json], ["600009", "1", "测试股", "kline", "33", '{"a":1}']);
            menu.choose(cur + "active=QMultiStockView#row=7");
            compare(multi.signalArguments[0][0], 7);
            menu.choose(cur + "#kcmd=fd");
            compare(updated.signalArguments[0][0].kcmd, "fd");
            menu.choose(cur + "#chart=kline&cycle=33");
            compare(updated.signalArguments[1][0].cycle, "33");
            menu.choose(cur + "active=crosshair#crosshair=true");
            menu.choose(cur + "active=crosshair#crosshair=false");
            compare([crosshair.signalArguments[0][0], crosshair.signalArguments[1][0]], [true, false]);
            menu.choose(cur + "active=hold#hold=true");
            compare(hold.signalArguments[0][0], true);
            menu.choose(cur + "#active=formula&chart=sub_charts&flag=" + encodeURIComponent('{"name":"MACD"}'));
            compare(formula.signalArguments[0][0].chart, "sub_charts");
            compare(formula.signalArguments[0][0].flag.name, "MACD");
            menu.choose(cur + "#active=formula&chart=sub_charts&flag=%7Bbad");
            compare(formula.count, 1);
            menu.choose(cur + "active=panint&operation=line&width=2");
            compare(paint.signalArguments[0][0].width, "2");
            menu.choose(cur + "active=add_kline&code=000001&market=2");
            compare([overlay.signalArguments[0][0], overlay.signalArguments[0][1], overlay.signalArguments[0][2]],
                    ["kline", "000001", 2]);
            menu.choose(cur + "active=add_mline&market=0&code=");
            compare([overlay.signalArguments[1][0], overlay.signalArguments[1][1]], ["mline", ""]);
        }

        function test_choice_data() {
            function r(host, q) { return { host: host, query_map: q }; }
            return [
                { tag: "a group move", r: r("curview", { active: "move", group_id: 2, code: 600001, market: "1" }),
                  signal: "", edit: { active: "move", groupId: "2", code: "600001", market: 1 } },
                { tag: "a stock's chart, named", r: r("curview", { active: "MQView", code: "600009", market: "1" }),
                  signal: "changeToMQView", args: [{ active: "MQView", code: "600009", market: "1", name: "名600009" }] },
                { tag: "an overlay cleared", r: r("curview", { active: "add_mline", market: "0" }),
                  signal: "superpositionChart", args: ["mline", "", 0] },
                { tag: "a flag that does not parse", r: r("curview", { active: "formula", flag: "%7Bbad" }), signal: "" },
                { tag: "another host's query", r: r("qml", { code: "600000" }), signal: "" },
                { tag: "an unknown action", r: r("curview", { active: "explode" }), signal: "" },
            ];
        }
        function test_choice(row) {
            var c = RMenu.choice(row.r, function (code, market) { return "名" + code; });
            compare(c.signal, row.signal);
            if (row.args !== undefined)
                compareText(c.args, row.args);
            compare(c.edit, row.edit);
        }

        // The menu built from the entries and an item chosen through it.
        // Each entry's name is drawn whole inside its item and the menu, for
        // short names, long ones and those of a sub-menu.
        function test_entriesFitTheirNames() {
            menu.show([{ name: "短", key: "a" }, { name: "选择叠加股票", key: "b" },
                       { name: "叠加品种", menuItems: [{ name: "选择叠加股票", key: "c" }, { name: "取消叠加", key: "d" }] },
                       { name: "当日不再提醒并选择叠加股票", key: "e" }]);
            tryVerify(function () { return menu.opened; });
            var sub = menu.menuAt(2);
            sub.open();
            tryVerify(function () { return sub.opened; });
            var cases = [[menu, 0, "短"], [menu, 1, "选择叠加股票"], [menu, 3, "当日不再提醒并选择叠加股票"],
                         [sub, 0, "选择叠加股票"], [sub, 1, "取消叠加"]];
            for (var i = 0; i < cases.length; ++i) {
                var m = cases[i][0], it = m.itemAt(cases[i][1]);
                var label = it.contentItem.children[1];
                compareText(label.text, cases[i][2]);
                var right = label.mapToItem(it, label.implicitWidth, 0).x;
                verify(right <= it.width - it.rightPadding + 0.5,
                       cases[i][2] + " ends at " + right + " in an item of " + it.width);
                verify(it.width <= m.width - m.leftPadding - m.rightPadding + 0.5,
                       cases[i][2] + ": an item of " + it.width + " in a menu of " + m.width);
            }
            sub.close();
            menu.close();
        }

        function test_builtMenu() {
            menu.showTableMenu("600001", 1, 0, "");
            tryVerify(function () { return menu.opened; });
            compare(menu.count, RMenu.tableMenu(top.two, top.two[0], "600001", 1, 0, "", menu.stockType("600001", 1)).length);
            compareText(menu.itemAt(0).name, "置顶");
            compare(menu.menuAt(2).count, 1);
            menu.itemAt(1).triggered();                  // 移除自选
            compare(codesOf(0), "");
            menu.close();
            // Opened again: the entries of now, no leftovers of before.
            menu.showTableMenu("600001", 1, 0, "");
            compareText(menu.menuAt(0).title, "添加自选");
            compare(menu.menuAt(0).count, 2);
            menu.close();
        }
    }
}

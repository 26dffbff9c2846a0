import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as App
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/Placement.js" as Placement

// The quick bar and the quick-command box over the stock dictionary.
Item {
    id: top
    width: 800
    height: 600

    App.QQuickBar { id: bar; width: 800 }
    App.QTabView {
        id: tabs
        y: 40
        width: 800
        height: 400
        documentBase: Qt.resolvedUrl("stubs").toString()
        onQuickKey: cmd.show(ch)
    }
    App.QQuickCmd { id: cmd; x: 500; y: 200 }
    SignalSpy { id: barClicks; target: bar; signalName: "clickedItem" }
    SignalSpy { id: opened; target: cmd; signalName: "openCmd" }

    // Rows as the dictionary holds them once the local quote server's code
    // list arrived: Shanghai stock i is 600000 + i named 沪市<i> (pinyin HS<i>),
    // Shenzhen stock j is 000001 + j named 深市<j> (pinyin SS<j>), type 2.
    function addStock(code, market, name, type, pinyin) {
        var active = "app://qml/qml/MQView.qml?code=" + code + "&market=" + market + "#chart=default&type=" + type
                + "&name=" + name + "&pinyin=" + pinyin;
        Sql.dbExecuteSql("Replace INTO StockDictionary(code,market,name,type,pinyin,active) VALUES(?, ?, ?, ?, ?, ?)",
                         [code, market, name, type, pinyin, active]);
    }

    TextCase {
        name: "QuickCmd"
        when: windowShown

        function initTestCase() {
            Sql.dbInit();
            for (var i = 0; i < 12; ++i) {
                var n = ("00" + i).slice(-3);
                addStock(String(600000 + i), 1, "沪市" + n, 2, "HS" + n);
                addStock(("00000" + (1 + i)).slice(-6), 2, "深市" + n, 2, "SS" + n);
            }
            addStock("1A0001", 1, "上证指数", 1, "SZZS");
            addStock("399001", 2, "深证成指", 1, "SZCZ");
            Sql.dbClearActionCmd();
        }
        function init() { opened.clear(); barClicks.clear(); }

        function test_quickBarOverflow() {
            var items = [];
            var styles = ["#FFE10B", "#FF3900", "#00F4FF", "#E0BD80"];
            for (var i = 0; i < 6; ++i)
                items.push({ name: "Q" + i, flag: "app://qml/qml/StubView.qml?q=" + i, style: i % 4 });
            bar.setItems(items);
            compare(bar.height, 35);
            compare(bar.showCount, 6);                  // floor((800 - 25) / 93) = 8 >= 6
            bar.width = 400;                            // floor(375 / 93) = 4
            compare(bar.showCount, 4);
            compare(bar.hiddenItems.map(function (x) { return x.name; }), ["Q4", "Q5"]);
            bar.width = 24;
            compare(bar.showCount, 0);
            compare(bar.hiddenItems.length, 6);
            bar.width = 400;
            for (i = 0; i < 4; ++i)
                compare(String(bar.style_color(i)), styles[i]);
            compare(bar.moreMenu.width, 80);
            bar.moreMenu.open();
            tryCompare(bar.moreMenu, "count", 2);
            compare(bar.moreMenu.itemAt(0).height, 25);
            bar.moreMenu.itemAt(1).triggered();
            compare(barClicks.count, 1);
            compare(barClicks.signalArguments[0][0], "Q5");
            compare(barClicks.signalArguments[0][1], "app://qml/qml/StubView.qml?q=5");
            var actions = Sql.dbGetActionCmd();
            compare(actions[actions.length - 1].do_action, "MENU2");
            compare(actions[actions.length - 1].remark, "Q5");
            bar.setItems(null);                         // a failed request: empty bar
            compare(bar.showCount, 0);
            bar.width = 800;
        }

        function test_search() {
            cmd.show("600");
            compare(cmd.input.text, "600");
            var codes = cmd.rows.map(function (r) { return r.code; });
            compare(codes.length, 12);
            compare(codes[0], "600000");
            compareText(cmd.rows[0].type_name, "股票");
            compareText(cmd.rows[0].name, "沪市000");
            cmd.input.text = "SZ";                     // pinyin initials: commands, then indices
            compare(cmd.rows.map(function (r) { return r.type_name + r.name; }),
                    ["指令深债涨幅排名", "指令深债综合排名", "指数上证指数", "指数深证成指"]);
            cmd.input.text = "HS00";
            compare(cmd.rows.length, 10);
            compareText(cmd.rows[0].name, "沪市000");
            cmd.input.text = "06";                     // a command row comes first (type 0)
            compareText(cmd.rows[0].type_name, "指令");
            compareText(cmd.rows[0].name, "自选股");
            cmd.input.text = "";
            compare(cmd.rows.length, 0);
            compareText(cmd.type_name(5), "权证");
            compareText(cmd.type_name(9), "未知");
            cmd.close();
        }

        function test_typingInAChartTabOpensTheBox() {
            var view = tabs.onAddModel("沪市000", "app://qml/qml/StubView.qml?code=600000&market=1#chart=kline", false);
            verify(view.activeFocus);
            keyClick(Qt.Key_6);
            verify(cmd.opened);
            compare(cmd.input.text, "6");
            verify(cmd.input.activeFocus);
            verify(cmd.rows.length > 0);
            // Typing on goes to the box; Enter opens the first row.
            keyClick(Qt.Key_0);
            keyClick(Qt.Key_0);
            keyClick(Qt.Key_0);
            keyClick(Qt.Key_0);
            keyClick(Qt.Key_1);
            compare(cmd.input.text, "600001");
            compare(cmd.rows.length, 1);
            keyClick(Qt.Key_Return);
            compare(opened.count, 1);
            compareText(opened.signalArguments[0][0], "沪市001");
            compare(opened.signalArguments[0][1],
                    "app://qml/qml/MQView.qml?code=600001&market=1#chart=default&type=2&name=沪市001&pinyin=HS001");
            verify(!cmd.opened);
            compare(cmd.input.text, "");
        }

        function test_clickOpensRowAndEscCloses() {
            cmd.show("SS01");
            compare(cmd.rows.length, 2);                 // SS010, SS011
            tryVerify(function () { return cmd.list.count === 2; });
            mouseClick(cmd.list.itemAtIndex(1), 40, 10);
            compareText(opened.signalArguments[opened.count - 1][0], "深市011");
            verify(!cmd.opened);
            cmd.show("");
            verify(cmd.opened);
            keyClick(Qt.Key_Escape);
            verify(!cmd.opened);
        }
    }
    // The box's place clear of another window, by hand: a 260 x 320 box wished
    // at (1010, 439) in a 1280 x 759 window, the notice 300 x 200 at (979, 599).
    TextCase {
        name: "ClearOf"

        function test_places_data() {
            var box = { x: 1010, y: 439, w: 260, h: 320 };
            var bounds = { x: 0, y: 0, w: 1280, h: 759 };
            return [
                { tag: "nothing to avoid", box: box, avoid: null, bounds: bounds, want: { x: 1010, y: 439 } },
                { tag: "clear already", box: box, avoid: { x: 100, y: 100, w: 300, h: 200 }, bounds: bounds,
                  want: { x: 1010, y: 439 } },
                // 979 - 10 - 260 = 709
                { tag: "left of the notice", box: box, avoid: { x: 979, y: 599, w: 300, h: 200 }, bounds: bounds,
                  want: { x: 709, y: 439 } },
                // No room on the left (100 - 10 - 260 < 0): above it, 599 - 10 - 320 = 269.
                { tag: "above when the left is short", box: { x: 20, y: 439, w: 260, h: 320 },
                  avoid: { x: 100, y: 599, w: 300, h: 200 }, bounds: bounds, want: { x: 20, y: 269 } },
                { tag: "stays when nothing fits", box: { x: 20, y: 100, w: 260, h: 320 },
                  avoid: { x: 100, y: 150, w: 300, h: 200 }, bounds: bounds, want: { x: 20, y: 100 } }
            ];
        }
        function test_places(d) {
            var at = Placement.clearOf(d.box, d.avoid, d.bounds, 10);
            compare(at.x, d.want.x);
            compare(at.y, d.want.y);
        }
    }
}

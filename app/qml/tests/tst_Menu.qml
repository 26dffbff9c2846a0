import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as App
import "qrc:/qml/js/menu.js" as Menu
import "qrc:/qml/js/Database.js" as Sql

// The menu tree, the drop-down's height and hit mapping, and the menu bar.
Item {
    id: top
    width: 900
    height: 400

    // Shaped like the sign-in reply's "menus".
    property var tree: [
        { id: 1, name: "首页", active: null, menus: [{ name: "", active: null, menus: [{ id: 2, name: "首页", active: "app://qml/qml/HomeView.qml" }] }] },
        { id: 3, name: "自选", active: "app://qml/qml/MyStockView.qml", img_n: "/images/right.png", img_h: "/images/down_2.png",
          menus: [{ name: "组", active: null }] },
        { id: 4, name: "行情", active: null, menus: [
            { name: "指数", active: null, menus: [
                { id: 5, name: "e0", active: "app://qml/qml/A.qml" }, { id: 6, name: "e1", active: null },
                { id: 7, name: "e2", active: "a2" }, { id: 8, name: "e3", active: "a3" }, { id: 9, name: "e4", active: "a4" },
                { id: 10, name: "e5", active: "a5" }, { id: 11, name: "e6", active: "a6" }] },
            { name: "个股", active: null, menus: [{ id: 12, name: "F10", active: "app://curview/?#chart=f10" }] }] }
    ]

    ListModel { id: listModel }
    SignalSpy { id: inserts; target: listModel; signalName: "rowsInserted" }
    App.QPopMenu { id: pop }
    App.QMenuBar { id: bar; y: 40 }
    SignalSpy { id: popClicks; target: pop; signalName: "clickedBtn" }
    SignalSpy { id: barClicks; target: bar; signalName: "clickedMenu" }
    Text { id: measure; font.family: "Microsoft YaHei"; font.pixelSize: 14 }

    TextCase {
        name: "Menu"
        when: windowShown

        function test_getJsonModel() {
            var items = Menu.getJsonModel(listModel, JSON.stringify(top.tree));
            compare(items.length, 3);
            compare(listModel.count, 3);
            compare(items[0].active, "");
            compare(items[0].id, undefined);
            compare(items[0].img_n, "/images/menubar/0_n.png");
            compare(items[2].img_n, "/images/menubar/2_n.png");   // third item, position 2
            compare(items[2].img_h, "/images/menubar/2_h.png");
            compare(items[1].img_n, "/images/right.png");           // given icons stay
            compare(items[1].menus[0].menus.length, 0);            // a section without menus
            var e = items[2].menus[0].menus[1];
            compare(e.active, "");
            compare(e.id, undefined);
            compare(e.hovered_, false);
            compareText(listModel.get(2).name, "行情");
            compare(Menu.getJsonModel(null, null).length, 0);
            compare(Menu.getJsonModel(null, "not json").length, 0);
            compare(Menu.iconUrl("/images/menubar/0_n.png"), "qrc:/images/menubar/0_n.png");
        }

        // A reply of 30,000 items, each with 200 sections of 200 entries, is
        // cut to what a window shows and goes into the model in one step;
        // positions without an icon of the program get none, and icon
        // addresses that are files or devices are never read.
        function test_hostileMenus() {
            var entries = [];
            for (var e = 0; e < 200; ++e)
                entries.push({ name: "e" + e, active: "a" + e });
            var sections = [];
            for (var s = 0; s < 200; ++s)
                sections.push({ name: "s" + s, menus: entries });
            var tree = [];
            for (var i = 0; i < 30000; ++i)
                tree.push({ name: "m" + i, active: "x", menus: sections });
            tree[1].img_n = "file:///proc/self/fd/0";
            tree[1].img_h = "/proc/self/fd/0";
            listModel.clear();
            inserts.clear();
            var items = Menu.getJsonModel(listModel, tree);
            compare(items.length, 40);
            compare(listModel.count, 40);
            compare(inserts.count, 1);
            compare(items[0].menus.length, 12);
            compare(items[0].menus[0].menus.length, 60);
            compare(items[5].img_n, "/images/menubar/5_n.png");
            compare(items[6].img_n, "");
            compare(items[39].img_h, "");
            compare(Menu.iconUrl(items[1].img_n), "");
            compare(Menu.iconUrl(""), "");
            compare(Menu.iconUrl("//host/x.png"), "");
            compare(Menu.iconUrl("ftp://host/x.png"), "");
            compare(Menu.iconUrl("http://host/x.png"), "http://host/x.png");
            compare(Menu.iconUrl("HTTPS://host/x.png"), "HTTPS://host/x.png");
            // "/..." is the program's own resource, never the file system.
            compare(Menu.iconUrl(items[1].img_h), "qrc:/proc/self/fd/0");
            // The bar shows them; the icons are its reply images.
            bar.setModel(items);
            tryVerify(function () { return bar.repeater.count === 40; });
            bar.setModel(Menu.getJsonModel(null, top.tree));
            tryVerify(function () { return bar.repeater.count === 3; });
        }

        function test_heightAndHits() {
            var s = Menu.getJsonModel(null, top.tree)[2].menus;
            // Seven entries take three rows: 10 + (31 + 90) + (31 + 30).
            compare(Menu.popMenuHeight(s), 192);
            pop.sections = s;
            compare(pop.height, 192);
            compare(pop.width, 320);
            // First grid starts at 10 + 31; a column is 320 / 3 wide.
            compare(Menu.hitEntry(s, 320, 5, 41), { section: 0, index: 0 });
            compare(Menu.hitEntry(s, 320, 110, 75), { section: 0, index: 4 });
            compare(Menu.hitEntry(s, 320, 5, 101), { section: 0, index: 6 });
            compare(Menu.hitEntry(s, 320, 110, 101), null);        // empty cell of the last row
            compare(Menu.hitEntry(s, 320, 5, 20), null);           // title row
            compare(Menu.hitEntry(s, 320, 5, 162), { section: 1, index: 0 });
            compare(Menu.hitEntry(s, 320, 5, 192), null);
            pop.open();
            verify(pop.clickAt(220, 50));
            compare(popClicks.count, 1);
            compare(popClicks.signalArguments[0][0], "e2");
            compare(popClicks.signalArguments[0][1], "a2");
            verify(!pop.opened);
            verify(!pop.clickAt(5, 20));
        }

        function test_menuBar() {
            Sql.dbInit();
            Sql.dbClearActionCmd();
            bar.setModel(Menu.getJsonModel(null, top.tree));
            compare(bar.height, 30);
            tryVerify(function () { return bar.repeater.count === 3 && bar.repeater.itemAt(2).x > 0; });
            var x = 0;
            for (var i = 0; i < 3; ++i) {
                measure.text = top.tree[i].name;
                var it = bar.repeater.itemAt(i);
                compare(it.width, Math.ceil(measure.implicitWidth) + 40);
                compare(it.x, x);
                x += it.width + 5;
            }
            mouseClick(bar.repeater.itemAt(1), 10, 10);
            compare(barClicks.count, 1);
            compare(barClicks.signalArguments[0][1], "app://qml/qml/MyStockView.qml");
            var actions = Sql.dbGetActionCmd();
            compare(actions.length, 1);
            compare(actions[0].do_action, "MENU");
            compareText(actions[0].remark, "自选");
            // Hovering opens the drop-down 9 pixels into the item; leaving
            // through the top closes it.
            mouseMove(bar.repeater.itemAt(2), 10, 15);
            tryVerify(function () { return bar.popMenu.opened; });
            compare(bar.popMenu.y, 21);
            compare(bar.popMenu.x, bar.repeater.itemAt(2).x);
            mouseMove(bar, bar.repeater.itemAt(2).x + 10, -20);
            tryVerify(function () { return !bar.popMenu.opened; });
            // An entry click is queued and reported like an item click.
            bar.popMenu.sections = bar.menuItems[2].menus;
            bar.popMenu.open();
            verify(bar.popMenu.clickAt(5, 162));
            compare(barClicks.count, 2);
            compare(barClicks.signalArguments[1][0], "F10");
            compare(Sql.dbGetActionCmd()[1].remark, "F10");
        }
    }
}

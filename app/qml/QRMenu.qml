import QtQuick 2.15
import QtQuick.Controls 2.15
import HRoute 1.0
import QMyStockService 1.0
import "qrc:/qml/js/RMenu.js" as RMenu
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// The right-click menu of the quote tables and charts: the table menu, the
// chart menu, the drawing-tool menu and the home chart's indicator menu. Its
// entries are data (RMenu.js); a chosen entry's route either changes the
// current view, opens another view or edits the user's my-stock groups, each
// edit queued in the local database for the back end.
Menu {
    id: root
    objectName: "rMenu"
    background: QRMenuBg { implicitWidth: 120 }
    delegate: QRMenuItem {}
    // As wide as its widest entry, so that no name is cut.
    width: {
        var w = implicitWidth;
        for (var i = 0; i < count; ++i) {
            var it = itemAt(i);
            if (it)
                w = Math.max(w, it.implicitWidth + leftPadding + rightPadding);
        }
        return w;
    }
    property var entries: []
    // Made for one opening (the tables make one per right click).
    property bool destroyOnClose: false
    property var hroute: HRoute {}
    property var service: QMyStockService {}

    signal mystockChange()
    signal panintToolsMenuClicked(var query_map)
    signal changeToMQView(var codeInfo)
    signal updateQuery(var query)
    signal changeCrosshair(bool b)
    signal changeHold(bool b)
    signal changeFormula(var query_map)
    signal changeToQMultiStockView(int row)
    signal superpositionChart(string chart, string code, int market)

    onClosed: if (destroyOnClose) Qt.callLater(root.destroy)

    function groups() {
        var doc = service.getJson();
        return doc && doc.result ? doc.result : [];
    }
    function ownGroup(code, market) {
        var g = service.getGroup(String(code), Number(market));
        return g === undefined || g === null ? null : g;
    }
    // The local stock record's type, -1 when the stock (or the table) is not there.
    function stockInfo(code, market) { return Sql.stockRecord(String(code), Number(market)); }
    function stockType(code, market) {
        var r = stockInfo(code, market);
        return r ? Number(r.type) : -1;
    }

    function showTableMenu(code, market, row, ctx_str) {
        show(RMenu.tableMenu(groups(), ownGroup(code, market), code, market, row, ctx_str, stockType(code, market)));
    }
    function showMqViewMenu(chart, code, market, crosshair, kcmd) {
        show(RMenu.chartMenu(chart, groups(), ownGroup(code, market), code, market, crosshair, kcmd,
                             stockType(code, market)));
    }
    function showPanintToolsMenu(type) { show(RMenu.paintToolsMenu(type)); }
    function showHomeIndexView(chart, mainMode, subModel) { show(RMenu.homeIndexMenu(chart, mainMode, subModel)); }

    // Fills the menu from entries and opens it at the mouse.
    function show(list) {
        build(list);
        popup();
    }
    // Sub-menus made by the last build, destroyed by the next.
    property var subMenus: []
    function build(list) {
        while (count > 0)
            removeItem(itemAt(0));
        for (var s = 0; s < subMenus.length; ++s)
            subMenus[s].destroy();
        subMenus = [];
        entries = list;
        for (var i = 0; i < list.length; ++i)
            addEntry(root, list[i]);
    }
    function addEntry(menu, e) {
        if (e.name === "") {
            menu.addItem(separator.createObject(menu.contentItem));
        } else if (e.menuItems) {
            var sub = subMenu.createObject(root, { name: e.name, title: e.name });
            subMenus.push(sub);
            for (var i = 0; i < e.menuItems.length; ++i)
                addEntry(sub, e.menuItems[i]);
            menu.addMenu(sub);
        } else {
            var item = entry.createObject(menu.contentItem, { name: e.name, key: e.key, select: !!e.select });
            item.triggered.connect(function () { root.choose(item.key); });
            menu.addItem(item);
        }
    }

    // Acts on the first rule the route matches (RMenu.choice): emits the
    // signal it names or edits the groups.
    function choose(key) {
        var c = RMenu.choice(hroute.getRoute(key), function (code, market) {
            var info = stockInfo(code, market);
            return info ? info.name : "";
        });
        if (c.edit)
            editGroup(c.edit.active, c.edit.groupId, c.edit.code, c.edit.market);
        else if (c.signal !== "")
            root[c.signal].apply(root, c.args);
    }

    // "add", "move" (also "置顶": a move to the stock's own group) and "del".
    // A move to a group that does not exist changes nothing, so the stock is
    // never lost locally or on the server.
    function editGroup(active, groupId, code, market) {
        var target = service.getGroupIndex(groupId);
        if (active === "move" && target < 0)
            return;
        if (active === "move" || active === "del") {
            var own = ownGroup(code, market);
            if (own) {
                Sql.dbAddMyStockCmd("DELETE", code, market, String(own.group_id), own.group_name);
                service.removeStock(code, market);
            }
            if (active === "del") {
                mystockChange();
                return;
            }
        }
        if (target < 0 || service.isExist(code, market))
            return;
        service.addStock(target, code, market);
        var added = ownGroup(code, market);
        if (added)
            Sql.dbAddMyStockCmd("ADD", code, market, String(added.group_id), added.group_name);
        mystockChange();
    }

    Component { id: entry; QRMenuItem {} }
    Component { id: subMenu; QRMenuSub {} }
    Component { id: separator; MenuSeparator { contentItem: Rectangle { implicitHeight: 1; color: Theme.separatorColor } } }
}

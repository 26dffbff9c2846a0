import QtQuick 2.15
import QtQuick.Window 2.15
import HFileIO 1.0

// Whole-program tour of where the keyboard goes (TourMain.qml's runner with
// steps of its own): typing a code while the pop-up notice is open and after
// the login notice closed, one pop-up notice at a time, a ranking table
// worked by keys only (a fresh tab, Ctrl+Shift+Tab back to it), the tab
// title following the chosen block, 多股同列 from a row's menu, the
// Shanghai index opened as an index from the status bar and the quick bar, a
// group renamed by keys, two strokes drawn from the 画线 palette, which
// stays above the chart when the window manager raises the main window
// ("tour: xclick X Y" asks the test for a click through the X server), and
// stocks sealed at their limits in the minute chart at 1000 x 650 and
// maximised: "tour: pose PATH x y w h" asks the test for a grab
// of the whole screen, to be compared at (x, y, w, h) with the palette's own
// picture kept beside it (PATH with "-palette.png"; nothing to compare when
// w is 0); the tour goes on once the grab is there. Ends quitting through the confirm dialog, as TourMain
// does.
TourMain {
    id: keys

    function gone(w) { return !w || !w.visible; }
    function closeMark(w) { return find(w.contentItem, function (o) { return o.glyph === "✕" && o.visible; }); }
    function labelled(item, text) {
        return find(item, function (o) { return o.text === text && o.visible && o.width > 0; });
    }
    function popups() { return TestInput.windows("popupNotice"); }
    // The main window is the active one and its tab area holds the keys.
    function mainHasKeys() {
        return win.active && win.activeFocusItem !== null && isInside(win.activeFocusItem, win.tabView);
    }
    function isInside(item, outer) {
        for (var p = item; p; p = p.parent)
            if (p === outer)
                return true;
        return false;
    }
    function ranking() { var v = view(); return v && v.blocks !== undefined && v.table ? v : null; }
    function rankingTable() { var v = ranking(); return v ? v.table.table : null; }
    // The centre of row i of a QTableView.
    function rowPoint(t, i) {
        return point(t, 150, t.header_height + t.spacing + i * (t.rowHeight + t.spacing) + t.rowHeight / 2);
    }
    // The entry named name of an open menu (a QRMenu or a sub-menu).
    function menuEntry(menu, name) {
        for (var i = 0; menu && i < menu.count; ++i) {
            var it = menu.itemAt(i);
            if (it && (it.name === name || (it.subMenu && it.subMenu.title === name)))
                return it;
        }
        return null;
    }
    function myTable() { return memo.my.table.table; }
    // Steps adding the ranking's row to the first my-stock group through its menu.
    function addToGroupSteps(row) {
        return [
            { name: "a right click on ranking row " + row + " opens its menu",
              act: function () { clickAt(win, rowPoint(rankingTable(), row), Qt.RightButton); },
              done: function () {
                  var m = rankingTable().rMenu;
                  return m && m.opened && menuEntry(m, "添加自选") !== null;
              },
              after: function () { memo.menu = rankingTable().rMenu; memo.added = codeOfRow(rankingTable(), row); } },
            { name: "添加自选 lists the groups for row " + row,
              act: function () { click(menuEntry(memo.menu, "添加自选")); },
              done: function () { var sub = menuEntry(memo.menu, "添加自选").subMenu; return sub && sub.opened && sub.count > 0; } },
            { name: "the first group takes row " + row,
              act: function () { click(menuEntry(memo.menu, "添加自选").subMenu.itemAt(0)); },
              done: function () { return !memo.menu || !memo.menu.opened; } }
        ];
    }
    function codeOfRow(t, i) { var info = t.table_model.getCodeInfo(i); return info ? String(info.code) : ""; }
    // The view of code with its minutes drawn, and for an index its panel shown.
    function indexView(code) {
        var v = view();
        return isStockView(v) && String(v.query_map_.code) === code && minutes()
                && (!v.isIndex || named(v, "priceIndexView").visible) ? v : null;
    }
    function stockPagesShown(v) {
        var model = named(v, "chartButtons").datamodel;
        var names = [];
        for (var i = 0; i < model.count; ++i)
            if (model.get(i).show)
                names.push(model.get(i).name);
        return names.indexOf("F10") >= 0 || names.indexOf("明细") >= 0 ? names.join(",") : "";
    }
    function indexCheck() {
        var v = view();
        if (!v.isIndex)
            return "the index opened as a stock (type " + v.query_map_.type + ")";
        var pages = stockPagesShown(v);
        if (pages !== "")
            return "stock pages shown: " + pages;
        return named(v, "priceIndexView").visible ? "" : "the index panel is not shown";
    }
    // The twelve rows of a distribution chart: each as tall as its text,
    // one under the other, inside the chart; "" when they are.
    function rowsFit(chart) {
        if (!chart || chart.count !== 12)
            return "the distribution chart has " + (chart ? chart.count : "no") + " rows";
        var bottom = 0;
        for (var i = 0; i < chart.count; ++i) {
            var row = chart.itemAtIndex(i);
            if (!row)
                return chart.objectName + " row " + i + " is not shown";
            var text = row.children[0];
            if (text.implicitHeight > row.height + 0.5)
                return chart.objectName + " row " + i + " is " + row.height.toFixed(1) + " px high for a "
                        + text.implicitHeight.toFixed(1) + " px text";
            if (row.y + 0.5 < bottom)
                return chart.objectName + " row " + i + " at " + row.y.toFixed(1) + " overlaps the row above (to "
                        + bottom.toFixed(1) + ")";
            bottom = row.y + row.height;
        }
        return bottom <= chart.height + 0.5 ? "" : chart.objectName + " rows end at " + bottom.toFixed(1)
                                                    + " in a " + chart.height.toFixed(1) + " px chart";
    }
    // The index panel's two charts show the back end's rows, not made-up ones.
    function backEndRows(v) {
        var panel = named(v, "priceIndexView");
        if (named(v, "sectionChart").model !== panel.sectionModel || named(v, "sectionChart2").model !== panel.sectionModel2)
            return "the index panel's distributions are not the back end's rows";
        return "";
    }
    // Every row of the four home distributions: name, section, bar and count
    // apart, each text whole in its place, the largest bar plainly seen.
    function distributionsWhole(sections) {
        for (var p = 0; p < 4; ++p) {
            var list = named(named(sections, "sectionPanel" + p), "sectionList");
            if (!list || list.count === 0)
                return "distribution " + p + " shows no rows";
            var title = named(named(sections, "sectionPanel" + p), "title");
            if (!title || title.contentWidth > title.width + 0.5)
                return "distribution " + p + "'s title runs out of its panel";
            for (var i = 0; i < list.count; ++i) {
                var row = list.itemAtIndex(i);
                var name = named(row, "name"), section = named(row, "section"), bar = named(row, "bar"), count = named(row, "count");
                var where = "distribution " + p + " (" + list.width.toFixed(0) + " px) row " + i + ": ";
                if (!name || !count || !bar)
                    return where + "not laid out";
                if (name.contentWidth > name.width + 0.5 || count.contentWidth > count.width + 0.5)
                    return where + "a text is cut";
                var nameRight = name.x + name.contentWidth, countLeft = count.x + count.width - count.contentWidth;
                if (nameRight > countLeft)
                    return where + "the name runs into the count";
                if (section.visible && (section.x < nameRight || section.x + section.contentWidth > bar.x))
                    return where + "the section overlaps";
                var under = bar.y >= name.y + name.height;
                if (!under && (bar.x < nameRight || bar.x + bar.width > countLeft))
                    return where + "the bar overlaps a text";
                if (list.model.get(i).ratio === 1 && bar.width < 20)
                    return where + "the largest bar is " + bar.width + " px";
            }
        }
        return "";
    }
    function closeCurrentTab() { memo.tabs = win.tabView.entries.length; clickTab(win.tabView.currentIndex, true); }

    property var files: HFileIO {}
    property string posing: ""
    property Timer posed: Timer {
        interval: 100
        repeat: true
        running: keys.posing !== ""
        onTriggered: {
            if (keys.files.readFile(keys.posing).byteLength > 0) {
                keys.posing = "";
                keys.busy = false;
            }
        }
    }
    // The palette's own picture, then the screen grab of the test.
    function posePalette(name) {
        var t = drawing().toolsView;
        busy = true;
        var path = dir + "/" + name;
        t.contentItem.grabToImage(function (result) {
            result.saveToFile(path.replace(".png", "-palette.png"));
            keys.posing = path;
            keys.say("pose " + path + " " + t.x + " " + t.y + " " + t.width + " " + t.height);
        });
    }
    // A grab of the whole screen only (windows beside the main one show).
    function poseScreen(name) {
        busy = true;
        posing = dir + "/" + name;
        say("pose " + posing + " 0 0 0 0");
    }
    function drawing() { return named(view(), "stockDrawing"); }
    // The window point at fraction (fx, fy) of the main pane's plot.
    function plotPoint(fx, fy) {
        var m = mainPane();
        return point(m, 60 + (m.width - 120) * fx, 20 + (m.height - 21) * fy);
    }
    // A left click through the X server at (dx, dy) of item (its centre by
    // default): "tour: xclick X Y" in screen coordinates, done by the test.
    function screenClick(item, dx, dy) {
        var p = item.mapToGlobal(dx === undefined ? item.width / 2 : dx, dy === undefined ? item.height / 2 : dy);
        say("xclick " + Math.round(p.x) + " " + Math.round(p.y));
    }

    readonly property var keySteps: [
        { name: "the pop-up notice opens",
          wait: 20000,
          act: function () {},
          // In the bottom-right corner of the screen, whatever the window manager does.
          done: function () {
              var p = win.notices.lastPopup;
              var c = p ? QRoot.getScreenRightBottom(p.width, p.height) : null;
              return p && p.visible && p.noticeText.text !== "" && p.x === c.x && p.y === c.y;
          },
          state: function () {
              var p = win.notices.lastPopup;
              return p ? "the pop-up notice at " + p.x + "," + p.y + " visible " + p.visible : "no pop-up notice";
          },
          after: function () { memo.popup = win.notices.lastPopup; } },
        { name: "the login notice shows its page",
          wait: 20000,
          act: function () {},
          done: function () {
              var w = win.notices.loginWindow;
              return w && w.visible && w.webView && !w.webView.loading;
          },
          after: function () { memo.login = win.notices.loginWindow; } },
        { name: "its close mark asks whether to remind again",
          act: function () { clickAt(memo.login, point(closeMark(memo.login))); },
          done: function () { return memo.login.alert && memo.login.alert.visible; },
          after: function () { memo.alert = memo.login.alert; } },
        { name: "继续提醒 closes the login notice and the main window has the keys",
          act: function () { clickAt(memo.alert, point(named(memo.alert.contentItem, "cancelButton"))); },
          done: function () { return gone(memo.login) && mainHasKeys(); } },
        { name: "a typed code reaches the quick-command box while the pop-up notice is open",
          act: function () { typeText("600000"); },
          done: function () { return win.quickCmd.visible && win.quickCmd.input.text === "600000" && quickRow("600000") >= 0; },
          check: function () { return memo.popup.visible ? "" : "the pop-up notice was closed"; } },
        { name: "Return opens the stock",
          act: function () { chooseQuickRow("600000"); },
          done: function () { return isStockView(view()) && view().query_map_.code === "600000" && minutes(); },
          after: function () { shoot("keys-01-typed-under-notice.png"); } },
        { name: "the next poll replaces the pop-up notice",
          act: function () {
              memo.shownPopup = win.notices.lastPopup;
              memo.shownNotices = memo.shownPopup ? memo.shownPopup.notices : null;
              win.notices.pollPopup();
          },
          done: function () { return popupShowsNewReply(); },
          check: function () {
              var n = popups().length;
              if (n !== 1)
                  return n + " pop-up notices are shown";
              var c = QRoot.getScreenRightBottom(memo.popup.width, memo.popup.height);
              if (memo.popup.x !== c.x || memo.popup.y !== c.y)
                  return "the pop-up notice moved to " + memo.popup.x + "," + memo.popup.y;
              return mainHasKeys() ? "" : "the main window lost the keys (" + situation() + ")";
          } },
        { name: "F6 shows the empty 我的自选",
          act: function () { key(Qt.Key_F6); },
          done: function () {
              var v = view();
              return v && v.objectName === "myStockView" && v.groups.length > 0 && v.table.table_model.rowCount() === 0;
          },
          after: function () { memo.my = view(); memo.tabs = win.tabView.entries.length; } },
        { name: "Down and Return on the empty table open nothing",
          act: function () { key(Qt.Key_Down); key(Qt.Key_Return); },
          done: function () { return myTable().selectIndex === -1 && view() === memo.my; },
          check: function () {
              return win.tabView.entries.length === memo.tabs ? "" : "a tab was opened from the empty table";
          } },
        { name: "61 opens the 沪A ranking",
          act: function () { typeText("61"); },
          done: function () { return quickRow("沪A涨幅排名") >= 0; } },
        { name: "the ranking table fills in its fresh tab",
          act: function () { chooseQuickRow("沪A涨幅排名"); },
          done: function () {
              var t = rankingTable();
              return t && t.table_model.rowCount() > 5 && t.selectIndex === 0;
          } },
        { name: "Down steps to the second row without a click",
          act: function () { key(Qt.Key_Down); },
          done: function () { var t = rankingTable(); return t && t.selectIndex === 1; },
          after: function () { memo.ranking = view(); memo.code = codeOfRow(rankingTable(), 1); } },
        { name: "Return opens the second row's stock",
          act: function () { key(Qt.Key_Return); },
          done: function () { return isStockView(view()) && String(view().query_map_.code) === memo.code; } },
        { name: "Ctrl+Shift+Tab goes back to the ranking and Down still steps",
          act: function () { key(Qt.Key_Tab, Qt.ControlModifier | Qt.ShiftModifier); },
          done: function () { return view() === memo.ranking; },
          after: function () { key(Qt.Key_Down); } },
        { name: "the table has the keys after Ctrl+Shift+Tab",
          act: function () {},
          done: function () { var t = rankingTable(); return t && t.selectIndex === 2; } },
        { name: "Page Down shows the ranking's next page, numbered on",
          act: function () {
              var t = rankingTable();
              memo.pageRows = t.table_model.rowCount();
              memo.pageFirst = codeOfRow(t, 0);
              key(Qt.Key_PageDown);
          },
          done: function () {
              var t = rankingTable();
              return t.selectIndex === 0 && t.table_model.rowCount() > 1
                      && String(t.table_model.getRowColumnData(0, 0)) === String(memo.pageRows + 1);
          },
          check: function () {
              var t = rankingTable();
              return codeOfRow(t, 0) !== memo.pageFirst ? "" : "row 0 still shows " + memo.pageFirst;
          },
          state: function () {
              var t = rankingTable();
              return "row 0 numbered " + t.table_model.getRowColumnData(0, 0) + ", selected " + t.selectIndex;
          } },
        { name: "Page Up shows the first page again with its last row selected",
          act: function () { key(Qt.Key_PageUp); },
          done: function () {
              var t = rankingTable();
              return String(t.table_model.getRowColumnData(0, 0)) === "1"
                      && t.selectIndex === t.table_model.rowCount() - 1;
          },
          after: function () { clickAt(win, rowPoint(rankingTable(), 2)); } },
        { name: "a click gives the third row back its highlight",
          act: function () {},
          done: function () { var t = rankingTable(); return t && t.selectIndex === 2; } },
        { name: "深圳A股 gives the tab its title",
          act: function () { click(labelled(named(view(), "blockBar"), "深圳A股")); },
          done: function () {
              var i = win.tabView.currentIndex;
              var t = rankingTable();
              return win.tabView.entries[i].title === "深圳A股" && t && t.table_model.rowCount() > 5;
          },
          after: function () { shoot("keys-02-ranking-block.png"); } }
    ].concat(addToGroupSteps(2), addToGroupSteps(3), [

        { name: "a right click on a row opens its menu",
          act: function () { var t = rankingTable(); clickAt(win, rowPoint(t, 1), Qt.RightButton); },
          done: function () { var t = rankingTable(); return t.rMenu && t.rMenu.opened; },
          after: function () { memo.menu = rankingTable().rMenu; } },
        { name: "多股同列 opens its tab",
          act: function () {
              var m = memo.menu;
              for (var i = 0; i < m.count; ++i)
                  if (m.itemAt(i) && m.itemAt(i).name === "多股同列")
                      click(m.itemAt(i));
          },
          done: function () {
              var i = win.tabView.currentIndex;
              var v = view();
              return win.tabView.entries[i].title === "多股同列" && v !== memo.ranking && v.stocks !== undefined
                      && v.stocks.length > 0 && v.tile(0).chart.upper && v.tile(0).chart.upper.getFirstKLineSize() > 1;
          },
          state: function () {
              var v = view();
              return "tab " + win.tabView.entries[win.tabView.currentIndex].title + " stocks "
                      + (v.stocks ? JSON.stringify(v.stocks).slice(0, 120) : "none");
          },
          after: function () { shoot("keys-03-multi-stock.png"); } },
        { name: "a double click on 上证指数 in the status bar opens the index as an index",
          act: function () {
              var p = point(labelled(win.stateBar, "上证指数"));
              TestInput.doubleClick(win, p.x, p.y);
          },
          done: function () { return indexView("1A0001") !== null; },
          check: indexCheck,
          after: function () { shoot("keys-04-index-from-status-bar.png"); } },
        { name: "the index tab closes",
          act: closeCurrentTab,
          done: function () { return win.tabView.entries.length === memo.tabs - 1; } },
        { name: "上证指数 in the quick bar opens the index as an index",
          act: function () { click(labelled(win.quickBar, "上证指数")); },
          done: function () { return indexView("1A0001") !== null; },
          check: indexCheck,
          after: function () { shoot("keys-05-index-from-quick-bar.png"); } },
        { name: "the restore button leaves the maximised state",
          act: function () { click(named(win.titleView, "maxButton")); },
          done: function () { return win.visibility !== Window.Maximized; } },
        { name: "the corner dragged to 1000 x 650",
          act: function () {
              var r = win.width - 2, b = win.height - 2;
              TestInput.drag(win, r, b, r + 1000 - win.width, b + 650 - win.height);
          },
          done: function () {
              var v = indexView("1A0001");
              return win.width === 1000 && win.height === 650 && v !== null && named(v, "sectionChart").count > 0
                      && named(v, "sectionChart2").count > 0;
          },
          state: function () { return "window " + win.width + "x" + win.height; },
          check: function () {
              var v = view();
              return rowsFit(named(v, "sectionChart2")) || rowsFit(named(v, "sectionChart")) || backEndRows(v);
          },
          after: function () { memo.indexTab = win.tabView.currentIndex; shoot("keys-10-index-at-1000x650.png"); } },
        { name: "首页 at 1000 x 650 lays its distributions out whole",
          act: function () { clickTab(0); },
          done: function () {
              var h = win.tabView.entries[0].item;
              // A refresh that lands after the tab shows rebuilds the rows:
              // the step waits for the laid-out rows its check reads.
              return view() === h && h.sectionView.models[0].count > 0 && h.sectionView.models[3].count > 0
                      && distributionsWhole(h.sectionView) === "";
          },
          check: function () { return distributionsWhole(win.tabView.entries[0].item.sectionView); },
          after: function () { shoot("keys-10-home-at-1000x650.png", [win.tabView.entries[0].item.sectionView]); } },
        { name: "600000 from the quick-command box at 1000 x 650",
          act: function () { typeText("600000"); },
          done: function () { return quickRow("600000") >= 0; } },
        { name: "its minute chart",
          act: function () { chooseQuickRow("600000"); },
          done: function () { return isStockView(view()) && view().query_map_.code === "600000" && minutes(); } },
        { name: "the corner dragged to 1024 x 700: the quote panel lists trades",
          act: function () {
              var r = win.width - 2, b = win.height - 2;
              TestInput.drag(win, r, b, r + 1024 - win.width, b + 700 - win.height);
          },
          done: function () {
              var l = named(view(), "tickList");
              return win.width === 1024 && win.height === 700 && isStockView(view()) && l && l.showSize > 0
                      && l.rowCount() > 0;
          },
          state: function () {
              var l = named(view(), "tickList");
              return "window " + win.width + "x" + win.height + ", tick list " + (l ? l.height + " px, "
                      + l.showSize + " rows shown of " + l.rowCount() : "none");
          },
          after: function () { shoot("keys-10-quote-at-1024x700.png"); } },
        { name: "the wheel over the quote panel brings its trades into view",
          act: function () {
              memo.quotePanel = find(named(view(), "pricePane"), function (o) { return o.contentY !== undefined && o.visible; });
              var p = point(memo.quotePanel, memo.quotePanel.width / 2, 40);
              TestInput.wheel(win, p.x, p.y, -1200);
          },
          done: function () {
              var f = memo.quotePanel, l = named(view(), "tickList");
              return !f.moving && l.mapToItem(f, 0, l.height).y <= f.height + 1;
          },
          state: function () {
              var f = memo.quotePanel, l = named(view(), "tickList");
              return "panel " + f.height + " px at " + f.contentY + ", list ends at " + l.mapToItem(f, 0, l.height).y;
          },
          after: function () { shoot("keys-10-ticks-at-1024x700.png", [named(view(), "tickList")]); } },
        { name: "首页 at 1024 x 700 lays its distributions out whole",
          act: function () { clickTab(0); },
          done: function () { return view() === win.tabView.entries[0].item; },
          check: function () { return distributionsWhole(win.tabView.entries[0].item.sectionView); },
          after: function () { shoot("keys-10-home-at-1024x700.png", [win.tabView.entries[0].item.sectionView]); } },
        { name: "back to the index at 1000 x 650",
          act: function () {
              clickTab(memo.indexTab);
              var r = win.width - 2, b = win.height - 2;
              TestInput.drag(win, r, b, r + 1000 - win.width, b + 650 - win.height);
          },
          done: function () { return win.width === 1000 && win.height === 650 && indexView("1A0001") !== null; } },
        { name: "the maximise button brings the window back",
          act: function () { click(named(win.titleView, "maxButton")); },
          done: function () { return win.visibility === Window.Maximized && indexView("1A0001") !== null; } },
        { name: "F6 shows 我的自选 with its group buttons",
          act: function () { key(Qt.Key_F6); },
          done: function () {
              var v = view();
              return v && v.objectName === "myStockView" && v.groups.length > 0 && labelled(v.bar, String(v.groups[0].group_name));
          },
          after: function () { memo.my = view(); memo.group = String(view().groups[0].group_name); } },
        { name: "the two added stocks are listed",
          act: function () {},
          done: function () { return myTable().table_model.rowCount() >= 2; } },
        { name: "a click on the second stock marks it",
          act: function () { click(myTable(), 150, myTable().header_height + 1.5 * (myTable().rowHeight + myTable().spacing)); },
          done: function () { return myTable().selectIndex === 1; },
          after: function () { memo.code = codeOfRow(myTable(), 1); } },
        { name: "its menu offers 置顶",
          act: function () { clickAt(win, rowPoint(myTable(), 1), Qt.RightButton); },
          done: function () { var m = myTable().rMenu; return m && m.opened && menuEntry(m, "置顶") !== null; },
          after: function () { memo.menu = myTable().rMenu; } },
        { name: "置顶 puts the stock first and the highlight follows it",
          act: function () { click(menuEntry(memo.menu, "置顶")); },
          // The screenshot waits for the chart beside the table to show the
          // moved stock too (the table tells it after its click delay).
          done: function () {
              var told = myTable().toldStock;
              var pane = find(memo.my, function (o) { return o.pane === 1 && o.codeInfo !== undefined; });
              return codeOfRow(myTable(), 0) === memo.code && told && told.code === memo.code && pane
                      && pane.codeInfo && String(pane.codeInfo.code) === memo.code;
          },
          check: function () {
              var i = myTable().selectIndex;
              return i === 0 ? "" : "row " + i + " (" + codeOfRow(myTable(), i) + ") is marked, " + memo.code + " is on row 0";
          },
          after: function () { shoot("keys-09-top.png"); } },
        { name: "a double click on the group opens 修改分组名称 with the keys in its field",
          act: function () {
              var p = point(labelled(memo.my.bar, memo.group));
              TestInput.doubleClick(win, p.x, p.y);
          },
          // Centred on the main window once the window system has placed it.
          done: function () {
              var w = memo.my.renameWindow;
              return w && w.visible && w.active && named(w.contentItem, "field").activeFocus
                      && Math.abs(w.x + w.width / 2 - (win.x + win.width / 2)) <= 2
                      && Math.abs(w.y + w.height / 2 - (win.y + win.height / 2)) <= 2;
          },
          state: function () {
              var w = memo.my.renameWindow;
              return !w ? "no rename window" : "rename window at " + w.x + "," + w.y + " " + w.width + "x" + w.height
                      + " visible " + w.visible + " active " + w.active + ", main window " + win.x + "," + win.y + " "
                      + win.width + "x" + win.height;
          },
          after: function () { memo.rename = memo.my.renameWindow; poseScreen("keys-06-rename.png"); } },
        { name: "Esc cancels the rename",
          act: function () { TestInput.type(memo.rename, "X"); TestInput.key(memo.rename, Qt.Key_Escape); },
          done: function () { return gone(memo.rename); },
          check: function () {
              var n = String(memo.my.groups[0].group_name);
              return n === memo.group ? "" : "the group is now called " + n;
          } },
        { name: "a typed name and Return rename the group",
          act: function () {
              var p = point(labelled(memo.my.bar, memo.group));
              TestInput.doubleClick(win, p.x, p.y);
          },
          done: function () { return memo.rename.visible && named(memo.rename.contentItem, "field").activeFocus; },
          after: function () {
              TestInput.type(memo.rename, "甲");
              TestInput.key(memo.rename, Qt.Key_Return);
          } },
        { name: "the group button shows the new name",
          act: function () {},
          done: function () { return gone(memo.rename) && labelled(memo.my.bar, "甲") !== null; } },
        { name: "renamed back by keys",
          act: function () {
              var p = point(labelled(memo.my.bar, "甲"));
              TestInput.doubleClick(win, p.x, p.y);
          },
          done: function () { return memo.rename.visible && named(memo.rename.contentItem, "field").activeFocus; },
          after: function () {
              TestInput.type(memo.rename, memo.group);
              TestInput.key(memo.rename, Qt.Key_Return);
          } },
        { name: "the group has its name again",
          act: function () {},
          done: function () { return gone(memo.rename) && labelled(memo.my.bar, memo.group) !== null; } },
        { name: "600000 again from the quick-command box",
          act: function () { typeText("600000"); },
          done: function () { return quickRow("600000") >= 0; } },
        { name: "its tab comes back",
          act: function () { chooseQuickRow("600000"); },
          done: function () { return isStockView(view()) && view().query_map_.code === "600000" && minutes(); } },
        { name: "日线 for drawing on",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33); } },
        { name: "画线 opens the palette",
          act: function () { click(named(view(), "klineTool_painttools")); },
          done: function () {
              var t = drawing().toolsView;
              return t && t.visible && named(t.contentItem, "tool_CPaintSegment") && named(t.contentItem, "tool_CPaintRect");
          },
          after: function () { drawing().toolsView.clickedItem.connect(function (flag) { memo.picked = String(flag); }); } },
        // Picks and clicks go through the X server here, so the window
        // manager raises what is clicked, as for a person: a palette that
        // is not kept above the main window falls behind it on the click
        // after the first stroke, and the next pick lands on the chart.
        { name: "线段 picked by a click on the palette",
          act: function () { memo.picked = ""; screenClick(named(drawing().toolsView.contentItem, "tool_CPaintSegment")); },
          done: function () { return memo.picked === "CPaintSegment"; },
          state: function () { return "picked " + JSON.stringify(memo.picked); } },
        { name: "a 线段 drawn from the palette",
          act: function () {
              var a = plotPoint(0.15, 0.3), b = plotPoint(0.4, 0.7);
              TestInput.drag(win, a.x, a.y, b.x, b.y);
          },
          done: function () { return true; } },
        { name: "a click on the chart after the first stroke",
          act: function () { screenClick(mainPane(), mainPane().width - 80, mainPane().height - 20); },
          done: function () { return win.active && drawing().toolsView.visible; },
          after: function () { posePalette("keys-07-palette-after-first.png"); } },
        { name: "矩形 picked from the palette without opening it again",
          act: function () { memo.picked = ""; screenClick(named(drawing().toolsView.contentItem, "tool_CPaintRect")); },
          done: function () { return memo.picked === "CPaintRect"; },
          state: function () { return "picked " + JSON.stringify(memo.picked) + ", the palette visible " + drawing().toolsView.visible; } },
        { name: "a 矩形 drawn from the palette",
          act: function () {
              var a = plotPoint(0.55, 0.2), b = plotPoint(0.75, 0.5);
              TestInput.drag(win, a.x, a.y, b.x, b.y);
          },
          done: function () { return drawing().toolsView.visible; },
          after: function () { posePalette("keys-08-palette-after-second.png"); } },
        { name: "the restore button leaves the maximised state again",
          act: function () { click(named(win.titleView, "maxButton")); },
          done: function () { return win.visibility !== Window.Maximized; } },
        { name: "the corner dragged to 1000 x 650 for the chip panel",
          act: function () {
              var r = win.width - 2, b = win.height - 2;
              TestInput.drag(win, r, b, r + 1000 - win.width, b + 650 - win.height);
          },
          done: function () { return win.width === 1000 && win.height === 650 && candles(33); } },
        { name: "筹码 shows the chip panel",
          act: function () { click(labelled(named(view(), "chipSwitch"), "筹码")); },
          done: function () { var c = named(view(), "chip"); return c && c.visible && c.width > 0 && candles(33); },
          after: function () { shoot("keys-11-chip-at-1000x650.png"); } }
    ].concat(limitSteps("300032", "keys-12-limit-up-at-1000x650.png"),
             limitSteps("000046", "keys-13-limit-down-at-1000x650.png"), [
        { name: "the maximise button for the limits at full size",
          act: function () { click(named(win.titleView, "maxButton")); },
          done: function () { return win.visibility === Window.Maximized && minutes(); } }
    ], limitSteps("300032", "keys-14-limit-up.png"), limitSteps("000046", "keys-15-limit-down.png")))

    // A stock sealed at its limit opened in its minute chart from the quick-command box.
    function limitSteps(code, shot) {
        return [
            { name: code + " from the quick-command box",
              act: function () { typeText(code); },
              done: function () { return quickRow(code) >= 0; } },
            { name: code + "'s minute chart (" + shot + ")",
              act: function () { chooseQuickRow(code); },
              done: function () { return isStockView(view()) && String(view().query_map_.code) === code && minutes(); },
              after: function () { shoot(shot); } }
        ];
    }

    function plan() {
        var quit = stockSteps.slice(stockSteps.length - 2);
        return [stockSteps[0]].concat(keySteps, quit);
    }
}

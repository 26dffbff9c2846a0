import QtQuick 2.15
import QtQuick.Window 2.15
import HFileIO 1.0

// Whole-program tour of what the user must be able to see and reach (TourMain.qml's
// runner with steps of its own): the quick-command box and the pop-up notice
// side by side, also after five Down presses and the next poll; the
// sub-chart buttons of the day K-line reached from 分时 as from 明细, and the
// K-line tool row and its ">" menu whole in the restored 1000 x 650 window;
// keys typed after a click in the F10 and 诊断 pages and in a browser tab
// (a code and Return, Esc, Ctrl+W) reaching the tab area, and a field of the
// page keeping what is typed into it; the first tabs
// reached by the mouse once fourteen tabs overflow the strip; the highlight of
// a ranking following its stock when the ranks move. "tour: xtype TEXT" asks
// the test to type through the X server, "tour: market-tick N" to move the
// local quote server's market on, "tour: pose PATH" for a grab of the whole
// screen (menus and the pop-up notice show); the tour goes on once the grab is
// there. Ends quitting through the confirm dialog.
TourMain {
    id: reach

    function gone(w) { return !w || !w.visible; }
    function closeMark(w) { return find(w.contentItem, function (o) { return o.glyph === "✕" && o.visible; }); }
    function isInside(item, outer) {
        for (var p = item; p; p = p.parent)
            if (p === outer)
                return true;
        return false;
    }
    function mainHasKeys() {
        return win.active && win.activeFocusItem !== null && isInside(win.activeFocusItem, win.tabView);
    }
    // A rectangle in screen coordinates: {x, y, w, h}.
    function screenRect(item) {
        var p = item.mapToGlobal(0, 0);
        return { x: p.x, y: p.y, w: item.width, h: item.height };
    }
    function windowRect(w) { return { x: w.x, y: w.y, w: w.width, h: w.height }; }
    function overlap(a, b) {
        return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
    }
    function rectText(r) { return Math.round(r.x) + "," + Math.round(r.y) + " " + Math.round(r.w) + "x" + Math.round(r.h); }
    // The quick-command box and the pop-up notice apart, and the box's
    // highlighted row inside the box; "" when so.
    function wizardClear() {
        var p = win.notices.lastPopup;
        var box = screenRect(win.quickCmd.background);
        if (p && p.visible && overlap(box, windowRect(p)))
            return "the quick-command box at " + rectText(box) + " under the pop-up notice at " + rectText(windowRect(p));
        var l = win.quickCmd.list;
        var row = l.currentItem;
        if (row) {
            var r = screenRect(row);
            if (r.y < box.y || r.y + r.h > box.y + box.h)
                return "the highlighted row at " + rectText(r) + " outside the box at " + rectText(box);
            if (p && p.visible && overlap(r, windowRect(p)))
                return "the highlighted row at " + rectText(r) + " under the pop-up notice";
        }
        return "";
    }

    property var files: HFileIO {}
    property string posing: ""
    property Timer posed: Timer {
        interval: 100
        repeat: true
        running: reach.posing !== ""
        onTriggered: {
            if (reach.files.readFile(reach.posing).byteLength > 0) {
                reach.posing = "";
                reach.busy = false;
            }
        }
    }
    function poseScreen(name) {
        busy = true;
        posing = dir + "/" + name;
        say("pose " + posing);
    }

    // ---- The sub-chart bar ----
    function toolRow() { return named(view(), "toolRow"); }
    function subBar() { return named(toolRow(), "subChartBar"); }
    function barNames(bar) {
        var out = [];
        for (var i = 0; i < bar.model_.count; ++i)
            out.push(String(bar.model_.get(i).name));
        return out;
    }
    // Every button the bar shows is whole inside it, right of 指标组合, and
    // the ">" menu holds the rest; "" when so.
    function barReachable() {
        var bar = subBar();
        if (!bar || bar.model_.count === 0)
            return "no sub-chart buttons";
        var row = named(bar, "barRow");
        var groups = named(toolRow(), "groupButton");
        var left = groups.mapToItem(null, groups.width, 0).x;
        var barBox = bar.mapToItem(null, 0, 0);
        if (barBox.x + 0.5 < left)
            return "the bar starts at " + barBox.x.toFixed(1) + ", left of 指标组合's end " + left.toFixed(1);
        if (bar.show_count <= 0)
            return "the bar shows no button in " + bar.width.toFixed(0) + " px";
        for (var i = 0; i < bar.show_count && i < bar.model_.count; ++i) {
            var d = row.itemAtIndex(i);
            if (!d)
                return "button " + i + " (" + bar.model_.get(i).name + ") is not made";
            var a = d.mapToItem(null, 0, 0);
            var end = barBox.x + bar.width - (bar.show_count < bar.model_.count ? bar.rightPadding : 0);
            if (a.x + 0.5 < left || a.x + d.width > end + 0.5)
                return "button " + i + " (" + bar.model_.get(i).name + ") at " + a.x.toFixed(1) + "-"
                        + (a.x + d.width).toFixed(1) + ", the bar shows " + left.toFixed(1) + "-" + end.toFixed(1)
                        + " (scrolled to " + row.contentX.toFixed(1) + ")";
        }
        return "";
    }
    // The K-line tool row's parts side by side inside the row; "" when so.
    function toolRowWhole() {
        var t = toolRow();
        var parts = [named(t, "klineTool_IntervalStatistics"), named(t, "klineTool_painttools"),
                     named(t, "mainFormulaButton"), named(t, "groupButton"), named(t, "subChartBar"),
                     named(t, "chipSwitch")];
        var names = ["区间统计", "画线", "main formula", "指标组合", "sub-chart bar", "明细/筹码"];
        var right = t.mapToItem(null, t.width, 0).x;
        var prev = -1;
        for (var i = 0; i < parts.length; ++i) {
            var p = parts[i];
            if (!p || !p.visible)
                return names[i] + " is not shown";
            var x = p.mapToItem(null, 0, 0).x;
            if (x + 0.5 < prev)
                return names[i] + " at " + x.toFixed(1) + " overlaps what is left of it (to " + prev.toFixed(1) + ")";
            prev = x + p.width;
            if (prev > right + 0.5)
                return names[i] + " ends at " + prev.toFixed(1) + " past the row's end " + right.toFixed(1);
        }
        return barReachable();
    }
    // Each entry of the open ">" menu shows its whole name; "" when so.
    function menuWhole(bar) {
        var m = bar.moreMenu;
        var list = named(m.contentItem, "overflowList") || m.contentItem;
        var right = m.background.mapToItem(null, m.background.width, 0).x;
        var seen = 0;
        for (var i = bar.show_count; i < bar.model_.count; ++i) {
            var it = list.itemAtIndex(i);
            if (!it)
                continue;   // scrolled out of the menu's rows
            seen += 1;
            var label = find(it.contentItem, function (o) { return o.text === it.name; });
            if (!label)
                return "entry " + it.name + " shows no text";
            var end = label.mapToItem(null, label.implicitWidth, 0).x;
            var itemEnd = it.mapToItem(null, it.width - it.rightPadding, 0).x;
            if (end > Math.min(right, itemEnd) + 0.5)
                return "entry " + it.name + " ends at " + end.toFixed(1) + ", the menu at " + Math.min(right, itemEnd).toFixed(1);
        }
        return seen > 0 ? "" : "the menu shows no entry";
    }

    // ---- Tabs ----
    function strip() { return named(win.tabView, "tabStrip"); }
    // Tab i's place in the window, or null when it is not on the strip.
    function tabPoint(i, dx) {
        var s = strip();
        var x = i * 141 - s.contentX + dx;
        if (x < 0 || x > s.width)
            return null;
        return s.mapToItem(null, x, 11);
    }

    // ---- Ranking ----
    function ranking() { var v = view(); return v && v.blocks !== undefined && v.table ? v : null; }
    function rankingTable() { var v = ranking(); return v ? v.table.table : null; }
    function rowPoint(t, i) {
        return point(t, 150, t.header_height + t.spacing + i * (t.rowHeight + t.spacing) + t.rowHeight / 2);
    }
    // The middle of the header cell titled title (in the scrolling part).
    function headerPoint(t, title) {
        var x = t.fixedWidth();
        for (var c = t.fixedCount; c < t.columnTotal; ++c) {
            if (String(t.table_model.getHeaderData(c)) === title)
                return point(t, x + t.columnWidth(c) / 2, t.header_height / 2);
            x += t.columnWidth(c) + t.spacing;
        }
        return null;
    }
    function codeOfRow(t, i) { var info = t.table_model.getCodeInfo(i); return info ? String(info.code) : ""; }
    function pageCodes(t) {
        var out = [];
        for (var i = 0; i < t.table_model.rowCount(); ++i)
            out.push(codeOfRow(t, i));
        return out;
    }
    function paneCode() {
        var p = find(ranking(), function (o) { return o.pane === 1 && o.codeInfo !== undefined; });
        return p && p.codeInfo ? String(p.codeInfo.code) : "";
    }
    // The highlighted row, the stock followed and the left pane agree; "" when so.
    function highlightAgrees() {
        var t = rankingTable();
        var row = codeOfRow(t, t.selectIndex);
        var at = pageCodes(t).indexOf(memo.followed);
        if (at >= 0 && t.selectIndex !== at)
            return memo.followed + " moved to row " + at + ", the highlight is on row " + t.selectIndex + " (" + row + ")";
        if (row !== paneCode())
            return "the highlighted row " + t.selectIndex + " shows " + row + ", the pane beside it " + paneCode();
        return "";
    }
    // The first row of the quick-command box whose stock has no tab yet, or -1.
    function firstClosedRow() {
        var rows = win.quickCmd.rows;
        for (var i = 0; i < rows.length; ++i) {
            if (!rows[i].code || Number(rows[i].type) !== 2)
                continue;
            var open = false;
            for (var j = 0; j < win.tabView.entries.length; ++j) {
                var q = win.tabView.entries[j].route.query_map || {};
                open = open || String(q.code) === String(rows[i].code);
            }
            if (!open)
                return i;
        }
        return -1;
    }
    // Opening the tab of row i of the quick-command box's rows for "6000".
    function openTabSteps(count) {
        var out = [];
        for (var k = 0; k < count; ++k)
            (function (k) {
                out.push({ name: "600 lists stocks for tab " + (k + 2),
                           act: function () { memo.tabs = win.tabView.entries.length; typeText("600"); },
                           done: function () { return firstClosedRow() >= 0; } });
                out.push({ name: "a stock not open yet opens in tab " + (k + 2),
                           act: function () {
                               for (var i = firstClosedRow(); i > 0; --i)
                                   key(Qt.Key_Down);
                               key(Qt.Key_Return);
                           },
                           done: function () { return win.tabView.entries.length === memo.tabs + 1 && isStockView(view()); } });
            })(k);
        return out;
    }

    readonly property var wizardSteps: [
        { name: "the pop-up notice opens",
          wait: 20000,
          act: function () {},
          done: function () { var p = win.notices.lastPopup; return p && p.visible && p.noticeText.text !== ""; } },
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
        { name: "继续提醒 closes the login notice",
          act: function () { clickAt(memo.alert, point(named(memo.alert.contentItem, "cancelButton"))); },
          done: function () { return gone(memo.login) && mainHasKeys(); } },
        { name: "6000 opens the quick-command box beside the pop-up notice",
          act: function () { typeText("6000"); },
          done: function () { return win.quickCmd.visible && win.quickCmd.rows.length >= 10 && win.quickCmd.opened; },
          check: wizardClear,
          after: function () { poseScreen("reach-01-wizard-and-notice.png"); } },
        { name: "five Down presses keep the highlighted row in sight",
          act: function () { for (var i = 0; i < 5; ++i) key(Qt.Key_Down); },
          done: function () { return win.quickCmd.list.currentIndex === 5; },
          check: wizardClear },
        { name: "the next poll keeps the two apart",
          act: function () {
              memo.shownPopup = win.notices.lastPopup;
              memo.shownNotices = memo.shownPopup ? memo.shownPopup.notices : null;
              win.notices.pollPopup();
          },
          done: function () { return popupShowsNewReply() && win.quickCmd.visible; },
          check: wizardClear,
          after: function () { poseScreen("reach-02-wizard-after-poll.png"); } },
        { name: "Esc closes the box",
          act: function () { key(Qt.Key_Escape); },
          done: function () { return !win.quickCmd.visible; } }
    ]

    readonly property var barSteps: [
        { name: "600000 from the quick-command box",
          act: function () { typeText("600000"); },
          done: function () { return quickRow("600000") >= 0; } },
        { name: "600000 opens in its minute chart",
          act: function () { chooseQuickRow("600000"); },
          done: function () { return isStockView(view()) && view().query_map_.code === "600000" && minutes() && subBar(); },
          after: function () { memo.stock = view(); } },
        { name: "日线 from 分时 shows every sub-chart button it has room for",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33) && subBar().model_.count > 0 && barNames(subBar()).indexOf("MACD") >= 0; },
          check: barReachable,
          after: function () {
              memo.fromMinutes = { shown: subBar().show_count, names: barNames(subBar()).join(",") };
              shoot("reach-03-day-from-minutes.png");
          } },
        { name: "明细",
          act: function () { clickChartButton(8); },
          done: function () { return view().page === "detail"; } },
        { name: "日线 from 明细 shows the same row",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33) && subBar().model_.count > 0; },
          check: function () {
              var why = barReachable();
              if (why !== "")
                  return why;
              var bar = subBar();
              var names = barNames(bar).join(",");
              if (bar.show_count !== memo.fromMinutes.shown || names !== memo.fromMinutes.names)
                  return "from 明细 " + bar.show_count + " shown of " + names + "; from 分时 " + memo.fromMinutes.shown
                          + " of " + memo.fromMinutes.names;
              return "";
          } },
        { name: "分时 again",
          act: function () { clickChartButton(0); },
          done: function () { return minutes(); } },
        { name: "日线 from 分时 a second time",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33) && subBar().model_.count > 0; },
          check: barReachable },
        { name: "the restore button leaves the maximised state",
          act: function () { click(named(win.titleView, "maxButton")); },
          done: function () { return win.visibility !== Window.Maximized; } },
        { name: "the corner dragged to 1000 x 650: the tool row whole",
          act: function () {
              var r = win.width - 2, b = win.height - 2;
              TestInput.drag(win, r, b, r + 1000 - win.width, b + 650 - win.height);
          },
          done: function () { return win.width === 1000 && win.height === 650 && candles(33) && toolRow().width <= 1000; },
          check: toolRowWhole,
          after: function () { shoot("reach-04-tool-row-at-1000x650.png"); } },
        { name: "the \">\" menu shows every name whole at 1000 x 650",
          act: function () { click(find(subBar(), function (o) { return o.objectName === "moreButton"; })); },
          done: function () { var m = subBar().moreMenu; return m.opened && m.contentItem.height > 0; },
          check: function () { return menuWhole(subBar()); },
          after: function () { poseScreen("reach-05-overflow-at-1000x650.png"); } },
        { name: "Esc closes the menu",
          act: function () { key(Qt.Key_Escape); },
          done: function () { return !subBar().moreMenu.opened; } },
        { name: "the maximise button brings the window back",
          act: function () { click(named(win.titleView, "maxButton")); },
          done: function () { return win.visibility === Window.Maximized && candles(33); } }
    ]

    function webView() { var v = view(); return v && v.pages ? v.pages.webView : null; }
    function webReady() { var w = webView(); return w && w.visible && !w.loading && w.loadProgress === 100; }
    function pageHasKeys(w) { return w && w.activeFocus !== undefined && win.activeFocusItem && isInside(win.activeFocusItem, w); }
    function webKeySteps(button, label) {
        return [
            { name: label + " shows its page",
              act: function () { clickChartButton(button); },
              done: function () { return webReady(); } },
            { name: "a click in the " + label + " page gives it the keys",
              act: function () { var w = webView(); click(w, w.width / 2, w.height / 2); },
              done: function () { return pageHasKeys(webView()); },
              after: function () { memo.tabs = win.tabView.entries.length; memo.stock = view(); } },
            { name: "600001 typed in the " + label + " page opens the quick-command box",
              act: function () { say("xtype 600001"); },
              done: function () { return win.quickCmd.visible && win.quickCmd.input.text === "600001" && quickRow("600001") >= 0; },
              state: function () { return "box " + win.quickCmd.visible + " '" + win.quickCmd.input.text + "'"; } },
            { name: "Return opens 600001 from the " + label + " page",
              act: function () { chooseQuickRow("600001"); },
              done: function () { return isStockView(view()) && String(view().query_map_.code) === "600001"; },
              after: function () { memo.second = view(); } },
            { name: "back to 600000's " + label + " page",
              act: function () { clickTab(tabIndexOf(memo.stock)); },
              done: function () { return view() === memo.stock && webReady(); } },
            { name: "a second click in the " + label + " page",
              act: function () { var w = webView(); click(w, w.width / 2, w.height / 2); },
              done: function () { return pageHasKeys(webView()); },
              after: function () { memo.tabs = win.tabView.entries.length; } },
            { name: "Esc in the " + label + " page closes its tab",
              act: function () { key(Qt.Key_Escape); },
              done: function () { return win.tabView.entries.length === memo.tabs - 1 && tabIndexOf(memo.stock) < 0; } },
            { name: "600000 again for the next page",
              act: function () { typeText("600000"); },
              done: function () { return quickRow("600000") >= 0; } },
            { name: "600000's tab again",
              act: function () { chooseQuickRow("600000"); },
              done: function () { return isStockView(view()) && view().query_map_.code === "600000"; },
              after: function () { memo.stock = view(); } }
        ];
    }
    function reportIndex(p) {
        for (var i = 0; p && i < p.notices.length; ++i)
            if (String(p.notices[i].url).indexOf("/research/view") >= 0)
                return i;
        return -1;
    }
    function browserTab() { var v = view(); return v && v.objectName === "browserView" ? v : null; }
    readonly property var browserSteps: [
        { name: "the pop-up notice offers a report notice",
          act: function () {},
          done: function () { var p = win.notices.lastPopup; return p && p.visible && reportIndex(p) >= 0; },
          after: function () {
              memo.popup = win.notices.lastPopup;
              for (var i = memo.popup.current; i < reportIndex(memo.popup); ++i)
                  clickAt(memo.popup, point(memo.popup.nextButton));
          } },
        { name: "a click on the report notice opens its page in a tab",
          act: function () { memo.tabs = win.tabView.entries.length; clickAt(memo.popup, point(memo.popup.noticeText)); },
          done: function () {
              var v = browserTab();
              return v && win.tabView.entries.length === memo.tabs + 1 && !v.loading && v.loadProgress === 100;
          } },
        { name: "a click in the browser tab gives it the keys",
          act: function () { var v = browserTab(); click(v, v.width / 2, v.height / 2); },
          done: function () { return pageHasKeys(browserTab()); },
          after: function () { memo.tabs = win.tabView.entries.length; } },
        // A field of the page keeps what is typed into it.
        { name: "a field added to the page",
          act: function () {
              memo.field = "";
              browserTab().runJavaScript("(function () { var i = document.createElement('input'); i.id = 'probe';"
                  + " i.style = 'position:fixed;left:10px;top:10px;width:200px;height:30px;z-index:99';"
                  + " document.body.appendChild(i); return 'added'; })()", function (r) { memo.field = r; });
          },
          done: function () { return memo.field === "added"; } },
        { name: "a click in the field",
          act: function () { memo.field = ""; click(browserTab(), 110, 25); },
          done: function () {
              browserTab().runJavaScript("document.activeElement ? document.activeElement.id : ''",
                                         function (r) { memo.field = r; });
              return memo.field === "probe";
          } },
        { name: "600001 typed in the field stays in the page",
          act: function () { memo.field = ""; say("xtype 600001"); },
          done: function () {
              browserTab().runJavaScript("document.getElementById('probe').value", function (r) { memo.field = r; });
              return memo.field === "600001";
          },
          check: function () { return win.quickCmd.visible ? "the quick-command box opened over the field" : ""; },
          state: function () { return "the field holds '" + memo.field + "', box " + win.quickCmd.visible; } },
        { name: "Ctrl+W in the browser tab closes it",
          act: function () { key(Qt.Key_W, Qt.ControlModifier); },
          done: function () { return win.tabView.entries.length === memo.tabs - 1 && !browserTab(); } }
    ]

    readonly property var tabSteps: openTabSteps(14).concat([
        { name: "fourteen and more tabs overflow the strip",
          act: function () {},
          done: function () { return win.tabView.entries.length * 141 > strip().width && tabPoint(0, 60) === null; },
          after: function () { shoot("reach-06-many-tabs.png"); } },
        { name: "the wheel over the strip brings the first tabs back",
          act: function () {
              var p = strip().mapToItem(null, strip().width / 2, 11);
              for (var i = 0; i < 20; ++i)
                  TestInput.wheel(win, p.x, p.y, 120);
          },
          done: function () { return tabPoint(0, 60) !== null; },
          state: function () { return "strip at " + strip().contentX; } },
        { name: "a click on 首页 makes it current",
          act: function () { clickAt(win, tabPoint(0, 60)); },
          done: function () { return win.tabView.currentIndex === 0; },
          after: function () { shoot("reach-07-home-reached.png"); } },
        { name: "the last tab by the wheel the other way",
          act: function () {
              var p = strip().mapToItem(null, strip().width / 2, 11);
              for (var i = 0; i < 20; ++i)
                  TestInput.wheel(win, p.x, p.y, -120);
          },
          done: function () { return tabPoint(win.tabView.entries.length - 1, 60) !== null; } },
        { name: "the strip's left arrow shows the first tab",
          act: function () {
              var a = named(win.tabView, "tabScrollLeft");
              for (var i = 0; a && i < 20; ++i)
                  click(a);
          },
          done: function () { return tabPoint(0, 60) !== null; } },
        { name: "the strip's right arrow shows the last tab",
          act: function () {
              var a = named(win.tabView, "tabScrollRight");
              for (var i = 0; a && i < 20; ++i)
                  click(a);
          },
          done: function () { return tabPoint(win.tabView.entries.length - 1, 60) !== null; } },
        { name: "a click on the last tab",
          act: function () { clickAt(win, tabPoint(win.tabView.entries.length - 1, 60)); },
          done: function () { return win.tabView.currentIndex === win.tabView.entries.length - 1; } }
    ])

    readonly property var rankSteps: [
        { name: "61 for the 沪A ranking",
          act: function () { typeText("61"); },
          done: function () { return quickRow("沪A涨幅排名") >= 0; } },
        { name: "the ranking table fills",
          act: function () { chooseQuickRow("沪A涨幅排名"); },
          done: function () { var t = rankingTable(); return t && t.table_model.rowCount() > 8 && t.selectIndex === 0; },
          after: function () { memo.ranking = view(); } },
        { name: "a click highlights row 6 and the panes show its stock",
          act: function () { clickAt(win, rowPoint(rankingTable(), 6)); },
          done: function () {
              var t = rankingTable();
              return t.selectIndex === 6 && paneCode() === codeOfRow(t, 6);
          },
          after: function () { memo.followed = codeOfRow(rankingTable(), 6); memo.order = pageCodes(rankingTable()).join(","); } },
        // The ranking is asked again when the tab shows again, in the order
        // the market has moved to since ("market-tick N" moves the local
        // quote server's market on): away and back until row 6's stock moved.
        { name: "back to the ranking after another tab, the ranks moved",
          wait: 60000,
          act: function () { say("market-tick 4"); key(Qt.Key_Tab, Qt.ControlModifier); memo.away = true; },
          done: function () {
              if (view() !== memo.ranking) {
                  if (memo.away) {
                      memo.away = false;
                      key(Qt.Key_Tab, Qt.ControlModifier | Qt.ShiftModifier);
                  }
                  return false;
              }
              var t = rankingTable();
              if (t.table_model.rowCount() >= 8 && pageCodes(t).join(",") !== memo.order
                      && codeOfRow(t, 6) !== memo.followed)
                  return true;
              if ((memo.tries = (memo.tries || 0) + 1) % 10 === 0) {
                  memo.away = true;
                  say("market-tick 4");
                  key(Qt.Key_Tab, Qt.ControlModifier);
              }
              return false;
          },
          check: highlightAgrees,
          state: function () { return "tries " + memo.tries + " order " + pageCodes(rankingTable()).slice(0, 10).join(",") + " was " + memo.order.slice(0, 70); },
          after: function () { shoot("reach-08-ranking-moved.png"); } }
    ]

    function plan() {
        var quit = stockSteps.slice(stockSteps.length - 2);
        return [stockSteps[0]].concat(wizardSteps, barSteps, webKeySteps(9, "F10"), webKeySteps(11, "诊断"),
                                      browserSteps, rankSteps, tabSteps, quit);
    }
}

import QtQuick 2.15
import QtQuick.Window 2.15

// Whole-program tour (loaded through TARVOLIN_TEST_MAIN_QML, with
// TARVOLIN_TEST_INPUT=1): opens the real main window and then acts only
// through key and mouse events sent to the windows (TestInput), the way a
// user goes through the stock view: quick command 600000, the cycles 分时 →
// 日线 → 周线 → 5分 → 日线, the crosshair moved by keys, a parameter changed
// with the arrows and reset, a second stock tab and back, a stock from a
// ranking table and Page Down to the table's next stock, F3, a tab closed and
// quitting through the confirm dialog; in between, the screens around it
// (TourScreens.qml: notices, 首页, ticks and 明细, research marks, the
// information panel, the fund-flow chart, the hot-stock monitor; TourBrowser.qml:
// a report's PDF from a tab, the news window dragged by its title bar). It reads
// the views' state to decide when a step is done and whether it did what it
// should. Progress goes to the log as "tour: ..." lines: "tour: ok STEP (T s)",
// "tour: FAIL STEP: why", "tour: skipped STEP" (an optional step, such as a
// notice the server did not send), "tour: pane NAME x y w h" (the main pane's
// plot in the next screenshot), "tour: look x y w h" (a part of the next
// screenshot that must show something), "tour: wrote PATH" and "tour: done".
// Arguments: --screenshots=DIR.
QtObject {
    id: tour
    property var win: null
    property string dir: argument("--screenshots=", "screenshots")
    property int at: 0          // the step running
    property bool acted: false  // its action has been taken
    property int waited: 0
    property int failures: 0
    property bool busy: false   // a screenshot being written
    // What the steps remember: the first stock's view, the table's view ...
    property var memo: ({})
    // Whether the pop-up notice shows a reply newer than the one remembered
    // in memo.shownPopup / memo.shownNotices: another window, or the same
    // one with new notices (each reply is a new list).
    function popupShowsNewReply() {
        var p = win.notices.lastPopup;
        return !!p && (p !== memo.shownPopup || p.notices !== memo.shownNotices);
    }

    function argument(prefix, fallback) {
        var args = Qt.application.arguments;
        for (var i = 0; i < args.length; ++i)
            if (args[i].indexOf(prefix) === 0)
                return args[i].substring(prefix.length);
        return fallback;
    }
    function say(text) { console.info("tour: " + text); }

    // ---- Finding things (state only: nothing here acts) ----
    // Every stock chart pane below item (the list screens' side charts)
    // holds its bars, so a screenshot shows the charts.
    function panesFilled(item) {
        var kids = item ? item.children || [] : [];
        for (var i = 0; i < kids.length; ++i) {
            var k = kids[i];
            if (k.pane !== undefined && k.chart !== undefined && k.chart.upper !== undefined
                    && !(k.chart.upper && k.chart.upper.getFirstKLineSize() > 1))
                return false;
            if (!panesFilled(k))
                return false;
        }
        return true;
    }
    function find(item, test) {
        if (!item)
            return null;
        if (test(item))
            return item;
        var kids = item.children || [];
        for (var i = 0; i < kids.length; ++i) {
            var f = find(kids[i], test);
            if (f)
                return f;
        }
        return null;
    }
    function named(item, name) { return find(item, function (o) { return o.objectName === name; }); }
    function view() { return win.tabView.currentItem; }
    function isStockView(v) { return v && v.qview !== undefined && v.query_map_ !== undefined; }
    function mainPane() { var v = view(); return isStockView(v) && v.qview ? v.qview.mainChart : null; }
    // The window point at the centre of item (or at (dx, dy) inside it).
    function point(item, dx, dy) {
        return item.mapToItem(null, dx === undefined ? item.width / 2 : dx, dy === undefined ? item.height / 2 : dy);
    }

    // ---- Acting: keys and mouse only ----
    function key(k, mods, text) { TestInput.key(win, k, mods || 0, text || ""); }
    function typeText(t) { TestInput.type(win, t); }
    function clickAt(w, p, button) { TestInput.click(w, p.x, p.y, button || Qt.LeftButton); }
    function click(item, dx, dy) { clickAt(win, point(item, dx, dy)); }

    // The chart button of index i of the shown stock view (its face, not its arrow).
    function chartButton(i) {
        var row = named(view(), "chartButtons");
        return find(row, function (o) { return o.itemIndex === i && o.visible; });
    }
    function clickChartButton(i) {
        var cell = chartButton(i);
        click(cell, (cell.width - (cell.hasMenu ? 20 : 0)) / 2, cell.height / 2);
    }
    function tabIndexOf(item) {
        for (var i = 0; i < win.tabView.entries.length; ++i)
            if (win.tabView.entries[i].item === item)
                return i;
        return -1;
    }
    function clickTab(i, close) {
        var strip = named(win.tabView, "tabStrip");
        clickAt(win, strip.mapToItem(null, i * 141 + (close ? 130 : 60), 11));
    }
    // Quick command: the text typed in the tab area, the row whose code or
    // name is wanted chosen with Down, then Enter.
    function quickRow(code) {
        var rows = win.quickCmd.rows;
        for (var i = 0; i < rows.length; ++i)
            if (String(rows[i].code) === code || String(rows[i].name) === code)
                return i;
        return -1;
    }
    function chooseQuickRow(code) {
        for (var i = 0; i < quickRow(code); ++i)
            key(Qt.Key_Down);
        key(Qt.Key_Return);
    }

    // ---- Checks ----
    // The main pane shows candles of the cycle: the end of the series in
    // view, an axis of real dates.
    function candles(cycle) {
        var v = view();
        var m = mainPane();
        if (!m || v.chartKey !== "kline_" + cycle || m.getLineType() !== "kline" || m.getCycle() !== cycle)
            return false;
        var n = m.getFirstKLineSize();
        var axis = m.getTimeBarTime(5);
        return n > 20 && m.getEnd() === n - 1 && m.getBegin() <= m.getEnd() && axis.length > 0 && axis[0] > 86400;
    }
    function minutes() {
        var m = mainPane();
        return m !== null && view().chartKey === "mline_" && m.getLineType() === "mline" && m.getFirstKLineSize() > 1;
    }
    function sameCrosshair() {
        var v = view();
        var m = mainPane();
        var pos = m.getCrosshairPos();
        for (var i = 0; i < v.qview.subCharts.length; ++i)
            if (v.qview.subCharts[i].getCrosshairPos() !== pos)
                return "sub pane " + i + " at " + v.qview.subCharts[i].getCrosshairPos() + ", main at " + pos;
        var bar = named(v.qview, "timeBar");
        var px = m.getPointX(pos - m.getBegin());
        if (bar.getCurX() !== px)
            return "time bar label at " + bar.getCurX() + ", the bar at " + px;
        return "";
    }
    function paneGeometry() {
        var m = mainPane();
        if (!m)
            return;
        var p = m.mapToItem(null, 0, 0);
        // The plot: 60 px scales at both sides, the 20 px title bar on top.
        say("pane main " + Math.round(p.x + 60) + " " + Math.round(p.y + 20) + " "
            + Math.round(m.width - 120) + " " + Math.round(m.height - 21));
    }
    // Keeps a screenshot of the window (or of item, a window's content), and
    // says which parts of it must show something ("look x y w h", in the
    // image's pixels) before "wrote PATH".
    function shoot(name, looks) {
        paneGeometry();
        shootItem(win.page, name, looks);
    }
    function shootItem(root, name, looks) {
        busy = true;
        for (var i = 0; looks && i < looks.length; ++i) {
            var p = looks[i].mapToItem(root, 0, 0);
            say("look " + Math.round(p.x) + " " + Math.round(p.y) + " " + Math.round(looks[i].width) + " "
                + Math.round(looks[i].height));
        }
        root.grabToImage(function (result) {
            var path = tour.dir + "/" + name;
            tour.say((result.saveToFile(path) ? "wrote " : "could not write ") + path);
            tour.busy = false;
        });
    }

    // The screens around the stock view, toured in between its steps.
    property TourScreens screens: TourScreens { t: tour }
    // The browser views: a report's PDF from a tab, the news window dragged.
    property TourBrowser browser: TourBrowser { t: tour; news: tour.screens }
    property var steps: []
    property double started: Date.now()

    // ---- The stock view's steps: act once, then wait until done (20 s at
    // most, or the step's `wait`); an `optional` step not done is skipped ----
    property var stockSteps: [
        { name: "main window ready",
          act: function () {},
          done: function () {
              // At the size it was given: the window system answers a resize
              // later, and the layout follows it.
              return win.visible && win.width === memo.width && win.height === memo.height
                      && win.page.width === memo.width && win.stateBar.connected && win.quickBar.items.length > 0
                      && win.tabView.entries.length > 0;
          } },
        { name: "quick command box opens with a typed digit",
          act: function () { typeText("6"); },
          done: function () { return win.quickCmd.visible && win.quickCmd.input.text === "6"; } },
        { name: "the dictionary finds 600000",
          act: function () { typeText("00000"); },
          done: function () { return quickRow("600000") >= 0; } },
        { name: "600000 opens in its minute chart",
          act: function () { chooseQuickRow("600000"); },
          done: function () { return isStockView(view()) && view().query_map_.code === "600000" && minutes(); },
          after: function () { memo.first = view(); shoot("01-minutes.png"); } },
        { name: "日线 shows day candles",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33); },
          after: function () { shoot("02-day.png"); } },
        { name: "周线 shows week candles",
          act: function () { clickChartButton(7); },
          done: function () { return candles(39); },
          after: function () { shoot("03-week.png"); } },
        { name: "5分 shows 5-minute candles",
          act: function () { clickChartButton(3); },
          done: function () { return candles(35); },
          after: function () { shoot("04-5min.png"); } },
        { name: "日线 again shows day candles",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33); } },
        { name: "Left five times: one bar in every pane",
          act: function () {
              memo.endBar = mainPane().getEnd();
              for (var i = 0; i < 5; ++i)
                  key(Qt.Key_Left);
          },
          done: function () { return mainPane().getShowCrosshairLine() && mainPane().getCrosshairPos() === memo.endBar - 5; },
          check: sameCrosshair,
          after: function () { shoot("05-crosshair.png"); } },
        { name: "a double click hides the crosshair",
          act: function () {
              var m = mainPane();
              memo.dblAt = point(m, m.width / 2, 20 + 3);  // above the highest candle
              TestInput.doubleClick(win, memo.dblAt.x, memo.dblAt.y);
          },
          done: function () { return !mainPane().getShowCrosshairLine(); } },
        { name: "a second double click shows it at the mouse in every pane",
          act: function () { TestInput.doubleClick(win, memo.dblAt.x, memo.dblAt.y); },
          done: function () { return mainPane().getShowCrosshairLine(); },
          check: function () {
              var m = mainPane();
              var local = m.mapFromItem(null, memo.dblAt.x, memo.dblAt.y);
              if (m.getCrosshairPos() !== m.getXPoint(local.x))
                  return "crosshair on bar " + m.getCrosshairPos() + ", the mouse on bar " + m.getXPoint(local.x)
                          + " (pane mouse x " + m.getMousePosX() + ", mouse at " + local.x + ")";
              for (var i = 0; i < view().qview.subCharts.length; ++i)
                  if (Math.abs(view().qview.subCharts[i].getMousePosX() - local.x) > 1)
                      return "sub pane " + i + " draws its line at " + view().qview.subCharts[i].getMousePosX() + ", the mouse is at " + local.x;
              return "";
          } },
        { name: "a sub pane's settings button opens the parameter dialog",
          act: function () {
              memo.pane = view().qview.subCharts[view().qview.subCharts.length - 1];
              click(named(memo.pane, "setTool_0"));
          },
          done: function () { return view().paramDialog && view().paramDialog.visible && view().paramDialog.params.length > 0; },
          after: function () { memo.dialog = view().paramDialog; memo.before = memo.dialog.spinAt(0).displayText; } },
        { name: "the up arrow changes the first parameter",
          act: function () { var up = memo.dialog.spinAt(0).up.indicator; clickAt(memo.dialog, point(up)); },
          done: function () { return memo.dialog.spinAt(0).displayText !== memo.before; },
          after: function () { shoot("06-parameter.png"); } },
        { name: "重置 brings the parameter back",
          act: function () { clickAt(memo.dialog, point(named(memo.dialog.contentItem, "resetButton"))); },
          done: function () { return memo.dialog.spinAt(0).displayText === memo.before; },
          after: function () {
              clickAt(memo.dialog, point(find(memo.dialog.contentItem, function (o) { return o.glyph === "✕" && o.visible; })));
              // What a window manager does when a dialog closes: the main window is active again.
              win.requestActivate();
          } },
        { name: "the parameter dialog closes with its close mark",
          act: function () {},
          done: function () { return !memo.dialog.visible && win.active; } },
        { name: "a second stock opens in its own tab",
          act: function () { typeText("60000"); },
          done: function () {
              var rows = win.quickCmd.rows;
              for (var i = 0; i < rows.length; ++i)
                  if (rows[i].code && String(rows[i].code) !== "600000" && String(rows[i].code).indexOf("60000") === 0) {
                      memo.second = String(rows[i].code);
                      return true;
                  }
              return false;
          } },
        { name: "the second stock's chart",
          act: function () { chooseQuickRow(memo.second); },
          done: function () { return isStockView(view()) && view() !== memo.first && view().query_map_.code === memo.second && minutes(); } },
        { name: "back to the first stock's tab: its day candles",
          act: function () { clickTab(tabIndexOf(memo.first)); },
          done: function () { return view() === memo.first && candles(33); },
          after: function () { shoot("07-back.png"); } },
        { name: "共振 shows the nine cycles of the stock",
          act: function () { clickChartButton(12); },
          done: function () {
              var g = view().cycelView;
              if (g === null || !g.visible || view().page !== "cycel")
                  return false;
              // Every cycle's bars in, so the screenshot shows the nine charts.
              for (var i = 0; i < g.tiles.count; ++i) {
                  var upper = g.tile(i).chart.upper;
                  if (!upper || upper.getFirstKLineSize() < 2)
                      return false;
              }
              return true;
          },
          after: function () { shoot("08-resonance.png"); } },
        { name: "the ranking table opens from its quick command",
          act: function () { typeText("60"); },
          done: function () { return quickRow("沪深A股涨幅排名") >= 0; } },
        { name: "the ranking table's rows",
          act: function () { chooseQuickRow("沪深A股涨幅排名"); },
          done: function () {
              memo.table = find(view(), function (o) { return o.table_model !== undefined && o.chartQuery !== undefined; });
              return memo.table !== null && memo.table.table_model.rowCount() > 3 && panesFilled(view());
          },
          after: function () { shoot("09-ranking.png"); } },
        { name: "a double click on the second row opens its stock",
          act: function () {
              var t = memo.table;
              memo.rowCodes = [String(t.table_model.getCodeInfo(1).code), String(t.table_model.getCodeInfo(2).code)];
              var y = t.header_height + t.spacing + 1 * (t.rowHeight + t.spacing) + t.rowHeight / 2;
              var p = point(t, 150, y);
              TestInput.doubleClick(win, p.x, p.y);
          },
          done: function () { return isStockView(view()) && view().query_map_.code === memo.rowCodes[0] && minutes(); } },
        { name: "the stock view holds the table's stocks",
          act: function () {},
          done: function () { return view().stockList.length > 3; } },
        { name: "Page Down goes to the table's next stock",
          act: function () {
              // The ranking moves with the market: the next stock is the one
              // after the shown one in the table's order as the view has it.
              var list = view().stockList;
              for (var i = 0; i < list.length; ++i)
                  if (String(list[i].code) === view().query_map_.code) {
                      memo.next = String(list[(i + 1) % list.length].code);
                      memo.nextType = Number(list[(i + 1) % list.length].type);
                  }
              key(Qt.Key_PageDown);
          },
          done: function () {
              var price = isStockView(view()) ? named(view(), "nameText") : null;
              return isStockView(view()) && memo.next && view().query_map_.code === memo.next && minutes()
                      && price !== null && price.text.indexOf(memo.next) >= 0;
          },
          check: function () {
              var title = win.tabView.entries[win.tabView.currentIndex].title;
              if (title !== String(view().query_map_.name))
                  return "the tab still says " + title;
              // The stock keeps its table type: a stock's price pane, not an index's.
              if (Number(view().query_map_.type) !== memo.nextType || view().isIndex)
                  return "type " + view().query_map_.type + " (index " + view().isIndex + "), the table says " + memo.nextType;
              return "";
          },
          after: function () { shoot("10-pagedown.png"); } },
        { name: "F3 opens the Shanghai index as an index",
          act: function () { key(Qt.Key_F3); },
          done: function () {
              var v = view();
              return isStockView(v) && v.isIndex && v.query_map_.code === "1A0001" && minutes()
                      && named(v, "priceIndexView").visible;
          },
          check: function () {
              var names = [];
              var model = named(view(), "chartButtons").datamodel;
              for (var i = 0; i < model.count; ++i)
                  if (model.get(i).show)
                      names.push(model.get(i).name);
              return names.indexOf("F10") < 0 && names.indexOf("明细") < 0 ? "" : "stock pages shown: " + names.join(",");
          },
          after: function () { shoot("11-index.png"); } },
        { name: "the index tab closes with its close mark",
          act: function () { memo.tabs = win.tabView.entries.length; clickTab(win.tabView.currentIndex, true); },
          done: function () { return win.tabView.entries.length === memo.tabs - 1; } },
        { name: "the title bar's close button asks to quit",
          act: function () { click(named(win.titleView, "closeButton")); },
          done: function () { return win.quitDialog && win.quitDialog.visible; },
          after: function () { shoot("12-quit.png"); } },
        { name: "退出 quits",
          act: function () {
              say("done " + tour.failures + " failures");
              clickAt(win.quitDialog, point(named(win.quitDialog.contentItem, "quitButton")));
          },
          done: function () { return false; } }
    ]

    property Timer poll: Timer {
        interval: 100
        repeat: true
        running: true
        onTriggered: {
            if (tour.busy || tour.win === null || tour.at >= tour.steps.length)
                return;
            var s = tour.steps[tour.at];
            if (!tour.acted) {
                tour.acted = true;
                tour.waited = 0;
                try {
                    s.act();
                } catch (e) {
                    tour.fail(s, "could not act: " + e);
                }
                return;
            }
            tour.waited += interval;
            var ok = false;
            try {
                ok = s.done();
            } catch (e2) {
                ok = false;
            }
            var limit = s.wait || 20000;
            if (!ok && tour.waited < limit)
                return;
            if (!ok && s.optional) {
                tour.say("skipped " + s.name + ": not done after " + limit / 1000 + " s");
            } else if (!ok) {
                tour.fail(s, "not done after " + limit / 1000 + " s (" + tour.situation()
                          + (s.state ? "; " + s.state() : "") + ")");
            } else {
                var why = s.check ? s.check() : "";
                if (why !== "")
                    tour.fail(s, why);
                else
                    tour.say("ok " + s.name + " (" + ((Date.now() - tour.started) / 1000).toFixed(1) + " s)");
            }
            if (s.after) {
                try {
                    s.after();
                } catch (e3) {
                    tour.say("could not finish " + s.name + ": " + e3);
                }
            }
            tour.acted = false;
            tour.at += 1;
        }
    }
    // What a failure report says about where the tour stands.
    function situation() {
        var v = view();
        var text = "tab " + win.tabView.currentIndex + "/" + win.tabView.entries.length
                + ", focus " + (win.activeFocusItem ? win.activeFocusItem.toString() : "none")
                + ", window active " + win.active + ", quick box " + win.quickCmd.visible
                + " '" + win.quickCmd.input.text + "' rows " + win.quickCmd.rows.length;
        if (isStockView(v))
            text += ", stock " + v.query_map_.code + " " + v.chartKey + " list " + v.stockList.length
                    + " context " + String(v.query_map_.json || "").length;
        return text;
    }
    function fail(s, why) {
        failures += 1;
        say("FAIL " + s.name + ": " + why);
    }

    // The information panel's steps with the news window dragged once it is open.
    function withDrag(list) {
        var out = [];
        for (var i = 0; i < list.length; ++i) {
            out.push(list[i]);
            if (list[i].name === "a double click on a news row opens its page in a window")
                out = out.concat(browser.dragSteps);
        }
        return out;
    }
    // The whole tour: the stock view's steps with the other screens' stretches
    // after the steps named.
    function plan() {
        var after = {
            "main window ready": browser.tabPdfSteps.concat(screens.noticesSteps, screens.homeSteps),
            "600000 opens in its minute chart": screens.ticksSteps,
            "日线 shows day candles": screens.researchSteps.concat(withDrag(screens.panelSteps), screens.flowSteps),
            "Page Down goes to the table's next stock": screens.hotSteps,
            "F3 opens the Shanghai index as an index": screens.leftOpenSteps
        };
        var out = [];
        for (var i = 0; i < stockSteps.length; ++i) {
            out.push(stockSteps[i]);
            if (after[stockSteps[i].name])
                out = out.concat(after[stockSteps[i].name]);
        }
        return out;
    }

    Component.onCompleted: {
        steps = plan();
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        // Without a window manager nothing maximises the window: do what one would.
        var screen = Qt.application.screens[0];
        if (win.visibility === Window.Maximized && screen && win.width < screen.desktopAvailableWidth) {
            win.x = 0;
            win.y = 0;
            win.width = screen.desktopAvailableWidth;
            win.height = screen.desktopAvailableHeight;
        }
        memo.width = win.width;
        memo.height = win.height;
        // The program hands QRoot its root object (this one) after loading
        // it: the main window is handed over after that, as main.qml is.
        if (typeof QRoot !== "undefined")
            Qt.callLater(function () { QRoot.setWindow(tour.win); });
        win.requestActivate();
    }
}

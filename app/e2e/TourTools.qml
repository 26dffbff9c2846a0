import QtQuick 2.15
import QtQuick.Window 2.15
import HFileIO 1.0
import QMyStockService 1.0

// Whole-program tour of the drawing tools, the stock groups and the context
// menus (loaded through TARVOLIN_TEST_MAIN_QML, with TARVOLIN_TEST_INPUT=1).
// It acts only through key and mouse events sent to the windows (TestInput):
// a stock's day K-lines from the quick-command box, the "画线" palette, a
// segment and a rectangle drawn by press-drag-release, the segment recoloured
// from its own menu, "区间统计" over a dragged range, a zoom drag across
// the segment that leaves its file alone, 周线 and back with the drawing in
// place, the window restored and resized to 1280 x 800 at its
// corner, a ranking row's menu adding the stock to a my-stock group,
// "自选股", a second stock added from the ranking tab while "自选股" waits in
// its own tab and listed there on return, the chart menu's crosshair, "股票池", the screening results and
// quitting through the confirm dialog. State decides when a step is done;
// the test shoots the screen when asked ("tour: pose PATH") and checks the
// pixels the tour names before it ("tour: expect line|rect|ink X1 Y1 X2 Y2 RGB",
// screen coordinates). Other lines: "tour: ok STEP", "tour: FAIL STEP: why",
// "tour: done N failures". Arguments: --screenshots=DIR.
// A step's done() holds once the state its check and its screenshot need is
// there; the tour then waits for the window to draw a frame after that, so a
// shot of the screen shows that state whatever the machine's load.
QtObject {
    id: tour
    property var win: null
    property string dir: argument("--screenshots=", "screenshots")
    property int at: 0
    property bool acted: false
    property int waited: 0
    property int failures: 0
    property string posing: ""
    property var memo: ({})
    // Frames the main window drew, the count when a step was found done (-1
    // until then), and what the step's done() last found missing.
    property int frames: 0
    property int doneAtFrame: -1
    property string unmet: ""
    property var frameCounter: Connections {
        target: tour.win
        function onFrameSwapped() { tour.frames += 1; }
    }
    property var files: HFileIO {}
    property var groups: QMyStockService {}

    function argument(prefix, fallback) {
        var args = Qt.application.arguments;
        for (var i = 0; i < args.length; ++i)
            if (args[i].indexOf(prefix) === 0)
                return args[i].substring(prefix.length);
        return fallback;
    }
    function say(text) { console.info("tour: " + text); }
    // For done(): cond, noting what is still missing when it is false
    // (the deadline's failure names it).
    function need(cond, what) {
        if (!cond)
            unmet = what;
        return !!cond;
    }

    // ---- Finding things (state only) ----
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
    // A non-visual object (a menu) declared in item.
    function resource(item, name) {
        var list = item.resources;
        for (var i = 0; i < list.length; ++i)
            if (list[i].objectName === name)
                return list[i];
        return null;
    }
    function glyph(item, g) { return find(item, function (o) { return o.glyph === g && o.visible; }); }
    function labelled(item, t) { return find(item, function (o) { return o.text === t && o.visible; }); }
    function view() { return win.tabView.currentItem; }
    function isStockView(v) { return v && v.qview !== undefined && v.query_map_ !== undefined; }
    function pane() { var v = view(); return isStockView(v) && v.qview ? v.qview.mainChart : null; }
    function drawing() { return named(view(), "stockDrawing"); }
    function point(item, dx, dy) {
        return item.mapToItem(null, dx === undefined ? item.width / 2 : dx, dy === undefined ? item.height / 2 : dy);
    }
    // The plot of the main pane (60 px scales at both sides, 20 px title) in pane coordinates.
    function plot() { var m = pane(); return Qt.rect(60, 20, m.width - 120, m.height - 21); }
    // The window point of the plot fraction (fx, fy).
    function plotPoint(fx, fy) {
        var r = plot();
        return point(pane(), r.x + r.width * fx, r.y + r.height * fy);
    }

    // ---- Acting: keys and mouse only ----
    function key(w, k, mods, text) { TestInput.key(w, k, mods || 0, text || ""); }
    function clickAt(w, p, button) { TestInput.click(w, p.x, p.y, button || Qt.LeftButton); }
    function click(item, button) { clickAt(item.Window.window, point(item), button); }
    function quickRow(code) {
        var rows = win.quickCmd.rows;
        for (var i = 0; i < rows.length; ++i)
            if (String(rows[i].code) === code || String(rows[i].name) === code)
                return i;
        return -1;
    }
    function chooseQuickRow(code) {
        for (var i = 0; i < quickRow(code); ++i)
            key(win, Qt.Key_Down);
        key(win, Qt.Key_Return);
    }
    function chartButton(i) {
        return find(named(view(), "chartButtons"), function (o) { return o.itemIndex === i && o.visible; });
    }
    function clickChartButton(i) {
        var cell = chartButton(i);
        clickAt(win, point(cell, (cell.width - (cell.hasMenu ? 20 : 0)) / 2, cell.height / 2));
    }
    function tabIndexOf(item) {
        for (var i = 0; i < win.tabView.entries.length; ++i)
            if (win.tabView.entries[i].item === item)
                return i;
        return -1;
    }
    function clickTab(i) { clickAt(win, named(win.tabView, "tabStrip").mapToItem(null, i * 141 + 60, 11)); }
    // The entry named name of an open menu (a QRMenu or a sub-menu).
    function menuEntry(menu, name) {
        for (var i = 0; i < menu.count; ++i) {
            var it = menu.itemAt(i);
            if (it && (it.name === name || (it.subMenu && it.subMenu.title === name)))
                return it;
        }
        return null;
    }

    // ---- Checks ----
    // Every entry's name sits centred in its item, inside the menu: "" or what is off.
    function menuFits(menu) {
        for (var i = 0; i < menu.count; ++i) {
            var it = menu.itemAt(i);
            if (!it || it.name === undefined || !it.contentItem)
                continue;
            var label = it.contentItem.children[1];
            var p = label.mapToItem(it, 0, 0);
            var mid = p.y + label.height / 2;
            if (p.y < 0 || p.y + label.height > it.height || Math.abs(mid - it.height / 2) > 1)
                return "the entry " + it.name + " is drawn at " + p.y + "-" + (p.y + label.height) + " in its item of " + it.height;
        }
        return "";
    }
    function candles(cycle) {
        var v = view(), m = pane();
        if (!m || v.chartKey !== "kline_" + cycle || m.getCycle() !== cycle)
            return false;
        var n = m.getFirstKLineSize();
        return n > 20 && m.getEnd() === n - 1 && m.getBegin() <= m.getEnd() && m.getTimeBarTime(5).length > 0;
    }
    // The drawing file of the shown stock's day K-lines, parsed ({} when missing).
    function dayDrawings() {
        var q = view().query_map_;
        var text = files.readFileDefaultPath(q.code + "-" + Number(q.market) + "-33.json");
        try {
            return JSON.parse(text);
        } catch (e) {
            return {};
        }
    }
    function toolsOf(doc, type) {
        var out = [];
        var list = doc.paintArray || [];
        for (var i = 0; i < list.length; ++i)
            if (String(list[i].type) === type)
                out.push(list[i]);
        return out;
    }
    // A stored tool's colour (hexadecimal text) as 0xRRGGBB.
    function colourOf(tool) { return parseInt(String(tool.m_color), 16) & 0xFFFFFF; }
    function describe(doc) { return JSON.stringify(doc).substring(0, 400); }
    // A tool's anchor taken at a window point: bar and price, so that it can
    // be found again after the chart was reloaded or resized.
    function anchor(p) {
        var m = pane(), local = m.mapFromItem(null, p.x, p.y);
        return { bar: m.getXPoint(local.x), price: m.getYPoint(local.y) };
    }
    // The screen point of an anchor now (x at the bar's centre).
    function screenOf(a) {
        var m = pane();
        var p = m.mapToItem(null, m.getPointX(a.bar - m.getBegin()), m.getPointY(a.price));
        return Qt.point(Math.round(p.x + win.x), Math.round(p.y + win.y));
    }
    function expect(kind, a, b, rgb) {
        var p = screenOf(a), q = screenOf(b);
        say("expect " + kind + " " + p.x + " " + p.y + " " + q.x + " " + q.y + " " + rgb);
    }
    function hex(c) { return ("000000" + (Number(c) & 0xFFFFFF).toString(16)).slice(-6); }
    function expectDrawing() {
        expect("line", memo.segA, memo.segB, hex(memo.segColor));
        expect("rect", memo.rectA, memo.rectB, "ffffff");
    }
    // The screen rectangle of row of the view's table, which must show text ("ink").
    function expectRow(v, row) {
        var t = find(v, function (o) { return o.header_height !== undefined && o.rowHeight !== undefined && o.visible; });
        var p = t.mapToItem(null, 0, t.header_height + t.spacing + row * (t.rowHeight + t.spacing));
        say("expect ink " + Math.round(p.x + win.x) + " " + Math.round(p.y + win.y) + " "
            + Math.round(p.x + win.x + Math.min(t.width, 400)) + " " + Math.round(p.y + win.y + t.rowHeight) + " ffffff");
    }
    function pose(name) {
        posing = dir + "/" + name;
        say("pose " + posing);
    }
    function rowOf(table, code) {
        for (var i = 0; i < table.table_model.rowCount(); ++i)
            if (String(table.table_model.getCodeInfo(i).code) === code)
                return i;
        return -1;
    }
    function rowPoint(t, row) {
        return point(t, 150, t.header_height + t.spacing + row * (t.rowHeight + t.spacing) + t.rowHeight / 2);
    }

    property var steps: [
        { name: "main window ready",
          // The program hands QRoot the document's root object once it is
          // loaded; here that is the tour, so the window is handed over again.
          act: function () { if (typeof QRoot !== "undefined") QRoot.setWindow(win); },
          done: function () {
              // The login notice's window comes shortly after the window; it is closed first.
              return win.visible && win.stateBar.connected && win.tabView.entries.length > 0
                      && (win.notices.loginWindow !== null || tour.waited > 15000);
          } },
        { name: "the login notice closes with its close mark and 继续提醒",
          act: function () {
              memo.notice = win.notices.loginWindow;
              if (memo.notice)
                  click(glyph(memo.notice.contentItem, "✕"));
          },
          done: function () {
              var n = memo.notice;
              if (!n || !n.visible)
                  return true;
              if (n.alert && n.alert.visible && !memo.answered) {
                  memo.answered = true;
                  click(labelled(n.alert.contentItem, "继续提醒"));
              }
              return false;
          },
          after: function () {
              var p = win.notices.lastPopup;
              if (p && p.visible)
                  click(glyph(p.contentItem, "✕"));
              win.requestActivate();
          } },
        { name: "600000 from the quick-command box",
          act: function () { TestInput.type(win, "600000"); },
          done: function () { return quickRow("600000") >= 0; } },
        { name: "its minute chart opens",
          act: function () { chooseQuickRow("600000"); },
          done: function () {
              var m = pane();
              return isStockView(view()) && view().query_map_.code === "600000" && m && m.getFirstKLineSize() > 1;
          },
          after: function () { memo.stock = view(); } },
        { name: "日线 shows day candles",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33); } },
        { name: "画线 opens the tool palette",
          act: function () { click(named(view(), "klineTool_painttools")); },
          done: function () { var t = drawing().toolsView; return t !== null && t.visible; },
          after: function () { memo.tools = drawing().toolsView; } },
        { name: "线段 drawn by press, drag and release",
          act: function () {
              click(named(memo.tools.contentItem, "tool_CPaintSegment"));
              var a = plotPoint(0.15, 0.25), b = plotPoint(0.40, 0.70);
              memo.segA = anchor(a);
              memo.segB = anchor(b);
              memo.segColor = 0xFFFFFF;
              TestInput.drag(win, a.x, a.y, b.x, b.y);
          },
          done: function () { return true; } },
        { name: "矩形 drawn by press, drag and release",
          act: function () {
              click(named(memo.tools.contentItem, "tool_CPaintRect"));
              var a = plotPoint(0.55, 0.20), b = plotPoint(0.75, 0.55);
              memo.rectA = anchor(a);
              memo.rectB = anchor(b);
              TestInput.drag(win, a.x, a.y, b.x, b.y);
          },
          done: function () { return true; },
          after: function () { expectDrawing(); pose("01-drawn.png"); } },
        { name: "a right click on the segment opens its menu",
          act: function () {
              var a = screenOf(memo.segA), b = screenOf(memo.segB);
              clickAt(win, Qt.point((a.x + b.x) / 2 - win.x, (a.y + b.y) / 2 - win.y), Qt.RightButton);
          },
          done: function () {
              memo.toolMenu = resource(drawing(), "toolMenu");
              return memo.toolMenu && memo.toolMenu.opened && menuEntry(memo.toolMenu, "颜色") !== null;
          },
          check: function () {
              var names = memo.toolMenu.entries.map(function (e) { return e.name; }).join(" ");
              return names === "颜色 粗细 虚实 删除" ? menuFits(memo.toolMenu) : "the line menu holds " + names;
          },
          after: function () { pose("02-line-menu.png"); } },
        { name: "颜色 opens the colour dialog",
          act: function () { click(menuEntry(memo.toolMenu, "颜色")); },
          // Keys go to it once it is active (its basic colours then hold the focus).
          done: function () { memo.colorWindow = TestInput.window("请选颜色"); return memo.colorWindow !== null && memo.colorWindow.active; },
          after: function () { pose("03-colour-dialog.png"); } },
        { name: "a basic colour chosen with the keys and OK",
          act: function () {
              // The basic colours take the focus first: to the top-left cell,
              // two down, Space chooses it and Return presses OK.
              var w = memo.colorWindow;
              for (var i = 0; i < 8; ++i)
                  key(w, Qt.Key_Left);
              for (i = 0; i < 6; ++i)
                  key(w, Qt.Key_Up);
              key(w, Qt.Key_Down);
              key(w, Qt.Key_Down);
              key(w, Qt.Key_Space, 0, " ");
              key(w, Qt.Key_Return, 0, "\r");
          },
          done: function () {
              var seg = toolsOf(dayDrawings(), "PaintSegment");
              return TestInput.window("请选颜色") === null && seg.length === 1 && colourOf(seg[0]) !== 0xFFFFFF;
          },
          check: function () {
              var doc = dayDrawings();
              memo.segColor = colourOf(toolsOf(doc, "PaintSegment")[0]);
              return toolsOf(doc, "PaintRect").length === 1 ? "" : "the file holds " + describe(doc);
          },
          after: function () { win.requestActivate(); expectDrawing(); pose("04-recoloured.png"); } },
        { name: "区间统计 over a dragged range shows the statistics",
          act: function () {
              click(named(view(), "klineTool_IntervalStatistics"));
              var a = plotPoint(0.45, 0.10), b = plotPoint(0.60, 0.90);
              memo.isFrom = anchor(a).bar;
              memo.isTo = anchor(b).bar;
              TestInput.drag(win, a.x, a.y, b.x, b.y);
          },
          done: function () { var s = drawing().statsDialog; return s !== null && s.visible; },
          check: function () {
              if (memo.tools.visible)
                  return "the palette stays open";
              var m = drawing().statsDialog.model;
              if (!m.array1 || m.array1.length === 0 || !m.sdate || !m.edate)
                  return "the dialog shows " + JSON.stringify(m).substring(0, 300);
              var dates = m.dates || [];
              var span = dates.indexOf(m.edate) - dates.indexOf(m.sdate);
              return Math.abs(span - (memo.isTo - memo.isFrom)) <= 1 ? ""
                      : "the dialog spans " + span + " bars, the mouse " + (memo.isTo - memo.isFrom);
          },
          after: function () { pose("05-interval-statistics.png"); } },
        { name: "the statistics close with their close mark",
          act: function () { var s = drawing().statsDialog; click(glyph(s.contentItem, "✕")); },
          done: function () { return !drawing().statsDialog.visible; },
          after: function () { win.requestActivate(); } },
        { name: "a zoom drag across the segment zooms and leaves the drawing alone",
          act: function () {
              var m = pane();
              memo.beforeZoom = JSON.stringify(dayDrawings());
              memo.range = m.getBegin() + "-" + m.getEnd();
              // From empty space below the segment to above it; the middle
              // of the drag's eight moves lies on the segment itself.
              var a = screenOf(memo.segA), b = screenOf(memo.segB);
              var mid = Qt.point((a.x + b.x) / 2 - win.x, (a.y + b.y) / 2 - win.y);
              TestInput.drag(win, mid.x - 80, mid.y + 70, mid.x + 80, mid.y - 70);
          },
          done: function () { var m = pane(); return m.getBegin() + "-" + m.getEnd() !== memo.range; },
          check: function () {
              var now = JSON.stringify(dayDrawings());
              return now === memo.beforeZoom ? "" : "the drawing file changed to " + now.substring(0, 400);
          },
          after: function () { pose("05b-zoomed-over-drawing.png"); } },
        { name: "周线 shows week candles and keeps the day drawings in their file",
          act: function () { clickChartButton(7); },
          done: function () { return candles(39); },
          check: function () {
              var doc = dayDrawings();
              if (toolsOf(doc, "PaintSegment").length !== 1 || toolsOf(doc, "PaintRect").length !== 1)
                  return "the file holds " + describe(doc);
              // Leaving the day K-lines saves a changed board: the zoom changed nothing.
              return JSON.stringify(doc) === memo.beforeZoom ? "" : "the zoom moved a tool: " + describe(doc);
          } },
        { name: "日线 again: the drawing is back where it was",
          act: function () { clickChartButton(1); },
          done: function () { return candles(33); },
          after: function () { expectDrawing(); pose("06-drawing-back.png"); } },
        { name: "画线 opens the palette again",
          act: function () { click(named(view(), "klineTool_painttools")); },
          done: function () { return memo.tools.visible; } },
        { name: "closing the palette saves the board as it came back",
          act: function () { click(glyph(memo.tools.contentItem, "✕")); },
          done: function () { return !memo.tools.visible; },
          check: function () {
              var doc = dayDrawings();
              var seg = toolsOf(doc, "PaintSegment");
              if (seg.length !== 1 || toolsOf(doc, "PaintRect").length !== 1)
                  return "the board saved " + describe(doc);
              return colourOf(seg[0]) === memo.segColor ? "" : "the segment lost its colour: " + describe(doc);
          } },
        { name: "the title bar's restore button leaves the maximised state",
          act: function () {
              memo.sized = win.width === 1280 && win.height === 800;
              if (!memo.sized)
                  click(named(win.titleView, "maxButton"));
          },
          done: function () { return memo.sized || win.visibility !== Window.Maximized; } },
        { name: "the corner dragged to 1280 x 800",
          act: function () {
              if (memo.sized)
                  return;
              var r = win.width - 2, b = win.height - 2;
              TestInput.drag(win, r, b, r + 1280 - win.width, b + 800 - win.height);
          },
          done: function () { return win.width === 1280 && win.height === 800 && candles(33); },
          after: function () { memo.resized = !memo.sized; } },
        { name: "the drawing follows the resized chart",
          act: function () {},
          done: function () { return pane().width > 300; },
          after: function () { expectDrawing(); pose("07-resized.png"); } },
        { name: "a right click on the chart opens the chart menu",
          act: function () {
              memo.crosshair = pane().getShowCrosshairLine();
              clickAt(win, plotPoint(0.9, 0.85), Qt.RightButton);
          },
          done: function () { var m = view().chartMenu.menu; return m.opened && m.count > 0; },
          check: function () {
              var want = memo.crosshair ? "隐藏十字线" : "显示十字线";
              var bg = view().chartMenu.menu.background;
              if (bg.color.a < 1 || bg.opacity < 1)
                  return "the chart menu lets the candles show through";
              return menuEntry(view().chartMenu.menu, want) ? menuFits(view().chartMenu.menu) : "no " + want + " in the chart menu";
          },
          after: function () { pose("08-chart-menu.png"); } },
        { name: "the chart menu toggles the crosshair",
          act: function () { click(menuEntry(view().chartMenu.menu, memo.crosshair ? "隐藏十字线" : "显示十字线")); },
          done: function () { return !view().chartMenu.menu.opened && pane().getShowCrosshairLine() === !memo.crosshair; } },
        { name: "the ranking table from the quick-command box",
          act: function () { TestInput.type(win, "60"); },
          done: function () { return quickRow("沪深A股涨幅排名") >= 0; } },
        { name: "the ranking table's rows",
          act: function () { chooseQuickRow("沪深A股涨幅排名"); },
          done: function () {
              memo.table = find(view(), function (o) { return o.table_model !== undefined && o.chartQuery !== undefined; });
              return memo.table !== null && memo.table.table_model.rowCount() > 5;
          } },
        { name: "a right click on a row opens its menu with 添加自选",
          act: function () {
              var t = memo.table;
              memo.ranking = view();
              // The first row whose stock is in no group yet.
              for (var r = 1; r < t.table_model.rowCount(); ++r) {
                  var info = t.table_model.getCodeInfo(r);
                  if (!groups.isExist(String(info.code), Number(info.market))) {
                      memo.row = r;
                      memo.code = String(info.code);
                      memo.market = Number(info.market);
                      break;
                  }
              }
              var p = rowPoint(t, memo.row);
              clickAt(win, p, Qt.RightButton);
          },
          done: function () {
              memo.rowMenu = view().table.table.rMenu;
              return memo.rowMenu && memo.rowMenu.opened && menuEntry(memo.rowMenu, "添加自选") !== null;
          },
          check: function () {
              var t = memo.table;
              return t.selectIndex === memo.row ? "" : "row " + memo.row + " was right-clicked, row " + t.selectIndex + " is marked";
          } },
        { name: "添加自选 opens the group list",
          act: function () { click(menuEntry(memo.rowMenu, "添加自选")); },
          done: function () {
              var sub = menuEntry(memo.rowMenu, "添加自选").subMenu;
              return sub && sub.opened && sub.count > 0;
          },
          check: function () { return menuFits(memo.rowMenu) || menuFits(menuEntry(memo.rowMenu, "添加自选").subMenu); },
          after: function () { pose("09-row-menu.png"); } },
        { name: "the first group takes the stock",
          act: function () {
              var sub = menuEntry(memo.rowMenu, "添加自选").subMenu;
              memo.group = sub.itemAt(0).name;
              click(sub.itemAt(0));
          },
          done: function () { return groups.isExist(memo.code, memo.market); },
          check: function () {
              var g = groups.getGroup(memo.code, memo.market);
              return g && String(g.group_name) === memo.group ? "" : "the stock went to " + JSON.stringify(g);
          } },
        { name: "F6 shows 自选股 holding the stock",
          act: function () { key(win, Qt.Key_F6); },
          done: function () {
              var v = view();
              return v && v.objectName === "myStockView" && rowOf(v.table, memo.code) >= 0;
          },
          after: function () {
              memo.myStock = view();
              expectRow(view(), rowOf(view().table, memo.code));
              pose("10-mystock.png");
          } },
        { name: "添加自选 on a ranking row while 自选股 waits in its tab",
          act: function () { memo.phase = 0; clickTab(tabIndexOf(memo.ranking)); },
          done: function () {
              var t = memo.table;
              if (view() !== memo.ranking || t.table_model.rowCount() < 5)
                  return false;
              if (memo.phase === 0) {
                  // Another row whose stock is in no group yet: its menu.
                  for (var r = 1; r < t.table_model.rowCount(); ++r) {
                      var info = t.table_model.getCodeInfo(r);
                      if (!groups.isExist(String(info.code), Number(info.market))) {
                          memo.code2 = String(info.code);
                          memo.market2 = Number(info.market);
                          clickAt(win, rowPoint(t, r), Qt.RightButton);
                          memo.phase = 1;
                          break;
                      }
                  }
                  return false;
              }
              var menu = view().table.table.rMenu;
              var add = menu ? menuEntry(menu, "添加自选") : null;
              if (memo.phase === 1) {
                  if (menu.opened && add) {
                      click(add);
                      memo.phase = 2;
                  }
                  return false;
              }
              if (memo.phase === 2) {
                  var sub = add ? add.subMenu : null;
                  if (sub && sub.opened && sub.count > 0 && sub.itemAt(0).name === memo.group) {
                      click(sub.itemAt(0));
                      memo.phase = 3;
                  }
                  return false;
              }
              return groups.isExist(memo.code2, memo.market2);
          } },
        { name: "自选股's tab lists the stock added while it was hidden",
          act: function () { clickTab(tabIndexOf(memo.myStock)); },
          done: function () { return view() === memo.myStock && rowOf(view().table, memo.code2) >= 0; },
          check: function () { return rowOf(view().table, memo.code) >= 0 ? "" : "the first stock " + memo.code + " is gone"; },
          after: function () { expectRow(view(), rowOf(view().table, memo.code2)); pose("10b-mystock-relisted.png"); } },
        { name: "股票池 from the quick bar",
          act: function () { click(labelled(win.quickBar, "股票池")); },
          // The shot's check reads the first row's text: it comes with the
          // quote reply, after the bar's groups.
          done: function () {
              var v = view();
              return need(v && v.objectName === "stockPoolView", "the stock pool view")
                      && need(v.bar.model_.count > 0, "the pools in the group bar")
                      && need(v.table.table_model.rowCount() > 0, "the pool's rows")
                      && need(String(v.table.table_model.getCodeInfo(0).name || "") !== "", "the first row's name");
          },
          after: function () { expectRow(view(), 0); pose("11-stock-pool.png"); } },
        { name: "选股 in the title bar's menu shows Quorvex",
          act: function () {
              var bar = named(win.titleView, "menuBar");
              var item = labelled(bar, "选股");
              var p = point(item);
              TestInput.move(win, p.x, p.y);
          },
          done: function () {
              var pop = named(win.titleView, "menuBar").popMenu;
              return pop.opened && labelled(pop.contentItem, "  Quorvex") !== null;
          } },
        { name: "Quorvex opens the screening results",
          act: function () { click(labelled(named(win.titleView, "menuBar").popMenu.contentItem, "  Quorvex")); },
          done: function () { var v = view(); return v && v.objectName === "quorvexView" && v.built; },
          after: function () { pose("12-screening-results.png"); } },
        { name: "the screening dialog, when it opened, closes with Escape",
          act: function () {
              memo.screening = null;
              var names = ["Quorvex", "条件选股"];
              for (var i = 0; i < names.length && !memo.screening; ++i)
                  memo.screening = TestInput.window(names[i]);
              if (memo.screening)
                  key(memo.screening, Qt.Key_Escape);
          },
          done: function () { return !memo.screening || !memo.screening.visible; },
          after: function () { win.requestActivate(); } },
        { name: "back to the stock's tab: its day candles and drawing",
          act: function () { clickTab(tabIndexOf(memo.stock)); },
          done: function () { return view() === memo.stock && candles(33); },
          after: function () { expectDrawing(); pose("13-back-to-stock.png"); } },
        { name: "the title bar's close button asks to quit",
          act: function () { click(named(win.titleView, "closeButton")); },
          done: function () { return win.quitDialog && win.quitDialog.visible; },
          after: function () { pose("14-quit.png"); } },
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
            if (tour.posing !== "") {
                if (tour.files.readFile(tour.posing).byteLength > 0)
                    tour.posing = "";
                return;
            }
            if (tour.at >= tour.steps.length)
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
            if (tour.doneAtFrame < 0) {
                tour.unmet = "";
                try {
                    ok = s.done();
                } catch (e2) {
                    tour.unmet = "done() threw " + e2;
                    ok = false;
                }
                if (ok) {
                    // Done: once the window has drawn what it now shows.
                    tour.doneAtFrame = tour.frames;
                    tour.win.update();
                    return;
                }
            } else {
                ok = tour.frames > tour.doneAtFrame;
                if (!ok)
                    tour.unmet = "a frame drawn after the step was done (" + tour.frames + " frames)";
            }
            if (!ok && tour.waited < 20000)
                return;
            tour.doneAtFrame = -1;
            if (!ok) {
                tour.fail(s, "not done after 20 s, waiting for " + (tour.unmet || "done()") + " ("
                          + tour.situation() + ")");
            } else {
                var why = "";
                try {
                    why = s.check ? s.check() : "";
                } catch (e4) {
                    why = "check threw " + e4;
                }
                if (why !== "")
                    tour.fail(s, why);
                else
                    tour.say("ok " + s.name);
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
    function situation() {
        var v = view();
        var text = "tab " + win.tabView.currentIndex + "/" + win.tabView.entries.length
                + ", view " + (v ? v.objectName : "none") + ", window " + win.width + "x" + win.height
                + " active " + win.active;
        if (isStockView(v))
            text += ", stock " + v.query_map_.code + " " + v.chartKey;
        return text;
    }
    function fail(s, why) {
        failures += 1;
        say("FAIL " + s.name + ": " + why);
    }

    Component.onCompleted: {
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        var screen = Qt.application.screens[0];
        if (win.visibility === Window.Maximized && screen && win.width < screen.desktopAvailableWidth) {
            win.x = 0;
            win.y = 0;
            win.width = screen.desktopAvailableWidth;
            win.height = screen.desktopAvailableHeight;
        }
        if (typeof QRoot !== "undefined")
            QRoot.setWindow(win);
        win.requestActivate();
    }
}

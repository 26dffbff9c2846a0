import QtQuick 2.15

// The tour's steps through the screens around the stock view (TourMain.qml
// runs them, in the same shape as its own: act once with keys and the mouse,
// then wait until done, check, and keep a screenshot). Each list is one
// stretch of the tour:
//   notices   the pop-up notice (stepped and closed with its buttons) and the
//             login notice's browser window (closed, "继续提醒")
//   home      首页: a click on an index tile, a double click opening the
//             index's chart (its panel's two distributions whole), and back
//             to 首页
//   ticks     the quote panel's 分笔成交 list and the 明细 page, paged with
//             Page Up/Down and the wheel
//   research  the research marks under the day K-lines, a mark's tip and
//             its report opened in a window and closed
//   panel     the information panel's four tabs; a news row opened in a
//             browser window and closed again; the panel folded and opened
//   flow      the 63-day fund-flow chart from the quick bar, closed, back to
//             the first stock's K-lines
//   leftOpen  a report page opened from the F3 index and left open while the
//             program quits
//   hot       the hot-stock monitor from the quick bar: its lists, a row
//             clicked, the tips of the market and of the stock, the row's
//             chart opened with a double click and back
QtObject {
    id: screens
    property var t: null   // the tour (TourMain.qml)
    property var memo: ({})

    function homeView() { return t.win.tabView.entries[0].item; }
    // The contrast ratio of two CSS colours "rgb(r, g, b)" (relative luminance, 0.05 flare).
    function contrast(a, b) {
        function luminance(css) {
            var c = String(css).match(/[0-9.]+/g).slice(0, 3).map(function (v) {
                var x = Number(v) / 255;
                return x <= 0.03928 ? x / 12.92 : Math.pow((x + 0.055) / 1.055, 2.4);
            });
            return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
        }
        var la = luminance(a), lb = luminance(b);
        return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05);
    }
    function infoPanel() { return t.view().chartPage.newsView; }
    // The cell of button i of an Hbtn row.
    function cell(row, i) { return t.find(row, function (o) { return o.itemIndex === i && o.visible; }); }
    function clickCell(row, i) { t.click(cell(row, i)); }
    function quickBarItem(name) {
        return t.find(t.win.quickBar, function (o) { return o.text === name && o.visible && o.width > 0; });
    }
    // The close mark of a window's title bar.
    function closeMark(w) { return t.find(w.contentItem, function (o) { return o.glyph === "✕" && o.visible; }); }
    function clickClose(w) { t.clickAt(w, t.point(closeMark(w))); }
    function gone(w) { return !w || !w.visible; }
    function tickList() { return t.named(t.view(), "tickList"); }
    function detailView() { return t.named(t.view(), "detailView"); }
    // A row of a QRTableView (QTableView inside): its centre at column x.
    function rowPoint(table, i, x) {
        var v = table.table;
        return t.point(v, x, v.header_height + v.spacing + i * (v.rowHeight + v.spacing) + v.rowHeight / 2);
    }

    readonly property var noticesSteps: [
        { name: "the pop-up notice shows the server's notices",
          optional: true,
          wait: 15000,
          act: function () {},
          done: function () {
              var p = t.win.notices.lastPopup;
              return p && p.visible && p.notices.length > 0 && p.noticeText.text !== "";
          },
          after: function () {
              memo.popup = t.win.notices.lastPopup;
              t.shootItem(memo.popup.contentItem, "00-notice.png", [memo.popup.contentItem]);
          } },
        { name: "下一条 shows the next notice",
          optional: true,
          act: function () { if (memo.popup) t.clickAt(memo.popup, t.point(memo.popup.nextButton)); },
          done: function () {
              var p = memo.popup;
              return p && (p.notices.length < 2 || (p.current === 1 && p.noticeText.text === String(p.notices[1].title)));
          } },
        { name: "the pop-up notice closes with its close mark",
          optional: true,
          act: function () { if (memo.popup) clickClose(memo.popup); },
          done: function () { return memo.popup !== undefined && gone(memo.popup); } },
        { name: "the login notice's window shows its page",
          optional: true,
          wait: 15000,
          act: function () {},
          done: function () {
              var w = t.win.notices.loginWindow;
              return w && w.visible && w.webView && !w.webView.loading && w.title !== "";
          },
          after: function () { memo.login = t.win.notices.loginWindow; } },
        { name: "its close mark asks whether to remind again",
          optional: true,
          act: function () { if (memo.login) clickClose(memo.login); },
          done: function () { return memo.login && memo.login.alert && memo.login.alert.visible; },
          after: function () { memo.alert = memo.login ? memo.login.alert : null; } },
        { name: "继续提醒 closes the login notice",
          optional: true,
          act: function () {
              if (memo.alert)
                  t.clickAt(memo.alert, t.point(t.named(memo.alert.contentItem, "cancelButton")));
          },
          done: function () { return memo.login !== undefined && gone(memo.login); },
          after: function () { t.win.requestActivate(); } }
    ]

    readonly property var homeSteps: [
        { name: "首页 shows the index tiles",
          act: function () { if (t.view() !== homeView()) t.clickTab(0); },
          done: function () {
              var h = homeView();
              return t.view() === h && h.priceBoard.boardModel.indexBoard.length > 2
                      && h.priceBoard.tileAt(1) && h.priceBoard.tileAt(1).width > 0
                      && h.priceBoard.tileAt(1).x >= h.priceBoard.tileAt(0).x + h.priceBoard.tileAt(0).width  // laid out
                      && h.sectionView.models[0].count > 0 && h.indexChart.upper && h.indexChart.upper.getFirstKLineSize() > 1;
          },
          after: function () {
              var h = homeView();
              t.shoot("00-home.png", [h.priceBoard, h.indexChart, h.conceptBoard, h.sectionView]);
          } },
        { name: "a click on the second index tile shows its minute chart",
          act: function () {
              memo.tile = homeView().priceBoard.infoAt(1);
              memo.tileAt = t.point(homeView().priceBoard.tileAt(1));
              t.clickAt(t.win, memo.tileAt);
          },
          state: function () {
              var h = homeView();
              return "clicked at " + memo.tileAt.x + "," + memo.tileAt.y + " for " + memo.tile.code + "; chosen tile "
                      + h.priceBoard.curIndex + ", chart " + h.indexChart.codeInfo.code + " with "
                      + h.indexChart.upper.getFirstKLineSize() + " points; tile 1 now at "
                      + JSON.stringify(t.point(h.priceBoard.tileAt(1))) + " " + h.priceBoard.infoAt(1).code;
          },
          done: function () {
              var h = homeView();
              return h.priceBoard.curIndex === 1 && String(h.indexChart.codeInfo.code) === String(memo.tile.code)
                      && h.indexChart.upper.getFirstKLineSize() > 1;
          },
          after: function () { t.shoot("00-home-index.png", [homeView().indexChart]); } },
        { name: "a right click on the home chart's lower pane opens its menu, ticking what the pane draws",
          act: function () {
              var c = homeView().indexChart;
              TestInput.click(t.win, t.point(c.lower).x, t.point(c.lower).y, Qt.RightButton);
          },
          done: function () {
              var m = homeView().indexChart.formulaMenu;
              return m.opened && m.count > 0;
          },
          check: function () {
              var c = homeView().indexChart, m = c.formulaMenu;
              var drawn = c.lower.getFormulas();
              var sub = null;
              for (var i = 0; i < m.count; ++i)
                  if (m.itemAt(i) && m.itemAt(i).subMenu && m.itemAt(i).subMenu.title === "幅图指标")
                      sub = m.itemAt(i).subMenu;
              if (!sub)
                  return "no 幅图指标 in the home chart's menu";
              var ticked = [], names = [];
              for (var j = 0; j < sub.count; ++j)
                  if (sub.itemAt(j)) {
                      names.push(sub.itemAt(j).name);
                      if (sub.itemAt(j).select)
                          ticked.push(sub.itemAt(j).name);
                  }
              var shown = String(drawn && drawn.length ? (drawn[0].name || drawn[0]) : "");
              // The minute chart's volume (MVOL) stands in the menu as 分时成交 or VOL.
              var volume = ["VOL", "MVOL", "分时成交"];
              var same = ticked.length === 1 && (ticked[0] === shown
                                                 || (volume.indexOf(ticked[0]) >= 0 && volume.indexOf(shown) >= 0));
              return same ? "" : "the menu ticks " + JSON.stringify(ticked) + " of " + JSON.stringify(names)
                                 + " while the pane draws " + shown;
          },
          after: function () { t.key(Qt.Key_Escape); } },
        { name: "the home chart's menu closes",
          act: function () {},
          done: function () { return !homeView().indexChart.formulaMenu.opened; } },
        { name: "a double click on the tile opens the index's chart",
          act: function () {
              var p = t.point(homeView().priceBoard.tileAt(1));
              TestInput.doubleClick(t.win, p.x, p.y);
          },
          done: function () {
              var v = t.view();
              return t.isStockView(v) && String(v.query_map_.code) === String(memo.tile.code) && t.minutes();
          },
          check: function () { return t.view().isIndex ? "" : "the index opened as a stock (its stock pages show)"; },
          after: function () { memo.indexView = t.view(); t.shoot("00-home-open.png"); } },
        { name: "the index panel shows both distributions whole, the wheel moving nothing away",
          act: function () {
              memo.indexPanel = t.find(t.named(t.view(), "priceIndexView"), function (o) { return o.contentY !== undefined; });
              var p = t.point(memo.indexPanel);
              TestInput.wheel(t.win, p.x, p.y, -360);
          },
          done: function () {
              // At rest, the second chart's last row inside the panel.
              var f = memo.indexPanel;
              var chart = t.named(f, "sectionChart");
              return !f.moving && chart.height > 0 && chart.mapToItem(f, 0, chart.height).y <= f.height + 1;
          },
          check: function () {
              var f = memo.indexPanel;
              return f.contentY <= 1 ? "" : "the panel scrolled by " + f.contentY + " px: its charts do not fit";
          },
          after: function () {
              var f = memo.indexPanel;
              t.shoot("00-index-panel.png", [t.named(f, "sectionChart2"), t.named(f, "sectionChart")]);
          } },
        { name: "back on 首页: the tile still chosen",
          act: function () { t.clickTab(0); },
          done: function () { var h = homeView(); return t.view() === h && h.visible && h.priceBoard.curIndex === 1; } },
        { name: "the index tab closes with its close mark",
          act: function () { memo.tabs = t.win.tabView.entries.length; t.clickTab(t.tabIndexOf(memo.indexView), true); },
          done: function () { return t.win.tabView.entries.length === memo.tabs - 1; } }
    ]

    readonly property var ticksSteps: [
        { name: "the quote panel's 分笔成交 list fills",
          act: function () {},
          done: function () { var l = tickList(); return l && l.visible && l.showSize > 0 && l.rowCount() > 0; },
          after: function () { t.shoot("01-ticks.png", [tickList()]); } },
        { name: "the wheel over the tick list shows earlier trades",
          act: function () {
              var l = tickList();
              memo.tickStart = l.startIndex;
              var p = t.point(l);
              TestInput.wheel(t.win, p.x, p.y, 120);
          },
          done: function () {
              var l = tickList();
              return memo.tickStart === 0 ? l.startIndex === 0 : l.startIndex < memo.tickStart;
          } },
        { name: "明细 shows the tick pages",
          act: function () { t.clickChartButton(8); },
          done: function () {
              var d = detailView();
              return t.view().page === "detail" && d && d.visible && d.showSize > 0 && d.rowCount() > 0;
          },
          after: function () { memo.detailEnd = detailView().startIndex; t.shoot("01-detail.png", [detailView()]); } },
        { name: "Page Up shows the page before",
          act: function () { t.key(Qt.Key_PageUp); },
          done: function () {
              var d = detailView();
              return t.view().page === "detail" && d.startIndex === Math.max(0, memo.detailEnd - d.showSize);
          },
          check: function () { return detailView().activeFocus ? "" : "the tick pages do not have the keyboard focus"; },
          after: function () { t.shoot("01-detail-pageup.png", [detailView()]); } },
        { name: "the wheel turns the page on",
          act: function () {
              var d = detailView();
              memo.detailStart = d.startIndex;
              var p = t.point(d);
              TestInput.wheel(t.win, p.x, p.y, -120);
          },
          done: function () { return detailView().startIndex > memo.detailStart || memo.detailStart === memo.detailEnd; } },
        { name: "Page Down goes to the last page",
          act: function () { t.key(Qt.Key_PageDown); t.key(Qt.Key_PageDown); },
          done: function () { return t.view().page === "detail" && detailView().startIndex === memo.detailEnd; } }
    ]

    // Remembers the browser windows shown now; newWindowLoaded() then finds
    // one that was not among them, its page loaded (memo.page).
    function knowWindows() { memo.known = TestInput.windows("browserWindow"); }
    function windowsState() {
        var ws = TestInput.windows("browserWindow");
        var out = [];
        for (var i = 0; i < ws.length; ++i)
            out.push((memo.known.indexOf(ws[i]) < 0 ? "new " : "known ") + ws[i].url + " loading " + ws[i].webView.loading
                     + " title '" + ws[i].webView.title + "'");
        return "windows: " + out.join("; ");
    }
    function newWindowLoaded() {
        var ws = TestInput.windows("browserWindow");
        for (var i = 0; i < ws.length; ++i)
            if (memo.known.indexOf(ws[i]) < 0) {
                memo.page = ws[i];
                return !memo.page.webView.loading && memo.page.webView.title !== "";
            }
        return false;
    }
    // The research marks: a mark's bar from its date (the first bar at or
    // after it), its x in the main pane.
    function markPoint() {
        var m = t.mainPane();
        var marks = t.view().chartPage.researchMarks;
        var data = marks && marks.data ? marks.data : [];
        for (var k = 0; k < data.length; ++k) {
            var time = Number(data[k].time);
            for (var i = Math.max(1, m.getBegin()); i <= m.getEnd(); ++i)
                if (m.getPosTime(i) >= time && m.getPosTime(i - 1) < time)
                    return t.point(m, m.getPointX(i - m.getBegin()), m.height - 10);
        }
        return null;
    }
    readonly property var researchSteps: [
        { name: "research marks lie under the day K-lines",
          act: function () {},
          done: function () { return t.candles(33) && markPoint() !== null; } },
        { name: "the mouse on a mark shows its reports",
          act: function () { var p = markPoint(); TestInput.move(t.win, p.x, p.y); },
          done: function () { var b = t.named(t.mainPane(), "tipBox"); return b && b.visible; },
          after: function () { t.shoot("02-research.png", [t.named(t.mainPane(), "tipBox")]); } },
        { name: "a click on the tip's report opens its page in a window",
          act: function () {
              knowWindows();
              var row = t.named(t.named(t.mainPane(), "tipBox"), "tipRow_0");
              t.click(row);
          },
          done: function () { return newWindowLoaded(); },
          state: windowsState,
          after: function () { t.shootItem(memo.page.contentItem, "02-research-window.png", [memo.page.contentItem]); } },
        { name: "the report window closes with its close mark",
          act: function () { clickClose(memo.page); },
          done: function () { return gone(memo.page); },
          after: function () { t.win.requestActivate(); } },
        { name: "the tip goes when the mouse leaves the strip",
          act: function () { var p = t.point(t.mainPane()); TestInput.move(t.win, p.x, p.y); },
          done: function () { return !t.named(t.mainPane(), "tipBox").visible; } }
    ]

    readonly property var panelSteps: [
        { name: "关联板块 lists the stock's blocks and a block's stocks",
          act: function () { clickCell(infoPanel().tabs, 0); },
          done: function () {
              var b = infoPanel().blockView;
              return infoPanel().current === 0 && b.visible && b.blockTable.table_model.rowCount() > 0
                      && b.stockTable.table_model.rowCount() > 0;
          },
          after: function () { t.shoot("02-blocks.png", [infoPanel().blockView.blockTable, infoPanel().blockView.stockTable]); } },
        { name: "资金 shows the fund-flow pie and table",
          act: function () { clickCell(infoPanel().tabs, 1); },
          done: function () { var p = infoPanel().pieSeries; return infoPanel().current === 1 && p.visible && p.result !== null && p.pie.count > 0; },
          after: function () { t.shoot("02-fund.png", [infoPanel().pieSeries]); } },
        { name: "新闻资讯 lists the stock's news",
          act: function () { clickCell(infoPanel().tabs, 2); },
          done: function () {
              // Rows laid out: the first is there to be clicked.
              var n = infoPanel().newsList;
              return infoPanel().current === 2 && !n.loading && n.model_.count > 0 && n.listView.itemAtIndex(0) !== null;
          },
          after: function () { t.shoot("02-news.png", [infoPanel().newsList]); } },
        { name: "a double click on a news row opens its page in a window",
          act: function () {
              knowWindows();
              memo.again = false;
              var p = t.point(infoPanel().newsList.listView, 120, 12);
              TestInput.doubleClick(t.win, p.x, p.y);
          },
          done: function () {
              if (newWindowLoaded())
                  return true;
              // Seen rarely on a busy machine: no window after the double
              // click. Say what the list looked like and do what a user
              // would: double click once more.
              if (!memo.again && t.waited >= 5000 && TestInput.windows("browserWindow").length === memo.known.length) {
                  memo.again = true;
                  var l = infoPanel().newsList.listView;
                  var row = l.itemAt(120, l.contentY + 12);
                  t.say("note: no window 5 s after a double click on a news row (rows " + l.count + ", contentY "
                        + l.contentY + ", moving " + l.moving + ", row under the mouse "
                        + (row ? row.objectName + " hovered " + row.color : "none") + "); double clicking again");
                  var p = t.point(l, 120, 12);
                  TestInput.doubleClick(t.win, p.x, p.y);
              }
              return false;
          },
          state: windowsState,
          check: function () {
              var row = infoPanel().newsList.model_.get(0);
              return memo.page.webView.title.indexOf(String(row.title).slice(0, 4)) >= 0 || String(row.title) === ""
                      ? "" : "the window shows '" + memo.page.webView.title + "' for the row '" + row.title + "'";
          },
          after: function () { t.shootItem(memo.page.contentItem, "02-news-window.png", [memo.page.contentItem]); } },
        { name: "the news page's links stand out from its ground",
          act: function () {
              memo.link = null;
              memo.page.webView.runJavaScript(
                  "(function () { var a = document.getElementById('quote'); var r = a.getBoundingClientRect();"
                  + " return [r.left + r.width / 2, r.top + r.height / 2, getComputedStyle(a).color,"
                  + " getComputedStyle(document.body).backgroundColor]; })()",
                  function (r) { memo.link = r; });
          },
          done: function () { return memo.link !== null && memo.link !== undefined; },
          check: function () {
              var ratio = contrast(memo.link[2], memo.link[3]);
              return ratio >= 4.5 ? "" : "links " + memo.link[2] + " on " + memo.link[3] + ": contrast " + ratio.toFixed(2);
          } },
        { name: "查看行情 in the news window brings the main window forward",
          act: function () {
              var p = t.point(memo.page.webView, memo.link[0], memo.link[1]);
              TestInput.click(memo.page, p.x, p.y);
          },
          done: function () { return t.win.active && !memo.page.active && t.isStockView(t.view()); },
          state: function () { return "main window active " + t.win.active + ", news window active " + memo.page.active; } },
        { name: "the news window closes with its close mark",
          act: function () { clickClose(memo.page); },
          done: function () { return gone(memo.page); },
          after: function () { t.win.requestActivate(); } },
        { name: "日线 again after 查看行情 opened the minute chart",
          act: function () { t.clickChartButton(1); },
          done: function () { return t.candles(33); } },
        { name: "研究报告 lists the stock's research",
          act: function () { clickCell(infoPanel().tabs, 3); },
          done: function () { var n = infoPanel().newsList; return infoPanel().current === 3 && !n.loading && n.model_.count > 0; },
          after: function () { t.shoot("02-reports.png", [infoPanel().newsList]); } },
        { name: "收起 folds the panel and gives the charts its room",
          act: function () {
              memo.paneHeight = t.mainPane().height;
              t.click(t.named(infoPanel(), "newsToggle"));
          },
          done: function () { return !infoPanel().open_ && t.mainPane().height > memo.paneHeight; },
          after: function () { t.shoot("02-folded.png"); } },
        { name: "展开 opens it again on its tab",
          act: function () { t.click(t.named(infoPanel(), "newsToggle")); },
          done: function () {
              var n = infoPanel().newsList;
              return infoPanel().open_ && Math.abs(t.mainPane().height - memo.paneHeight) <= 1 && infoPanel().current === 3
                      && !n.loading && n.model_.count > 0;
          } }
    ]

    // A page a trader leaves open: the program must still end when the main
    // window closes.
    readonly property var leftOpenSteps: [
        { name: "the index's research rows",
          act: function () { if (infoPanel().current !== 3) clickCell(infoPanel().tabs, 3); },
          done: function () {
              var n = infoPanel().newsList;
              return infoPanel().current === 3 && !n.loading && n.model_.count > 0 && n.listView.itemAtIndex(0) !== null;
          } },
        { name: "a report of the index opens in a window left open",
          act: function () {
              knowWindows();
              var p = t.point(infoPanel().newsList.listView, 120, 12);
              TestInput.doubleClick(t.win, p.x, p.y);
          },
          done: function () { return newWindowLoaded(); },
          state: windowsState,
          after: function () { t.win.requestActivate(); } },
        { name: "the main window is active again",
          act: function () {},
          done: function () { return t.win.active; } }
    ]

    readonly property var flowSteps: [
        { name: "资金流向 on the quick bar opens the 63-day chart",
          act: function () { t.click(quickBarItem("资金流向")); },
          done: function () {
              // Drawn: the data is in and the chart's animation has ended
              // (seen twice, a poll apart, so that the frame is on the screen).
              var v = t.view();
              if (!v || v.objectName !== "flowView" || !v.visible)
                  return false;
              v.runJavaScript("chart.getZr().animation.isFinished() && chart.getOption().series.length > 0",
                              function (r) { memo.flowDrawn = r ? (memo.flowDrawn || 0) + 1 : 0; });
              return memo.flowDrawn >= 2;
          },
          after: function () { t.shoot("02-flow-chart.png", [t.view()]); } },
        { name: "the chart's tab closes with its close mark",
          act: function () { memo.tabs = t.win.tabView.entries.length; t.clickTab(t.win.tabView.currentIndex, true); },
          done: function () { return t.win.tabView.entries.length === memo.tabs - 1; } },
        { name: "back to the first stock: its day candles",
          act: function () { t.clickTab(t.tabIndexOf(t.memo.first)); },
          done: function () { return t.view() === t.memo.first && t.candles(33); } }
    ]

    readonly property var hotSteps: [
        { name: "热点监控 on the quick bar opens the hot-stock monitor",
          act: function () { t.click(quickBarItem("热点监控")); },
          done: function () {
              // Every list filled (the five-minute ones too), so the
              // screenshot shows the lists rather than how fast they came.
              var v = t.view();
              if (!v || v.tipModel === undefined || v.codeInfo === null || v.tipModel.rowCount() === 0)
                  return false;
              for (var i = 0; i < v.lists.length; ++i)
                  if (v.table(i).table_model.rowCount() === 0)
                      return false;
              return t.panesFilled(v);
          },
          after: function () {
              memo.hot = t.view();
              t.shoot("13-hot.png", [memo.hot.table(0), memo.hot.table(1), memo.hot.table(2), memo.hot.table(3),
                                     t.named(memo.hot, "tipView")]);
          } },
        { name: "a click on a row of the falling list shows that stock",
          act: function () {
              memo.hotCode = String(memo.hot.table(1).table_model.getCodeInfo(0).code);
              var p = rowPoint(memo.hot.table(1), 0, 60);
              t.clickAt(t.win, p);
          },
          done: function () { return memo.hot.codeInfo && String(memo.hot.codeInfo.code) === memo.hotCode; } },
        { name: "当前个股 shows the stock's tips",
          act: function () {
              var row = t.find(memo.hot, function (o) { return o.datamodel !== undefined && o.datamodel.count === 2 && o.datamodel.get(1).flag === "stock"; });
              clickCell(row, 1);
          },
          // The shot looks at the tip list: the switch empties it, and the
          // stock's tips come with a later reply.
          done: function () {
              return memo.hot.tipFlag === "stock" && memo.hot.tipModel.rowCount() > 0
                      && cell(t.find(memo.hot, function (o) { return o.datamodel !== undefined && o.datamodel.count === 2; }), 1) !== null;
          },
          after: function () { t.shoot("13-hot-stock.png", [t.named(memo.hot, "tipView")]); } },
        { name: "a double click on the row opens the stock's chart",
          act: function () {
              var p = rowPoint(memo.hot.table(1), 0, 60);
              TestInput.doubleClick(t.win, p.x, p.y);
          },
          done: function () { return t.isStockView(t.view()) && String(t.view().query_map_.code) === memo.hotCode && t.minutes(); } },
        { name: "back to the monitor: its lists and a stock's charts",
          act: function () { t.clickTab(t.tabIndexOf(memo.hot)); },
          done: function () {
              return t.view() === memo.hot && memo.hot.codeInfo !== null && memo.hot.table(1).table_model.rowCount() > 0
                      && t.panesFilled(memo.hot);
          },
          after: function () { t.shoot("13-hot-back.png", [memo.hot.table(0), memo.hot.table(1)]); } }
    ]
}

import QtQuick 2.15

// The tour's steps through the browser views (TourMain.qml runs them, in the
// shape of its own steps: act once with keys and the mouse, wait until done,
// check, keep a screenshot):
//   tabPdf  the pop-up notice stepped to the report notice, its page opened
//           in a tab by a click, the report's PDF downloaded from the tab
//           with a click on its link (the line under the page says where
//           it went), the tab closed and the pop-up stepped back
//   drag    the news window (opened by the information panel's steps)
//           dragged by its title bar
QtObject {
    id: browser
    property var t: null   // the tour (TourMain.qml)
    property var news: null   // the information panel's steps, which open the news window
    property var memo: ({})

    function popup() { return t.win.notices.lastPopup; }
    function reportIndex(p) {
        for (var i = 0; p && i < p.notices.length; ++i)
            if (String(p.notices[i].url).indexOf("/research/view") >= 0)
                return i;
        return -1;
    }
    function tab() { var v = t.view(); return v && v.objectName === "browserView" ? v : null; }
    // The tab's download line (PdfDownloads), or null.
    function line() { return memo.view ? t.named(memo.view, "pdfDownloads") : null; }

    readonly property var tabPdfSteps: [
        { name: "the pop-up notice offers a report notice",
          wait: 15000,
          act: function () {},
          done: function () { var p = popup(); return p && p.visible && reportIndex(p) > 0 && p.current === 0; },
          after: function () { memo.popup = popup(); memo.report = reportIndex(memo.popup); } },
        { name: "下一条 steps to the report notice",
          act: function () {
              for (var i = 0; i < memo.report; ++i)
                  t.clickAt(memo.popup, t.point(memo.popup.nextButton));
          },
          done: function () { return memo.popup.current === memo.report; } },
        { name: "a click on the report notice opens its page in a tab",
          act: function () { memo.tabs = t.win.tabView.entries.length; t.clickAt(memo.popup, t.point(memo.popup.noticeText)); },
          done: function () {
              var v = tab();
              return v && t.win.tabView.entries.length === memo.tabs + 1 && String(v.url).indexOf("/research/view") > 0
                      && !v.loading && v.loadProgress === 100 && v.title.indexOf("：") > 0;
          },
          after: function () {
              memo.view = tab();
              memo.link = null;
              memo.view.runJavaScript("(function () { var b = document.getElementById('pdf').getBoundingClientRect();"
                                      + " return [b.left, b.top, b.width, b.height]; })()",
                                      function (r) { memo.link = r; });
          } },
        { name: "a click on 下载报告 in the tab saves the PDF and says where",
          wait: 30000,
          act: function () {},
          done: function () {
              // The link's place comes from the page first; then one click.
              if (!memo.clicked && memo.link) {
                  memo.clicked = true;
                  t.click(memo.view, memo.link[0] + memo.link[2] / 2, memo.link[1] + memo.link[3] / 2);
              }
              var d = line();
              return d !== null && d.savedPath !== "" && d.visible;
          },
          state: function () {
              var d = line();
              return "link " + JSON.stringify(memo.link) + ", clicked " + !!memo.clicked
                      + (d ? ", last download '" + d.lastDownload + "', note '" + d.note + "'" : ", no download line");
          },
          check: function () {
              var d = line();
              var title = memo.view.title.replace(/[\/\\]/g, "");
              if (d.lastDownload.indexOf(title) !== 0 || !/_\d+\.pdf$/.test(d.lastDownload))
                  return "the PDF is called '" + d.lastDownload + "' for the page '" + memo.view.title + "'";
              return d.note === "报告已保存到 " + d.savedPath ? "" : "the line under the page says '" + d.note + "'";
          },
          after: function () { t.shoot("00-tab-pdf.png", [line()]); } },
        { name: "the report tab closes with its close mark",
          act: function () { t.clickTab(t.tabIndexOf(memo.view), true); },
          done: function () { return t.win.tabView.entries.length === memo.tabs; },
          after: function () { t.win.requestActivate(); } },
        { name: "上一条 steps the pop-up back to the first notice",
          act: function () {
              for (var i = 0; i < memo.report; ++i)
                  t.clickAt(memo.popup, t.point(memo.popup.prevButton));
          },
          done: function () { return memo.popup.current === 0; } }
    ]

    readonly property var dragSteps: [
        { name: "the news window moves by its title bar",
          act: function () {
              var w = news.memo.page;
              memo.from = Qt.point(w.x, w.y);
              var bar = t.find(w.contentItem, function (o) { return o.show_close !== undefined; });
              var p = bar.mapToItem(null, 300, 15);
              TestInput.drag(w, p.x, p.y, p.x + 120, p.y + 80);
          },
          done: function () {
              var w = news.memo.page;
              return w.x === memo.from.x + 120 && w.y === memo.from.y + 80;
          },
          state: function () {
              var w = news.memo.page;
              return "from " + memo.from.x + "," + memo.from.y + " now at " + w.x + "," + w.y;
          },
          after: function () {
              var w = news.memo.page;
              t.shootItem(w.contentItem, "02-news-window-moved.png", [w.contentItem]);
          } }
    ]
}

import QtQuick 2.15
import QtQuick.Window 2.15

// End-to-end runs only (loaded through TARVOLIN_TEST_MAIN_QML): opens the real
// main window and tours the notices, the information panel and the fund-flow
// chart, writing into --screenshots=DIR: notice.png (the pop-up notice),
// research-marks.png (a K-line chart with the research marks), stock-news.png
// and fund-flow.png (the stock view with its panel on news and on fund flow)
// and flow-chart.png (the 63-day chart); then quits. Progress goes to the log
// as "demo: ..." lines.
QtObject {
    id: demo
    property var win: null
    property string dir: argument("--screenshots=", "screenshots")
    property int waited: 0
    property int step: 0
    property var view: null
    property int flowDrawn: 0   // polls in a row that saw the flow chart drawn

    function argument(prefix, fallback) {
        var args = Qt.application.arguments;
        for (var i = 0; i < args.length; ++i)
            if (args[i].indexOf(prefix) === 0)
                return args[i].substring(prefix.length);
        return fallback;
    }
    function say(text) { console.info("demo: " + text); }
    function grabItem(item, name, next) {
        item.grabToImage(function (result) {
            var path = dir + "/" + name;
            say((result.saveToFile(path) ? "wrote " : "could not write ") + path);
            next();
        });
    }
    function advance() { step += 1; waited = 0; }
    // Grabs an item and then goes on with the next step.
    function shoot(item, name) {
        var after = step + 1;
        step = -1;
        grabItem(item, name, function () { step = after; waited = 0; });
    }
    function ready() { return win.visible && win.stateBar.connected && win.quickBar.items.length > 0; }
    function panel() { return view && view.chartPage ? view.chartPage.newsView : null; }
    // The main pane shows the day candles with the newest in view.
    function dayCandles() {
        var main = view ? view.chartPage.chartArea.mainChart : null;
        if (!main || main.getLineType() !== "kline" || main.getCycle() !== 33)
            return false;
        var n = main.getFirstKLineSize();
        return n > 20 && main.getEnd() === n - 1;
    }
    function marks() {
        var main = view ? view.chartPage.chartArea.mainChart : null;
        return main && main.chartExtend ? main.chartExtend : null;
    }

    property Timer poll: Timer {
        interval: 200
        repeat: true
        running: true
        onTriggered: {
            demo.waited += interval;
            var w = demo.win;
            switch (demo.step) {
            case 0:   // the window, the quote server and a pop-up notice
                var popup = w.notices.lastPopup;
                if (demo.ready() && popup && popup.visible && popup.notices.length > 0 && popup.noticeText.text !== "") {
                    demo.say("ready; notices " + w.notices.lastPopup.notices.length);
                    demo.shoot(w.notices.lastPopup.contentItem, "notice.png");
                } else if (demo.waited > 40000) {
                    demo.say("not ready");
                    Qt.quit();
                }
                break;
            case 1:   // a stock's K-line chart through the quick commands
                w.tabView.quickKey("6");
                w.quickCmd.input.text = "";
                w.quickCmd.input.text = "600000";
                if (w.quickCmd.rows.length > 0) {
                    w.quickCmd.openRow(0);
                    demo.view = w.tabView.currentItem;
                    demo.view.updateQuery({ chart: "kline", cycle: 33 });
                    demo.say("opened " + demo.view.query_map_.code + " " + demo.view.query_map_.chart);
                    demo.advance();
                }
                break;
            case 2:   // the research marks under the K-lines
                var m = demo.marks();
                var n = m && demo.view.chartPage.researchMarks ? demo.view.chartPage.researchMarks.data.length : 0;
                if (n > 0 && demo.dayCandles()) {
                    demo.say("research marks " + n + " panel " + demo.panel().current + " rows " + demo.panel().newsList.model_.count);
                    // The mouse resting on the newest mark: its tip box.
                    for (var x = m.width - 1; x > 0; --x)
                        if (m.mouseMove(x, 5))
                            break;
                    demo.shoot(w.page, "research-marks.png");
                }
                break;
            case 3:   // the news tab (the mouse has left the mark)
                demo.view.chartPage.chartArea.mainChart.hideTip();
                demo.panel().onTabClicked(2);
                demo.advance();
                break;
            case 4:
                var news = demo.panel().newsList;
                if (demo.panel().current === 2 && !news.loading && news.model_.count > 0 && news.listView.itemAtIndex(0) !== null) {
                    demo.say("news rows " + demo.panel().newsList.model_.count);
                    demo.shoot(w.page, "stock-news.png");
                }
                break;
            case 5:   // the fund-flow tab
                demo.panel().onTabClicked(1);
                demo.advance();
                break;
            case 6:
                var pie = demo.panel().pieSeries;
                if (demo.panel().current === 1 && pie.visible && pie.result !== null && pie.pie.count > 0) {
                    demo.say("fund flow slices " + demo.panel().pieSeries.pie.count + " main in " + demo.panel().pieSeries.result.mBuySum);
                    demo.shoot(w.page, "fund-flow.png");
                }
                break;
            case 7:   // the 63-day chart in a tab of its own
                w.onChangedTabView("资金流向", "app://qml/qml/QFlowView.qml?code=600000&market=1");
                demo.view = w.tabView.currentItem;
                demo.advance();
                break;
            case 8:
                // Drawn: the data is in and the chart's animation has ended
                // (seen twice, a poll apart, so that the frame is on the screen).
                if (demo.view && demo.view.visible)
                    demo.view.runJavaScript("chart.getZr().animation.isFinished() && chart.getOption().series.length > 0",
                                            function (r) { demo.flowDrawn = r ? demo.flowDrawn + 1 : 0; });
                if (demo.flowDrawn >= 2) {
                    demo.say("flow chart drawn");
                    demo.step = -1;
                    demo.grabItem(w.page, "flow-chart.png", function () { demo.say("done"); Qt.quit(); });
                } else if (demo.waited > 30000) {
                    demo.say("flow chart not drawn");
                    Qt.quit();
                }
                break;
            }
        }
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
    }
}

import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as App
import "qrc:/qml/js/WebLinks.js" as WebLinks

// Routing of the tab area over stub views (tests/stubs/qml/*.qml).
Item {
    id: top
    width: 900
    height: 500

    App.QTabView {
        id: tabs
        anchors.fill: parent
        documentBase: Qt.resolvedUrl("stubs").toString()
    }
    SignalSpy { id: quickKeys; target: tabs; signalName: "quickKey" }
    SignalSpy { id: mqRequests; target: tabs; signalName: "changeToMQView" }

    TextCase {
        name: "TabView"
        when: windowShown

        function init() {
            while (tabs.count > 1)
                tabs.closeTab(tabs.count - 1);
            if (tabs.count === 0)
                tabs.onAddModel("首页", "app://qml/qml/StubView.qml?home=1", true);
            tabs.setCurrent(0);
            quickKeys.clear();
            mqRequests.clear();
        }

        function test_addReuseAndFragment() {
            var v = tabs.onAddModel("浦发银行", "app://qml/qml/StubView.qml?code=600000&market=1#chart=kline", false);
            compare(tabs.count, 2);
            compare(tabs.currentIndex, 1);
            compare(tabs.currentItem, v);
            compare(v.query.code, "600000");
            compare(v.query.chart, "kline");
            verify(v.activeFocus);
            // Same address but the fragment: the tab is reused with the new title.
            var again = tabs.onAddModel("浦发", "app://qml/qml/StubView.qml?code=600000&market=1#chart=mline", false);
            compare(again, v);
            compare(tabs.count, 2);
            compareText(tabs.entries[1].title, "浦发");
            compare(v.updates.length, 1);
            compare(v.updates[0].chart, "mline");
            // Another query is another tab.
            tabs.onAddModel("深市", "app://qml/qml/StubView.qml?code=000001&market=2", false);
            compare(tabs.count, 3);
        }

        function test_hosts() {
            var v = tabs.onAddModel("A", "app://qml/qml/StubView.qml?code=600001&market=1", false);
            // curview: the current view is updated, no tab opens.
            compare(tabs.onAddModel("F10", "app://curview/?#chart=f10", false), null);
            compare(tabs.count, 2);
            compare(v.updates[v.updates.length - 1].chart, "f10");
            compare(tabs.onAddModel("x", "app://quorvex/open?x=1", false), null);
            compare(tabs.count, 2);
            // findview: merges into the newest tab with that path.
            tabs.setCurrent(0);
            var r = tabs.onAddModel("", "app://findview/qml/StubView.qml?formula_group_name=%E8%B6%8B%E5%8A%BF", false);
            verify(r !== null);
            compare(tabs.currentIndex, 0);       // the current tab has the path too
            compare(tabs.entries[0].route.query_map.home, "1");
            compareText(tabs.entries[0].route.query_map.formula_group_name, "趋势");
            compare(tabs.onAddModel("", "app://findview/qml/Nothing.qml?a=1", false), null);
            // Unknown schemes open nothing.
            compare(tabs.onAddModel("x", "ftp://127.0.0.1/a", false), null);
            compare(tabs.count, 2);
        }

        function test_onlyProgramDocuments() {
            // Paths outside the program's documents never become tabs.
            var bad = ["app://qml/../etc/passwd.qml", "app://qml/tmp/Evil.qml", "app://qml/qml/../../x/Evil.qml",
                       "app://qml/qml//Evil.qml", "app://qml/qml/Evil.txt", "app://qml/"];
            for (var i = 0; i < bad.length; ++i)
                compare(tabs.onAddModel("x", bad[i], false), null, bad[i]);
            compare(tabs.count, 1);
            // A document that does not exist yet: an empty tab, no error.
            var r = tabs.onAddModel("排名", "app://qml/qml/NotYetBuilt.qml?tab=1100", false);
            verify(r !== null);
            compare(tabs.count, 2);
            compare(tabs.entries[1].item, null);
        }

        function test_webTab() {
            var w = tabs.onAddModel("新闻", "http://127.0.0.1:7710/news/view?id=1", false);
            compare(tabs.count, 2);
            compare(w.url, "http://127.0.0.1:7710/news/view?id=1");
            w.title = "127.0.0.1:7710/news";
            compareText(tabs.entries[1].title, "加载中");
            w.title = "市场快讯";
            compareText(tabs.entries[1].title, "市场快讯");
            // The back end's domain is the one the window titles hide.
            compare(tabs.webDomain, WebLinks.makerDomain);
            w.title = "www." + WebLinks.makerDomain + "/news";
            compareText(tabs.entries[1].title, "加载中");
        }

        function test_keys() {
            tabs.onAddModel("A", "app://qml/qml/StubView.qml?code=1", false);
            tabs.onAddModel("B", "app://qml/qml/StubView.qml?code=2", false);
            compare(tabs.currentIndex, 2);
            keyClick(Qt.Key_Tab);
            compare(tabs.currentIndex, 0);              // wraps
            keyClick(Qt.Key_Tab, Qt.ControlModifier);
            compare(tabs.currentIndex, 1);
            keyClick(Qt.Key_Backtab, Qt.ControlModifier | Qt.ShiftModifier);
            compare(tabs.currentIndex, 0);
            keyClick(Qt.Key_Escape);                     // the first tab never closes
            compare(tabs.count, 3);
            tabs.setCurrent(2);
            keyClick(Qt.Key_Right);                      // the view keeps what it takes
            compare(tabs.currentItem.keys.length, 1);
            keyClick(Qt.Key_W, Qt.ControlModifier);
            compare(tabs.count, 2);
            compare(tabs.currentIndex, 1);
            verify(tabs.currentItem.activeFocus);
            keyClick(Qt.Key_Escape);
            compare(tabs.count, 1);
            // Digits and letters open the quick commands; others do not.
            tabs.onAddModel("A", "app://qml/qml/StubView.qml?code=1", false);
            keyClick(Qt.Key_6);
            keyClick(Qt.Key_A);
            keyClick(Qt.Key_Minus);
            keyClick(Qt.Key_A, Qt.ControlModifier);
            compare(quickKeys.count, 2);
            compare(quickKeys.signalArguments[0][0], "6");
            compare(quickKeys.signalArguments[1][0], "a");
        }

        function test_viewSignalsAndInfo() {
            var v = tabs.onAddModel("图", "app://qml/qml/StubView.qml?code=600000&market=1#chart=kline&cycle=33", false);
            v.updateTabsUrl(v, { code: "000001", market: 2, name: "深市000" });
            compareText(tabs.entries[1].title, "深市000");
            compare(tabs.entries[1].route.url, "app://qml/qml/MQView.qml?code=000001&market=2#chart=kline&cycle=33");
            v.changeToMQView({ code: "600001", market: "1", name: "沪市001" });
            compare(mqRequests.count, 1);
            compareText(tabs.chartUrl("600001", "1", { code: "600001", market: "1", name: "沪市001", cmd: "x" }, "mline"),
                    "app://qml/qml/MQView.qml?code=600001&market=1#chart=mline&name=%E6%B2%AA%E5%B8%82001");
            tabs.notifyMyStockChange();
            compare(v.myStockChanges, 1);
            var info = JSON.parse(tabs.getTabViewsInfo());
            compare(info.length, 2);
            compare(info[0].homeTag, true);
            compare(info[1].query_map_.cycle, "33");
            tabs.closeUrl(tabs.entries[1].route.url);
            compare(tabs.count, 1);
        }

        // A view made ahead is the one the next opening of its document
        // shows, with the tab's query; the opening after that makes its own.
        function test_viewMadeAhead() {
            var stack = findChild(tabs, "tabStack");
            // Closed tabs' views may not be gone yet: only a new child counts.
            var known = [];
            for (var i = 0; i < stack.children.length; ++i)
                known.push(stack.children[i]);
            function waiting() {
                for (var i = 0; i < stack.children.length; ++i) {
                    var c = stack.children[i];
                    if (known.indexOf(c) < 0 && tabs.indexOfItem(c) < 0)
                        return c;
                }
                return null;
            }
            tabs.prepareView(tabs.documentBase + "/qml/StubView.qml");
            tryVerify(function () { return waiting() !== null; }, 5000, "a view of the document waits hidden in the tab area");
            var spare = waiting();
            verify(!spare.visible, "the view made ahead is hidden");
            var v = tabs.onAddModel("浦发银行", "app://qml/qml/StubView.qml?code=600000&market=1", false);
            compare(v, spare, "the opened view is the one made ahead");
            verify(v.visible);
            compare(v.query.code, "600000");
            compare(v.width, stack.width);
            compare(waiting(), null, "the view made ahead was taken");
            var w = tabs.onAddModel("深市", "app://qml/qml/StubView.qml?code=000001&market=2", false);
            verify(w !== v);
            compare(w.query.code, "000001");
        }

        function test_strip() {
            for (var i = 0; i < 12; ++i)
                tabs.onAddModel("T" + i, "app://qml/qml/StubView.qml?n=" + i, false);
            var strip = tabs.tabStrip;
            compare(strip.height, 22);
            // The current (last) tab is scrolled into view, 141 pixels apart.
            var last = strip.itemAtIndex(12);
            verify(last !== null);
            compare(last.x, 12 * 141);
            verify(last.x - strip.contentX + 140 <= strip.width);
            compare(String(last.color), "#335493");
            // A narrower window keeps the current tab whole on the strip.
            var wide = top.width;
            top.width = 300;
            // Less the two 20 px arrows of a strip that overflows.
            compare(strip.width, 260);
            verify(last.x - strip.contentX >= 0);
            verify(last.x - strip.contentX + 140 <= strip.width);
            top.width = wide;
        }

        // Thirteen tabs of 141 px in 900: the strip overflows by 13 * 141 - 860
        // = 973 px once the two 20 px arrows take their place.
        function test_stripScrollsByWheelAndArrows() {
            for (var i = 0; i < 12; ++i)
                tabs.onAddModel("T" + i, "app://qml/qml/StubView.qml?n=" + i, false);
            var strip = tabs.tabStrip;
            compare(strip.width, 860);
            compare(strip.contentX, 13 * 141 - 1 - 860);   // the last tab whole, at the end
            mouseWheel(strip, 400, 11, 0, 120);
            compare(strip.contentX, 13 * 141 - 1 - 860 - 141);
            for (var k = 0; k < 10; ++k)
                mouseWheel(strip, 400, 11, 0, 120);
            compare(strip.contentX, 0);                     // stops at the first tab
            var right = findChild(tabs, "tabScrollRight");
            var left = findChild(tabs, "tabScrollLeft");
            verify(!left.enabled);
            mouseClick(right);
            compare(strip.contentX, 141);
            mouseClick(left);
            compare(strip.contentX, 0);
            // A click on the first tab, scrolled back into view, makes it current.
            mouseClick(strip, 60, 11);
            compare(tabs.currentIndex, 0);
        }
    }
}

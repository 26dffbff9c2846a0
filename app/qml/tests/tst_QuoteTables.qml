import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as W

// The quote table views and the list screens, loaded as their routes load
// them; queries are read back from each table's dumped context.
Item {
    id: top
    width: 1400
    height: 900

    W.QTableView { id: view; width: 800; height: 0 }
    W.QRTableView { id: rview; width: 800; height: 700; fieldStyle: 4; fixedColumns: 3 }

    W.QRTableView { id: bview; width: 400; height: 300; fieldStyle: 3 }

    TextCase {
        name: "QuoteTables"
        when: windowShown

        function ctxOf(table) { return JSON.parse(table.table_model.getCtx()); }
        function screen(name) {
            var c = Qt.createComponent("qrc:/qml/" + name + ".qml");
            verify(c.status === Component.Ready, name + ": " + c.errorString());
            var s = c.createObject(top, { width: 1400, height: 900 });
            verify(s !== null, name);
            return s;
        }

        function test_pageSizeFromHeight() {
            view.height = 0;
            compare(view.getShowPageSize(), 1);
            view.height = 700;
            compare(view.getShowPageSize(), 25);
            compare(view.getSelectCodeInfo(), null);
            compare(view.getFirstCodeInfo(), null);
        }

        function test_queryAndResize() {
            view.height = 700;
            view.setQuery({ block: 1101, field: 34, sort: 1 });
            var c = ctxOf(view);
            compare(c.blocks_, [1101]);
            compare(c.sort_.id, 34);
            compare(c.sort_.mode, 1);
            compare(c.page_.length, 25);
            compare(c.option_, 4);
            compare(c.market_field_.length, 29);
            view.height = 835;   // 30 rows now fit
            compare(ctxOf(view).page_.length, 30);
            compare(ctxOf(view).blocks_, [1101]);
            // A query without a block does nothing.
            view.setQuery({ field: 8 });
            compare(ctxOf(view).sort_.id, 34);
            // A negative field sorts by field 0 in direction 2.
            view.setQuery({ block: 1102, field: -1, sort: 0, page_size: 12 });
            compare(ctxOf(view).sort_.id, 0);
            compare(ctxOf(view).sort_.mode, 2);
            compare(ctxOf(view).page_.length, 12);
        }

        function test_pagelessContextIsNotResized() {
            bview.table_model.getBlockIndex("880001", 1, 34, 0);
            compare(ctxOf(bview.table).page_.length, 0);
            bview.height = 900;
            compare(ctxOf(bview.table).page_.length, 0);
            compare(ctxOf(bview.table).codes_[0].code, "880001");
            compare(ctxOf(bview.table).option_, 6);
        }

        function test_headerSort() {
            rview.height = 700;
            rview.setQuery({ block: 1101, field: 34, sort: 0 });
            var t = rview.table;
            t.showStateImgIndex = -1;
            t.headerClicked(2);             // 名称 does not sort
            compare(t.showStateImgIndex, -1);
            t.headerClicked(4);             // 涨跌幅: marker with its direction
            compare(t.showStateImgIndex, 4);
            compare(t.showStateImgType, 0);
            compare(ctxOf(t).sort_.id, 34);
            t.headerClicked(4);             // again: flips to up
            compare(t.showStateImgType, 1);
            compare(ctxOf(t).sort_.mode, 1);
            t.headerClicked(19);            // 市盈率 keeps the direction
            compare(t.showStateImgIndex, 19);
            compare(ctxOf(t).sort_.id, 40);
            compare(ctxOf(t).sort_.mode, 1);
            compare(rview.table.fixedCount, 3);
            compare(rview.table_model.fixedColumnCount(), 3);
        }

        // An empty table has no row to step to or open: Up, Down, Page Up,
        // Page Down and Return leave it without a selection and open nothing.
        function test_keysOnAnEmptyTable() {
            rview.clear();
            rview.table.forceActiveFocus();
            var opened = 0;
            var count = function () { opened += 1; };
            rview.changeToMQView.connect(count);
            var keys = [Qt.Key_Down, Qt.Key_Return, Qt.Key_Up, Qt.Key_Enter, Qt.Key_PageDown, Qt.Key_Return,
                        Qt.Key_PageUp, Qt.Key_Return];
            for (var i = 0; i < keys.length; ++i) {
                keyClick(keys[i]);
                compare(rview.table.selectIndex, -1, "after key " + i);
            }
            compare(opened, 0);
            rview.changeToMQView.disconnect(count);
        }

        // A table screen hands the keys to its table when it takes them (a
        // new tab, Ctrl+Tab, a click on the tab).
        function test_screensGiveTheirTableTheKeys() {
            var cases = [["QRankingView", function (s) { return s.table.table; }],
                         ["QMarketTopMonitor", function (s) { return s.table(0).table; }],
                         ["QMarketBlockMonitor", function (s) { return s.blockTable.table; }],
                         ["QStrategyView", function (s) { return s.keyTable.table; }]];
            for (var i = 0; i < cases.length; ++i) {
                var s = screen(cases[i][0]);
                s.forceActiveFocus();
                verify(cases[i][1](s).activeFocus, cases[i][0] + ": its table has no keys");
                s.destroy();
            }
        }

        function test_rankingScreen() {
            var s = screen("QRankingView");
            s.setQuery({ tab: "1100", block: "1101", field: "34", sort: "0" });
            compare(s.currentBlock, 0);
            var c = ctxOf(s.table.table);
            compare(c.blocks_, [1101]);
            compare(c.sort_.id, 34);
            compare(c.sort_.mode, 0);
            compare(s.table.table_model.getSortField(19), 40);   // layout 4
            s.updateQuery({ block: "1116" });
            compare(s.currentBlock, 9);
            compare(ctxOf(s.table.table).blocks_, [1116]);
            // A block without a button: none highlighted, still queried.
            s.setQuery({ block: "1999" });
            compare(s.currentBlock, -1);
            compare(ctxOf(s.table.table).blocks_, [1999]);
            compare(ctxOf(s.table.table).sort_.id, 34);
            compare(s.marketIndex({ code: "600001", market: 1 }).code, "1A0001");
            compareText(s.marketIndex({ code: "000001", market: 2 }).name, "深证成指");
            compare(s.marketIndex({ code: "430001", market: 3 }).code, "430001");
            compare(s.blockRoute(1124), "app://qml/qml/QRankingView.qml?tab=1100#block=1124&field=34&sort=0");
            s.destroy();
        }

        function test_topMonitor() {
            var s = screen("QMarketTopMonitor");
            s.setQuery({ tab: "1100", block: "1101" });
            var want = [[34, 0, 5], [34, 1, 5], [33, 0, 7], [36, 0, 6], [36, 1, 6],
                        [41, 0, 8], [38, 0, 9], [38, 1, 9], [11, 0, 10]];
            for (var i = 0; i < 9; ++i) {
                var c = ctxOf(s.table(i).table);
                compare(c.blocks_, [1101], "list " + i);
                compare(c.sort_.id, want[i][0], "list " + i);
                compare(c.sort_.mode, want[i][1], "list " + i);
                compare(s.table(i).fieldStyle, want[i][2], "list " + i);
                verify(c.page_.length >= 1, "list " + i);
            }
            s.destroy();
        }

        function test_hotMonitor() {
            var s = screen("QMarketHotMonitor");
            s.setQuery({});
            var want = [[34, 0], [34, 1], [36, 0], [36, 1]];
            for (var i = 0; i < 4; ++i) {
                var c = ctxOf(s.table(i).table);
                compare(c.blocks_, [1110]);
                compare(c.sort_.id, want[i][0]);
                compare(c.sort_.mode, want[i][1]);
            }
            s.destroy();
        }

        function test_blockMonitorAndStrategy() {
            var s = screen("QMarketBlockMonitor");
            s.setQuery({ category: "1016", field: "34", sort: "0" });
            var c = ctxOf(s.blockTable.table);
            compare(c.blocks_, [1016]);
            compare(c.page_.length, 200);
            compare(s.currentCategory, 2);
            // A block row that is not in the block index queries block 0.
            s.blockSelected({ code: "NOSUCH", market: 1, name: "无" });
            compare(ctxOf(s.stockTable.table).blocks_, [0]);
            compareText(s.blockName, "无");
            s.destroy();

            var st = screen("QStrategyView");
            c = ctxOf(st.blockTable.table);
            compare(c.blocks_, [1011]);
            compare(c.sort_.id, 34);
            compare(c.page_.length, 200);
            compare(st.myTable.fieldStyle, 1);
            compare(st.myTable.table_model.fixedColumnCount(), 2);
            compare(st.own.field, -1);
            st.chooseCategory(1);
            compare(ctxOf(st.blockTable.table).blocks_, [1010]);
            st.destroy();
        }
    }
}

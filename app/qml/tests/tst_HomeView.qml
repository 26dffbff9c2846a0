// The home view's logic, its news buttons and a distribution panel over the
// fixed buckets (the refresh against the back end is tested live in C++).
import QtQuick 2.15
import QtTest 1.15
import IndexSectionCountModel 1.0
import QDetailedModel 1.0
import "qrc:/qml/" as W
import "qrc:/qml/js/HomeView.js" as Home

Item {
    id: top
    width: 1200
    height: 800
    IndexSectionCountModel { id: buckets }
    W.HomeNewsView { id: news; width: 400; height: 300 }
    W.SectionCount { id: fixedRows; x: 500; width: 300; height: 240; model: buckets }
    // Back-end rows, with the widest texts they take.
    ListModel {
        id: wideRows
        ListElement { name: "涨停"; section: "≥9.9%"; count: 1234; type: 1; ratio: 1 }
        ListElement { name: "大跌"; section: "-7~-9.9%"; count: 98; type: -1; ratio: 0.08 }
        ListElement { name: "微跌"; section: "0~-3%"; count: 0; type: -1; ratio: 0 }
    }
    Component { id: panelOf; W.SectionCount { height: 240; model: wideRows } }
    // Stands in for the news list widget: records what it is asked to load.
    QtObject {
        id: fakeList
        property var calls: []
        function getNewsListData(flag, codeInfo) { calls.push({ flag: flag, code: codeInfo.code, market: codeInfo.market, type: codeInfo.type }); }
    }
    QDetailedModel { id: qdetailModel }
    W.TradeingDetaile { id: spareList; x: 850; width: 300; height: 200 }

    TextCase {
        name: "HomeView"
        when: windowShown

        // The spare list form binds to the enclosing document's qdetailModel.
        function test_spareDetailList() {
            compare(spareList.model, qdetailModel);
            compare(spareList.count, 0);
        }

        function test_layoutWidths() {
            var rows = [[1920, 410, 960, 550], [1280, 320, 650, 310], [1600, 400, 800, 400], [800, 200, 650, 0]];
            for (var i = 0; i < rows.length; ++i) {
                var l = Home.layout(rows[i][0]);
                compare(l.left, rows[i][1], "left of " + rows[i][0]);
                compare(l.middle, rows[i][2], "middle of " + rows[i][0]);
                compare(l.right, rows[i][3], "right of " + rows[i][0]);
            }
        }

        // Rates as the board's float gives them (Math.fround), keyed by
        // ceil(r x 100) above 0 and floor otherwise.
        function test_conceptColours() {
            var f = Math.fround;
            var rows = [
                [f(0.003), "1", "#FA2933"], [f(-0.003), "-1", "#14D270"], [f(0.12), "12", "#FFFFFF"],
                [0, "0", "#2A2F38"], [f(0.02), "2", "#E22630"], [f(0.0301), "4", "#991D26"],
                [f(-0.0451), "-5", "#0F824A"], [f(-0.0951), "-10", "#0C472E"], [f(-0.1), "-11", "#FFFFFF"], [f(0.095), "10", "#51141C"],
                [f(-0.11), "-11", "#FFFFFF"], [f(0.06), "6", "#69171F"], [NaN, "-", "#2A2F38"]
            ];
            for (var i = 0; i < rows.length; ++i) {
                compare(Home.conceptKey(rows[i][0]), rows[i][1], "key of " + rows[i][0]);
                compare(Home.conceptColor(rows[i][0]), rows[i][2], "colour of " + rows[i][0]);
            }
            // A float just off a whole percent lands in the next bucket.
            verify(f(0.07) > 0.07);
            compare(Home.conceptKey(f(0.07)), "8");
            compare(Home.conceptColor(f(0.07)), "#51141C");
            // Text stays readable on a white tile; elsewhere the current tile is white.
            compare(Home.conceptTextColor("#FFFFFF", false), "#191B1F");
            compare(Home.conceptTextColor("#FFFFFF", true), "#191B1F");
            compare(Home.conceptTextColor("#FA2933", true), "#FFFFFF");
            compare(Home.conceptTextColor("#FA2933", false), "#EEEEEE");
        }

        function test_distributionRows() {
            var rows = Home.distributionRows([
                { name: "涨停", section: "≥9.9%", count: 10, type: 1 },
                { name: "x", section: "up_counts", count: 900, type: 1 },
                { name: "微涨", section: "1~3%", count: 40, type: 1 },
                { name: "x", section: "down_counts", count: 800, type: -1 },
                { name: "跌停", section: "≤-9.9%", count: 0, type: -1 }]);
            compare(rows.length, 3);
            compare(rows[0].ratio, 0.25);
            compare(rows[1].ratio, 1);
            compare(rows[2].ratio, 0);
            compare(rows[2].type, -1);
            // Only the totals: an empty panel. All zero: ratios 0, not NaN.
            compare(Home.distributionRows([{ section: "up_counts", count: 3 }, { section: "down_counts", count: 2 }]).length, 0);
            var zero = Home.distributionRows([{ name: "a", section: "s", count: 0, type: 1 }]);
            compare(zero[0].ratio, 0);
            compare(Home.distributionRows(undefined).length, 0);
        }

        function test_newsButtons() {
            compare(news.currentFlag, "stock_news_list,stock_news_view");
            news.newsList = fakeList;   // the widget arrives: it loads the current flag
            compare(fakeList.calls.length, 1);
            compare(fakeList.calls[0].flag, "stock_news_list,stock_news_view");
            compare(fakeList.calls[0].code, "1A0001");
            compare(fakeList.calls[0].market, 1);
            compare(fakeList.calls[0].type, 1);
            mouseClick(findChild(news, "newsButton1"));
            compare(news.currentFlag, "research_list,research_view");
            compare(fakeList.calls[1].flag, "research_list,research_view");
            mouseClick(findChild(news, "newsButton0"));
            compare(fakeList.calls[2].flag, "stock_news_list,stock_news_view");
            news.newsList = null;
            mouseClick(findChild(news, "newsButton1"));   // no widget: the flag still follows
            compare(news.currentFlag, "research_list,research_view");
            compare(fakeList.calls.length, 3);
        }

        // Columns by panel width (hand-worked from the rules beside the function).
        function test_sectionRowLayout() {
            // width: section, bar below, name x/w, bar x/space, count x/w
            var rows = [[300, true, false, 10, 35, 100, 150, 255, 35], [170, true, false, 10, 35, 100, 20, 125, 35],
                        [154, false, false, 6, 35, 45, 64, 113, 35], [110, false, false, 6, 35, 45, 20, 69, 35],
                        [100, false, true, 3, 46, 3, 94, 51, 46], [49, false, true, 3, 20, 3, 43, 26, 20]];
            for (var i = 0; i < rows.length; ++i) {
                var r = rows[i], l = Home.sectionRowLayout(r[0]);
                var got = [r[0], l.section, l.barBelow, l.nameX, l.nameW, l.barX, l.barSpace, l.countX, l.countW];
                compare(JSON.stringify(got), JSON.stringify(r), "columns at " + r[0] + " px");
            }
        }

        // At the widths the home view gives its panels (49 px in the
        // 1000 px window, 58 at 1024, 154 at 1280, 274 at 1920) no two of a
        // row's name, section, bar and count overlap, every text is whole in
        // its place, and a bar of half the largest count is plainly seen.
        function test_rowsNeverOverlap() {
            var widths = [49, 58, 100, 154, 274];
            for (var k = 0; k < widths.length; ++k) {
                var panel = createTemporaryObject(panelOf, top, { width: widths[k] });
                for (var i = 0; i < wideRows.count; ++i) {
                    var row = panel.itemAtIndex(i);
                    var what = widths[k] + " px, row " + i + ": ";
                    var name = findChild(row, "name"), section = findChild(row, "section");
                    var bar = findChild(row, "bar"), count = findChild(row, "count");
                    tryVerify(function () { return name.contentWidth > 0 && count.contentWidth > 0; });
                    verify(name.contentWidth <= name.width + 0.5, what + "the name is cut");
                    verify(count.contentWidth <= count.width + 0.5, what + "the count is cut");
                    var nameRight = name.x + name.contentWidth;
                    var countLeft = count.x + count.width - count.contentWidth;
                    verify(nameRight <= countLeft, what + "name reaches into the count");
                    if (section.visible) {
                        verify(section.contentWidth <= section.width + 0.5, what + "the section is cut");
                        verify(nameRight <= section.x && section.x + section.contentWidth <= bar.x, what + "section overlaps");
                    }
                    var barRight = bar.x + Math.max(bar.width, Home.sectionRowLayout(widths[k]).barSpace);
                    if (bar.y >= name.y + name.height)  // along the foot, under the texts
                        verify(bar.y + bar.height <= row.height + 0.5, what + "bar outside the row");
                    else
                        verify(bar.x >= nameRight && barRight <= countLeft, what + "bar between " + nameRight + " and "
                               + countLeft + " runs " + bar.x + ".." + barRight);
                    if (i === 1)
                        verify(bar.width >= 2, what + "a bar of 8% of the largest is " + bar.width + " px");
                    if (i === 0)
                        verify(bar.width >= 20, what + "the largest bar is " + bar.width + " px");
                }
            }
        }

        // The fixed buckets drawn as bars of their share of the largest count.
        function test_fixedDistribution() {
            compare(buckets.getMaxCount(), 1580);
            compare(fixedRows.count, 12);
            compare(fixedRows.rowHeight, 20);
            var space = fixedRows.width - 150;
            var bar5 = findChild(fixedRows.itemAtIndex(5), "bar");
            var bar11 = findChild(fixedRows.itemAtIndex(11), "bar");
            compare(bar5.width, space);
            fuzzyCompare(bar11.width, Math.max(1, space * 15 / 1580), 0.01);
            compare(bar5.y, 5);
            compare(bar5.height, 10);
            compare(String(bar5.color), "#ff3d3d");
            compare(String(bar11.color), "#0fc351");
        }
    }
}

// Runs beside the local back end: the information panel's tabs per kind of
// stock, its collapse state in view_config.json, the news and research lists
// with the research marks, and today's fund flow with its refresh.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import QBaseService 1.0
import HFileIO 1.0
import "qrc:/qml/" as W
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/JSQuote.js" as JSQuote

TextCase {
    id: test
    name: "NewsView"
    when: windowShown

    property string base: typeof controlUrl !== "undefined" ? controlUrl : ""
    property var addresses: null
    property var stock: null

    QBaseService { id: baseService }
    HFileIO { id: hFileIO }
    Window {
        width: 1200; height: 750
        visible: true
        Item { id: holder; anchors.fill: parent }
    }

    Component {
        id: newsComponent
        W.MQNewsView { width: 1200 }
    }

    function getJson(url) {
        var out = null;
        JSHttp.getData(url, {}, {}, function (ok, reply) { out = { ok: ok, reply: reply }; });
        tryVerify(function () { return out !== null; }, 10000);
        verify(out.ok, url);
        return out.reply;
    }
    function initTestCase() {
        verify(base !== "", "no back end: TARVOLIN_CONTROL_URL is not set");
        addresses = getJson(base + "v3clientcontrol");
        baseService.setServerAddress(addresses);
        var pools = getJson(base + "api/stock_pool");
        stock = { code: pools[0].stocks[0].tradingcode, market: Number(pools[0].stocks[0].exchangecode), name: "x", type: 2 };
    }
    function shown(v) {
        var out = [];
        for (var i = 0; i < 4; ++i)
            if (v.tabs.datamodel.get(i).show)
                out.push(v.tabs.datamodel.get(i).name);
        return out.join(",");
    }
    function marksOf(v) {
        var got = [];
        v.syncResearchList.connect(function (json) { got.push(json); });
        return got;
    }

    function test_tabs_per_kind_and_research_marks() {
        hFileIO.writedFileDefaultPath("view_config.json", "");
        var v = createTemporaryObject(newsComponent, holder);
        var marks = marksOf(v);
        // A stock: all tabs (its blocks come from the quote engine: the left
        // table is shown), the research list loads for the marks.
        v.setCodeInfo(stock);
        compareText(shown(v), "关联板块,资金,新闻资讯,研究报告");
        compare(v.current, 3);
        tryVerify(function () { return marks.length === 1 && v.newsList.model_.count > 0; }, 10000);
        var rows = getJson(base + "api/research_list?code=" + stock.code + "&market=" + stock.market).data;
        compare(marks[0].name, "research");
        compare(marks[0].data.length, rows.length);
        compareText(marks[0].data[0].detailed, rows[rows.length - 1].title, "the last entry first");
        compare(marks[0].data[0].url, addresses.url.research_view.replace("{{id}}", rows[rows.length - 1].id));
        compareText(v.newsList.model_.get(0).title, rows[0].title);
        // The news tab: the news list, and the research marks still come.
        mouseClick(v.tabs, 200 + 50, 12);     // the third tab (100 px each)
        compare(v.current, 2);
        tryVerify(function () { return !v.newsList.loading && v.newsList.model_.count > 0; }, 10000);
        var news = getJson(base + "api/stock_news_list?code=" + stock.code + "&market=" + stock.market).data;
        compareText(v.newsList.model_.get(0).title, news[0].title);
        v.setCodeInfo(stock);
        tryVerify(function () { return marks.length === 2; }, 10000);
        compare(v.current, 2);
        // An index without a block id: no block tab, no fund flow, research selected.
        v.setCodeInfo({ code: "1A0001", market: 1, name: "上证指数", type: 1 });
        compareText(shown(v), "新闻资讯,研究报告");
        compare(v.current, 3);
        // Another market: only the block and news tabs, research selected.
        v.setCodeInfo({ code: "HK0001", market: 3, name: "其他", type: 2 });
        compareText(shown(v), "关联板块,新闻资讯,研究报告");
        compare(v.current, 3);
        // An unknown type: neither of the first two.
        v.setCodeInfo({ code: stock.code, market: stock.market, name: "x", type: 5 });
        compareText(shown(v), "新闻资讯,研究报告");
    }

    // The research marks of a stock never reach the next stock's chart: a
    // reply that comes after the stock changed is dropped, whichever tab is
    // selected when it changes.
    function test_late_marks_of_the_previous_stock_are_dropped() {
        var pools = getJson(base + "api/stock_pool");
        var list = pools[0].stocks;
        var other = null;
        for (var i = 0; i < list.length && !other; ++i)
            if (list[i].tradingcode !== stock.code)
                other = { code: list[i].tradingcode, market: Number(list[i].exchangecode), name: "y", type: 2 };
        verify(other !== null, "a second stock in the pools");
        var rows = getJson(base + "api/research_list?code=" + other.code + "&market=" + other.market).data;
        var v = createTemporaryObject(newsComponent, holder);
        var marks = marksOf(v);
        v.setCodeInfo(stock);
        mouseClick(v.tabs, 200 + 50, 12);    // the news tab: the research list loads beside it
        tryVerify(function () { return !v.researchFeed.loading && !v.newsList.loading; }, 10000);
        // Stock A with the news tab: A's research rows are asked for; the
        // research tab, then stock B, before A's reply is in (no event is
        // handled in between, so the reply is late whatever the machine).
        v.setCodeInfo(stock);
        v.onTabClicked(3);                   // what a click on the research tab does
        compare(v.current, 3);
        v.setCodeInfo(other);
        marks.length = 0;
        tryVerify(function () { return !v.researchFeed.loading && !v.newsList.loading; }, 10000);
        verify(marks.length >= 1, "the marks of the stock shown");
        for (var k = 0; k < marks.length; ++k)
            compareText(marks[k].data[marks[k].data.length - 1].detailed, rows[0].title, "marks of the stock shown only");
    }

    function test_collapse_state_survives_a_restart() {
        hFileIO.writedFileDefaultPath("view_config.json", JSON.stringify({ Other: { a: 1 } }));
        var v = createTemporaryObject(newsComponent, holder);
        compare(JSON.parse(hFileIO.readFileDefaultPath("view_config.json")).MQView.showNewsView, true);
        verify(v.open_);
        compare(v.height, holder.height / 3);
        v.setCodeInfo(stock);
        // The selected tab again: collapse; any tab of a collapsed panel: open.
        mouseClick(v.tabs, 300 + 50, 12);
        verify(!v.open_);
        compare(v.height, 25);
        var file = JSON.parse(hFileIO.readFileDefaultPath("view_config.json"));
        compare(file.MQView.showNewsView, false);
        compare(file.Other.a, 1, "other views' keys are kept");
        var again = createTemporaryObject(newsComponent, holder, { y: 400 });
        verify(!again.open_, "the state survives a restart");
        mouseClick(v.tabs, 300 + 50, 12);
        verify(v.open_);
        compare(JSON.parse(hFileIO.readFileDefaultPath("view_config.json")).MQView.showNewsView, true);
        // The tool button toggles too.
        var toggle = findChild(v, "newsToggle");
        mouseClick(toggle);
        verify(!v.open_);
        mouseClick(toggle);
        verify(v.open_);
    }

    Component {
        id: pieComponent
        W.QPieSeries { width: 1100; height: 240 }
    }
    function test_fund_flow_tab() {
        var p = createTemporaryObject(pieComponent, holder);
        // Each reply shown is a new result.
        var loads = { count: 0 };
        p.resultChanged.connect(function () { if (p.result !== null) ++loads.count; });
        p.refreshInterval = 200;
        p.setCodeInfo(stock);
        tryVerify(function () { return loads.count >= 1; }, 10000);
        compare(p.pie.count, 8);
        compareText(p.pie.at(0).label, "超大单流出", "the entries in reverse order");
        compare(String(p.pie.at(0).color), "#33cc33");
        compare(p.pie.at(0).value, Number(p.result.data[7].ratio));
        compare(p.rows.length, 4);
        // The head row: in, out and both ratios over their columns.
        var head = findChild(p, "flowHead");
        var heads = [];
        for (var h = 0; h < head.count; ++h)
            heads.push(head.itemAt(h).text);
        compareText(heads, ["", "流入", "流出", "", "", "占比", "占比"]);
        compare(findChild(p, "mainFigure0").text, p.result.mBuySum);
        // Refreshed while shown, for a stock of market 1 or 2.
        tryVerify(function () { return loads.count >= 3; }, 10000);
        verify(p.refreshing);
        p.visible = false;
        verify(!p.refreshing);
        p.visible = true;
        // An index is not loaded and not refreshed.
        p.setCodeInfo({ code: "1A0001", market: 1, type: 1 });
        verify(!p.refreshing);
        compare(p.pie.count, 0);
        // No flow today: an empty chart.
        p.result = JSQuote.formatToday({ data: { diff: [{ f6: 0 }] } });
        p.fillPie();
        verify(p.emptyFlow);
        compare(p.pie.count, 0);
    }
}

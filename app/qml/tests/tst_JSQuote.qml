// Runs beside the local back end: the fund-flow module's requests (exact
// query strings), its formatting on hand-computed replies, the news list
// helpers, and live replies of the back end read through them.
import QtQuick 2.15
import QtTest 1.15
import QBaseService 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/JSQuote.js" as JSQuote
import "qrc:/qml/js/NewsList.js" as NewsList
import "qrc:/qml/js/JSUtil.js" as JSUtil

TextCase {
    id: test
    name: "JSQuote"

    property string base: typeof controlUrl !== "undefined" ? controlUrl : ""
    property var addresses: null
    QBaseService { id: baseService }
    ListModel { id: model }

    function initTestCase() {
        verify(base !== "", "no back end: TARVOLIN_CONTROL_URL is not set");
        var done = false;
        JSHttp.getData(base + "v3clientcontrol", {}, {}, function (ok, reply) { addresses = reply; done = ok; });
        tryVerify(function () { return done; }, 10000);
        baseService.setServerAddress(addresses);
    }
    function init() {
        JSQuote.configure(baseService);
        JSQuote.now = function () { return 1700000000123; };
    }

    function test_hosts_come_from_the_server_addresses() {
        var b = base.replace(/\/$/, "");
        compare(JSQuote.hosts.realtime, b);
        compare(JSQuote.hosts.history, b);
        compare(JSQuote.hosts.datacenter, b);
    }

    function test_request_urls_data() {
        var f = "f62,f184,f66,f69,f72,f75,f78,f81,f84,f87,f64,f65,f70,f71,f76,f77,f82,f83,f164,f166,f168,f170,f172,"
                + "f252,f253,f254,f255,f256,f124,f6,f278,f279,f280,f281,f282";
        var ut = "7d3e9a15c0f2b846e1a5d9c3f07b2e64";
        return [
            { tag: "today sh", url: function () { return JSQuote.todayUrl({ code: "600000", market: 1 }); },
              want: "/api/qt/ulist.np/get?fltt=2&secids=1.600000&fields=" + f + "&ut=" + ut + "&_=1700000000123" },
            { tag: "today sz", url: function () { return JSQuote.todayUrl({ code: "000001", market: "2" }); },
              want: "/api/qt/ulist.np/get?fltt=2&secids=0.000001&fields=" + f + "&ut=" + ut + "&_=1700000000123" },
            { tag: "today other market", url: function () { return JSQuote.todayUrl({ code: "880001", market: 90 }); },
              want: "" },
            { tag: "history", url: function () { return JSQuote.historyUrl({ code: "880001", market: 90 }); },
              want: "/api/qt/stock/fflow/daykline/get?lmt=0&klt=101&secid=90.880001&fields1=f1,f2,f3,f7"
                    + "&fields2=f51,f52,f53,f54,f55,f56,f57,f58,f59,f60,f61,f62,f63,f64,f65&ut=" + ut + "&_=1700000000123" },
            { tag: "block", url: function () { return JSQuote.blockFlowUrl("b:BK0001"); },
              want: "/api/qt/clist/get?pn=1&pz=500&po=1&np=1&fields=f12,f13,f14,f62&fid=f62&fs=b:BK0001&ut=" + ut
                    + "&_=1700000000123" },
            { tag: "connect net", url: function () { return JSQuote.hsgtCurJLRUrl(); },
              want: "/api/qt/kamt.rtmin/get?fields1=f1,f2,f3,f4&fields2=f51,f52,f53,f54,f55,f56&ut=" + ut + "&_=1700000000123" },
            { tag: "connect buys", url: function () { return JSQuote.hsgtCurJMEUrl(); },
              want: "/api/qt/kamtbs.rtmin/get?fields1=f1,f2,f3,f4&fields2=f51,f54,f52,f58,f53,f62,f56,f57,f60,f61&ut=" + ut
                    + "&_=1700000000123" },
            { tag: "connect days", url: function () { return JSQuote.hsgtLSUrl("2026-12-01"); },
              want: "/EM_MutiSvcExpandInterface/api/js/get?type=HSGTZJZS&token=c5a0e7f3192d4b86a3e1f50d7c9b2a48&ps=5000"
                    + "&filter=(DateTime%3E^2026-12-01^)" },
        ];
    }
    function test_request_urls(row) {
        var got = row.url();
        compare(got === "" ? "" : got.substring(base.length - 1), row.want);
    }

    function test_formatNumber_data() {
        return [
            { tag: "empty", v: "", d: 2, want: "-" }, { tag: "missing", v: undefined, d: 2, want: "-" },
            { tag: "dash", v: "-", d: 2, want: "-" }, { tag: "text", v: "abc", d: 2, want: "-" },
            { tag: "infinite", v: Infinity, d: 2, want: "-" }, { tag: "default", v: 1.005, d: undefined, want: "1.00" },
            { tag: "four", v: "12.5", d: 4, want: "12.5000" }, { tag: "zero dec", v: -3.6, d: 0, want: "-4" },
        ];
    }
    function test_formatNumber(row) { compare(JSQuote.formatNumber(row.v, row.d), row.want); }

    function test_today_with_one_entry() {
        var r = JSQuote.formatToday({ data: { diff: [{ f64: 30000, f70: 10000, f76: 5000, f82: 5000, f65: 20000,
            f71: 20000, f77: 6000, f83: 4000, f6: 100000, f164: 123456, f166: -5, f252: "-", f256: 2e8 }] } });
        var want = [["超大单流入", "3.0000", "60.0", "#CC3333"], ["大单流入", "1.0000", "20.0", "#FF3D3D"],
                    ["中单流入", "0.5000", "10.0", "#FF6060"], ["小单流入", "0.5000", "10.0", "#FFA0A0"],
                    ["小单流出", "0.4000", "8.0", "#A0FFA0"], ["中单流出", "0.6000", "12.0", "#60FF60"],
                    ["大单流出", "2.0000", "40.0", "#0FC351"], ["超大单流出", "2.0000", "40.0", "#33CC33"]];
        compare(r.data.length, 8);
        for (var i = 0; i < 8; ++i) {
            compareText(r.data[i].name, want[i][0]);
            compare(r.data[i].value, want[i][1], want[i][0]);
            compare(r.data[i].ratio, want[i][2], want[i][0]);
            compare(r.data[i].color, want[i][3]);
        }
        compare(r.buySum, 50000);
        compare(r.sellSum, 50000);
        compare(r.mBuySum, "4");
        compare(r.mSellSum, "4");
        compare(r.day5[0].value, "12.3456");
        compare(r.day5[1].value, "-0.0005");
        compare(r.day5[0].color, "#FE3EE1");
        compare(r.day20[0].value, "-");        // "-" stays "-", never 0
        compare(r.day20[4].value, "20000.0000");
        compare(r.day20[4].color, "#94C4EE");
    }

    function test_today_with_two_entries_sums_and_recomputes_ratios() {
        var r = JSQuote.formatToday({ data: { diff: [
            { f64: 30000, f70: 10000, f76: 5000, f82: 5000, f65: 20000, f71: 20000, f77: 6000, f83: 4000, f6: 100000,
              f62: 500, f66: 10000, f184: 99, f69: 99, f124: 1700000000 },
            { f64: 10000, f70: 0, f76: 5000, f82: 5000, f65: 0, f71: 10000, f77: 4000, f83: 6000, f6: 20000,
              f62: -100, f66: 9000, f124: 999 }] } });
        compare(r.buySum, 70000);
        compare(r.sellSum, 70000);
        compare(r.data[0].value, "4.0000");
        compare(r.data[0].ratio, "57.1");    // 40000 / 70000
        compare(r.data[6].ratio, "42.9");    // 30000 / 70000
        compare(r.mBuySum, "5");
        compare(r.mSellSum, "5");
        compare(r.raw.f124, 1700000000);      // the update time is not summed
        compare(r.raw.f6, 120000);
        fuzzyCompare(r.raw.f184, 400 / 120000 * 100, 1e-9);
        fuzzyCompare(r.raw.f69, 19000 / 120000 * 100, 1e-9);
        compare(r.raw.f75, 0);
    }

    function test_flow_table_and_history_bars() {
        var r = JSQuote.formatToday({ data: { diff: [{ f64: 30000, f70: 10000, f76: 5000, f82: 5000, f65: 20000,
            f71: 20000, f77: 6000, f83: 4000, f164: -20000, f166: 10000, f168: 0, f170: 0, f172: 0,
            f252: 60000, f253: -40000, f254: 0, f255: 0, f256: 0 }] } });
        var rows = JSQuote.flowRows(r);
        // In 万: 3 against 2, 1 against 2, 0.5 against 0.6, 0.5 against 0.4.
        compareText(rows.map(function (x) { return x.name + " " + x.inflow + " " + x.outflow + " " + x.net; }),
                ["超大单 3 2 1", "大单 1 2 -1", "中单 1 1 0", "小单 1 0 1"]);
        compare(rows.map(function (x) { return x.bar; }), [1, -1, 0, 1]);
        compare(rows[0].inRatio, "60.00%");
        compare(rows[0].outRatio, "40.00%");
        // Values -2, 1, 0, 0, 0 and 6, -4, 0, 0, 0: min -4, max 6, s = 10.
        var b = JSQuote.historyBars(r.day5, r.day20);
        compare(b.day5[0].start, 0.2);      // |-4 - -2| / 10
        compare(b.day5[0].width, 0.2);
        compare(b.day5[1].start, 0.4);      // |min| / s
        compare(b.day5[1].width, 0.1);
        compare(b.day20[0].start, 0.4);
        compare(b.day20[0].width, 0.6);
        compare(b.day20[1].start, 0);
        compare(b.day20[1].width, 0.4);
        // All negative: s = |min|.
        var n = JSQuote.historyBars([{ value: "-1" }], [{ value: "-4" }]);
        compare(n.day5[0].start, 0.75);
        compare(n.day5[0].width, 0.25);
        compare(n.day20[0].start, 0);
        compare(n.day20[0].width, 1);
        verify(!JSQuote.isEmptyFlow(r));
        verify(JSQuote.isEmptyFlow(JSQuote.formatToday({ data: { diff: [{}] } })));
    }

    function test_today_edge_replies() {
        compare(JSQuote.formatToday(null), null);
        compare(JSQuote.formatToday({ data: null }), null);
        compare(JSQuote.formatToday({ data: { diff: "x" } }), null);
        compare(JSQuote.formatToday({ data: { diff: [] } }), null);
        var r = JSQuote.formatToday({ data: { diff: [{ f64: "abc", f65: true }] } });
        compare(r.data[0].value, "-");         // text where a number belongs: "-"
        compare(r.data[0].ratio, "-");
        compare(r.data[7].value, "-");         // true where a number belongs
        compare(r.data[1].ratio, "-");         // missing
        compare(r.mBuySum, "-");
    }

    function test_history() {
        compare(JSQuote.formatHistory({ data: {} }, 1), null);
        compare(JSQuote.formatHistory({}, 2), null);
        var lines = [];
        for (var i = 0; i < 70; ++i)
            lines.push("2026-09-" + (10 + i) + "," + (i * 10000) + ",20000,30000,40000,50000");
        lines.splice(20, 0, "2026-bad,1");  // too few fields: skipped
        var c = JSQuote.formatHistory({ data: { klines: lines } }, 1);
        compare(c.xaxis.length, 63);
        compare(c.xaxis[0], "2026-09-17");
        compare(c.series.length, 5);
        var names = ["主力净流入", "超大单净流入", "大单净流入", "中单净流入", "小单净流入"];
        var colours = ["#FE3EE1", "#900000", "#FF1117", "#FFB83D", "#94C4EE"];
        var firsts = [7, 5, 4, 3, 2];
        for (var s = 0; s < 5; ++s) {
            compareText(c.series[s].name, names[s]);
            compare(c.series[s].color, colours[s]);
            compareText(c.series[s].suffix, "万元");
            compare(c.series[s].data.length, 63);
            compare(c.series[s].data[0], firsts[s]);
        }
        var row = "2026-12-08,123456789,-5000,0,1234567890123,98765,1.5,-0.2,0,3.25,0.1,10.00,1.00,0,0";
        var html = JSQuote.formatHistory({ data: { klines: ["2026-12-07<b>,1,1,1,1,1", "2026-12-05,0,0,0,0,0,0,0,0,0,0,0,0,0,0", row] } }, 2);
        compareText(html, "<tr><td>2026-12-08</td>"
                + "<td><span class=\"red\">1.23亿</span></td><td><span class=\"red\">1.50%</span></td>"
                + "<td><span class=\"red\">9.88万</span></td><td><span class=\"red\">0.10%</span></td>"
                + "<td><span class=\"red\">1.23万亿</span></td><td><span class=\"red\">3.25%</span></td>"
                + "<td><span>0.00</span></td><td><span>0.00%</span></td>"
                + "<td><span class=\"green\">-5000.00</span></td><td><span class=\"green\">-0.20%</span></td></tr>"
                + "<tr><td>2026-12-05</td>" + "<td><span>0.00</span></td><td><span>0.00%</span></td>".repeat(5) + "</tr>");
        compareText(JSQuote.autoUnit(-123456789), "-1.23亿");
        compareText(JSQuote.autoUnit(12345), "1.23万");
        compare(JSQuote.escapeHtml("a'<\\"), "a&#39;&lt;\\");
    }

    function test_statistics_model() {
        JSQuote.getMarketStatisticsModel(model, { HS: [{ name: "涨停", section: "a", count: 5, type: 1 },
            { name: "跌停", section: "b", count: 20, type: -1 }, { section: "up_counts", count: 300 },
            { section: "down_counts", count: 300 }] }, "HS");
        compare(model.count, 2);
        compare(model.get(0).ratio, 0.25);
        compare(model.get(1).ratio, 1);
        JSQuote.getMarketStatisticsModel(model, { HS: [{ section: "up_counts", count: 1 }] }, "HS");
        compare(model.count, 0);
        JSQuote.getMarketStatisticsModel(model, { HS: "x" }, "HS");
        compare(model.count, 0);
    }

    // A suspended stock or a damaged reply: a field that is "-", missing, not
    // a number or infinite shows "-" in its value, its ratio, the main sums
    // and the table, never 0.
    function test_today_without_figures_data() {
        return [
            { tag: "dash", v: "-" }, { tag: "missing", v: undefined }, { tag: "empty", v: "" },
            { tag: "text", v: "abc" }, { tag: "infinite", v: "Infinity" }, { tag: "null", v: null },
            { tag: "boolean", v: true },
        ];
    }
    function test_today_without_figures(row) {
        var d = { f64: 30000, f70: 10000, f76: 5000, f82: 5000, f65: 20000, f71: 20000, f77: 6000, f83: 4000,
                  f164: 10000, f252: 10000 };
        // The super-large inflow and the 5- and 20-day main nets carry no figure.
        d.f64 = row.v;
        d.f164 = row.v;
        d.f252 = row.v;
        if (row.v === undefined) {
            delete d.f64; delete d.f164; delete d.f252;
        }
        var r = JSQuote.formatToday({ data: { diff: [d] } });
        compareText(r.data[0].name, "超大单流入");
        compare(r.data[0].value, "-");
        compare(r.data[0].ratio, "-");
        compareText(r.data[0].showInfo, "超大单流入 -万元 -%");
        compare(r.data[1].value, "1.0000");               // 10000 / 10000
        compare(r.data[1].ratio, "50.0");                 // of the known inflows, 20000
        compare(r.mBuySum, "-");
        compare(r.mSellSum, "4");                         // (20000 + 20000) / 10000
        compare(r.day5[0].value, "-");
        compare(r.day20[0].value, "-");
        var rows = JSQuote.flowRows(r);
        compare([rows[0].inflow, rows[0].outflow, rows[0].net, rows[0].inRatio, rows[0].outRatio],
                ["-", "2", "-", "-", "40.00%"]);
        compare([rows[1].inflow, rows[1].outflow, rows[1].net], ["1", "2", "-1"]);
        verify(!JSQuote.isEmptyFlow(r));
    }
    function test_suspended_stock_is_no_flow() {
        var r = JSQuote.formatToday({ data: { diff: [{ f64: "-", f70: "-", f76: "-", f82: "-", f65: "-", f71: "-",
                                                       f77: "-", f83: "-", f6: "-" }] } });
        compare(r.data.map(function (x) { return x.value + " " + x.ratio; }),
                ["- -", "- -", "- -", "- -", "- -", "- -", "- -", "- -"]);
        compare([r.mBuySum, r.mSellSum], ["-", "-"]);
        verify(JSQuote.isEmptyFlow(r));
    }

    // A reply far longer than a list shows: the newest rows only, newest
    // first, filled in one step; the marks come from the same rows.
    function rowsOf(n, date) {
        var rows = [];
        for (var i = 0; i < n; ++i)
            rows.push({ id: "r" + i, title: "t" + i, pubdate: date(i) });
        return rows;
    }
    function dayText(i) {
        // Day i after 2000-01-01, one a row (the reply oldest first).
        return Qt.formatDate(new Date(2000, 0, 1 + i), "yyyy-MM-dd");
    }
    function test_long_replies_keep_the_newest_rows() {
        compare(NewsList.maxRows, 300);
        var rows = rowsOf(1000, dayText);
        var inserts = 0;
        function counter() { inserts += 1; }
        model.rowsInserted.connect(counter);
        NewsList.getJsonModel(model, { data: rows });
        model.rowsInserted.disconnect(counter);
        compare(inserts, 1, "the model is filled in one step");
        compare(model.count, 300);
        compare(model.get(0).title, "t999");
        compare(model.get(299).title, "t700");
        var m = NewsList.researchMarks({ data: rows }, "http://h/r?id={{id}}", JSUtil.tagRplace);
        compare(m.data.length, 300);
        compare(m.data[0].detailed, "t700");
        compare(m.data[299].detailed, "t999");
        // One date shared by many rows: the reply's order among them.
        var same = rowsOf(410, function (i) { return i < 400 ? "2026-12-01" : "2026-12-08"; });
        NewsList.getJsonModel(model, { data: same });
        compare(model.count, 300);
        compare([model.get(0).title, model.get(9).title, model.get(10).title, model.get(299).title],
                ["t400", "t409", "t0", "t289"]);
        // A short reply keeps its own order.
        NewsList.getJsonModel(model, { data: rowsOf(3, dayText) });
        compare([model.get(0).title, model.get(2).title], ["t0", "t2"]);
    }
    function test_a_230000_row_reply() {
        var rows = rowsOf(230000, function (i) { return dayText(i % 9000); });
        var started = Date.now();
        NewsList.getJsonModel(model, { data: rows });
        var m = NewsList.researchMarks({ data: rows }, "http://h/r?id={{id}}", JSUtil.tagRplace);
        console.log("230000 rows: list and marks in " + (Date.now() - started) + " ms");
        // As the list does it: the rows picked once, for both.
        started = Date.now();
        var kept = { data: NewsList.keptRows({ data: rows }) };
        NewsList.getJsonModel(model, kept);
        NewsList.researchMarks(kept, "http://h/r?id={{id}}", JSUtil.tagRplace);
        console.log("230000 rows: rows picked once, list and marks in " + (Date.now() - started) + " ms");
        compare(kept.data.length, 300);
        compare(model.count, 300);
        compare(m.data.length, 300);
        compare(model.get(0).pubdate, dayText(8999));
    }

    function test_news_helpers() {
        NewsList.getJsonModel(model, { data: [{ id: 7, title: "甲", pubdate: "2026-12-08", extra: "e" }, "x",
                                              { title: null, tags: [1] }] });
        compare(model.count, 2);
        compare(model.get(0).id, "7");
        compare(model.get(0).extra, "e");
        compare(model.get(1).title, "");
        NewsList.getJsonModel(model, { data: "oops" });
        compare(model.count, 0);
        NewsList.getJsonModel(model, null);
        compare(model.count, 0);
        // Three reports: three marks, the last row first, at local midnight.
        var m = NewsList.researchMarks({ data: [{ id: "a", title: "一", pubdate: "2026-12-08" },
            { id: "b", title: "二", pubdate: "2026-12-07" }, { id: "c", title: "三", pubdate: "2026-12-04 10:00" }] },
            "http://h/r?id={{id}}", JSUtil.tagRplace);
        compare(m.name, "research");
        compare(m.data.length, 3);
        compareText(m.data[0].detailed, "三");
        compare(m.data[0].url, "http://h/r?id=c");
        compare(m.data[0].time, new Date(2026, 11, 4).getTime() / 1000);
        compareText(m.data[2].detailed, "一");
        compare(m.data[1].type, "text");
        compare(m.data[1].color, "#FF0000");
        compare(m.data[1].content, "R");
        compare(NewsList.researchMarks({ data: null }, "", JSUtil.tagRplace).data.length, 0);
    }

    // The back end's replies through the module: today's flow adds up, the
    // history gives the 63-day chart, the news list fills a model.
    function test_live_replies() {
        var today = null, history = null, news = null;
        var listUrl = JSUtil.tagRplace(baseService.getServerAddressValue("url.stock_news_list"), { code: "600000", market: 1 });
        NewsList.getStockNewsList(listUrl, {}, function (ok, json) { news = { ok: ok, json: json }; });
        JSQuote.getTodayZJLX({ code: "600000", market: 1 }, function (ok, r) { today = { ok: ok, r: r }; });
        JSQuote.getHistoryZJLX({ code: "600000", market: 1 }, 1, function (ok, r) { history = { ok: ok, r: r }; });
        tryVerify(function () { return today && history && news; }, 10000);
        verify(today.ok, JSON.stringify(today.r));
        compare(today.r.data.length, 8);
        var inRatios = 0;
        for (var i = 0; i < 4; ++i)
            inRatios += Number(today.r.data[i].ratio);
        fuzzyCompare(inRatios, 100, 0.25);
        verify(history.ok);
        compare(history.r.xaxis.length, 63);
        verify(news.ok);
        NewsList.getJsonModel(model, news.json);
        verify(model.count > 0);
        var failed = null;
        JSQuote.getHistoryZJLX({ code: "999999", market: 1 }, 1, function (ok, r) { failed = { ok: ok, r: r }; });
        tryVerify(function () { return failed !== null; }, 10000);
        compare(failed.ok, false);
        compareText(failed.r, "数据格式错误");
    }

    function test_byline() {
        compareText(NewsList.byline("本地资讯", "2026-12-08"), "撰写作者:本地资讯  发布日期:2026-12-08");
        compareText(NewsList.byline(undefined, null), "撰写作者:  发布日期:", "a missing author or date is no text");
    }

    function test_listFlag_data() {
        return [
            { tag: "a list whose rows open pages", flag: "research_list,research_view", list: "research_list", page: "research_view" },
            { tag: "a list alone", flag: "news_list", list: "news_list", page: "" },
            { tag: "an empty page key", flag: "news_list,", list: "news_list", page: "" },
            { tag: "nothing", flag: "", list: "", page: "" },
        ];
    }
    function test_listFlag(row) {
        compare(NewsList.listFlag(row.flag), { list: row.list, page: row.page });
    }
}

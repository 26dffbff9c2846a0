import QtQuick 2.15
import QtTest 1.15
import HFileIO 1.0
import "qrc:/qml/" as App
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/MQChartFormula.js" as JSFormula

// The stock view's dialogs: the crosshair pop-up over a stub pane, the
// parameter dialog over a stub service, the overlay picker over the stock
// dictionary and superposition.json.
Item {
    id: top
    width: 800
    height: 600

    HFileIO { id: fileIO }
    App.PPoint { id: ppoint }
    App.QSuperpositionEdit { id: picker; x: 300; y: 100 }
    SignalSpy { id: added; target: picker; signalName: "addSuperChart" }
    SignalSpy { id: removed; target: picker; signalName: "removeSuperChart" }

    // A pane with bars given as {tag: value} and date texts; a missing bar
    // reads as the chart's no-value (Infinity) and an empty text.
    function stubChart(type, bars, pos) {
        return {
            getLineType: function () { return type; },
            getCrosshairPos: function () { return pos; },
            getDecimal: function () { return 2; },
            getPosDataF: function (i, tag) {
                return bars[i] && bars[i][tag] !== undefined ? bars[i][tag] : Infinity;
            },
            getPosDataS: function (i, tag) { return bars[i] && tag === "date" ? bars[i].date : ""; }
        };
    }
    // Label, text and colour of each row of the pop-up.
    function shownRows() {
        var out = [];
        for (var i = 0; i < ppoint.rows.length; ++i) {
            var row = find(ppoint, "ppointRow_" + i);
            out.push(row.label.text + " " + row.value.text + " " + String(row.value.color));
        }
        return out;
    }
    function find(item, name) {
        if (item.objectName === name)
            return item;
        for (var i = 0; i < item.children.length; ++i) {
            var r = find(item.children[i], name);
            if (r)
                return r;
        }
        return null;
    }

    TextCase {
        name: "PPoint"
        when: windowShown

        // The chart's date text is "yyyy-MM-dd dddd HH:mm:ss" in the zh_CN
        // locale: the weekday takes three characters.
        function test_dateTextOfTheChart() {
            compareText(new Date(2026, 0, 5, 9, 31).toLocaleString(Qt.locale("zh_CN"), "yyyy-MM-dd dddd HH:mm:ss"),
                    "2026-01-05 星期一 09:31:00");
            // Another locale's weekday names give the same minute text.
            var chart = stubChart("mline", [{ date: "2026-01-05 Monday 09:31:00" }], 0);
            ppoint.setChartType("mline");
            ppoint.setData(chart);
            compareText(find(ppoint, "ppointDate").text, "时间: 01-05 09:31");
            ppoint.setChartType("kline");
            ppoint.setData(chart);
            compare(find(ppoint, "ppointDate").text, "2026-01-05 Mon");
            // Opaque: the candles under it do not show through its figures.
            compare(ppoint.color.a, 1);
        }

        function test_minuteChart() {
            // Bar 0's previous close 10 is the reference; bar 3's own (10.30)
            // is not.
            var bars = [{ p_close: 10 }, {}, {}, {
                date: "2026-01-05 星期一 09:31:00", open: 10.25, high: 10.25, low: 10.25, close: 10.25,
                avg_price: 10.1, p_close: 10.3, vol: 123456, sum: 234567890 }];
            var chart = stubChart("mline", bars, 3);
            ppoint.setChartType(chart);
            verify(ppoint.isMinute);
            ppoint.setData(chart);
            compareText(find(ppoint, "ppointDate").text, "时间: 01-05 09:31");
            compareText(shownRows(), [
                "开盘 10.25 #ff0000", "最高 10.25 #ff0000", "最低 10.25 #ff0000", "最新 10.25 #ff0000",
                "均价 10.10 #ff0000", "涨跌额 0.25 #ff0000", "涨跌幅 2.50% #ff0000",
                "成交量 12.35万 #ffffff", "成交额 2.35亿 #ffffff"]);
        }

        function test_kLine() {
            // The bar's own previous close 10.50 is the reference.
            var bars = [{ p_close: 3 }, {
                date: "2026-01-02 星期五 00:00:00", open: 10.5, high: 10.6, low: 10.2, close: 10.29,
                avg_price: 10.4, p_close: 10.5, vol: 9999, sum: 100000000 }];
            ppoint.setChartType("kline");
            verify(!ppoint.isMinute);
            ppoint.setData(stubChart("kline", bars, 1));
            compareText(find(ppoint, "ppointDate").text, "2026-01-02 星期五");
            // 10.29 - 10.50 = -0.21, / 10.50 = -2.00 %; exactly 1e8 is not above 1e8.
            compareText(shownRows(), [
                "开盘 10.50 #ffffff", "最高 10.60 #ff0000", "最低 10.20 #00ff00", "收盘 10.29 #00ff00",
                "均价 10.40 #00ff00", "涨跌额 -0.21 #00ff00", "涨跌幅 -2.00% #00ff00",
                "成交量 9999 #ffffff", "成交额 10000.00万 #ffffff"]);
        }

        function test_noBarAndNoReference() {
            ppoint.setChartType("kline");
            ppoint.setData(stubChart("kline", [], 0));
            compare(find(ppoint, "ppointDate").text, "");
            compare(ppoint.rows.map(function (r) { return r.text; }), ["-", "-", "-", "-", "-", "-", "-", "-", "-"]);
            // A zero previous close: no change instead of a division by zero.
            // The rows are the same items, with new texts.
            var closeRow = find(ppoint, "ppointRow_3");
            ppoint.setData(stubChart("kline", [{ close: 5, p_close: 0, vol: 0, sum: 0 }], 0));
            compare(find(ppoint, "ppointRow_3"), closeRow);
            compare(closeRow.value.text, "5.00");
            compare(ppoint.rows[5].text, "-");
            compare(ppoint.rows[6].text, "-");
            compare(ppoint.rows[7].text, "0");
        }
    }

    Component {
        id: paramDialog
        App.QFormulaParamSet {}
    }

    TextCase {
        name: "QFormulaParamSet"

        // The catalogue's service as the dialog uses it: current values,
        // defaults and the stored JSON.
        function stubService() {
            var s = {
                current: { "TEST": [{ name: "N", value: 0.5, min: 0.1, max: 2 }, { name: "M", value: 20, min: 2, max: 60 }] },
                defaults: { "TEST": [{ name: "N", value: 1, min: 0.1, max: 2 }, { name: "M", value: 12, min: 2, max: 60 }] },
                sent: [],
                getFormula: function (name) { return s.current[name] || null; },
                getFormulaDefault: function (name) { return s.defaults[name] || null; },
                setFormulaParam: function (name, json) {
                    s.sent.push(JSON.stringify(json));
                    var list = s.current[name];
                    for (var i = 0; i < list.length; ++i)
                        list[i].value = json.args[i].value;
                }
            };
            return s;
        }
        // Types into row i's field as a user would and finishes the entry.
        function type(dlg, i, text) {
            var input = dlg.spinAt(i).contentItem;
            input.remove(0, input.length);
            input.insert(0, text);
            input.editingFinished();
        }

        function test_valuesClampingResetAndTheJsonSent() {
            var service = stubService();
            var dlg = createTemporaryObject(paramDialog, top, { service: service });
            var finals = createTemporaryObject(spyComponent, top, { target: dlg, signalName: "formulaParamSetFinal" });
            compareText(dlg.title, "指标设置");
            compare(dlg.modality, Qt.ApplicationModal);
            dlg.setFormulaName("TEST");
            compare(dlg.params.length, 2);
            var n = dlg.spinAt(0);
            compare(n.value, 5000);              // 0.5 held as 5000
            compare(n.displayText, "0.5");
            compare(n.contentItem.text, "0.5");
            compare([n.from, n.to], [1000, 20000]);
            compare(dlg.spinAt(1).displayText, "20");
            compare(service.sent.length, 0);     // loading stores nothing

            type(dlg, 0, "3");                   // above the maximum 2
            compare(n.value, 20000);
            compare(n.contentItem.text, "2");
            compare(service.sent, ['{"args":[{"name":"N","value":2,"min":0.1,"max":2},'
                                   + '{"name":"M","value":20,"min":2,"max":60}]}']);
            compare(finals.count, 1);

            type(dlg, 1, "1.5");                 // below the minimum 2
            compare(dlg.spinAt(1).value, 20000);
            compare(JSON.parse(service.sent[1]).args[1].value, 2);
            type(dlg, 1, "7.25");
            compare(dlg.spinAt(1).displayText, "7.25");
            compare(JSON.parse(service.sent[2]).args[1].value, 7.25);
            compare(finals.count, 3);

            type(dlg, 1, "7.25");                // no change, nothing sent
            type(dlg, 1, ".");                   // no number: the value stays
            compare(dlg.spinAt(1).contentItem.text, "7.25");
            compare(service.sent.length, 3);

            // The arrows step by one of the shown value, as a change.
            dlg.spinAt(1).increase();
            dlg.spinAt(1).valueModified();
            compare(JSON.parse(service.sent[3]).args[1].value, 8.25);

            dlg.reset();
            compare(dlg.spinAt(0).displayText, "1");
            compare(dlg.spinAt(1).displayText, "12");
            compare(JSON.parse(service.sent[4]).args.map(function (a) { return a.value; }), [1, 12]);
            compare(finals.count, 5);
        }

        // Reset after a click on an arrow, with values equal to the defaults:
        // the rows show and store the defaults, not the clicked value.
        function test_resetAfterTheArrows() {
            var service = stubService();
            service.current.TEST = [{ name: "N", value: 1, min: 0.1, max: 2 }, { name: "M", value: 12, min: 2, max: 60 }];
            var dlg = createTemporaryObject(paramDialog, top, { service: service });
            dlg.setFormulaName("TEST");
            dlg.show();
            tryCompare(dlg, "visible", true);
            var m = dlg.spinAt(1);
            mouseClick(m.up.indicator);
            compare(m.displayText, "13");
            compare(JSON.parse(service.sent[0]).args[1].value, 13);
            // The catalogue has the changed value now; its defaults are those shown before.
            service.current.TEST = [{ name: "N", value: 1, min: 0.1, max: 2 }, { name: "M", value: 13, min: 2, max: 60 }];
            dlg.reset();
            compare(dlg.spinAt(1).displayText, "12");
            compare(JSON.parse(service.sent[1]).args[1].value, 12);
            dlg.close();
        }

        function test_unknownFormulaGivesNoRows() {
            var service = stubService();
            var dlg = createTemporaryObject(paramDialog, top, { service: service });
            dlg.setFormulaName("NONE");
            compare(dlg.params.length, 0);
            dlg.reset();
            compare(service.sent.length, 0);
        }
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    TextCase {
        name: "QSuperpositionEdit"
        when: windowShown

        function addStock(code, market, name, type, pinyin) {
            Sql.dbExecuteSql("Replace INTO StockDictionary(code,market,name,type,pinyin,active) VALUES(?, ?, ?, ?, ?, ?)",
                             [code, market, name, type, pinyin, ""]);
        }
        function initTestCase() {
            Sql.dbInit();
            for (var i = 0; i < 3; ++i)
                addStock(String(600000 + i), 1, "沪市00" + i, 2, "HS00" + i);
            addStock("1A0001", 1, "上证指数", 1, "SZZS");
            addStock("399001", 2, "深证成指", 1, "SZCZ");
            addStock("510050", 1, "上证50ETF", 3, "SZ50ETF");
            addStock("580001", 1, "某权证", 9, "SZQZ");
            fileIO.writedFileDefaultPath("superposition.json",
                                         JSON.stringify({ kline: [{ code: "600001", market: 1 }], mline: [] }));
        }
        function init() { added.clear(); removed.clear(); }
        function rowTexts() {
            return picker.rows.map(function (r) { return r.type_name + " " + r.code + " " + r.name; });
        }

        function test_rowsAndTheAddButton() {
            picker.show("kline");
            verify(picker.opened);
            compareText(picker.input.placeholderText, "请输入代码或拼音");
            picker.input.text = "SZ";            // command rows (type 0) are left out
            compareText(rowTexts(), ["指数 1A0001 上证指数", "指数 399001 深证成指", "基金 510050 上证50ETF",
                                 "未知 580001 某权证"]);
            picker.input.text = "HS00";
            compareText(rowTexts(), ["股票 600000 沪市000", "股票 600001 沪市001", "股票 600002 沪市002"]);
            waitForRendering(picker.list);
            verify(find(picker.list, "superRow_0").addShown);
            verify(!find(picker.list, "superRow_1").addShown);   // already an overlay of K-lines
            picker.removeRow(0);                  // not an overlay: nothing
            compare(removed.count, 0);
            picker.removeRow(1);
            compare(removed.count, 1);
            compare([removed.signalArguments[0][0], removed.signalArguments[0][1], removed.signalArguments[0][2]],
                    ["600001", 1, "kline"]);

            // The view takes the stock: its button goes.
            var take = function (code, market, chart) { JSFormula.addSuperposition(chart, code, market); };
            picker.addSuperChart.connect(take);
            picker.addRow(0);
            picker.addSuperChart.disconnect(take);
            compare(added.count, 1);
            compare(added.signalArguments[0][0], "600000");
            compare(added.signalArguments[0][1], 1);
            compare(added.signalArguments[0][2], "kline");
            verify(picker.rows[0].present);
            picker.addRow(1);                     // present: nothing
            compare(added.count, 1);

            // Minute overlays are a list of their own.
            picker.show("mline");
            verify(!picker.rows[0].present && !picker.rows[1].present);
            picker.addRow(2);
            compare(added.signalArguments[1][2], "mline");
            picker.hide();
            verify(!picker.opened);
        }

        function test_escapeCloses() {
            picker.show("kline");
            tryVerify(function () { return picker.input.activeFocus; });
            keyClick(Qt.Key_Escape);
            tryVerify(function () { return !picker.opened; });
        }
    }
}

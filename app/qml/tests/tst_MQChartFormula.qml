import QtQuick 2.15
import QtTest 1.15
import HFileIO 1.0
import "qrc:/qml/js/MQChartFormula.js" as JSFormula

// The stock view's pane layout file in the test's own data directory.
Item {
    HFileIO { id: fileio }
    ListModel { id: model }

    TextCase {
        name: "MQChartFormula"

        function init() {
            fileio.writedFileDefaultPath("formula_map.json", "");
            JSFormula.setFileIO(fileio);
        }
        function stored() { return JSON.parse(fileio.readFileDefaultPath("formula_map.json")); }
        function names(list) { return list.map(function (e) { return e.fname; }); }

        function test_missing_file_gets_the_default_layout() {
            compare(names(JSFormula.getFormulaMap("kline").main_charts), ["KLINE", "Sulvane"]);
            var m = stored();
            compare(names(m.kline.sub_charts), ["Lumeth", "KD"]);
            compare(names(m.mline.main_charts), ["MLINE"]);
            compareText(names(m.mline.sub_charts), ["分时成交", "MACD"]);
            compare(m.mline.main_charts[0].s, "MSCALES");
            compare(m.mline.main_charts[0].c, "MCROSSHAIR");
            compare(m.kline.main_charts[1].s, "NO");
            compareText(m.kline.main_charts[0].name, "K线");
        }

        function test_add_and_remove() {
            verify(!JSFormula.isExistFormulaMap("kline", "sub_charts", "MACD"));
            JSFormula.addFormulaMap("kline", "sub_charts", "MACD", "KSCALES", "KCROSSHAIR");
            JSFormula.addFormulaMap("kline", "sub_charts", "MACD", "KSCALES", "KCROSSHAIR");
            compare(names(stored().kline.sub_charts), ["Lumeth", "KD", "MACD"]);
            compare(JSFormula.removeFormulaMap("kline", "sub_charts", "KD"), 1);
            compare(JSFormula.removeFormulaMap("kline", "sub_charts", "KD"), -1);
            compare(names(stored().kline.sub_charts), ["Lumeth", "MACD"]);
        }

        function test_keep_one_formula_and_groups() {
            JSFormula.removeOtherFormulaMap("kline", "main_charts", "BOLL");
            compare(names(stored().kline.main_charts), ["KLINE"]);
            JSFormula.setFormaulas("kline", ["BOLL"], ["VOL", "RSI"]);
            var m = stored();
            compare(names(m.kline.main_charts), ["KLINE", "BOLL"]);
            compare(names(m.kline.sub_charts), ["VOL", "RSI"]);
            compare(m.kline.sub_charts[1].s, "KSCALES");
            compareText(names(m.mline.sub_charts), ["分时成交", "MACD"]);
        }

        function test_at_most_five_overlays() {
            fileio.writedFileDefaultPath("superposition.json", "");
            compare(JSFormula.getSuperposition("kline"), []);
            for (var i = 1; i <= 5; ++i)
                compare(JSFormula.addSuperposition("kline", "60000" + i, 1), "added");
            compare(JSFormula.addSuperposition("kline", "600003", 1), "present");
            compare(JSFormula.addSuperposition("kline", "600009", 1), "full");
            compare(JSFormula.addSuperposition("mline", "600009", 1), "added");
            var m = JSON.parse(fileio.readFileDefaultPath("superposition.json"));
            compare(m.kline.length, 5);
            compare(m.kline[4], { code: "600005", market: 1 });
            compare(m.mline.length, 1);
            // Removing one frees a place; a stock that is not there changes nothing.
            verify(JSFormula.removeSuperposition("kline", "600002", 1));
            verify(!JSFormula.removeSuperposition("kline", "600002", 1));
            verify(!JSFormula.removeSuperposition("kline", "600003", 2));
            compare(JSFormula.getSuperposition("kline").map(function (e) { return e.code; }),
                    ["600001", "600003", "600004", "600005"]);
            compare(JSFormula.addSuperposition("kline", "600009", 1), "added");
            JSFormula.clearSuperposition("kline");
            compare(JSFormula.getSuperposition("kline"), []);
            compare(JSFormula.getSuperposition("mline").length, 1);
        }

        function test_tool_bar_models() {
            JSFormula.formatToolsBarModel(model, ["VOL", "分时成交", "KD", "RSI"], "kline", "sub_charts");
            compare(model.count, 3);
            compare(model.get(0).name, "VOL");
            compare(model.get(1).name, "KD");
            verify(model.get(1).select);
            verify(!model.get(2).select);
            compare(JSON.parse(model.get(1).flag).type, "sub_charts");

            JSFormula.formatHbtnModel(model, ["VOL", "MACD", "KD"], "mline", "sub_charts");
            compare(model.count, 1);
            compare(model.get(0).name, "MACD");   // the first selected; VOL is left out for minutes
            compare(model.get(0).menuItems.count, 2);
        }
    }
}

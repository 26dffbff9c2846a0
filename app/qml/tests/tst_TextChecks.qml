// The text checks of the QML tests: texts escaped and described as a failed
// compareText() reports them.
import QtQuick 2.15
import QtTest 1.15
import "TextChecks.js" as TextChecks

TextCase {
    id: checks
    name: "TextChecks"

    function test_escaped_data() {
        return [
            { tag: "ASCII", text: "600000 A", want: "600000 A" },
            { tag: "Chinese", text: "涨幅", want: "\\u6DA8\\u5E45" },
            { tag: "mixed", text: "上证指数(1A0001)", want: "\\u4E0A\\u8BC1\\u6307\\u6570(1A0001)" },
            { tag: "controls", text: "a\nb\t", want: "a\\u000Ab\\u0009" },
            { tag: "full-width space", text: "\u3000", want: "\\u3000" },
            { tag: "empty", text: "", want: "" }
        ];
    }
    function test_escaped(row) {
        compare(TextChecks.escaped(row.text), row.want);
    }

    function test_mismatch_names_both_texts() {
        compareText(TextChecks.mismatch("涨", "跌", "the header"),
                "the header: the texts differ\n   Actual   : \"涨\" (\\u6DA8)\n   Expected : \"跌\" (\\u8DCC)");
        compare(TextChecks.describe(5), "\"5\" (5)");
    }

    function test_compareText_passes_equal_values() {
        compareText("自选股", "自选股");
        compareText(3, 3);
        compareText({ a: "涨" }, { a: "涨" });
    }

    function test_holdsChinese_data() {
        return [
            { tag: "text", v: "自选股1", want: true },
            { tag: "full-width punctuation", v: "（", want: true },
            { tag: "ASCII text", v: "600000", want: false },
            { tag: "list", v: ["a", ["b", "涨"]], want: true },
            { tag: "record", v: { name: "a", rows: [{ title: "跌" }] }, want: true },
            { tag: "deeper than looked", v: [[[[["涨"]]]]], want: false },
            { tag: "number", v: 5, want: false },
            { tag: "null", v: null, want: false },
            { tag: "an item", v: checks, want: false }
        ];
    }
    function test_holdsChinese(row) {
        compare(TextChecks.holdsChinese(row.v), row.want);
    }

    function test_valueMismatch_shows_lists_as_json() {
        compareText(TextChecks.valueMismatch(["涨"], ["跌"]),
                "the values differ\n   Actual   : \"[\"涨\"]\" ([\"\\u6DA8\"])\n   Expected : \"[\"跌\"]\" ([\"\\u8DCC\"])");
        compare(TextChecks.valueMismatch([1], [2]), "");
    }

    function test_tryCompareText_waits_for_the_text() {
        var item = createTemporaryQmlObject("import QtQuick 2.15; Item { property string t: \"\" }", checks);
        Qt.callLater(function () { item.t = "自选股"; });
        tryCompareText(item, "t", "自选股");
    }
}

import QtQuick 2.15
import QtTest 1.15
import HDatetime 1.0
import HFileIO 1.0
import HRoute 1.0
import HUtil 1.0
import QCrypto 1.0
import "qrc:/qml/js/JSUtil.js" as JSUtil

// Placeholder filling and date texts, and the utility types as QML sees them;
// expected values written out by hand.
Item {
    HDatetime { id: datetime }
    HFileIO { id: fileio }
    HRoute { id: route }
    HUtil { id: util }
    QCrypto { id: crypto }

    TextCase {
        name: "UtilityTypes"

        function test_route_is_an_object() {
            var r = route.getRoute("app://curview/?tab=1#chart=f10&tab=2");
            compare(r.host, "curview");
            compare(r.port, -1);
            compare(r.query_map.chart, "f10");
            compare(r.query_map.tab, "2");
        }

        function test_unparsable_time_is_undefined() {
            compare(datetime.fromStringV("2024-02-30", "yyyy-MM-dd"), undefined);
            compare(typeof datetime.fromStringV("2024-02-29", "yyyy-MM-dd"), "number");
        }

        function test_formatters_take_numbers() {
            compareText(util.formatVol(150000000), "1.50亿");
            compare(util.formatPrice(0, 2), "-");
            compare(util.getPriceColor(0, 5), "#FFFFFF");
            compareText(crypto.decode(crypto.encode("记住密码")), "记住密码");
        }

        function test_files_by_name() {
            verify(fileio.writedFileDefaultPath("tst_util.json", "{\"a\":1}"));
            compare(fileio.readFileDefaultPath("tst_util.json"), "{\"a\":1}");
            verify(!fileio.writedFileDefaultPath("../tst_util.json", "x"));
        }
    }

    TextCase {
        name: "JSUtil"

        function test_tagRplace_data() {
            return [
                { tag: "leftovers removed", str: "a{{id}}b{{x}}", map: { id: 3 }, want: "a3b" },
                { tag: "any letter case", str: "{{ID}}-{{Id}}-{{id}}", map: { id: "7" }, want: "7-7-7" },
                { tag: "keys in the map's order", str: "{{a}}", map: { a: "{{b}}", b: "x" }, want: "x" },
                { tag: "dollar signs kept", str: "p={{pw}}", map: { pw: "a$&b$1" }, want: "p=a$&b$1" },
                { tag: "only letters and digits removed", str: "x{{a_b}}y{{ab12}}z{{}}", map: {}, want: "x{{a_b}}yz{{}}" },
                { tag: "dotted keys", str: "/api?uid={{user.id}}&sid={{user.sid}}", map: { "user.id": "42", "user.sid": "s9" },
                  want: "/api?uid=42&sid=s9" },
                { tag: "key is pattern text", str: "{{userXid}}", map: { "user.id": "1" }, want: "1" },
                { tag: "no map", str: "{{code}}.html", map: undefined, want: ".html" },
                { tag: "empty text", str: "", map: { a: 1 }, want: null },
                { tag: "missing text", str: undefined, map: { a: 1 }, want: null },
            ];
        }

        function test_tagRplace(data) {
            compare(JSUtil.tagRplace(data.str, data.map), data.want);
        }

        function test_dateFormat_data() {
            var d = new Date(2024, 0, 2, 3, 4, 5);
            var late = new Date(2023, 11, 25, 23, 59, 58);
            return [
                { tag: "padded", fmt: "yyyy-MM-dd HH:mm:ss", date: d, want: "2024-01-02 03:04:05" },
                { tag: "plain", fmt: "y-M-d H:m:s", date: d, want: "2024-1-2 3:4:5" },
                { tag: "two digits kept", fmt: "yyyy/MM/dd HH:mm:ss", date: late, want: "2023/12/25 23:59:58" },
                { tag: "longer numbers not cut", fmt: "yy", date: d, want: "2024" },
                { tag: "wider runs padded", fmt: "yyyyyy MMM", date: d, want: "002024 001" },
                { tag: "first run only", fmt: "dd.dd", date: d, want: "02.dd" },
                { tag: "no letters", fmt: "--", date: d, want: "--" },
            ];
        }

        function test_dateFormat(data) {
            compare(JSUtil.dateFormat(data.fmt, data.date), data.want);
        }
    }
}

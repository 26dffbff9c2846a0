import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/TableRows.js" as TableRows

// A quote table's row rules (js/TableRows.js): Up and Down across the rows in
// sight and across pages, the highlight following its stock through new
// rows, a new page length and the sort arrow.
TextCase {
    name: "TableRows"

    // Rows 27 px apart, 10 in sight.
    function test_step_data() {
        return [
            { tag: "no rows", dir: 1, count: 0, sel: 3, y: 0, paging: true, row: -1, scroll: 0, page: "" },
            { tag: "down in sight", dir: 1, count: 20, sel: 3, y: 0, paging: true, row: 4, scroll: 0, page: "" },
            { tag: "down to the row below sight", dir: 1, count: 20, sel: 9, y: 0, paging: true, row: 10, scroll: 1, page: "" },
            { tag: "down, scrolled", dir: 1, count: 20, sel: 12, y: 54, paging: true, row: 13, scroll: 1, page: "" },
            { tag: "down, scrolled, in sight", dir: 1, count: 20, sel: 10, y: 54, paging: true, row: 11, scroll: 0, page: "" },
            { tag: "down from none", dir: 1, count: 20, sel: -1, y: 0, paging: true, row: 0, scroll: 0, page: "" },
            { tag: "down past the last: next page", dir: 1, count: 20, sel: 19, y: 270, paging: true, row: 0, scroll: "top", page: "down" },
            { tag: "down past the last, one page", dir: 1, count: 20, sel: 19, y: 270, paging: false, row: 0, scroll: "top", page: "" },
            { tag: "up in sight", dir: -1, count: 20, sel: 5, y: 0, paging: true, row: 4, scroll: 0, page: "" },
            { tag: "up to the row above sight", dir: -1, count: 20, sel: 2, y: 54, paging: true, row: 1, scroll: -1, page: "" },
            { tag: "up to the first row in sight", dir: -1, count: 20, sel: 3, y: 54, paging: true, row: 2, scroll: 0, page: "" },
            { tag: "up past the first: page before", dir: -1, count: 20, sel: 0, y: 0, paging: true, row: 19, scroll: "bottom", page: "up" },
            { tag: "up from none", dir: -1, count: 20, sel: -1, y: 0, paging: true, row: 19, scroll: "bottom", page: "up" },
            { tag: "up past the first, one page", dir: -1, count: 5, sel: 0, y: 0, paging: false, row: 4, scroll: "bottom", page: "" },
        ];
    }

    function test_step(row) {
        var d = TableRows.step(row.dir, row.count, row.sel, row.y, 27, 10, row.paging);
        compare(d.row, row.row, "row");
        compare(d.scroll, row.scroll, "scroll");
        compareText(d.page, row.page, "page");
    }

    function stock(code, market) { return { code: code, market: market }; }
    readonly property var rows: [stock("600000", 1), stock("000001", 0), stock("600036", 1)]
    function stockAt(r) { return r >= 0 && r < rows.length ? rows[r] : null; }

    function test_follow_data() {
        var a = rows[0], b = rows[1], c = rows[2];
        return [
            { tag: "new page, others told of another", sel: 1, followed: null, told: a, waiting: false, row: 1, now: b, tell: true },
            { tag: "new page, others told of it", sel: 1, followed: null, told: stock("000001", 0), waiting: false, row: 1, now: b, tell: false },
            { tag: "new page, nobody told yet", sel: 1, followed: null, told: null, waiting: false, row: 1, now: b, tell: false },
            { tag: "new page, a click to tell", sel: 1, followed: null, told: a, waiting: true, row: 1, now: b, tell: false },
            { tag: "new page, row past the rows", sel: 5, followed: null, told: a, waiting: false, row: 5, now: null, tell: false },
            { tag: "its stock on its row", sel: 1, followed: stock("000001", 0), told: a, waiting: false, row: 1, now: b, tell: false },
            { tag: "its stock moved", sel: 1, followed: stock("600036", 1), told: a, waiting: false, row: 2, now: c, tell: false },
            { tag: "same code, other market: left", sel: 0, followed: stock("600036", 0), told: a, waiting: false, row: 0, now: a, tell: true },
            { tag: "its stock left", sel: 1, followed: stock("300750", 0), told: a, waiting: false, row: 1, now: b, tell: true },
            { tag: "its stock left, a click to tell", sel: 1, followed: stock("300750", 0), told: a, waiting: true, row: 1, now: b, tell: false },
            { tag: "its row gone", sel: 5, followed: b, told: a, waiting: false, row: 5, now: b, tell: false },
        ];
    }

    function test_follow(row) {
        var d = TableRows.follow(row.sel, row.followed, row.told, row.waiting, rows.length, stockAt);
        compare(d.row, row.row, "row");
        compare(d.followed, row.now, "followed");
        compare(d.tell, row.tell, "tell");
    }

    function test_pagedContext_data() {
        return [
            { tag: "a new length", text: "{\"block\":1,\"page_\":{\"no\":2,\"length\":20}}", rows: 25,
              ctx: "{\"block\":1,\"page_\":{\"no\":2,\"length\":25}}" },
            { tag: "the same length", text: "{\"block\":1,\"page_\":{\"no\":2,\"length\":20}}", rows: 20, ctx: "" },
            { tag: "no page", text: "{\"block\":\"银行\"}", rows: 20, ctx: "" },
            { tag: "a page of no length", text: "{\"page_\":{\"no\":0,\"length\":0}}", rows: 20, ctx: "" },
            { tag: "no context", text: "", rows: 20, ctx: "" },
            { tag: "not JSON", text: "{page", rows: 20, ctx: "" },
            { tag: "null", text: "null", rows: 20, ctx: "" },
        ];
    }

    function test_pagedContext(row) {
        compareText(TableRows.pagedContext(row.text, row.rows), row.ctx);
    }

    function test_sortClick_data() {
        return [
            { tag: "the arrow's column turns it up", column: 4, at: 4, type: 0, out: { column: 4, type: 1 } },
            { tag: "and down again", column: 4, at: 4, type: 1, out: { column: 4, type: 0 } },
            { tag: "another column keeps the direction", column: 19, at: 4, type: 1, out: { column: 19, type: 1 } },
            { tag: "the first click", column: 3, at: -1, type: 0, out: { column: 3, type: 0 } },
        ];
    }

    function test_sortClick(row) {
        compare(TableRows.sortClick(row.column, row.at, row.type), row.out);
    }

    function test_keyAction_data() {
        return [
            { tag: "Left", key: Qt.Key_Left, count: 5, sel: 2, paging: true, action: "left", accepted: true },
            { tag: "Right", key: Qt.Key_Right, count: 0, sel: -1, paging: false, action: "right", accepted: true },
            { tag: "Up", key: Qt.Key_Up, count: 5, sel: 0, paging: true, action: "up", accepted: true },
            { tag: "Down", key: Qt.Key_Down, count: 5, sel: 4, paging: false, action: "down", accepted: true },
            { tag: "Page Up", key: Qt.Key_PageUp, count: 5, sel: 2, paging: true, action: "pageUp", accepted: true },
            { tag: "Page Down", key: Qt.Key_PageDown, count: 1, sel: -1, paging: true, action: "pageDown", accepted: true },
            { tag: "Page Down, no rows", key: Qt.Key_PageDown, count: 0, sel: -1, paging: true, action: "", accepted: true },
            { tag: "Page Up, not paging", key: Qt.Key_PageUp, count: 5, sel: 2, paging: false, action: "", accepted: true },
            { tag: "Enter on a row", key: Qt.Key_Enter, count: 5, sel: 4, paging: true, action: "open", accepted: false },
            { tag: "Return on a row", key: Qt.Key_Return, count: 5, sel: 0, paging: true, action: "open", accepted: false },
            { tag: "Enter, none highlighted", key: Qt.Key_Enter, count: 5, sel: -1, paging: true, action: "", accepted: false },
            { tag: "Enter past the rows", key: Qt.Key_Return, count: 5, sel: 5, paging: true, action: "", accepted: false },
            { tag: "a letter", key: Qt.Key_A, count: 5, sel: 1, paging: true, action: "", accepted: false },
        ];
    }

    function test_keyAction(row) {
        var k = TableRows.keyAction(row.key, row.count, row.sel, row.paging);
        compare(k.action, row.action);
        compare(k.accepted, row.accepted);
    }

    function test_scrolledX_data() {
        return [
            { tag: "left", x: 30, dx: -10, cw: 900, w: 400, out: 20 },
            { tag: "left at the start", x: 4, dx: -10, cw: 900, w: 400, out: 0 },
            { tag: "right", x: 30, dx: 10, cw: 900, w: 400, out: 40 },
            { tag: "right at the end", x: 495, dx: 10, cw: 900, w: 400, out: 500 },
            { tag: "right, all in sight", x: 0, dx: 10, cw: 300, w: 400, out: 0 },
        ];
    }

    function test_scrolledX(row) {
        compare(TableRows.scrolledX(row.x, row.dx, row.cw, row.w), row.out);
    }
}

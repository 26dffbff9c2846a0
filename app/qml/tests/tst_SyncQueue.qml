import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/SyncQueue.js" as SyncQueue

// The upload queue's rules (js/SyncQueue.js): the rows of a round, what goes
// out, and the queue's state after a reply (taken, sent row by row, kept
// aside, backed off).
TextCase {
    name: "SyncQueue"

    function test_editKey_data() {
        return [
            { tag: "a rename: its group", row: { cmd: "RENAME", group_id: 3, group_name: "自选股3" }, key: "group 3" },
            { tag: "an edit: its stock", row: { cmd: "ADD", group_id: 2, code: { code: "600000", market_id: "1" } },
              key: "stock 600000 1" },
        ];
    }

    function test_editKey(row) {
        compareText(SyncQueue.editKey(row.row), row.key);
    }

    function byKey(r) { return r.k; }
    readonly property var rows: [{ id: 1, k: "a" }, { id: 2, k: "b" }, { id: 3, k: "a" }, { id: 4, k: "c" }]

    function test_freshRows_data() {
        return [
            { tag: "none kept aside", parked: {}, keyed: true, ids: [1, 2, 3, 4] },
            { tag: "a row kept aside holds its key's later rows", parked: { 1: true }, keyed: true, ids: [2, 4] },
            { tag: "independent rows", parked: { 1: true }, keyed: false, ids: [2, 3, 4] },
            { tag: "the last kept aside", parked: { 4: true }, keyed: true, ids: [1, 2, 3] },
        ];
    }

    function test_freshRows(row) {
        var fresh = SyncQueue.freshRows(row.parked, rows, row.keyed ? byKey : null);
        compare(fresh.map(function (r) { return r.id; }), row.ids);
    }

    function test_untaken() {
        compare(SyncQueue.untaken(rows, { 2: true, 4: true }).map(function (r) { return r.id; }), [1, 3]);
        compare(SyncQueue.untaken(rows, {}).length, 4);
    }

    function test_batch_data() {
        return [
            { tag: "the fresh rows", fresh: [2, 4], rows: [1, 2, 4], single: false, out: [2, 4] },
            { tag: "row by row", fresh: [2, 4], rows: [1, 2, 4], single: true, out: [2] },
            { tag: "none fresh: the oldest kept aside", fresh: [], rows: [1, 3], single: false, out: [1] },
            { tag: "nothing queued", fresh: [], rows: [], single: true, out: [] },
        ];
    }

    function test_batch(row) {
        compare(SyncQueue.batch(row.fresh, row.rows, row.single), row.out);
    }

    function test_posted() {
        var p = SyncQueue.posted([{ id: 5, cmd: "ADD", group_id: 2 }, { id: 7, cmd: "DELETE", group_name: "自选股1" }]);
        compare(p.ids, [5, 7]);
        compareText(p.body, [{ cmd: "ADD", group_id: 2 }, { cmd: "DELETE", group_name: "自选股1" }]);
        compareText(p.body[1].group_name, "自选股1");
    }

    function test_accepted_data() {
        return [
            { tag: "taken", ok: true, json: { code: "0000" }, out: true },
            { tag: "refused", ok: true, json: { code: "0001" }, out: false },
            { tag: "no answer", ok: false, json: { code: "0000" }, out: false },
            { tag: "no document", ok: true, json: null, out: false },
        ];
    }

    function test_accepted(row) {
        compare(SyncQueue.accepted(row.ok, row.json), row.out);
    }

    function test_backOff_data() {
        return [
            { tag: "first failure", skip: 0, round: 5000, max: 300000, out: 1 },
            { tag: "doubles", skip: 1, round: 5000, max: 300000, out: 2 },
            { tag: "up to five minutes of rounds", skip: 32, round: 5000, max: 300000, out: 60 },
            { tag: "stays there", skip: 60, round: 5000, max: 300000, out: 60 },
            { tag: "longer rounds, fewer", skip: 8, round: 30000, max: 300000, out: 10 },
            { tag: "a round longer than the most: one", skip: 1, round: 600000, max: 300000, out: 1 },
        ];
    }

    function test_backOff(row) {
        compare(SyncQueue.backOff(row.skip, row.round, row.max), row.out);
    }

    // Every row starts from 4 rounds to skip, row 9 kept aside; 5 s rounds, five minutes at most.
    function test_settle_data() {
        var taken = { code: "0000" };
        var refused = { code: "0001", msg: "格式错误" };
        return [
            { tag: "fresh rows taken", ok: true, json: taken, ids: [5], sent: 1, fresh: 1, removed: true, single: true,
              result: "taken", queue: { skip: 0, wait: 0, single: false, parked: { 9: true }, taken: {} } },
            { tag: "taken, not deleted yet", ok: true, json: taken, ids: [5, 6], sent: 2, fresh: 2, removed: false, single: false,
              result: "taken", queue: { skip: 0, wait: 0, single: false, parked: { 9: true }, taken: { 5: true, 6: true } } },
            { tag: "one of the rows sent one by one", ok: true, json: taken, ids: [5], sent: 1, fresh: 3, removed: true, single: true,
              result: "taken", queue: { skip: 0, wait: 0, single: true, parked: { 9: true }, taken: {} } },
            { tag: "the row kept aside taken", ok: true, json: taken, ids: [9], sent: 1, fresh: 0, removed: true, single: false,
              result: "taken", queue: { skip: 4, wait: 0, single: false, parked: {}, taken: {} } },
            { tag: "a refused batch: row by row", ok: true, json: refused, ids: [5, 6, 7], sent: 3, fresh: 3, removed: false,
              single: false, result: "single", queue: { skip: 4, wait: 0, single: true, parked: { 9: true }, taken: {} } },
            { tag: "a reply of no document: row by row", ok: true, json: null, ids: [5, 6], sent: 2, fresh: 2, removed: false,
              single: false, result: "single", queue: { skip: 4, wait: 0, single: true, parked: { 9: true }, taken: {} } },
            { tag: "a row refused on its own: kept aside", ok: true, json: refused, ids: [5], sent: 1, fresh: 1, removed: false,
              single: true, result: "parked", queue: { skip: 4, wait: 0, single: true, parked: { 9: true, 5: true }, taken: {} } },
            { tag: "the row kept aside refused again", ok: true, json: refused, ids: [9], sent: 1, fresh: 0, removed: false,
              single: false, result: "failed", queue: { skip: 8, wait: 8, single: false, parked: { 9: true }, taken: {} } },
            { tag: "no answer", ok: false, json: null, ids: [5, 6], sent: 2, fresh: 2, removed: false, single: false,
              result: "failed", queue: { skip: 8, wait: 8, single: false, parked: { 9: true }, taken: {} } },
        ];
    }

    function test_settle(row) {
        var queue = { skip: 4, wait: 0, single: row.single, parked: { 9: true }, taken: {} };
        compareText(SyncQueue.settle(queue, row.ok, row.json, row.ids, row.sent, row.fresh, row.removed, 5000, 300000),
                    row.result);
        compare(queue, row.queue);
    }
}

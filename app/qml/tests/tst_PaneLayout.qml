import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/PaneLayout.js" as PaneLayout

// The chart area's pane heights (js/PaneLayout.js): three parts for the main
// pane and one per sub pane, the heights the user dragged while they fit, a
// sub pane shown alone, and a split dragged within its panes' limits.
TextCase {
    name: "PaneLayout"

    function test_heights_data() {
        return [
            { tag: "three sub panes", total: 600, n: 3, dragged: null, draggedFor: 0, alone: -1,
              heights: [300, 100, 100, 100], own: false },
            { tag: "main pane alone", total: 300, n: 0, dragged: null, draggedFor: 0, alone: -1, heights: [300], own: false },
            { tag: "whole pixels", total: 700, n: 3, dragged: null, draggedFor: 0, alone: -1,
              heights: [350, 116, 116, 116], own: false },
            { tag: "dragged heights held", total: 600, n: 3, dragged: [320, 80, 100, 100], draggedFor: 600, alone: -1,
              heights: [320, 80, 100, 100], own: true },
            { tag: "dragged heights in whole pixels", total: 600, n: 1, dragged: [320.6, 79.4], draggedFor: 600, alone: -1,
              heights: [320, 79], own: true },
            { tag: "dragged for another size", total: 600, n: 3, dragged: [320, 80, 100, 100], draggedFor: 500, alone: -1,
              heights: [300, 100, 100, 100], own: false },
            { tag: "dragged for other panes", total: 500, n: 2, dragged: [320, 80, 100, 100], draggedFor: 500, alone: -1,
              heights: [300, 100, 100], own: false },
            { tag: "a sub pane alone", total: 600, n: 3, dragged: null, draggedFor: 0, alone: 1,
              heights: [300, 0, 300, 0], own: false },
            { tag: "alone under a dragged main pane", total: 600, n: 3, dragged: [320, 80, 100, 100], draggedFor: 600, alone: 0,
              heights: [320, 300, 0, 0], own: true },
        ];
    }

    function test_heights(row) {
        var d = PaneLayout.heights(row.total, row.n, row.dragged, row.draggedFor, row.alone);
        compare(d.heights, row.heights);
        compare(d.own, row.own);
    }

    // 600 px, three sub panes: h = 100, the main pane 150 to 600, a sub pane 50 to 150.
    function test_split_data() {
        return [
            { tag: "main pane down", k: 0, dy: 20, heights: [320, 80, 100, 100] },
            { tag: "main pane down to the sub pane's least", k: 0, dy: 80, heights: [350, 50, 100, 100] },
            { tag: "main pane up to the sub pane's most", k: 0, dy: -80, heights: [250, 150, 100, 100] },
            { tag: "between sub panes", k: 1, dy: 30, heights: [300, 130, 70, 100] },
            { tag: "between sub panes, past the least", k: 2, dy: -70, heights: [300, 100, 50, 150] },
            { tag: "not moved", k: 1, dy: 0, heights: [300, 100, 100, 100] },
        ];
    }

    function test_split(row) {
        var start = [300, 100, 100, 100];
        compare(PaneLayout.split(600, 3, row.k, row.dy, start), row.heights);
        compare(start, [300, 100, 100, 100], "the start heights are left as they were");
    }

    function test_split_main_pane_least() {
        // 400 px, one sub pane: h = 100, the main pane at least 250, the sub pane at least 50.
        compare(PaneLayout.split(400, 1, 0, -200, [300, 100]), [250, 150]);
    }

    function test_keepsSubPanes_data() {
        var vol = { tag: "VOL", formulas: ["VOL"] };
        var macd = { tag: "MACD", formulas: ["MACD"] };
        var subs = [{ fname: "VOL" }, { fname: "MACD" }];
        return [
            { tag: "the same panes", subs: subs, panes: [vol, macd], same: true, group: false, keeps: true },
            { tag: "no sub panes", subs: [], panes: [], same: true, group: false, keeps: false },
            { tag: "one pane fewer", subs: subs, panes: [vol], same: true, group: false, keeps: false },
            { tag: "another layout", subs: subs, panes: [vol, macd], same: false, group: false, keeps: false },
            { tag: "a formula group", subs: subs, panes: [vol, macd], same: true, group: true, keeps: false },
            { tag: "panes swapped", subs: subs, panes: [macd, vol], same: true, group: false, keeps: false },
            { tag: "a formula laid over", subs: subs, panes: [vol, { tag: "MACD", formulas: ["MACD", "KDJ"] }],
              same: true, group: false, keeps: false },
            { tag: "a formula replaced", subs: subs, panes: [vol, { tag: "MACD", formulas: ["KDJ"] }],
              same: true, group: false, keeps: false },
            { tag: "no formula left", subs: subs, panes: [vol, { tag: "MACD", formulas: [] }],
              same: true, group: false, keeps: false },
        ];
    }

    function test_keepsSubPanes(row) {
        compare(PaneLayout.keepsSubPanes(row.subs, row.panes, row.same, row.group), row.keeps);
    }

    function test_chartKey_data() {
        return [
            { tag: "Left", key: Qt.Key_Left, n: 120, main: "KLINE", out: { action: "crosshair", step: -1, shown: 120, more: false } },
            { tag: "Right on minutes", key: Qt.Key_Right, n: 242, main: "MLINE",
              out: { action: "crosshair", step: 1, shown: 242, more: false } },
            { tag: "Up: a third fewer", key: Qt.Key_Up, n: 120, main: "KLINE", out: { action: "zoom", step: 0, shown: 80, more: false } },
            { tag: "Up rounds down", key: Qt.Key_Up, n: 100, main: "KLINE", out: { action: "zoom", step: 0, shown: 66, more: false } },
            { tag: "Up stops at eight", key: Qt.Key_Up, n: 10, main: "KLINE", out: { action: "zoom", step: 0, shown: 8, more: false } },
            { tag: "Down: half again", key: Qt.Key_Down, n: 120, main: "KLINE", out: { action: "zoom", step: 0, shown: 180, more: true } },
            { tag: "Down rounds up", key: Qt.Key_Down, n: 9, main: "KLINE", out: { action: "zoom", step: 0, shown: 14, more: true } },
            { tag: "Up on minutes", key: Qt.Key_Up, n: 242, main: "MLINE", out: { action: "", step: 0, shown: 242, more: false } },
            { tag: "Down on minutes", key: Qt.Key_Down, n: 242, main: "MLINE", out: { action: "", step: 0, shown: 242, more: false } },
            { tag: "Page Up", key: Qt.Key_PageUp, n: 120, main: "KLINE", out: { action: "previous", step: 0, shown: 120, more: false } },
            { tag: "Page Down", key: Qt.Key_PageDown, n: 120, main: "MLINE", out: { action: "next", step: 0, shown: 120, more: false } },
            { tag: "another key", key: Qt.Key_A, n: 120, main: "KLINE", out: null },
        ];
    }

    function test_chartKey(row) {
        compare(PaneLayout.chartKey(row.key, row.n, row.main), row.out);
    }
}

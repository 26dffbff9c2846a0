import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/js/InfoPanel.js" as InfoPanel

// The information panel's tabs for a stock (js/InfoPanel.js): which show,
// tab 0's name, the tab selected and the lists loaded.
TextCase {
    name: "InfoPanel"

    function test_tabs_data() {
        var T = true, F = false;
        return [
            { tag: "a stock on research", type: 2, market: 1, block: 5, current: 3,
              shown: [T, T, T, T], name: "关联板块", select: 3, list: 3, research: F },
            { tag: "a stock on news: research beside", type: 2, market: 1, block: 5, current: 2,
              shown: [T, T, T, T], name: "关联板块", select: 2, list: 2, research: T },
            { tag: "a stock on its blocks", type: 2, market: 2, block: 5, current: 0,
              shown: [T, T, T, T], name: "关联板块", select: 0, list: 3, research: F },
            { tag: "a stock on its fund flow", type: 2, market: 1, block: 5, current: 1,
              shown: [T, T, T, T], name: "关联板块", select: 1, list: 3, research: F },
            { tag: "a stock without blocks", type: 2, market: 1, block: 0, current: 0,
              shown: [F, T, T, T], name: "", select: 3, list: 3, research: F },
            { tag: "a stock of another market: no fund flow", type: 2, market: 0, block: 5, current: 1,
              shown: [T, F, T, T], name: "关联板块", select: 3, list: 3, research: F },
            { tag: "an index: constituents", type: 1, market: 1, block: 3, current: 2,
              shown: [T, F, T, T], name: "成份股", select: 3, list: 3, research: F },
            { tag: "an index without constituents", type: 1, market: 1, block: 0, current: 3,
              shown: [F, F, T, T], name: "", select: 3, list: 3, research: F },
            { tag: "neither stock nor index", type: 0, market: 1, block: 4, current: 0,
              shown: [F, F, T, T], name: "", select: 3, list: 3, research: F },
            { tag: "nothing selected yet", type: 2, market: 2, block: 5, current: -1,
              shown: [T, T, T, T], name: "关联板块", select: 3, list: 3, research: F },
        ];
    }

    function test_tabs(row) {
        var d = InfoPanel.tabs(row.type, row.market, row.block, row.current);
        compare(d.shown, row.shown, "shown");
        compareText(d.blockName, row.name, "tab 0's name");
        compare(d.select, row.select, "selected");
        compare(d.list, row.list, "list");
        compare(d.research, row.research, "research beside");
    }
}

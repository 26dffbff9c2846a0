.pragma library

// The tabs of the information panel under a stock's charts (0 related blocks
// or constituents, 1 fund flow, 2 news, 3 research) for a stock of `type`
// (1 an index, 2 a stock) and `market`, whose block query found `block`
// (0: none), while tab `current` is selected:
//   shown: which of the four tabs show
//   blockName: tab 0's name ("" when it does not show)
//   select: the tab selected (the current one while it shows, else research)
//   list: the tab whose list is loaded (news or research)
//   research: the research list is loaded beside the news (for the chart's
//             marks, which the research list feeds in any case)
// The fund flow is for the stocks of markets 1 and 2 only.
function tabs(type, market, block, current) {
    var shown = [true, true, true, true];
    var blockName = type === 2 ? "关联板块" : "成份股";
    if (block === 0 || (type !== 1 && type !== 2)) {
        shown[0] = false;
        blockName = "";
    }
    if (type !== 1 && type !== 2)
        shown[1] = false;
    if ((market !== 1 && market !== 2) || type !== 2) {
        shown[1] = false;
        return { shown: shown, blockName: blockName, select: 3, list: 3, research: false };
    }
    var select = current < 0 || current > 3 || !shown[current] ? 3 : current;
    return { shown: shown, blockName: blockName, select: select, list: select === 2 ? 2 : 3, research: select === 2 };
}

.pragma library

// Selection and overflow rules shared by QToolsBar and QAutoToolsBar.

// Number of fixed-width items that fit: floor((width - paddings) / item_width).
function fixedShowCount(width, leftPadding, rightPadding, itemWidth) {
    if (itemWidth <= 0)
        return 0;
    return Math.max(0, Math.floor((width - leftPadding - rightPadding) / itemWidth));
}

// Number of items whose running total of (text width + 10) fits in the room.
function autoShowCount(textWidths, width, leftPadding, rightPadding) {
    var room = width - leftPadding - rightPadding;
    var total = 0;
    for (var i = 0; i < textWidths.length; ++i) {
        total += textWidths[i] + 10;
        if (total > room)
            return i;
    }
    return textWidths.length;
}

// Applies a click at index to a ListModel of items with a "select" role, by
// style: 0 toggles, 1 selects only this item, 2 clears every item. Items from
// showCount on are mirrored into the overflow model at index - showCount.
function change(model, overflow, showCount, style, index) {
    if (index < 0 || index >= model.count)
        return;
    if (style === 0) {
        model.setProperty(index, "select", !model.get(index).select);
    } else {
        for (var i = 0; i < model.count; ++i)
            model.setProperty(i, "select", style === 1 && i === index);
    }
    mirror(model, overflow, showCount);
}

// The rows already in the overflow model are updated in place, so that an
// unchanged overflow keeps its menu items instead of making them anew.
function mirror(model, overflow, showCount) {
    if (!overflow)
        return;
    var from = Math.max(0, showCount);
    var n = Math.max(0, model.count - from);
    if (overflow.count > n)
        overflow.remove(n, overflow.count - n);
    for (var k = 0; k < n; ++k) {
        var it = model.get(from + k);
        var row = { name: it.name, select: !!it.select, index: from + k };
        if (k === overflow.count) {
            overflow.append(row);
            continue;
        }
        var old = overflow.get(k);
        for (var role in row)
            if (old[role] !== row[role])
                overflow.setProperty(k, role, row[role]);
    }
}

function selectIndexes(model) {
    var list = [];
    for (var i = 0; i < model.count; ++i)
        if (model.get(i).select)
            list.push(i);
    return list;
}

function firstSelectIndex(model) {
    var list = selectIndexes(model);
    return list.length > 0 ? list[0] : -1;
}

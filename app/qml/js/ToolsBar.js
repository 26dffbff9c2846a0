.pragma library

// Selection and overflow rules shared by QToolsBar and QAutoToolsBar.

// Number of fixed-width items that fit: floor((width - paddings) / item_width).
function fixedShowCount(width, leftPadding, rightPadding, itemWidth) {
    if (itemWidth <= 0)
        return 0;
    return Math.max(0, Math.floor((width - leftPadding - rightPadding) / itemWidth));
}

// Width of the first `count` items: their own widths when given (missing
// ones count 0), else count * itemWidth.
function shownWidth(itemWidths, itemWidth, count) {
    if (count <= 0)
        return 0;
    if (!itemWidths)
        return count * itemWidth;
    var total = 0;
    for (var i = 0; i < count && i < itemWidths.length; ++i)
        total += itemWidths[i] || 0;
    return total;
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
        // Only the items whose state changes are written: a long bar changes
        // one or two rows, not all of them.
        for (var i = 0; i < model.count; ++i) {
            var want = style === 1 && i === index;
            if (!!model.get(i).select !== want)
                model.setProperty(i, "select", want);
        }
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
    for (var i = 0; i < model.count; ++i)
        if (model.get(i).select)
            return i;
    return -1;
}

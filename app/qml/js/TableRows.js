.pragma library

// A quote table's row rules: where Up and Down take the highlight (across
// pages), where the highlight goes when new rows come, the context of a new
// page length, and the sort a header click asks for.

// Up (step -1) or Down (step 1) from row `selected` (-1: none) of `count`
// rows, the body scrolled to contentY with rows rowStep apart and `shown` of
// them in sight; paging: the table pages on past its ends. The result:
//   row: the row highlighted next (-1 when there are no rows)
//   scroll: "top" or "bottom" (the body goes to its end), -1 or 1 (one row
//           up or down) or 0
//   page: "up" or "down" (the table asks for the page before or after), or ""
function step(dir, count, selected, contentY, rowStep, shown, paging) {
    if (count === 0)
        return { row: -1, scroll: 0, page: "" };
    if (dir < 0) {
        var up = (selected < 0 ? 0 : selected) - 1;
        if (up < 0)
            return { row: count - 1, scroll: "bottom", page: paging ? "up" : "" };
        return { row: up, scroll: up * rowStep < contentY ? -1 : 0, page: "" };
    }
    var down = selected + 1;
    if (down >= count)
        return { row: 0, scroll: "top", page: paging ? "down" : "" };
    return { row: down, scroll: down - Math.floor(contentY / rowStep) >= shown ? 1 : 0, page: "" };
}

function sameStock(a, b) {
    return !!a && !!b && a.code === b.code && a.market === b.market;
}

// New rows under a highlight on row `selected` whose stock was `followed`
// (null after a new page), the others told of `told` last, `waiting` while
// a click is still to be told; stockAt(row) is a row's {code, market} (null
// past the rows), for `count` rows. The result:
//   row: the row highlighted now
//   followed: the stock the highlight follows from now
//   tell: the others are told of the highlighted row's stock now
function follow(selected, followed, told, waiting, count, stockAt) {
    var now = stockAt(selected);
    if (!followed)
        return { row: selected, followed: now, tell: !!now && !!told && !sameStock(now, told) && !waiting };
    if (!now || sameStock(now, followed))
        return { row: selected, followed: followed, tell: false };
    for (var r = 0; r < count; ++r)
        if (sameStock(stockAt(r), followed))
            return { row: r, followed: followed, tell: false };
    return { row: selected, followed: now, tell: !waiting };
}

// The table's context (JSON) with a page of `rows` rows, or "" when it does
// not page or its page has that length already.
function pagedContext(text, rows) {
    if (!text)
        return "";
    var ctx;
    try {
        ctx = JSON.parse(text);
    } catch (e) {
        return "";
    }
    if (!ctx || !ctx.page_ || !(ctx.page_.length > 0) || ctx.page_.length === rows)
        return "";
    ctx.page_.length = rows;
    return JSON.stringify(ctx);
}

// A click on header `column` while the sort arrow is on `arrowColumn` in
// direction `arrowType` (0 down, 1 up): the same column turns the arrow over,
// another takes it as it points.
function sortClick(column, arrowColumn, arrowType) {
    if (column === arrowColumn)
        return { column: column, type: arrowType === 0 ? 1 : 0 };
    return { column: column, type: arrowType };
}

// What a key does in a quote table of `count` rows with row `selected`
// highlighted (-1: none); paging: Page Up and Page Down turn the table's
// pages. { action, accepted }: action "left" or "right" (the right part
// scrolls), "up" or "down" (the highlight steps), "pageUp" or "pageDown",
// "open" (the highlighted stock's chart) or ""; accepted: the table keeps the
// key (Page Up and Page Down even when there is no page to turn; Enter goes
// on to the view around the table).
function keyAction(key, count, selected, paging) {
    switch (key) {
    case Qt.Key_Left: return { action: "left", accepted: true };
    case Qt.Key_Right: return { action: "right", accepted: true };
    case Qt.Key_Up: return { action: "up", accepted: true };
    case Qt.Key_Down: return { action: "down", accepted: true };
    case Qt.Key_PageUp: return { action: paging && count > 0 ? "pageUp" : "", accepted: true };
    case Qt.Key_PageDown: return { action: paging && count > 0 ? "pageDown" : "", accepted: true };
    case Qt.Key_Return:
    case Qt.Key_Enter: return { action: selected >= 0 && selected < count ? "open" : "", accepted: false };
    }
    return { action: "", accepted: false };
}

// The right part's contentX after a step of dx pixels from x: never before
// the start, and a step right never past the end (contentWidth less the
// width shown).
function scrolledX(x, dx, contentWidth, width) {
    return dx < 0 ? Math.max(0, x + dx) : Math.max(0, Math.min(x + dx, contentWidth - width));
}

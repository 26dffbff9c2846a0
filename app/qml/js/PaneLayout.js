.pragma library

// The heights of a chart area's panes: one main pane over n sub panes in
// `total` pixels, cut into n + 3 parts (three for the main pane, one for each
// sub pane), unless the user dragged the splits or a sub pane is shown alone.

// The panes' heights [main, sub 0, sub 1, ...] in whole pixels. dragged: the
// heights the user dragged the splits to for an area of draggedFor pixels
// (null: none); they hold while there are as many panes and the area keeps its
// size. alone: the sub pane shown alone in the sub panes' room (-1: none).
// own: the dragged heights held.
function heights(total, n, dragged, draggedFor, alone) {
    var h = total / (n + 3);
    var own = !!dragged && dragged.length === n + 1 && draggedFor === total;
    var out = [Math.max(0, Math.floor(own ? dragged[0] : h * 3))];
    for (var i = 0; i < n; ++i) {
        var sh = alone >= 0 ? (i === alone ? h * n : 0) : own ? dragged[i + 1] : h;
        out.push(Math.max(0, Math.floor(sh)));
    }
    return { heights: out, own: own };
}

// The heights after the split above sub pane k moved by dy pixels from the
// heights `start`: the panes on both sides change within their limits (the
// main pane at least 3h less n × h / 2, a sub pane between h / 2 and 1.5 h).
function split(total, n, k, dy, start) {
    var h = total / (n + 3);
    var lo = function (i) { return i === 0 ? 3 * h - n * h / 2 : h / 2; };
    var hi = function (i) { return i === 0 ? total : 1.5 * h; };
    var a = k, b = k + 1;  // the pane above and the one below the split
    var d = dy;
    d = Math.max(d, lo(a) - start[a], start[b] - hi(b));
    d = Math.min(d, hi(a) - start[a], start[b] - lo(b));
    var next = start.slice();
    next[a] = start[a] + d;
    next[b] = start[b] - d;
    return next;
}

// Whether the sub panes shown stay for a layout's sub_charts (`subs`, each
// { fname }) and only take the new bars: as many panes as entries, made for
// the same layout (`sameLayout`), each pane (panes: { tag, formulas }) still
// showing its entry's formula alone, and no formula group of the route to
// lay over them (`group`).
function keepsSubPanes(subs, panes, sameLayout, group) {
    if (subs.length === 0 || subs.length !== panes.length || !sameLayout || group)
        return false;
    for (var i = 0; i < subs.length; ++i) {
        var f = panes[i].formulas;
        if (panes[i].tag !== subs[i].fname || f.length !== 1 || f[0] !== subs[i].fname)
            return false;
    }
    return true;
}

// The fewest K-lines a chart shows when zoomed in.
var MIN_SHOWN = 8;

// What a key does in the chart area showing `shown` bars of its main
// formula `mainName`: { action, step, shown, more }. "crosshair": the
// crosshair steps `step` bars (Left -1, Right 1); "zoom": a K-line chart
// shows `shown` bars (Up: a third fewer, never under MIN_SHOWN; Down: half as
// many again, `more` bars asked for); "previous" or "next" stock (Page Up,
// Page Down); "" for a key of the area that does nothing here; null for a key
// that is not the area's.
function chartKey(key, shown, mainName) {
    var kline = mainName === "KLINE";
    function act(action, step, n, more) { return { action: action, step: step, shown: n, more: more }; }
    switch (key) {
    case Qt.Key_Left: return act("crosshair", -1, shown, false);
    case Qt.Key_Right: return act("crosshair", 1, shown, false);
    case Qt.Key_Up: return kline ? act("zoom", 0, Math.max(MIN_SHOWN, Math.floor(shown / 1.5)), false) : act("", 0, shown, false);
    case Qt.Key_Down: return kline ? act("zoom", 0, Math.ceil(shown * 1.5), true) : act("", 0, shown, false);
    case Qt.Key_PageUp: return act("previous", 0, shown, false);
    case Qt.Key_PageDown: return act("next", 0, shown, false);
    }
    return null;
}

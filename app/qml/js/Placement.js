.pragma library

// Where a box goes so that another window does not cover it.

function overlaps(a, b) {
    return !!a && !!b && a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// The top-left corner for box {x, y, w, h} (its wished place) clear of
// avoid (null: nothing to avoid), inside bounds {x, y, w, h}: the wished place
// when clear; else moved left of avoid, gap apart, at the same height; else
// above it, at the same x; else the wished place (nothing fits).
function clearOf(box, avoid, bounds, gap) {
    var wished = { x: box.x, y: box.y };
    if (!overlaps(box, avoid))
        return wished;
    var left = { x: avoid.x - gap - box.w, y: box.y, w: box.w, h: box.h };
    if (left.x >= bounds.x && !overlaps(left, avoid))
        return { x: left.x, y: left.y };
    var above = { x: box.x, y: avoid.y - gap - box.h, w: box.w, h: box.h };
    if (above.y >= bounds.y && !overlaps(above, avoid))
        return { x: above.x, y: above.y };
    return wished;
}

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

// A window's geometry r {x, y, width, height} after its edge handle f (0 top,
// 1 right, 2 bottom, 3 left, 4 top-left, 5 top-right, 6 bottom-right, 7
// bottom-left) moved by (dx, dy); an axis changes only for an offset of at
// least 2 pixels. Left and top edges keep the opposite edge in place.
function resized(f, r, dx, dy) {
    var x = r.x, y = r.y, w = r.width, h = r.height;
    var useX = Math.abs(dx) >= 2, useY = Math.abs(dy) >= 2;
    if (useX && (f === 1 || f === 5 || f === 6))
        w = r.width + dx;
    if (useX && (f === 3 || f === 4 || f === 7)) {
        x = r.x + dx;
        w = r.width - dx;
    }
    if (useY && (f === 2 || f === 6 || f === 7))
        h = r.height + dy;
    if (useY && (f === 0 || f === 4 || f === 5)) {
        y = r.y + dy;
        h = r.height - dy;
    }
    return { x: x, y: y, width: w, height: h };
}

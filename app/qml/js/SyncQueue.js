.pragma library

// The rules of an upload queue of local rows ({id, ...}) for the back end:
// which rows go in a round, what goes out, and how the queue's state
// ({skip, wait, single, parked, taken}, kept by its owner) follows a reply.

// What a stock-group edit is about: its stock, or for a rename its group.
function editKey(r) {
    if (r.cmd === "RENAME")
        return "group " + r.group_id;
    var c = r.code || {};
    return "stock " + c.code + " " + c.market_id;
}

// The rows the back end has not taken yet (taken: {id: true}).
function untaken(rows, taken) {
    return rows.filter(function (r) { return !taken[r.id]; });
}

// The rows that may go now: neither kept aside (parked: {id: true}) nor
// behind a row kept aside that has the same key (keyOf null: rows are
// independent).
function freshRows(parked, rows, keyOf) {
    var held = {};
    return rows.filter(function (r) {
        var k = keyOf ? keyOf(r) : null;
        if (parked[r.id]) {
            if (k !== null)
                held[k] = true;
            return false;
        }
        return k === null || !held[k];
    });
}

// The round's rows: the fresh ones (only the first while a refused batch is
// sent row by row), or when none is fresh the oldest row kept aside, again
// on its own.
function batch(fresh, rows, single) {
    return fresh.length > 0 ? (single ? fresh.slice(0, 1) : fresh) : rows.slice(0, 1);
}

// What goes out for the rows: their ids, and the rows without them.
function posted(rows) {
    var ids = [];
    var body = [];
    for (var i = 0; i < rows.length; ++i) {
        ids.push(rows[i].id);
        var r = {};
        for (var k in rows[i])
            if (k !== "id")
                r[k] = rows[i][k];
        body.push(r);
    }
    return { ids: ids, body: body };
}

// The reply took the rows: code "0000".
function accepted(ok, json) {
    return !!(ok && json && json.code === "0000");
}

// Rounds to skip after one more failure: 1, 2, 4, ... up to maxMs of rounds
// roundMs long (one at least).
function backOff(skip, roundMs, maxMs) {
    var most = Math.max(1, Math.floor(maxMs / roundMs));
    return skip > 0 ? Math.min(skip * 2, most) : 1;
}

// The queue after the reply to a round that sent `ids` (`sent` rows, of
// `fresh` fresh ones): taken, its ids leave the parked rows (and, when the
// database did not delete them, `removed` false, wait in `taken`), fresh rows
// end the back-off, and all the fresh rows sent end the row-by-row sending; a
// refused batch of several fresh rows goes again row by row; a fresh row
// refused on its own is kept aside; anything else (no answer, a kept-aside
// row refused again) backs off. Returns "taken", "single", "parked" or
// "failed".
function settle(queue, ok, json, ids, sent, fresh, removed, roundMs, maxMs) {
    var i;
    if (accepted(ok, json)) {
        for (i = 0; i < ids.length; ++i) {
            if (!removed)
                queue.taken[ids[i]] = true;
            delete queue.parked[ids[i]];
        }
        if (fresh > 0) {
            queue.skip = 0;
            if (sent === fresh)
                queue.single = false;
        }
        return "taken";
    }
    if (ok && fresh > 1 && sent > 1) {
        queue.single = true;
        return "single";
    }
    if (ok && fresh > 0) {
        queue.parked[ids[0]] = true;
        return "parked";
    }
    queue.skip = backOff(queue.skip, roundMs, maxMs);
    queue.wait = queue.skip;
    return "failed";
}

// Notices of the back end: fetches those of one type and remembers the last
// one in notice_<type>.json of the data directory, with `pop`, the day up to
// which the user dismissed it ("yyyy-MM-dd", or ""). Uses the `baseService`
// (QBaseService) and `hFileIO` (HFileIO) objects of the importing document.
.import "JSHttp.js" as JSHttp
.import "JSUtil.js" as JSUtil

// Today as "yyyy-MM-dd"; tests put another day in.
var today = function () { return JSUtil.dateFormat("yyyy-MM-dd", new Date()); };

function fileName(type) { return "notice_" + type + ".json"; }

// The stored notice, or null when there is none (no file, not an object).
function readLast(type) {
    var text = hFileIO.readFileDefaultPath(fileName(type));
    if (!text)
        return null;
    try {
        var o = JSON.parse(text);
        return o !== null && typeof o === "object" && !Array.isArray(o) ? o : null;
    } catch (e) {
        return null;
    }
}

// A stored `pop` that is not a text (an old boolean) counts as "".
function popOf(notice) {
    return notice && typeof notice.pop === "string" ? notice.pop : "";
}

// Asks for the notices of `type`; on a reply, stores its last notice (its
// `pop` kept only while its `updated_time` is the stored one) and calls
// callback(stored, reply) when a notice is stored and not dismissed for
// today. A failed request calls nothing. Returns the request, or null when
// there is no notice service.
function getNotice(type, callback) {
    var last = readLast(type);
    var lastInfo = last || {};
    var updatedTime = lastInfo.updated_time ? String(lastInfo.updated_time) : "";
    var pubDate = lastInfo.pub_date ? String(lastInfo.pub_date) : today();
    var url = baseService.getServerAddressValue("url.notice");
    if (!url)
        return null;
    var param = { updated_time: updatedTime, type: type, cli_version: baseService.getBaseInfoValue("appName") || "" };
    if (Number(type) === 3)
        param.pub_date = pubDate;
    return JSHttp.getData(String(url), param, { "Content-Type": "application/json" }, function (ok, reply) {
        if (!ok || !callback)
            return;
        var list = reply && Array.isArray(reply.notices) ? reply.notices : [];
        var newest = list.length > 0 ? list[list.length - 1] : null;
        if (newest !== null && typeof newest === "object") {
            var keep = {};
            for (var k in newest)
                keep[k] = newest[k];
            var same = last !== null && last.pop !== undefined && String(newest.updated_time) === updatedTime;
            keep.pop = same ? popOf(last) : "";
            hFileIO.writedFileDefaultPath(fileName(type), JSON.stringify(keep));
        }
        var stored = readLast(type);
        if (stored === null)
            return;
        var pop = popOf(stored);
        if (pop === "" || pop < today())
            callback(stored, reply);
    });
}

// Hides the stored notice of `type` until tomorrow.
function cancelNotice(type) {
    var last = readLast(type);
    if (last === null)
        return;
    last.pop = today();
    hFileIO.writedFileDefaultPath(fileName(type), JSON.stringify(last));
}

// Requests of the views to the back-end services: one HttpRequest per call,
// a default time-out of 15000 ms, and a callback that is called exactly once
// as callback(ok, data): (true, parsed JSON), (true, {msg: text}) for a body
// that is not JSON, (false, "数据请求错误，请重试！") or (false, "请求数据超时").
.import Network 1.0 as Network

var defaultTimeout = 15000;
var errorText = "数据请求错误，请重试！";
var timeoutText = "请求数据超时";

// key=value for every enumerable member, joined by "&", keys and values
// percent-encoded.
function formatQuery(parame) {
    var parts = [];
    for (var key in parame)
        parts.push(encodeURIComponent(key) + "=" + encodeURIComponent(parame[key]));
    return parts.join("&");
}

// Connects the handlers of one call. The first outcome reports; everything
// after it is ignored. A time-out aborts the reply, whose cancelled error
// arrives just before the timeout signal: a cancelled error waits one turn of
// the event loop so that the time-out is what the caller hears.
function watch(request, callback) {
    var done = false;
    function report(ok, data) {
        if (done)
            return;
        done = true;
        request.finished.disconnect(onFinished);
        request.error.disconnect(onError);
        request.timeout.disconnect(onTimeout);
        if (callback)
            callback(ok, data);
    }
    function onFinished() {
        if (request.status !== 200) {
            report(false, errorText);
            return;
        }
        var data;
        try {
            data = JSON.parse(request.responseText);
        } catch (e) {
            data = { msg: request.responseText };
        }
        report(true, data);
    }
    function onError() {
        if (request.status === Network.HttpRequest.OperationCanceledError)
            Qt.callLater(function () { report(false, errorText); });
        else
            report(false, errorText);
    }
    function onTimeout() {
        report(false, timeoutText);
    }
    request.finished.connect(onFinished);
    request.error.connect(onError);
    request.timeout.connect(onTimeout);
}

function setHeaders(request, headers) {
    for (var key in headers)
        request.setRequestHeader(key, headers[key]);
}

// keepRows (optional, getData and postData): for a view that shows only so
// many rows of a list, the
// reply is parsed off the GUI thread and each of its lists cut to that many
// (the newest rows of a dated list) before the callback sees it.
function getData(url, parame, headers, callback, timeout, keepRows) {
    var request = Network.HttpRequestFactory.create();
    watch(request, callback);
    if (keepRows > 0)
        request.setKeepRows(keepRows);
    var query = formatQuery(parame);
    if (query !== "") {
        var mark = url.indexOf("?");
        if (mark === url.length - 1)
            url += query;
        else if (mark > 0)
            url += "&" + query;
        else
            url += "?" + query;
    }
    request.open("GET", url);
    request.setTimeout(timeout || defaultTimeout);
    setHeaders(request, headers);
    request.send();
    return request;
}

function postData(url, parame, headers, callback, timeout, keepRows) {
    var request = Network.HttpRequestFactory.create();
    watch(request, callback);
    if (keepRows > 0)
        request.setKeepRows(keepRows);
    request.open("POST", url);
    request.setTimeout(timeout || defaultTimeout);
    var json = false;
    for (var key in headers) {
        request.setRequestHeader(key, headers[key]);
        if (headers[key] === "application/json")
            json = true;
    }
    request.send(json ? JSON.stringify(parame) : formatQuery(parame));
}

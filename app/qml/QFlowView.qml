import QtQuick 2.15
import QtWebEngine 1.10
import QBaseService 1.0
import "js/JSQuote.js" as JSQuote
import "js/Database.js" as Sql

// The 63-day net inflow chart of a stock in the local fund-flow page, under
// the stock's name; hidden until the page has loaded. The chart data reach
// the page as a JSON text literal, never spliced into hand-made quotes. Opened as a tab by the route
// "app://qml/qml/QFlowView.qml" (code and market from the route, else the
// Shanghai composite).
BrowserView {
    id: root
    objectName: "flowView"
    right_menu: false
    url: "../html/index.html"
    visible: loaded_
    property bool loaded_: false
    property string pendingScript: ""
    property var codeInfo: null

    QBaseService { id: baseService }

    function setQuery(q) {
        setCodeInfo({ code: q && q.code ? String(q.code) : "1A0001", market: q && q.market ? Number(q.market) : 1,
                      name: q && q.name ? String(q.name) : "" });
    }
    function updateQuery(q) { setQuery(q); }
    // The name given, else the local dictionary's, else the code.
    function stockName(c) {
        return c.name ? String(c.name) : Sql.stockName(String(c.code), Number(c.market), String(c.code));
    }
    function setCodeInfo(c) {
        codeInfo = c;
        JSQuote.configure(baseService);
        JSQuote.getHistoryZJLX(c, 1, function (ok, r) {
            if (!ok || c !== root.codeInfo)
                return;
            r.title = root.stockName(c);
            run("updateData(" + JSON.stringify(JSON.stringify(r)) + ")");
        });
    }
    function run(script) {
        if (!loaded_) {
            pendingScript = script;
            return;
        }
        runJavaScript(script);
    }

    onLoadingChanged: {
        if (loadRequest.status !== WebEngineView.LoadSucceededStatus)
            return;
        loaded_ = true;
        if (pendingScript !== "") {
            var s = pendingScript;
            pendingScript = "";
            run(s);
        }
    }
}

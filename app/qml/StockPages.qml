import QtQuick 2.15
import QBaseService 1.0
import "qrc:/qml/js/JSUtil.js" as JSUtil

// The stock view's pages beside the chart page: 明细 (tick details), the three
// web pages (F10, 分析, 诊断) and 共振 (the cycle-resonance grid). Only the
// page named by `page` shows.
Item {
    id: root

    // "chart", "detail", "f10", "f9", "f11" or "cycel".
    property string page: "chart"
    // The stock shown: {code, market, name, type, cycle}.
    property var codeInfo: ({})
    // The address of the web page shown for "f10", "f9" or "f11".
    property string webUrl: ""
    // Off where no web engine runs (tests on the offscreen platform).
    property bool webViewEnabled: true
    // The web page's view, made on the first web page shown.
    readonly property var webView: webLoader.item
    property var cycelView: null
    // The view's MQModel, whose tick details the 明细 page shows.
    property var mqModel: null

    QBaseService { id: baseService }

    Item {
        id: detailPage
        objectName: "detailPage"
        anchors.fill: parent
        visible: root.page === "detail"
        QDetaileView {
            objectName: "detailView"
            anchors.fill: parent
            style_: 0
            mqModel: root.mqModel
            focus: detailPage.visible
        }
    }
    Item {
        id: webPage
        objectName: "webPage"
        anchors.fill: parent
        visible: root.page === "f10" || root.page === "f9" || root.page === "f11"
        Loader {
            id: webLoader
            anchors.fill: parent
            active: false
            // Loaded by name so the view loads where no web engine runs.
            source: "StockWebPage.qml"
        }
    }
    Item {
        id: cycelPage
        objectName: "cycelPage"
        anchors.fill: parent
        visible: root.page === "cycel"
    }

    function isWebPage(p) { return p === "f10" || p === "f9" || p === "f11"; }

    // Fills the page now shown for the stock.
    function show() {
        if (isWebPage(page))
            loadWebPage(pageUrl(page));
        if (page === "cycel") {
            if (!cycelView) {
                var c = Qt.createComponent("qrc:/qml/QCycelResonance.qml");
                if (c.status === Component.Ready)
                    cycelView = c.createObject(cycelPage, {});
            }
            if (cycelView) {
                cycelView.anchors.fill = cycelPage;
                cycelView.getData(codeInfo);
            }
        } else if (cycelView) {
            cycelView.clearDate();
        }
    }

    // The server address of a web page with the stock's fields filled in.
    function pageUrl(name) {
        var template = baseService.getServerAddressValue("url." + name);
        if (typeof template !== "string" || template === "")
            return "";
        var info = codeInfo;
        return JSUtil.tagRplace(template, { code: encodeURIComponent(info.code), market: String(info.market),
                                            name: encodeURIComponent(info.name), type: String(info.type) }) || "";
    }

    function loadWebPage(url) {
        webUrl = url;
        if (!webViewEnabled || url === "")
            return;
        webLoader.active = true;
        if (webView)
            webView.url = url;
    }
}

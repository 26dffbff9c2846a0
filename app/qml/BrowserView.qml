import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10
import HRoute 1.0
import "js/WebLinks.js" as WebLinks
import "js/Database.js" as Sql

// A web page in a tab of the main window. Takes over "goto::quote::" links
// (the stock's quote view), links to the program's screens (a new tab) and
// the user's new-window requests (a BrowserWindow), all through the hosting
// window's onChangeToMQView, onChangedTabView and createWindow. A PDF it
// downloads is kept as a window's is (PdfDownloads).
WebEngineView {
    id: root
    objectName: "browserView"
    property bool right_menu: true
    // The window whose functions open views and windows; the one showing this
    // view when not set.
    property var host: null
    readonly property var hostWindow: host ? host : Window.window
    property alias refreshMenu: menu
    property alias downloads: downloads

    function hostCall(name, a, b) {
        var h = hostWindow;
        if (h && typeof h[name] === "function")
            return h[name](a, b);
        return null;
    }

    // A link from a page; true when it was taken over (not loaded).
    function takeLink(url) {
        var a = WebLinks.linkAction(url, true);
        if (a.action === "load")
            return false;
        if (a.action === "quote") {
            var info = Sql.stockRecord(a.code, a.market);   // none (or no dictionary yet): nothing to open
            if (info)
                hostCall("onChangeToMQView", info);
        } else if (a.action === "tab") {
            var r = hroute.getRoute(String(url));
            var title = r && r.query_map && r.query_map.title ? r.query_map.title : "";
            hostCall("onChangedTabView", title, String(url));
        }
        return true;
    }

    HRoute { id: hroute }

    onNavigationRequested: {
        if (takeLink(String(request.url)))
            request.action = WebEngineNavigationRequest.IgnoreRequest;
    }
    // Only a request the user started (a click) opens a window; a page's own
    // window.open is refused without a word.
    onNewViewRequested: {
        if (!request.userInitiated)
            return;
        var w = hostCall("createWindow", root);
        if (w && w.webView)
            request.openIn(w.webView);
    }
    onContextMenuRequested: {
        request.accepted = true;
        if (right_menu)
            menu.popup();
    }

    RefreshMenu {
        id: menu
        objectName: "refreshMenu"
        onRefresh: root.reload()
    }

    PdfDownloads {
        id: downloads
        view: root
        // Above the page's own item, which the engine adds later.
        z: 1
        anchors.bottom: parent.bottom
        width: parent.width
    }

    Component.onCompleted: {
        settings.dnsPrefetchEnabled = true;
        settings.pluginsEnabled = true;
        settings.pdfViewerEnabled = true;
    }
}

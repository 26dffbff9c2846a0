import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10
import "js/WebLinks.js" as WebLinks
import "js/Database.js" as Sql
import "theme"

// A web page in a frameless window of its own (pop-ups, links that ask for a
// new window, notices), moved by its title bar. With show_alert every way of
// closing (the close button, Alt+F4, the window system) is refused and a
// QAlert asks whether the page should come back tomorrow ("当天不再提醒"
// emits cancelNotice). Downloads of its page are kept as PDF files named
// after the page title; others are refused (PdfDownloads).
Window {
    id: root
    objectName: "browserWindow"
    property var applicationRoot: null
    property alias webView: view
    property alias url: view.url
    property bool show_alert: false
    property var alert: null
    // The last download: its file name, or "" when it was refused.
    property alias lastDownload: downloads.lastDownload
    property alias downloads: downloads
    property alias titleBar: frame.titleBar
    signal clickedClose()
    signal cancelNotice()

    width: 800; height: 600
    minimumWidth: 800; maximumWidth: 800
    minimumHeight: 600; maximumHeight: 600
    flags: Qt.FramelessWindowHint | Qt.Window
    color: Theme.background
    visible: true
    title: WebLinks.windowTitle(view.title)

    // Closing goes through requestClose whatever asked for it; closeNow is
    // the one way past it.
    property bool closeAllowed_: false
    function closeNow() {
        closeAllowed_ = true;
        close();
        closeAllowed_ = false;
    }
    function requestClose() {
        if (!show_alert) {
            clickedClose();
            closeNow();
            return;
        }
        if (!alert)
            alert = alertComponent.createObject(root);
    }
    onClosing: function (ev) {
        if (!closeAllowed_) {
            ev.accepted = false;
            requestClose();
            return;
        }
        Qt.callLater(root.destroy);
    }

    Component {
        id: alertComponent
        QAlert {
            objectName: "noticeAlert"
            title_: "提示"
            text_: "下次启动是否不再弹出本条消息？"
            ok_text_: "当天不再提醒"
            cancel_text_: "继续提醒"
            onClickedOk: { close(); root.alert = null; root.cancelNotice(); root.closeNow(); destroy(); }
            onClickedCancel: { close(); root.alert = null; root.closeNow(); destroy(); }
        }
    }

    WindowFrame {
        id: frame
        title: root.title
        // Dragging moves this window; its close button closes it through
        // onClosing.
        window_: root
        WebEngineView {
            id: view
            objectName: "windowWebView"
            anchors.top: frame.titleBar.bottom
            anchors.bottom: parent.bottom
            x: 1; width: parent.width - 2

            onNavigationRequested: {
                var a = WebLinks.linkAction(String(request.url), false);
                if (a.action === "load")
                    return;
                request.action = WebEngineNavigationRequest.IgnoreRequest;
                if (a.action === "quote") {
                    var info = Sql.stockRecord(a.code, a.market);   // none (or no dictionary yet): nothing to open
                    var app = root.applicationRoot;
                    if (info && app && typeof app.onChangeToMQView === "function") {
                        app.onChangeToMQView(info);
                        // The quote opens in the main window: it comes forward.
                        if (typeof app.raise === "function") {
                            app.raise();
                            app.requestActivate();
                        }
                    }
                }
            }
            // Only a request the user started (a click) opens a window;
            // a page's own window.open is refused without a word.
            onNewViewRequested: {
                if (!request.userInitiated)
                    return;
                var app = root.applicationRoot;
                var w = app && typeof app.createWindow === "function" ? app.createWindow(root) : null;
                if (w && w.webView)
                    request.openIn(w.webView);
            }
            onWindowCloseRequested: root.close()
            onContextMenuRequested: {
                request.accepted = true;
                menu.popup();
            }
            Component.onCompleted: {
                settings.dnsPrefetchEnabled = true;
                settings.pluginsEnabled = true;
                settings.pdfViewerEnabled = true;
            }
        }
    }

    RefreshMenu {
        id: menu
        onRefresh: view.reload()
    }

    PdfDownloads {
        id: downloads
        view: view
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 1
        x: 1; width: parent.width - 2
    }
}

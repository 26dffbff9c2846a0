import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10
import "js/WebLinks.js" as WebLinks
import "js/Database.js" as Sql

// A web page in a frameless window of its own (pop-ups, links that ask for a
// new window, notices). With show_alert a close asks whether the page should
// come back tomorrow ("当天不再提醒" emits cancelNotice). Downloads of its page
// are kept as PDF files named after the page title; others are cancelled.
Window {
    id: root
    objectName: "browserWindow"
    property var applicationRoot: null
    property alias webView: view
    property alias url: view.url
    property bool show_alert: false
    property var alert: null
    // The last download: its file name, or "" when it was refused.
    property string lastDownload: ""
    signal clickedClose()
    signal cancelNotice()

    width: 800; height: 600
    minimumWidth: 800; maximumWidth: 800
    minimumHeight: 600; maximumHeight: 600
    flags: Qt.FramelessWindowHint | Qt.Window
    color: "#191B1F"
    visible: true
    title: WebLinks.windowTitle(view.title)

    function requestClose() {
        if (!show_alert) {
            clickedClose();
            close();
            return;
        }
        if (!alert)
            alert = alertComponent.createObject(root);
    }
    onClosing: Qt.callLater(root.destroy)

    Component {
        id: alertComponent
        QAlert {
            objectName: "noticeAlert"
            title_: "提示"
            text_: "下次启动是否不再弹出本条消息？"
            ok_text_: "当天不再提醒"
            cancel_text_: "继续提醒"
            onClickedOk: { close(); root.alert = null; root.cancelNotice(); root.close(); destroy(); }
            onClickedCancel: { close(); root.alert = null; root.close(); destroy(); }
        }
    }

    Rectangle {
        anchors.fill: parent
        color: "transparent"
        border.color: "#335493"
        border.width: 1
        QTitleView2 {
            id: titleBar
            x: 1; y: 1
            width: parent.width - 2
            title: root.title
            show_max: false; show_min: false
            window_: null
            onCloseClicked: root.requestClose()
        }
        WebEngineView {
            id: view
            objectName: "windowWebView"
            anchors.top: titleBar.bottom
            anchors.bottom: parent.bottom
            x: 1; width: parent.width - 2

            onNavigationRequested: {
                var a = WebLinks.linkAction(String(request.url), false);
                if (a.action === "load")
                    return;
                request.action = WebEngineNavigationRequest.IgnoreRequest;
                if (a.action === "quote") {
                    var info = null;
                    try {
                        info = Sql.dbGetStockInfo(a.code, a.market);
                    } catch (e) {
                        info = null;   // no dictionary yet: nothing to open
                    }
                    var app = root.applicationRoot;
                    if (info && app && typeof app.onChangeToMQView === "function")
                        app.onChangeToMQView(info);
                }
            }
            onNewViewRequested: {
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

    Connections {
        target: view.profile
        function onDownloadRequested(download) {
            if (download.view !== view)
                return;
            if (!WebLinks.isPdf(download.mimeType)) {
                root.lastDownload = "";
                download.cancel();
                return;
            }
            download.downloadFileName = WebLinks.downloadName(view.title, Date.now());
            root.lastDownload = download.downloadFileName;
            download.accept();
        }
    }
}

import QtQuick 2.15
import QBaseService 1.0
import HFileIO 1.0
import "js/JSNotice.js" as JSNotice
import "js/NewsList.js" as NewsList

// The main window's notices: the login notice once a day after sign-in, and
// pop-up notices at start and every `interval` ms, each reply with notices in
// the one QPopupNotice (a new one once the last was closed). `host` is the
// main window (onChangedTabView, createWindow); it gets the keyboard back
// when the login notice closes.
Item {
    id: root
    property var host: null
    property int interval: 300000
    property bool running: true
    // The last pop-up window and the login notice's window.
    property var lastPopup: null
    property var loginWindow: null
    // The message box of each notice clicked, by noticeKey: a second click
    // brings the same box back instead of opening another.
    property var noticeBoxes: ({})

    QBaseService { id: baseService }
    HFileIO { id: hFileIO }

    Timer {
        id: poll
        interval: root.interval
        repeat: true
        running: root.running
        triggeredOnStart: true
        onTriggered: root.pollPopup()
    }

    function pollPopup() {
        JSNotice.getNotice(3, function (last, reply) {
            if (reply && Array.isArray(reply.notices) && reply.notices.length > 0)
                showPopup(reply);
        });
    }
    function showPopup(reply) {
        // One pop-up at a time: a newer reply replaces what the open one shows.
        if (lastPopup && lastPopup.visible) {
            lastPopup.setData(reply);
            return lastPopup;
        }
        var c = Qt.createComponent("qrc:/qml/QPopupNotice.qml");
        var w = c.status === Component.Ready ? c.createObject(root, { title_: "提示" }) : null;
        if (!w)
            return null;
        w.setData(reply);
        w.clickedItem.connect(openNotice);
        lastPopup = w;
        return w;
    }
    function noticeKey(n) {
        return JSON.stringify([n.updated_time, n.title, n.author, n.pub_date, n.content]);
    }
    // A notice with a page opens in a tab; one without in a message box, one
    // box per notice.
    function openNotice(n) {
        if (n.url) {
            if (host)
                host.onChangedTabView(String(n.title), String(n.url));
            return null;
        }
        var key = noticeKey(n);
        var open = noticeBoxes[key];
        // A box destroyed elsewhere reads as having no properties.
        if (open && open.objectName !== undefined) {
            open.show();
            open.raise();
            return open;
        }
        var w = messageBox(n, false);
        if (w)
            noticeBoxes[key] = w;
        return w;
    }
    function messageBox(n, alert) {
        var c = Qt.createComponent("qrc:/qml/QMsgBox.qml");
        var w = c.status === Component.Ready ? c.createObject(root, {
            title_: "提示", title1_: String(n.title || ""),
            title2_: NewsList.byline(n.author, n.pub_date),
            text_: String(n.content || ""), show_alert: alert }) : null;
        if (w)
            w.show();
        return w;
    }

    // The main window and its current tab take the keyboard again.
    function giveKeysBack() {
        if (!host)
            return;
        host.requestActivate();
        if (host.tabView)
            host.tabView.focusCurrent();
    }

    function checkLoginNotice() {
        JSNotice.getNotice(2, function (last) {
            var w = null;
            if (last.url && host && typeof host.createWindow === "function") {
                w = host.createWindow(String(last.url));
                if (w)
                    w.show_alert = true;
            } else {
                w = messageBox(last, true);
            }
            if (w) {
                w.cancelNotice.connect(function () { JSNotice.cancelNotice(2); });
                if (w.visibleChanged)
                    w.visibleChanged.connect(function () { if (!w.visible) root.giveKeysBack(); });
            }
            loginWindow = w;
        });
    }

    Component.onCompleted: if (running) checkLoginNotice()
}

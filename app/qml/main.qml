import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QBaseService 1.0
import HRoute 1.0
import HFileIO 1.0
import "js/WebLinks.js" as WebLinks
import "js/Placement.js" as Placement
import "js/TabRules.js" as TabRules
import "theme"

// The main window: title bar with the server's menus, quick bar, tab area and
// status bar, the background sync, the quick-command box and the resize frame.
ApplicationWindow {
    id: root
    objectName: "mainWindow"
    width: 1000
    height: 650
    color: Theme.background
    title: "金融终端"
    flags: Qt.Window | Qt.FramelessWindowHint | Qt.MSWindowsFixedSizeDialogHint
    visible: true

    property alias page: page
    property alias titleView: titleView
    property alias quickBar: quickBar
    property alias tabView: tabView
    property alias stateBar: stateBar
    property alias quickCmd: quickCmd
    property alias syncService: sync
    property alias message: message
    property alias notices: notices
    property var quitDialog: null
    // Quitting (or signing in again) has begun: the queued stock-group edits
    // are being sent, under "正在保存…".
    property bool quitting: false
    // The next close request ends the program (the edits were sent).
    property bool closeAllowed: false
    // How long quitting waits for the back end to take the queued edits.
    property int saveWaitMs: 2000
    // Visibility before the last change, to restore a minimised maximised window.
    property int lastVisibility: Window.Windowed
    property bool restoreMaximized: false

    QBaseService { id: base }
    HRoute { id: hroute }

    function onChangedTabView(title, url, fixed) {
        if (url === undefined || url === null || url === "")
            return;
        var view = tabView.onAddModel(title, String(url), !!fixed);
        // A stock-view route that found no stock view opens one on the index.
        var q = view === null ? TabRules.indexQueryFor(hroute.getRoute(String(url))) : null;
        if (q)
            onChangeToMQView(q);
    }

    function onChangeToMQView(query) {
        if (!query)
            return;
        onChangedTabView(query.name, tabView.chartUrl(query.code, query.market, query, "mline"));
    }

    function onQuickClicked(title, flag) {
        if (!flag)
            return;
        var to = TabRules.quickTarget(hroute.getRoute(flag), base.getFormulaGroupNames(), title, flag);
        onChangedTabView(to.title, to.url);
    }

    function centredOnDesktop(w, h) {
        return Qt.point(Screen.desktopAvailableWidth / 2 - w / 2, Screen.desktopAvailableHeight / 2 - h / 2);
    }
    function createSubWindow(title, url) {
        var p = centredOnDesktop(1000, 650);
        var w = Qt.createComponent("qrc:/qml/SubWindow.qml").createObject(windowOwner, { x: p.x, y: p.y, width: 1000, height: 650 });
        if (w) {
            w.show();
            w.onChangedTabView(title, url);
        }
        return w;
    }
    // A browser window, on an address when one is given (a page's new-window
    // request passes its view instead and opens itself in the window).
    // Owner of the free windows (browser and sub windows): a window nothing
    // holds would be collected by the script engine while it is shown. Not a
    // window itself, so they do not stay above the main window.
    QtObject { id: windowOwner }

    // An address that is not http or https opens nothing (null), as in tabs.
    function createWindow(arg) {
        if (typeof arg === "string" && !WebLinks.isWebAddress(arg))
            return null;
        var c = Qt.createComponent("qrc:/qml/BrowserWindow.qml");
        if (c.status !== Component.Ready)
            return null;
        var w = c.createObject(windowOwner, { applicationRoot: root });
        if (w && typeof arg === "string" && arg !== "")
            w.url = arg;
        return w;
    }

    function onExitWindow(msg) {
        message.showMsg(msg, function () { root.quitProgram(false); }, false);
    }
    // Ends the program, or starts it again (restart), once the queued
    // stock-group edits have gone to the back end or saveWaitMs have passed;
    // what could not go is sent by the next sign-in.
    function quitProgram(restart) {
        if (quitting)
            return;
        quitting = true;
        sync.running = false;
        savingNote.forceActiveFocus();
        sync.flushMyStock(saveWaitMs, function () {
            if (restart && typeof QRoot !== "undefined" && QRoot) {
                QRoot.restartApp();
                return;
            }
            closeAllowed = true;
            root.close();
        });
    }
    function showQuitConfirm() {
        if (!quitDialog)
            quitDialog = Qt.createComponent("qrc:/qml/QuitConfirm.qml").createObject(root, { mainWindow: root });
        quitDialog.x = root.x + (root.width - quitDialog.width) / 2;
        quitDialog.y = root.y + (root.height - quitDialog.height) / 2;
        quitDialog.show();
    }
    // type 1 marks an index (its view has the chart page only).
    function openChart(code, market, name, type) {
        var q = { code: code, market: market, name: name };
        if (type !== undefined)
            q.type = type;
        onChangeToMQView(q);
    }

    // A close request from the window manager (Alt+F4) asks first, as the
    // title bar's close button does; once confirmed the edits are sent first.
    onClosing: {
        if (closeAllowed) {
            closeAllowed = false;
            quitting = false;
            return;
        }
        close.accepted = false;
        if (!quitting)
            showQuitConfirm();
    }
    onVisibilityChanged: {
        if (visibility === Window.Minimized)
            restoreMaximized = lastVisibility === Window.Maximized || lastVisibility === Window.FullScreen;
        else if (lastVisibility === Window.Minimized && restoreMaximized && visibility === Window.Windowed)
            showMaximized();
        lastVisibility = visibility;
    }

    property list<Shortcut> shortcuts: [
        Shortcut { sequence: "F3"; enabled: !root.quitting; onActivated: root.openChart("1A0001", "1", "上证指数", 1) },
        Shortcut { sequence: "F4"; enabled: !root.quitting; onActivated: root.openChart("399001", "2", "深证成指", 1) },
        Shortcut { sequence: "F6"; enabled: !root.quitting; onActivated: root.onChangedTabView("我的自选", "app://qml/qml/MyStockView.qml") }
    ]

    // Everything the window shows, as one item (screenshots grab it).
    Rectangle {
        id: page
        objectName: "page"
        anchors.fill: parent
        color: root.color
        QTitleView {
            id: titleView
            objectName: "titleView"
            width: parent.width
            window_: root
            onClickedMenu: root.onChangedTabView(name, active)
            onCloseRequested: root.showQuitConfirm()
        }
        QQuickBar {
            id: quickBar
            objectName: "quickBar"
            anchors.top: titleView.bottom
            width: parent.width
            onClickedItem: root.onQuickClicked(name, flag)
        }
        QTabView {
            id: tabView
            objectName: "tabView"
            anchors.top: quickBar.bottom
            anchors.bottom: stateBar.top
            width: parent.width
            focus: true
            onChangeToMQView: root.onChangeToMQView(query)
            onQuickKey: quickCmd.show(ch)
        }
        QStateBar {
            id: stateBar
            objectName: "stateBar"
            anchors.bottom: parent.bottom
            width: parent.width
            syncNote: sync.waitingText
            onDoubleIndex: root.onChangeToMQView(info)
            onOpenUrl: root.createWindow(url)
        }
    }
    // The pop-up notice's place in the window (it stays at the screen's
    // corner), or null while none shows.
    readonly property var noticeRect: {
        var p = notices.lastPopup;
        return p && p.visible ? { x: p.x - root.x, y: p.y - root.y, w: p.width, h: p.height } : null;
    }
    QQuickCmd {
        id: quickCmd
        // At the bottom right above the status bar, or beside the pop-up
        // notice when that would cover it: its rows stay in sight.
        readonly property var place: Placement.clearOf(
            { x: root.width - width - 10, y: root.height - height - stateBar.height - 10, w: width, h: height },
            root.noticeRect, { x: 0, y: 0, w: root.width, h: root.height }, 10)
        x: place.x
        y: place.y
        onOpenCmd: root.onChangedTabView(name, cmd)
        onMyStockChange: tabView.notifyMyStockChange()
    }
    QDataSyncService {
        id: sync
        onExitWindow: root.onExitWindow(msg)
    }
    QNoticeService { id: notices; objectName: "notices"; host: root }
    QPopup { id: message; objectName: "message"; width: 240 }
    // A file the disk refused to take ("保存失败：磁盘空间不足"), told once per
    // cause (one refused during the sign-in as the window opens); what was
    // not saved is written again by its next save. A file that could not be
    // read ("无法读取 Quorvex.json：没有读取权限"), or was moved aside for
    // that, is told once.
    // A notice that comes while another file notice shows is added to it; a
    // question waiting for its answer is left alone.
    HFileIO {
        id: savedFiles
        function tell(text) {
            if (text === "")
                return;
            if (!message.opened)
                message.showMsg(text, null, false);
            else if (message.call_back_ === null && message.msg_.indexOf(text) < 0)
                message.msg_ += "\n" + text;
        }
        function tellReadFailures() { tell(takeReadFailures()); }
        onSaveFailed: tell(text)
        onReadFailed: tellReadFailures()
    }
    QMouseFrame { window_: root; z: 10 }
    // While quitting: the window takes no input and says why it waits.
    Item {
        id: savingNote
        objectName: "savingNote"
        anchors.fill: parent
        z: 20
        visible: root.quitting
        Keys.onPressed: event.accepted = true
        MouseArea {
            anchors.fill: parent
            hoverEnabled: true
            acceptedButtons: Qt.AllButtons
            onWheel: wheel.accepted = true
        }
        Rectangle {
            anchors.centerIn: parent
            width: 220
            height: 64
            color: Theme.barBackground
            border.color: Theme.frameBorderColor
            Text {
                objectName: "savingText"
                anchors.centerIn: parent
                text: "正在保存…"
                color: Theme.textColor
                font.family: Theme.fontFamily
                font.pixelSize: Theme.titleFontSize
            }
        }
    }

    Component.onCompleted: {
        showMaximized();
        savedFiles.tell(savedFiles.pendingSaveFailure());
        savedFiles.tellReadFailures();
        quickBar.load();
        onChangedTabView("首页", "app://qml/qml/HomeView.qml", true);
        // The first stock opened finds its view made between the first frames.
        tabView.prepareView(tabView.documentBase + "/qml/MQView.qml");
    }
}

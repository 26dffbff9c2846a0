import QtQuick 2.15
import QtQuick.Window 2.15

// End-to-end runs only (loaded through TARVOLIN_TEST_MAIN_QML): opens the real
// main window and waits, without touching it, until its start-up downloads
// are in (quick bar, marquee, menus, the quote server's state and the home
// view), then says "demo: ready true after N ms" and quits; "demo: ready
// false" and quits when that takes over 60 s. With TARVOLIN_TEST_STALLS the
// program reports how long the window waited for the GUI thread meanwhile.
QtObject {
    id: demo
    property var win: null
    property int waited: 0

    function ready() {
        return win.visible && win.quickBar.items.length > 0 && win.stateBar.marquee.items.length > 0
                && win.stateBar.connected && win.titleView.menuBar.menuItems.length > 0
                && (win.stateBar.indexBar.model_ === null || win.stateBar.indexBar.boards.length > 0);
    }
    function homeReady() {
        var home = win.tabView.entries.length > 0 ? win.tabView.entries[0].item : null;
        return !!home && !!home.sectionView && home.sectionView.models[0].count > 0
                && home.priceBoard.boardModel.indexBoard.length > 0
                && !!home.indexChart && !!home.indexChart.upper && home.indexChart.upper.getFirstKLineSize() > 1;
    }

    property Timer poll: Timer {
        interval: 100
        repeat: true
        running: true
        onTriggered: {
            demo.waited += interval;
            var done = demo.ready() && demo.homeReady();
            if (done || demo.waited > 60000) {
                running = false;
                console.info("demo: ready " + done + " after " + demo.waited + " ms, menus "
                             + demo.win.titleView.menuBar.menuItems.length + ", quick bar "
                             + demo.win.quickBar.items.length + ", marquee " + demo.win.stateBar.marquee.items.length);
                Qt.quit();
            }
        }
    }

    Component.onCompleted: {
        win = Qt.createComponent("qrc:/qml/main.qml").createObject(null);
        var screen = Qt.application.screens[0];
        if (win.visibility === Window.Maximized && screen && win.width < screen.desktopAvailableWidth) {
            win.x = 0;
            win.y = 0;
            win.width = screen.desktopAvailableWidth;
            win.height = screen.desktopAvailableHeight;
        }
        if (typeof QRoot !== "undefined")
            QRoot.setWindow(win);
    }
}

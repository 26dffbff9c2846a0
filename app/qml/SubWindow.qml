import QtQuick 2.15
import QtQuick.Window 2.15
import "theme"

// A second window with its own tab area.
Window {
    id: root
    width: 1000
    height: 700
    x: (Screen.desktopAvailableWidth - width) / 2
    y: (Screen.desktopAvailableHeight - height) / 2
    color: Theme.background
    title: "Hello World"
    property alias tabView: tabView

    function onChangedTabView(title, url, fixed) {
        if (url === undefined || url === null || url === "")
            return;
        tabView.onAddModel(title, String(url), !!fixed);
    }
    function onChangeToMQView(query) {
        onChangedTabView(query.name, tabView.chartUrl(query.code, query.market, query, "mline"));
    }

    Shortcut { sequence: "F6"; onActivated: root.onChangedTabView("我的自选", "app://qml/qml/MyStockView.qml") }
    Shortcut { sequence: "F10"; onActivated: root.onChangedTabView("F10", "app://curview/?#chart=f10") }
    Shortcut { sequence: "F9"; onActivated: root.onChangedTabView("F10", "app://curview/?#chart=f9") }

    QTabView {
        id: tabView
        anchors.fill: parent
        focus: true
        onChangeToMQView: root.onChangeToMQView(query)
    }
}

import QtQuick 2.15
import QBaseService 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/HomeView.js" as Home
import "theme"

// The home view's four rise-and-fall distributions, fetched from the back end
// at start and every 5 s while the view is visible.
Rectangle {
    id: root
    color: Theme.background
    property int refreshInterval: 5000
    readonly property var models: [hs, sh, sz, cy]

    QBaseService { id: base }
    ListModel { id: hs }
    ListModel { id: sh }
    ListModel { id: sz }
    ListModel { id: cy }

    function refresh() {
        var url = base.getServerAddressValue("url.market_total");
        if (url === null || url === undefined || String(url) === "")
            return;
        JSHttp.getData(String(url), {}, { "Content-Type": "application/json" }, function (ok, json) {
            if (ok)
                apply(json);
        });
    }
    function apply(json) {
        for (var k = 0; k < Home.distributionKeys.length; ++k) {
            var rows = Home.distributionRows(json ? json[Home.distributionKeys[k]] : null);
            models[k].clear();
            for (var i = 0; i < rows.length; ++i)
                models[k].append(rows[i]);
        }
    }

    Timer {
        id: timer
        objectName: "refreshTimer"  // each tick asks the back end once
        interval: root.refreshInterval
        repeat: true
        triggeredOnStart: true
        running: root.visible
        onTriggered: root.refresh()
    }

    Grid {
        anchors.fill: parent
        columns: 2
        spacing: 2
        Repeater {
            model: 4
            QSectionCountView {
                objectName: "sectionPanel" + index
                width: (root.width - 2) / 2
                height: (root.height - 2) / 2
                title: Home.distributionTitles[index]
                shortTitle: Home.distributionShortTitles[index]
                model: root.models[index]
            }
        }
    }
}

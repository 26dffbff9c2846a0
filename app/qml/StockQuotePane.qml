import QtQuick 2.15
import QBaseService 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "theme"

// The quote panel at the right of the stock view: the stock's price panel or
// the index's panel, whose rise and fall distribution of the market refreshes
// from the back end while an index is shown.
Item {
    id: root
    objectName: "pricePane"
    width: Theme.pricePaneWidth

    property var mqModel: null
    // Handed to the price panel for its links (the stock view).
    property var view: null
    property bool isIndex: false
    // The index's own market (1 Shanghai, 2 Shenzhen).
    property int market: 1
    // How often the market statistics of an index refresh (ms).
    property int statsInterval: 5000

    QBaseService { id: baseService }

    PriceView { id: priceView; anchors.fill: parent; mqModel: root.mqModel; page: root.view }
    PriceIndexView { id: priceIndexView; objectName: "priceIndexView"; anchors.fill: parent; mqModel: root.mqModel }

    Timer {
        id: statsTimer
        interval: root.statsInterval
        repeat: true
        triggeredOnStart: true
        onTriggered: root.refreshMarketStats()
    }

    // Another stock: the trades listed go at once (the new stock's follow).
    function clearTrades() { priceView.clearData(); }
    function startStats() { if (isIndex) statsTimer.restart(); }
    function stopStats() { statsTimer.stop(); }

    // The rise and fall distribution of the whole market and of the index's
    // own market, from the back end.
    function refreshMarketStats() {
        if (!isIndex || !visible)
            return;
        var url = baseService.getServerAddressValue("url.market_total");
        if (typeof url !== "string" || url === "")
            return;
        JSHttp.getData(url, {}, { "Content-Type": "application/json" }, function (ok, json) {
            if (!ok || !json || !root.isIndex)
                return;
            fillSection(priceIndexView.sectionModel, json.HS);
            fillSection(priceIndexView.sectionModel2, root.market === 2 ? json.SZ : json.SH);
            priceIndexView.updateSectionCountModel();
        });
    }

    // Buckets without the up and down totals, each with its share of the largest.
    function fillSection(target, rows) {
        target.clear();
        if (!Array.isArray(rows))
            return;
        var kept = rows.filter(function (r) { return r && r.section !== "up_counts" && r.section !== "down_counts"; });
        var max = 0;
        for (var i = 0; i < kept.length; ++i)
            max = Math.max(max, Number(kept[i].count) || 0);
        for (var j = 0; j < kept.length; ++j) {
            var n = Number(kept[j].count) || 0;
            target.append({ name: String(kept[j].name), section: String(kept[j].section), count: n,
                            type: Number(kept[j].type) || 0, ratio: max > 0 ? n / max : 0 });
        }
    }
}

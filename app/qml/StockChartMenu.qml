import QtQuick 2.15

// The stock view's right-click menu over its charts: other chart kinds and
// pages, the crosshair, the stock's my-stock group, overlay stocks, the price
// adjustment and hold (dragging the K-lines sideways). The drawing tools'
// own menu is StockDrawing's.
QtObject {
    id: root
    // The stock view (MQView.qml).
    property var view: null
    property var menu: QRMenu {
        parent: root.view
        onUpdateQuery: root.view.updateQuery(query)
        onChangeCrosshair: root.setCrosshair(b)
        onChangeHold: if (root.view.qview.mainChart) root.view.qview.mainChart.setHold(b)
        onSuperpositionChart: root.view.superposition(code, market)
        onMystockChange: root.view.mystockChange()
    }
    function crosshairShown() {
        var m = view.qview.mainChart;
        return m ? m.getShowCrosshairLine() : false;
    }
    function setCrosshair(b) {
        if (crosshairShown() !== b)
            view.qview.changeShowCrosshairLine();
    }
    function open() {
        var q = view.query_map_;
        if (!q.code)
            return;
        menu.showMqViewMenu(view.chartKind, String(q.code), Number(q.market || 0), crosshairShown(), String(q.kcmd || ""));
    }
}

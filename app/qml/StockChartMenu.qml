import QtQuick 2.15
import QtQuick.Dialogs 1.3
import "qrc:/qml/js/RMenu.js" as RMenu

// The stock view's right-click menu over its charts: other chart kinds and
// pages, the crosshair, the stock's my-stock group, overlay stocks, the price
// adjustment and hold (dragging the K-lines sideways); and the drawing-tool
// menu, whose choices become the drawing board's style commands.
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
        onPanintToolsMenuClicked: root.paintCommand(query_map)
    }
    property var colorDialog: null
    property Component colorDialogComponent: Component {
        ColorDialog {
            title: "请选颜色"
            onAccepted: root.styleCommand(0, (Math.round(color.r * 255) << 16) | (Math.round(color.g * 255) << 8)
                                             | Math.round(color.b * 255))
        }
    }

    // "line" or "text": the menu of the drawing tool under the mouse.
    function openPaintTools(type) { menu.showPanintToolsMenu(type); }
    function paintCommand(q) {
        var c = RMenu.paintStyleCommand(q);
        if (!c)
            return;
        if (c.askColor) {
            if (!colorDialog)
                colorDialog = colorDialogComponent.createObject(view);
            colorDialog.open();
        }
        else
            styleCommand(c.cmd, 0);
    }
    // Every change to a drawing is saved with the chart's drawing file.
    function styleCommand(cmd, value) {
        view.qview.setStyleCommand(cmd, value);
        view.saveDrawing();
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

import QtQuick 2.15
import QtQuick.Controls 2.15
import MQModel 1.0
import HFileIO 1.0
import QBaseService 1.0
import "qrc:/qml/js/MiniCharts.js" as Mini
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/RMenu.js" as RMenu
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The mini chart: an upper pane on its own MQModel (two thirds of the
// height) and a lower pane that follows it, shown in the home, ranking,
// monitor and group views and in the tiles of the chart grids.
Item {
    id: root
    property alias mqModel: model
    property var upper: null
    property var lower: null
    // The shown stock {code, market, cycle, timestamp}; empty when cleared.
    property var codeInfo: ({})
    // "mline" or "kline" once something is loaded.
    property string lineType: ""
    // The K-line overlay formula, and the lower pane's formula ("" for the
    // chart kind's default).
    property string mainFormula: "MA"
    property string subFormula: ""
    property alias formulaMenu: formulaMenu
    property alias mainMenuItems: mainMenuItems
    property alias subMenuItems: subMenuItems

    signal changeToMQView(var codeInfo)
    signal selected(var self, var codeInfo)
    signal pmousePointChange(var src, int x, int y)

    MQModel { id: model }
    HFileIO { id: fileIO }
    QBaseService { id: baseService }

    // The panes stay transparent: their layers paint beneath them over this.
    Rectangle { anchors.fill: parent; color: Theme.chartBackground }

    // A pane of qchart.qml placed by the y and height functions, without its
    // settings bar; its clicks, mouse and context menu come to this view.
    function createPane(objectName, y, height) {
        var c = Qt.createComponent("qrc:/qml/qchart.qml");
        if (c.status !== Component.Ready) {
            console.warn(c.errorString());
            return null;
        }
        var p = c.createObject(root, { objectName: objectName });
        if (!p)
            return null;
        p.width = Qt.binding(function () { return root.width; });
        p.y = Qt.binding(y);
        p.height = Qt.binding(height);
        p.showSetToolsBar(false);
        p.clicked.connect(root.onPaneClicked);
        p.doubleClicked.connect(root.onPaneDoubleClicked);
        p.mousePointChange.connect(root.pmousePointChange);
        root.pmousePointChange.connect(p.onPmousePointChange);
        p.showRMenu.connect(root.showFormulaMenu);
        return p;
    }

    // The two panes show one range and one crosshair.
    function pairPanes(a, b) {
        a.reCalcShow.connect(b.onPreCalcShow);
        a.crosshairChange.connect(function (src, pos, y) { b.onPcrosshairChange(src, src.getPointX(pos), y); });
    }

    // The stock of the local dictionary for the shown code, or an empty code
    // and market 0 when it is not there.
    function stockInfo() {
        var row = codeInfo.code ? Sql.stockRecord(String(codeInfo.code), Number(codeInfo.market || 0)) : null;
        return row || { code: "", market: 0 };
    }
    function onPaneClicked(src) { selected(root, stockInfo()); }
    function onPaneDoubleClicked(src, x, y) {
        var info = stockInfo();
        if (!info.code)
            return;
        var q = {};
        for (var k in info)
            if (k !== "cmd")
                q[k] = info[k];
        changeToMQView(q);
    }

    function cancel() {
        model.cancelMinute(0);
        model.cancelKLine(0);
    }

    // Both panes without formulas or bars.
    function clear() {
        if (upper)
            upper.clearFormula(false);
        if (lower)
            lower.clearFormula(false);
        lineType = "";
        codeInfo = ({});
    }

    // Empties both panes and sets them up for a chart kind; false without panes.
    function preparePanes(info, kind, cycle) {
        if (!upper || !lower)
            return false;
        cancel();
        clear();
        codeInfo = info;
        lineType = kind;
        var panes = [upper, lower];
        for (var i = 0; i < panes.length; ++i) {
            panes[i].setLineType(kind);
            panes[i].setCycle(cycle);
            panes[i].resetBeginEndState(true);
        }
        return true;
    }

    function getMLineData(info) {
        if (!info || !info.code || !preparePanes(info, "mline", 0))
            return;
        upper.addFormula(0, "MLINE", "MSCALES", "MCROSSHAIR");
        lower.addFormula(0, Mini.subFormulaFor("mline", subFormula), "KSCALES", "KCROSSHAIR");
        upper.setkShowNumber(242, false);
        lower.setkShowNumber(242, false);
        var ts = Number(info.timestamp || 0);
        if (ts > 0)
            model.getHMinuteData(String(info.code), Number(info.market || 0), 0, ts);
        else
            model.getMinuteData(String(info.code), Number(info.market || 0), 0);
    }

    function getKLineData(info) {
        var cycle = Number(info && info.cycle || QuoteCodes.KLINE_DAY);
        if (!info || !info.code || !preparePanes(info, "kline", cycle))
            return;
        upper.addFormula(0, "KLINE", "KSCALES", "KCROSSHAIR");
        if (mainFormula)
            upper.addFormula(0, mainFormula, "NO", "NO");
        lower.addFormula(0, Mini.subFormulaFor("kline", subFormula), "KSCALES", "KCROSSHAIR");
        upper.setkShowNumber(60, false);
        lower.setkShowNumber(60, false);
        model.getKLineData(String(info.code), Number(info.market || 0), 60, cycle, 0);
    }

    // The overlay formula of the upper pane (K-lines only; kept for the next
    // K-line chart otherwise).
    function syncMainFormula(fname) {
        mainFormula = fname;
        if (lineType !== "kline" || !upper)
            return;
        upper.clearFormulaOther("");
        upper.addFormula(0, fname, "NO", "NO");
    }

    // The lower pane's formula, over the upper pane's bars.
    function syncSubFormula(fname) {
        subFormula = fname;
        if (lineType === "" || !lower || !upper)
            return;
        var name = Mini.subFormulaFor(lineType, fname);
        if (lower.getFormulas().length > 0) {
            lower.replaceFormulaEx(name);
        } else {
            lower.clearFormula(false);
            lower.addFormula(0, name, "KSCALES", "KCROSSHAIR");
        }
        lower.setKData(upper, 0);
    }

    // A formula picked from the context menu; logged as a user action.
    function chooseFormula(type, name) {
        if (type === "main_charts")
            syncMainFormula(name);
        else
            syncSubFormula(name);
        try {
            Sql.dbAddActionCmd("FML", name);
        } catch (e) {
            console.log("FML not logged: " + e);
        }
    }

    function formulaNames(flag) {
        var list = baseService.getFormulaNames(flag, false) || [];
        var names = [];
        for (var i = 0; i < list.length; ++i)
            names.push(list[i].name);
        return names;
    }

    // The context menu: main formulas (K-lines only) and sub formulas, each
    // marked when the layout holds it.
    function menuList(model) {
        var out = [];
        for (var i = 0; i < model.count; ++i) {
            var r = model.get(i);
            out.push({ name: r.name, select: r.select, flag: JSON.parse(r.flag) });
        }
        return out;
    }
    function showFormulaMenu(src, x, y) {
        if (lineType === "")
            return;
        Mini.withLayout(fileIO, function (layout) {
            layout.formatToolsBarModel(mainMenuItems, formulaNames(0), lineType, "main_charts");
            layout.formatToolsBarModel(subMenuItems, formulaNames(1), lineType, "sub_charts");
        });
        // Ticked by what the two panes draw, not by the stock view's layout.
        formulaMenu.build(RMenu.homeIndexMenu(lineType === "kline" ? "KLINE" : "MLINE",
                                              Mini.markShown(menuList(mainMenuItems), lineType, "main_charts",
                                                             mainFormula, subFormula),
                                              Mini.markShown(menuList(subMenuItems), lineType, "sub_charts",
                                                             mainFormula, subFormula)));
        var at = src ? src.mapToItem(root, x, y) : Qt.point(x, y);
        formulaMenu.popup(root, at.x, at.y);
    }

    ListModel { id: mainMenuItems }
    ListModel { id: subMenuItems }

    QRMenu {
        id: formulaMenu
        objectName: "formulaMenu"
        onChangeFormula: if (query_map.flag && query_map.flag.name) root.chooseFormula(query_map.chart, query_map.flag.name)
    }

    Component.onCompleted: {
        upper = createPane("IndexChartView", function () { return 0; },
                           function () { return Mini.part(root.height * 2, 3); });
        lower = createPane("IndexChartViewS", function () { return upper ? upper.height : 0; },
                           function () { return Math.max(0, root.height - (upper ? upper.height : 0)); });
        if (!upper || !lower)
            return;
        upper.bindDataSignal(model, -1);
        lower.bindSyncDataSignal(upper, 0);
        pairPanes(upper, lower);
        pairPanes(lower, upper);
    }
}

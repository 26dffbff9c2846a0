import QtQuick 2.15
import QBaseService 1.0
import "qrc:/qml/js/MQChartFormula.js" as JSFormula
import "theme"

// The tool row over the stock view's charts: on K-lines the chart tools
// (区间统计, 画线), the main-chart formula drop-down and the formula groups;
// then one button per sub-chart formula; at the right the 明细/筹码 switch of
// the chip panel (K-lines only).
Rectangle {
    id: root
    objectName: "toolRow"
    height: Theme.toolRowHeight
    color: Theme.toolRowColor
    clip: true

    // "mline" or "kline": what the chart page shows.
    property string chartKind: "mline"
    property bool chipShown: false
    // The sub-chart formulas, each with its pressed state ("select").
    property var subItems: ListModel {}

    // A chart tool: "IntervalStatistics" or "painttools".
    signal toolClicked(string flag)
    signal mainFormulaChosen(string name)
    signal groupChosen(string name)
    signal subChartClicked(string name)
    signal chipSwitched(bool shown)

    // The chart tools of the K-lines, in their order.
    property var klineTools: ListModel {
        ListElement { name: "区间统计"; flag: "IntervalStatistics"; image: "" }
        ListElement { name: "画线"; flag: "painttools"; image: "qrc:/images/painttools/pen.png" }
    }
    // What the K-line drop-downs and the sub bar were built from.
    property string klineBarKey: ""
    property string subBarKey: ""

    QBaseService { id: baseService }

    Row {
        id: toolLeft
        height: parent.height
        spacing: 2
        Repeater {
            model: root.chartKind === "kline" ? root.klineTools : null
            Rectangle {
                objectName: "klineTool_" + flag
                width: toolIcon.width + toolText.implicitWidth + 14
                height: root.height
                color: toolArea.containsMouse ? Theme.buttonHoverColor : Theme.buttonColor
                Image {
                    id: toolIcon
                    x: 4
                    anchors.verticalCenter: parent.verticalCenter
                    width: image !== "" ? 16 : 0
                    height: 16
                    source: image
                }
                Text {
                    id: toolText
                    x: toolIcon.x + toolIcon.width + (image !== "" ? 2 : 0)
                    anchors.verticalCenter: parent.verticalCenter
                    text: name
                    color: Theme.textColor
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.toolFontSize
                }
                MouseArea { id: toolArea; anchors.fill: parent; hoverEnabled: true; onClicked: root.toolClicked(flag) }
            }
        }
        Hbtn {
            id: mainFormulaButton
            objectName: "mainFormulaButton"
            visible: root.chartKind === "kline"
            width: visible ? 100 : 0
            height: root.height
            item_height: root.height
            font_pixelSize: Theme.toolFontSize
            menu_width: 110
            style: 1
            indextemp: -1
            datamodel: ListModel { id: mainFormulaModel }
            onBtnClicked: {
                var f = null;
                try { f = JSON.parse(flag); } catch (e) { f = null; }
                if (f && f.name)
                    root.mainFormulaChosen(String(f.name));
            }
        }
        Hbtn {
            id: groupButton
            objectName: "groupButton"
            visible: root.chartKind === "kline"
            width: visible ? 100 : 0
            height: root.height
            item_height: root.height
            font_pixelSize: Theme.toolFontSize
            menu_width: 120
            style: 1
            indextemp: -1
            datamodel: ListModel { id: groupModel }
            onBtnClicked: if (flag !== "") root.groupChosen(String(flag))
        }
    }
    // One button per sub-chart formula: pressed adds its pane; those that do
    // not fit go to the overflow menu.
    QAutoToolsBar {
        id: subBar
        objectName: "subChartBar"
        x: toolLeft.width + 2
        width: Math.max(0, root.width - x - (chipSwitch.visible ? chipSwitch.width : 0))
        height: root.height
        model_: root.subItems
        style: 0
        onClickedItem: root.subChartClicked(root.subItems.get(index).name)
    }
    // "明细" hides the chip panel, "筹码" shows it.
    Row {
        id: chipSwitch
        objectName: "chipSwitch"
        anchors.right: parent.right
        height: root.height
        visible: root.chartKind === "kline"
        Repeater {
            model: ["明细", "筹码"]
            Rectangle {
                width: Theme.chipSwitchButtonWidth
                height: chipSwitch.height
                color: (index === 1) === root.chipShown ? Theme.selectedColor : Theme.buttonColor
                border.color: Theme.buttonBorderColor
                Text {
                    anchors.centerIn: parent
                    text: modelData
                    color: Theme.textColor
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.toolFontSize
                }
                MouseArea { anchors.fill: parent; onClicked: root.chipSwitched(index === 1) }
            }
        }
    }

    function names(list) {
        var out = [];
        for (var i = 0; i < (list || []).length; ++i)
            out.push(String(list[i].name));
        return out;
    }

    // The K-line layout's main formula besides the K-lines ("" when none).
    function mainOverlayName() {
        var l = (JSFormula.getFormulaMap("kline") || {}).main_charts || [];
        for (var i = 0; i < l.length; ++i)
            if (l[i].fname !== "KLINE")
                return String(l[i].fname);
        return "";
    }

    // The main-chart formula drop-down and the formula groups.
    function fillKLineToolBars() {
        var mains = names(baseService.getFormulaNames(0, false));
        var groups = names(baseService.getFormulaGroupNames());
        var sig = mains.join(",") + "|" + groups.join(",") + "|" + mainOverlayName();
        if (sig === klineBarKey)
            return;  // the same lists and face: the delegates stay
        klineBarKey = sig;
        JSFormula.formatHbtnModel(mainFormulaModel, mains, "kline", "main_charts");
        var menu = [];
        for (var i = 0; i < groups.length; ++i)
            menu.push({ name: groups[i], flag: groups[i] });
        groupModel.clear();
        if (menu.length > 0)
            groupModel.append({ name: "指标组合", flag: "", menuItems: menu });
    }

    // The sub bar is rebuilt (and its texts measured) only when its formulas
    // or the chart kind change; otherwise only the pressed states follow the layout.
    function fillSubBar(layoutKey) {
        var list = names(baseService.getFormulaNames(1, false));
        var sig = layoutKey + "|" + list.join(",");
        if (sig === subBarKey && subItems.count > 0) {
            markSubBar(layoutKey);
            return;
        }
        subBarKey = sig;
        JSFormula.formatToolsBarModel(subItems, list, layoutKey, "sub_charts");
        subBar.updateModel_(subItems);
    }

    function markSubBar(layoutKey) {
        for (var j = 0; j < subItems.count; ++j)
            subItems.setProperty(j, "select", JSFormula.isExistFormulaMap(layoutKey, "sub_charts", subItems.get(j).name));
        subBar.updateShowCount();
    }
}

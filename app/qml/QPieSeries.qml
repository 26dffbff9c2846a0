import QtQuick 2.15
import QtCharts 2.15
import QBaseService 1.0
import "js/JSQuote.js" as JSQuote
import "theme"

// Today's fund flow of a stock: a pie of the eight in- and outflows, the main
// in/out/net texts, the table of the four order classes with their net bars,
// and the 5-day and 20-day nets per class as bars and figures. Reloads every
// refreshInterval ms while shown, for stocks (type 2) of markets 1 and 2.
Rectangle {
    id: root
    objectName: "pieSeries"
    color: Theme.background
    property var codeInfo: null
    property var result: null
    property int refreshInterval: 10000
    readonly property bool refreshing: refreshTimer.running
    property alias pie: pie
    readonly property var rows: result ? JSQuote.flowRows(result) : []
    readonly property var bars: result ? JSQuote.historyBars(result.day5, result.day20) : null
    readonly property bool emptyFlow: result === null || JSQuote.isEmptyFlow(result)

    QBaseService { id: baseService }

    function isStock(c) { return c && (Number(c.market) === 1 || Number(c.market) === 2) && Number(c.type) !== 1; }
    function setCodeInfo(c) {
        codeInfo = c;
        result = null;
        fillPie();
        if (isStock(c))
            load();
    }
    function load() {
        JSQuote.configure(baseService);
        var asked = codeInfo;
        JSQuote.getTodayZJLX(asked, function (ok, r) {
            if (!ok || asked !== root.codeInfo)
                return;       // a failure changes nothing; the timer tries again
            root.result = r;
            root.fillPie();
        });
    }
    function fillPie() {
        pie.clear();
        if (!result || emptyFlow)
            return;
        for (var i = result.data.length - 1; i >= 0; --i) {
            var d = result.data[i];
            var s = pie.append(d.name, Number(d.ratio));
            s.color = d.color;
            s.borderWidth = 1;
            s.borderColor = Theme.background;
            s.labelVisible = false;
        }
    }
    function signColour(v) { return v > 0 ? Theme.upColor : v < 0 ? Theme.downColor : Theme.flatColor; }

    Timer {
        id: refreshTimer
        interval: root.refreshInterval
        repeat: true
        running: root.visible && root.codeInfo !== null && (Number(root.codeInfo.market) === 1 || Number(root.codeInfo.market) === 2)
                 && Number(root.codeInfo.type) === 2
        onTriggered: root.load()
    }

    Row {
        anchors.fill: parent
        anchors.margins: 4
        spacing: 12

        ChartView {
            id: chart
            width: Math.min(parent.height, 170)
            height: parent.height
            antialiasing: true
            backgroundColor: Theme.background
            legend.visible: false
            margins { left: 0; right: 0; top: 0; bottom: 0 }
            PieSeries { id: pie; size: 0.9 }
        }

        Column {
            anchors.verticalCenter: parent.verticalCenter
            spacing: 10
            width: 130
            Repeater {
                model: [
                    ["主力流入(万元)", root.result ? root.result.mBuySum : "-", root.result ? Number(root.result.mBuySum) : 0],
                    ["主力流出(万元)", root.result ? root.result.mSellSum : "-", root.result ? -Number(root.result.mSellSum) : 0],
                    ["主力净流入(万元)", root.result ? JSQuote.formatNumber(Number(root.result.mBuySum) - Number(root.result.mSellSum), 0) : "-",
                     root.result ? Number(root.result.mBuySum) - Number(root.result.mSellSum) : 0]
                ]
                delegate: Column {
                    spacing: 2
                    Text { text: modelData[0]; color: Theme.labelTextColor; font.pixelSize: Theme.flowTableFontSize; font.family: Theme.fontFamily }
                    Text {
                        objectName: "mainFigure" + index
                        text: modelData[1]
                        color: index === 0 ? Theme.upColor : index === 1 ? Theme.downColor : root.signColour(modelData[2])
                        font.pixelSize: Theme.figureFontSize; font.family: Theme.fontFamily
                    }
                }
            }
        }

        // Today by order class: in, out, the net's bar and figure, both ratios.
        Column {
            id: flowTable
            anchors.verticalCenter: parent.verticalCenter
            readonly property var widths: [48, 52, 52, 80, 50, 58, 58]
            width: 398
            spacing: 2
            Row {
                height: 22
                Repeater {
                    objectName: "flowHead"
                    model: ["", "流入", "流出", "", "", "占比", "占比"]
                    Text { width: flowTable.widths[index]; text: modelData; color: Theme.labelTextColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight; font.family: Theme.fontFamily }
                }
            }
            Repeater {
                model: root.rows
                delegate: Row {
                    height: 24
                    Text { width: flowTable.widths[0]; text: modelData.name; color: Theme.textColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight; font.family: Theme.fontFamily }
                    Text { width: flowTable.widths[1]; text: modelData.inflow; color: Theme.upColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight }
                    Text { width: flowTable.widths[2]; text: modelData.outflow; color: Theme.downColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight }
                    Item {
                        width: flowTable.widths[3]; height: 24
                        // The bar grows from the middle: right for a net inflow, left for an outflow.
                        Rectangle {
                            height: 10
                            anchors.verticalCenter: parent.verticalCenter
                            width: Math.max(1, Math.abs(modelData.bar) * 34)
                            x: modelData.bar >= 0 ? 45 : 45 - width
                            color: root.signColour(modelData.netValue)
                        }
                    }
                    Text { width: flowTable.widths[4]; text: modelData.net; color: root.signColour(modelData.netValue)
                           font.pixelSize: Theme.flowTableFontSize; horizontalAlignment: Text.AlignRight }
                    Text { width: flowTable.widths[5]; text: modelData.inRatio; color: Theme.textColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight }
                    Text { width: flowTable.widths[6]; text: modelData.outRatio; color: Theme.textColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight }
                }
            }
        }

        // The 5-day and 20-day nets per class (万元) on one scale.
        Column {
            id: history
            anchors.verticalCenter: parent.verticalCenter
            width: Math.max(180, root.width - chart.width - 130 - flowTable.width - 3 * 12 - 8)
            readonly property real barWidth: width - 48 - 2 * 50 - 8
            spacing: 2
            Row {
                height: 22
                Repeater {
                    model: ["", "5日", "20日"]
                    Text { width: [48, 50, 50][index]; text: modelData; color: Theme.labelTextColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight; font.family: Theme.fontFamily }
                }
            }
            Repeater {
                model: root.bars ? 5 : 0
                delegate: Row {
                    height: 24
                    Text { width: 48; text: ["主力", "超大单", "大单", "中单", "小单"][index]; color: Theme.textColor; font.pixelSize: Theme.flowTableFontSize
                           horizontalAlignment: Text.AlignRight; font.family: Theme.fontFamily }
                    Text { width: 50; text: JSQuote.formatNumber(root.bars.day5[index].value, 0); font.pixelSize: Theme.flowTableFontSize
                           color: root.signColour(root.bars.day5[index].value); horizontalAlignment: Text.AlignRight }
                    Text { width: 50; text: JSQuote.formatNumber(root.bars.day20[index].value, 0); font.pixelSize: Theme.flowTableFontSize
                           color: root.signColour(root.bars.day20[index].value); horizontalAlignment: Text.AlignRight }
                    Item {
                        width: history.barWidth + 8
                        height: 24
                        Rectangle {
                            y: 4; height: 7
                            x: 8 + root.bars.day5[index].start * history.barWidth
                            width: Math.max(1, root.bars.day5[index].width * history.barWidth)
                            color: root.bars.day5[index].color
                        }
                        Rectangle {
                            y: 13; height: 7
                            x: 8 + root.bars.day20[index].start * history.barWidth
                            width: Math.max(1, root.bars.day20[index].width * history.barWidth)
                            color: root.bars.day20[index].color
                            opacity: 0.6
                        }
                    }
                }
            }
        }
    }
}

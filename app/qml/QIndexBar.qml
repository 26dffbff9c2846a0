import QtQuick 2.15
import HUtil 1.0
import IndexBoardModel 1.0
import "theme"

// The main indices of the status bar (上证指数, 深证成指, 创业板指): name, last
// price, change, change rate and amount, from the index model; without a
// model the bar stays empty.
Item {
    id: root
    property var model_: null
    property var shownCodes: ["1A0001", "399001", "399006"]
    property var boards: []
    property int selected: -1
    property alias cells: cells
    signal clickItem(var info)
    signal doubleItem(var info)

    height: 30

    HUtil { id: util }

    function refresh() {
        var out = [];
        var list = model_ && model_.indexBoard ? model_.indexBoard : [];
        for (var i = 0; i < list.length; ++i)
            if (shownCodes.indexOf(list[i].code) >= 0)
                out.push(list[i]);
        boards = out;
    }
    function info(b) { return { code: b.code, market: b.market, name: b.name }; }

    Component { id: indexModel; IndexBoardModel {} }

    Component.onCompleted: {
        model_ = indexModel.createObject(root);
        model_.dataChanged.connect(refresh);
        model_.getIndexData();
        refresh();
    }

    Row {
        Repeater {
            id: cells
            model: root.boards
            delegate: Item {
                width: 280; height: 30
                property var b: modelData
                // Chained by anchors, not a Row: a Row would move the texts
                // while the frame is prepared and ask for a second one.
                Text {
                    id: nameText
                    x: 6; anchors.verticalCenter: parent.verticalCenter
                    text: b.name; color: root.selected === index ? Theme.textColor : Theme.labelTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize
                }
                Text {
                    id: closeText
                    anchors.left: nameText.right; anchors.leftMargin: 6; anchors.verticalCenter: parent.verticalCenter
                    text: util.formatPrice(b.close, 2); color: util.getPriceColor(b.close, b.pre_close); font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize
                }
                Text {
                    id: valueText
                    anchors.left: closeText.right; anchors.leftMargin: 6; anchors.verticalCenter: parent.verticalCenter
                    text: util.formatPrice(b.rf_value, 2); color: util.getPriceColor(b.close, b.pre_close); font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize
                }
                Text {
                    id: rateText
                    anchors.left: valueText.right; anchors.leftMargin: 6; anchors.verticalCenter: parent.verticalCenter
                    text: util.formatRate(b.rf_rate * 100, 2, b.close); color: util.getPriceColor(b.close, b.pre_close); font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize
                }
                Text {
                    anchors.left: rateText.right; anchors.leftMargin: 6; anchors.verticalCenter: parent.verticalCenter
                    text: util.formatVol(b.sum); color: Theme.actionColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: { root.selected = index; root.clickItem(root.info(b)); }
                    onDoubleClicked: root.doubleItem(root.info(b))
                }
            }
        }
    }
}

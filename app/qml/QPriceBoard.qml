import QtQuick 2.15
import IndexBoardModel 1.0
import HUtil 1.0
import "theme"

// The home view's index tiles: the main indices left to right, each with its
// close, change rate and change in the price colour. A click picks the tile
// (shown in the chart), a double click opens its chart view.
Item {
    id: root
    property int curIndex: -1
    property var filterCode: ""
    readonly property alias boardModel: board
    readonly property real tileWidth: (width - 5) / 5 - 5
    signal tileClicked(var codeInfo)
    signal changeToMQView(var codeInfo)

    IndexBoardModel { id: board }
    HUtil { id: hutil }

    function subscribe() { board.getIndexData(); }
    function cancel() { board.cancel(); }
    function infoAt(i) {
        var b = board.indexBoard[i];
        // type 1: an index (its chart view has the chart page only).
        return b ? { code: b.code, market: b.market, name: b.name, type: 1 } : null;
    }
    function getCurCodeInfo() {
        var info = curIndex >= 0 ? infoAt(curIndex) : null;
        return info && info.code ? info : { code: "1A0001", market: 1, name: "上证指数" };
    }
    function tileAt(i) { return tiles.itemAt(i); }
    function setFilter(codeInfo) { filterCode = codeInfo && codeInfo.code ? String(codeInfo.code) : ""; }

    Flow {
        anchors.fill: parent
        anchors.leftMargin: 5
        anchors.topMargin: 5
        spacing: 5
        Repeater {
            id: tiles
            // One tile per entry, kept across updates (a new list each
            // second would make every tile anew, and a click could land
            // while they are laid out again).
            model: board.indexBoard.length
            delegate: Rectangle {
                id: tile
                objectName: "indexTile" + index
                readonly property var b: board.indexBoard[index] || ({})
                readonly property color tint: hutil.getPriceColor(b.close, b.pre_close)
                visible: b.code !== root.filterCode
                width: root.tileWidth
                height: 80
                color: Theme.sectionBackground
                Text {
                    x: 8; y: 6
                    font.family: Theme.fontFamily; font.pixelSize: Theme.headlineFontSize
                    color: root.curIndex === index ? Theme.textColor : Theme.labelTextColor
                    text: tile.b.name
                }
                Text {
                    objectName: "closeText"
                    x: 8; y: 30
                    font.family: Theme.fontFamily; font.pixelSize: Theme.lastPriceFontSize
                    color: tile.tint
                    text: hutil.formatPrice(tile.b.close, 2)
                }
                Text {
                    x: 8; y: 56
                    font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
                    color: tile.tint
                    text: hutil.formatRate(tile.b.rf_rate * 100, 2, tile.b.close)
                }
                Text {
                    anchors.right: parent.right; anchors.rightMargin: 8; y: 56
                    horizontalAlignment: Text.AlignRight
                    font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
                    color: tile.tint
                    text: hutil.formatPrice(tile.b.rf_value, 2)
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: {
                        root.curIndex = index;
                        root.tileClicked(root.infoAt(index));
                    }
                    onDoubleClicked: root.changeToMQView(root.infoAt(index))
                }
            }
        }
    }
}

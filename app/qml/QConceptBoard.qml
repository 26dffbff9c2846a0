import QtQuick 2.15
import IndexBoardModel 1.0
import HUtil 1.0
import "qrc:/qml/js/HomeView.js" as Home
import "theme"

// The home view's concept board: the strongest concept blocks as 5 x 4 tiles
// coloured by their change rate. A double click opens the block's chart view.
Item {
    id: root
    property int sort: 0
    property int mode_type: 1
    property int show_size: 20
    property int curIndex: -1
    readonly property alias boardModel: board
    readonly property real tileWidth: (width - 5) / 5 - 5
    readonly property real tileHeight: (height - 5) / 4 - 5
    signal changeToMQView(var codeInfo)

    IndexBoardModel { id: board }
    HUtil { id: hutil }

    function subscribe() { board.getConceptData(sort, mode_type, show_size); }
    function cancel() { board.cancel(); }
    function tileAt(i) { return tiles.itemAt(i); }
    function colorOf(rate) { return Home.conceptColor(rate); }

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
                objectName: "conceptTile" + index
                readonly property var b: board.indexBoard[index] || ({})
                readonly property bool current: root.curIndex === index
                width: root.tileWidth
                height: root.tileHeight
                color: root.colorOf(b.rf_rate)
                Column {
                    anchors.centerIn: parent
                    spacing: 4
                    Repeater {
                        model: [tile.b.name, hutil.formatRate(tile.b.rf_rate * 100, 2, tile.b.close)]
                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            font.family: Theme.fontFamily; font.pixelSize: Theme.tileFontSize
                            color: Home.conceptTextColor(tile.color.toString().toUpperCase(), tile.current)
                            text: modelData
                        }
                    }
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: root.curIndex = index
                    onDoubleClicked: root.changeToMQView({ code: tile.b.code, market: tile.b.market, name: tile.b.name })
                }
            }
        }
    }
}

import QtQuick 2.15
import ServerStateModel 1.0
import "theme"

// The status bar: quote-server state, the index bar and the announcement line.
Rectangle {
    id: root
    property alias stateModel: serverState
    property alias indexBar: indexBar
    property alias marquee: marquee
    readonly property bool connected: serverState.server_state === 1
    readonly property string stateText: connected ? "已连接" : "断开"
    property string syncNote: ""  // stock-group edits waiting for the back end
    signal doubleIndex(var info)
    signal openUrl(string url)

    height: 31
    color: Theme.barBackground

    ServerStateModel { id: serverState }

    Row {
        id: stateRow
        objectName: "serverState"
        x: 8
        height: parent.height
        spacing: 6
        Image {
            anchors.verticalCenter: parent.verticalCenter
            width: 16; height: 16
            source: root.connected ? "qrc:/images/server_state_1.png" : "qrc:/images/server_state_0.png"
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: serverState.server_name
            color: Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionFontSize
        }
        Text {
            objectName: "serverStateText"
            anchors.verticalCenter: parent.verticalCenter
            text: root.stateText
            color: root.connected ? Theme.onlineColor : Theme.offlineColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionFontSize
        }
        Text {
            objectName: "syncNote"
            visible: text !== ""
            anchors.verticalCenter: parent.verticalCenter
            text: root.syncNote
            color: Theme.volumeColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionFontSize
        }
    }
    QIndexBar {
        id: indexBar
        anchors.left: stateRow.right
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        width: indexBar.model_ !== null ? 860 : 0
        onDoubleItem: root.doubleIndex(info)
    }
    QMarquee {
        id: marquee
        anchors.left: indexBar.right
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        onOpenUrl: root.openUrl(url)
    }
}

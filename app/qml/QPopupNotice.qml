import QtQuick 2.15
import QtQuick.Window 2.15
import "theme"

// A pop-up notice in the bottom-right corner of the screen: the title of one
// notice of a reply at a time, with "上一条" and "下一条" to step through them.
// Clicking the title hands the notice on (clickedItem).
Window {
    id: root
    objectName: "popupNotice"
    property string title_: "提示"
    property var notices: []
    property int current: 0
    readonly property var currentNotice: current >= 0 && current < notices.length ? notices[current] : null
    property alias prevButton: prevButton
    property alias nextButton: nextButton
    property alias noticeText: noticeText
    signal clickedItem(var notice)

    width: 300; height: 200
    minimumWidth: 300; maximumWidth: 300
    minimumHeight: 200; maximumHeight: 200
    // It shows beside the work and never takes the keyboard from it.
    flags: Qt.FramelessWindowHint | Qt.Window | Qt.WindowStaysOnTopHint | Qt.WindowDoesNotAcceptFocus
    color: Theme.raisedBackground
    visible: true

    // Takes reply.notices; a missing or empty list changes nothing.
    function setData(reply) {
        var list = reply && Array.isArray(reply.notices) ? reply.notices : [];
        if (list.length === 0)
            return;
        notices = list;
        current = 0;
    }
    function previous() { if (current > 0) current -= 1; }
    function next() { if (current < notices.length - 1) current += 1; }

    onClosing: Qt.callLater(root.destroy)
    // In the bottom-right corner of the screen from the start, before it shows.
    readonly property point corner: typeof QRoot !== "undefined" && QRoot ? QRoot.getScreenRightBottom(width, height)
                                                                           : Qt.point(0, 0)
    x: corner.x
    y: corner.y

    WindowFrame {
        id: frame
        color: root.color
        window_: root
        title: root.title_
        Text {
            id: noticeText
            objectName: "noticeText"
            anchors.top: frame.titleBar.bottom
            anchors.bottom: buttons.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: 12
            text: root.currentNotice && root.currentNotice.title !== undefined ? String(root.currentNotice.title) : ""
            textFormat: Text.PlainText
            color: Theme.actionHoverColor
            font.family: Theme.songFontFamily
            font.pixelSize: Theme.textFontSize
            font.italic: true
            wrapMode: Text.Wrap
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: if (root.currentNotice) root.clickedItem(root.currentNotice)
            }
        }
        Row {
            id: buttons
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 8
            anchors.right: parent.right
            anchors.rightMargin: 12
            spacing: 16
            height: 20
            LinkButton {
                id: prevButton
                objectName: "prevButton"
                text: "上一条"
                enabled: root.current > 0
                font.family: Theme.songFontFamily
                font.pixelSize: Theme.buttonFontSize
                onClicked: root.previous()
            }
            LinkButton {
                id: nextButton
                objectName: "nextButton"
                text: "下一条"
                enabled: root.current < root.notices.length - 1
                font.family: Theme.songFontFamily
                font.pixelSize: Theme.buttonFontSize
                onClicked: root.next()
            }
        }
    }
}

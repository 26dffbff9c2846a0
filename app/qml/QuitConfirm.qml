import QtQuick 2.15
import QtQuick.Window 2.15
import "theme"

// The exit dialog: quit, sign in again (restarts the program) or cancel.
Window {
    id: root
    property var mainWindow: null
    width: 300; height: 150
    minimumWidth: 300; maximumWidth: 300
    minimumHeight: 150; maximumHeight: 150
    flags: Qt.FramelessWindowHint | Qt.Dialog
    modality: Qt.ApplicationModal
    title: "退出确认"
    color: Theme.toolRowColor

    function quit() {
        close();
        if (mainWindow)
            mainWindow.close();
    }
    function restart() {
        close();
        if (typeof QRoot !== "undefined")
            QRoot.restartApp();
    }

    Rectangle {
        anchors.fill: parent
        color: "transparent"
        border.color: Theme.frameBorderColor
        z: 2
    }
    QTitleView2 {
        id: title
        width: parent.width
        window_: root
        title: "退出确认"
        show_max: false
        show_min: false
    }
    Text {
        anchors.top: title.bottom
        anchors.bottom: buttons.top
        anchors.left: parent.left
        anchors.right: parent.right
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        text: "您确定退出吗？请您选择:"
        color: Theme.textColor
        font.family: Theme.songFontFamily
        font.pixelSize: 14
    }
    Row {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12
        DialogButton { objectName: "quitButton"; label: "退出"; hoverColor: Theme.closeHoverColor; onClicked: root.quit() }
        DialogButton { objectName: "restartButton"; label: "重新登录"; onClicked: root.restart() }
        DialogButton { objectName: "cancelButton"; label: "取消"; onClicked: root.close() }
    }

    component DialogButton: Rectangle {
        property string label
        property color hoverColor: Theme.hoverColor
        signal clicked()
        width: 80; height: 28
        color: area.containsMouse ? hoverColor : Theme.barBackground
        border.color: Theme.hoverColor
        Text { anchors.centerIn: parent; text: parent.label; color: Theme.textColor; font.family: Theme.songFontFamily; font.pixelSize: 14 }
        MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; onClicked: parent.clicked() }
    }
}

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

    // Both go through the main window, which first sends the queued edits.
    function quit() {
        close();
        if (mainWindow)
            mainWindow.quitProgram(false);
    }
    function restart() {
        close();
        if (mainWindow)
            mainWindow.quitProgram(true);
        else if (typeof QRoot !== "undefined")
            QRoot.restartApp();
    }

    WindowFrame {
        id: frame
        borderOnTop: true
        window_: root
        title: "退出确认"
        Text {
            anchors.top: frame.titleBar.bottom
            anchors.bottom: buttons.top
            anchors.left: parent.left
            anchors.right: parent.right
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: "您确定退出吗？请您选择:"
            color: Theme.textColor
            font.family: Theme.songFontFamily
            font.pixelSize: Theme.textFontSize
        }
        Row {
            id: buttons
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 16
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 12
            DialogButton { objectName: "quitButton"; width: 80; height: 28; text: "退出"; hoverColor: Theme.closeHoverColor; onClicked: root.quit() }
            DialogButton { objectName: "restartButton"; width: 80; height: 28; text: "重新登录"; onClicked: root.restart() }
            DialogButton { objectName: "cancelButton"; width: 80; height: 28; text: "取消"; onClicked: root.close() }
        }
    }
}

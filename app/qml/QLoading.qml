import QtQuick 2.15
import QtQuick.Controls 2.15
import "theme"

// A busy overlay over the whole parent with a turning image and a message.
Popup {
    id: root
    property string msg_
    function show(msg) { msg_ = msg; open(); }
    function hide() { close(); }

    parent: Overlay.overlay
    x: 0; y: 0
    width: parent ? parent.width : 0
    height: parent ? parent.height : 0
    modal: true
    closePolicy: Popup.NoAutoClose
    background: Rectangle { color: Theme.modalShade }

    Column {
        anchors.centerIn: parent
        spacing: 8
        Image {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 50; height: 50
            source: "qrc:/images/loading.png"
            RotationAnimation on rotation {
                running: root.visible
                from: 0; to: 360
                duration: 1000
                loops: Animation.Infinite
            }
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: root.msg_
            color: Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.textFontSize
        }
    }
}

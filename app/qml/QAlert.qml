import QtQuick 2.15
import QtQuick.Window 2.15
import "theme"

// A small frameless question window with two buttons; shown on creation.
Window {
    id: root
    property string title_
    property string text_
    property color color_: Theme.lightBackground
    property string ok_text_
    property string cancel_text_
    property font font_: Qt.font({ family: Theme.songFontFamily, pixelSize: Theme.textFontSize })
    property font btn_font_: Qt.font({ family: Theme.songFontFamily, pixelSize: Theme.buttonFontSize })
    property color btn_bg_color_normal: Theme.barBackground
    property color btn_bg_color_hovered: Theme.hoverColor
    property color btn_bg_color_hovered_2: Theme.closeHoverColor
    property string name_
    signal clickedOk()
    signal clickedCancel()

    width: 300; height: 200
    minimumWidth: 300; maximumWidth: 300
    minimumHeight: 200; maximumHeight: 200
    flags: Qt.FramelessWindowHint | Qt.Window
    color: Theme.buttonColor
    visible: true

    WindowFrame {
        id: frame
        window_: root
        title: root.title_
        titleBar.show_close: false
        Text {
            anchors.top: frame.titleBar.bottom
            anchors.bottom: buttons.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: 10
            text: root.text_
            color: root.color_
            font: root.font_
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        Row {
            id: buttons
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 15
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 20
            AlertButton { objectName: "okButton"; text: root.ok_text_; hoverColor: root.btn_bg_color_hovered_2; onClicked: root.clickedOk() }
            AlertButton { objectName: "cancelButton"; text: root.cancel_text_; hoverColor: root.btn_bg_color_hovered; onClicked: root.clickedCancel() }
        }
    }

    component AlertButton: DialogButton { width: 110; height: 30; normalColor: root.btn_bg_color_normal; font: root.btn_font_ }
}

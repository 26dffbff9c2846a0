import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import "theme"

// A small frameless window asking for one line of text: it opens with the
// keys in its field, Return confirms and Esc cancels.
Window {
    id: root
    property string text_
    property string caption: "请输入文本"
    property color color_: Theme.blackBackground
    property font font_: Qt.font({ family: Theme.songFontFamily, pixelSize: Theme.fieldFontSize })
    signal clickedOK(string text)
    signal clickedCancel()

    function setText(aText) { field.text = aText; }
    function accept() { root.clickedOK(field.text); root.close(); }
    function reject() { root.clickedCancel(); root.close(); }

    onVisibleChanged: if (visible) { requestActivate(); field.forceActiveFocus(); field.selectAll(); }

    width: 320; height: 110
    flags: Qt.FramelessWindowHint | Qt.Window
    color: Theme.buttonColor

    WindowFrame {
        id: frame
        window_: root
        title: root.caption
        TextField {
            id: field
            objectName: "field"
            anchors.top: frame.titleBar.bottom
            anchors.topMargin: 8
            x: 10; width: parent.width - 20; height: 26
            text: root.text_
            color: root.color_
            font: root.font_
            selectByMouse: true
            focus: true
            Keys.onReturnPressed: root.accept()
            Keys.onEnterPressed: root.accept()
            Keys.onEscapePressed: root.reject()
        }
        Row {
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 8
            anchors.right: parent.right
            anchors.rightMargin: 10
            spacing: 10
            Button { objectName: "okButton"; text: "确定"; height: 24; onClicked: root.accept() }
            Button { objectName: "cancelButton"; text: "取消"; height: 24; onClicked: root.reject() }
        }
    }
}

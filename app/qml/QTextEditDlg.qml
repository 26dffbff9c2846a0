import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Dialogs 1.3
import QtQuick.Window 2.15
import "theme"

// The text of a text tool: typed text, its colour and its font.
Window {
    id: root
    width: 320
    height: 320
    title: "请输入文本"
    flags: Qt.FramelessWindowHint | Qt.MSWindowsFixedSizeDialogHint | Qt.Dialog
    modality: Qt.WindowModal

    property string text: ""
    property color color: Theme.lightBackground
    property font font: Qt.font({ family: Theme.songFontFamily, pixelSize: Theme.fieldFontSize, weight: Font.Normal })

    // The chart's edit id of the text tool being edited.
    property var editId: 0

    signal clickedOK(var text, var color, var font)
    signal clickedCancel()

    // The font in the chart's text form, and back.
    function fontString(f) {
        return [f.family, f.pixelSize > 0 ? -1 : f.pointSize, f.pixelSize > 0 ? f.pixelSize : -1, 5,
                f.bold ? 75 : f.weight, f.italic ? 1 : 0, f.underline ? 1 : 0, f.strikeout ? 1 : 0, 0, 0].join(",");
    }
    function fontFromString(s) {
        var p = String(s).split(",");
        if (p.length < 5 || p[0] === "")
            return root.font;
        var f = { family: p[0], weight: Number(p[4]) || Font.Normal, italic: p[5] === "1" };
        if (Number(p[2]) > 0)
            f.pixelSize = Number(p[2]);
        else if (Number(p[1]) > 0)
            f.pointSize = Number(p[1]);
        return Qt.font(f);
    }

    function setText(aText) {
        text = aText;
        editor.text = aText;
    }
    function setColor(aColor) { color = aColor; }
    function setFont(aFont) { font = aFont; }
    function setTextFocus(b) { editor.focus = b; }
    // "确定": the editor's text, colour and font, then closes.
    function accept() {
        text = editor.text;
        clickedOK(editor.text, String(root.color), editor.font);
        close();
    }
    function cancel() {
        clickedCancel();
        close();
    }

    // Opened: the keys in the editor.
    onVisibleChanged: if (visible) { requestActivate(); editor.forceActiveFocus(); }

    WindowFrame {
        id: frame
        borderOnTop: true
        window_: root
        title: root.title
        onCloseClicked: root.cancel()
        Rectangle {
            anchors.top: frame.titleBar.bottom
            anchors.bottom: toolRow.top
            width: parent.width
            color: Theme.dialogBackground
            TextEdit {
                id: editor
                objectName: "textEditor"
                anchors.fill: parent
                anchors.margins: 6
                wrapMode: TextEdit.Wrap
                selectByMouse: true
                color: root.color
                font: root.font
                // Return confirms and Esc cancels; Shift+Return starts a new line.
                Keys.onPressed: {
                    if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter) && !(event.modifiers & Qt.ShiftModifier)) {
                        event.accepted = true;
                        root.accept();
                    } else if (event.key === Qt.Key_Escape) {
                        event.accepted = true;
                        root.cancel();
                    }
                }
            }
        }

        Rectangle {
            id: toolRow
            anchors.bottom: parent.bottom
            width: parent.width
            height: 40
            color: Theme.lightDialogColor
            Row {
                anchors.verticalCenter: parent.verticalCenter
                x: 8
                spacing: 6
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "颜色"
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.textFontSize
                    color: Theme.lineColor
                }
                Rectangle {
                    objectName: "colorSwatch"
                    anchors.verticalCenter: parent.verticalCenter
                    width: toolRow.height * 0.8
                    height: toolRow.height * 0.8
                    color: root.color
                    border.color: Theme.lightBorderColor
                    MouseArea {
                        anchors.fill: parent
                        onClicked: colorDialog.open()
                    }
                }
                Repeater {
                    model: [{ t: "字体", a: "font" }, { t: "确定", a: "ok" }, { t: "取消", a: "cancel" }]
                    ActionButton {
                        objectName: "button_" + modelData.a
                        anchors.verticalCenter: parent.verticalCenter
                        width: 60
                        height: 26
                        text: modelData.t
                        font.pixelSize: Theme.buttonFontSize
                        onClicked: {
                            if (modelData.a === "font")
                                fontDialog.open();
                            else if (modelData.a === "ok")
                                root.accept();
                            else
                                root.cancel();
                        }
                    }
                }
            }
        }
    }

    ColorDialog {
        id: colorDialog
        title: "请选颜色"
        color: root.color
        onAccepted: root.color = colorDialog.color
    }

    FontDialog {
        id: fontDialog
        title: "请选择字体"
        font: editor.font
        // A cancelled dialog keeps the font.
        onAccepted: root.font = fontDialog.font
    }
}

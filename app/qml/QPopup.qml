import QtQuick 2.15
import QtQuick.Controls 2.15
import "theme"

// A small modal message with confirm (and optionally cancel) buttons; the
// callback gets true for confirm, false for cancel. Enter confirms; Escape or a
// press outside cancels, or confirms when confirm is the only button. The
// callback runs once the pop-up has closed and handed the focus back, so that
// it can move the focus itself.
Popup {
    id: root
    property string msg_
    property bool is_cancel_: true
    property var call_back_: null
    property string cancel_text_: "取  消"
    property string confirm_text_: "确  定"
    property var answer_: undefined  // the button pressed; undefined: closed otherwise

    width: 200
    // A message of several lines makes it taller, never clipped.
    height: Math.max(150, body.contentHeight + 12 + buttons.height + 10 + topPadding + bottomPadding)
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    focus: true
    Overlay.modal: Rectangle { color: Theme.modalShade }
    background: Rectangle { color: Theme.buttonColor; border.color: Theme.frameBorderColor }

    function showMsg(msg, cb, is_cancel, cancel_text, confirm_text) {
        msg_ = msg;
        call_back_ = cb;
        if (is_cancel !== null && is_cancel !== undefined)
            is_cancel_ = is_cancel;
        if (cancel_text)
            cancel_text_ = cancel_text;
        if (confirm_text)
            confirm_text_ = confirm_text;
        answer_ = undefined;
        open();
    }
    function answer(ok) {
        answer_ = ok;
        close();
    }
    onClosed: {
        const ok = answer_ === undefined ? !is_cancel_ : answer_;
        answer_ = undefined;
        if (typeof call_back_ === "function")
            call_back_(ok);
    }

    Item {
        focus: true
        Keys.onReturnPressed: root.answer(true)
        Keys.onEnterPressed: root.answer(true)
    }

    Text {
        id: body
        objectName: "popupText"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: buttons.top
        anchors.margins: 6
        text: root.msg_
        color: Theme.textColor
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.family: Theme.fontFamily
        font.pixelSize: Theme.textFontSize
    }
    Row {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 10
        PopButton {
            objectName: "cancelButton"
            visible: root.is_cancel_
            width: (root.availableWidth - 10) / 2
            text: root.cancel_text_
            onClicked: root.answer(false)
        }
        PopButton {
            objectName: "confirmButton"
            width: root.is_cancel_ ? (root.availableWidth - 10) / 2 : root.availableWidth
            text: root.confirm_text_
            onClicked: root.answer(true)
        }
    }

    component PopButton: ActionButton { height: 30; font.family: Theme.fontFamily; font.pixelSize: Theme.buttonFontSize }
}

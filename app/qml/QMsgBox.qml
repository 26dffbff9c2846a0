import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import "theme"

// A large frameless message window: heading, sub-heading and scrolled body.
// With show_alert a close asks whether the message should come back tomorrow.
Window {
    id: root
    property string title_
    property string title1_
    property string title2_
    property string text_
    property color color_: Theme.dialogBackground
    property font font_: Qt.font({ family: Theme.songFontFamily, pixelSize: Theme.textFontSize })
    property bool show_alert: false
    property string name_
    property var alert: null
    signal clickedClose()
    signal cancelNotice()

    width: 800; height: 600
    minimumWidth: 800; maximumWidth: 800
    minimumHeight: 600; maximumHeight: 600
    flags: Qt.FramelessWindowHint | Qt.Window
    color: Theme.lightBackground

    // Closing: with show_alert the close is refused and the question asked.
    // A close from the window manager (Alt+F4) takes the same way.
    property bool closeAllowed_: false
    function closeNow() {
        closeAllowed_ = true;
        close();
        closeAllowed_ = false;
    }
    onClosing: function (ev) {
        if (closeAllowed_)
            return;
        ev.accepted = false;
        requestClose();
    }
    function requestClose() {
        if (!show_alert) {
            closeNow();
            clickedClose();
            return;
        }
        if (alert)
            return;
        alert = alertComponent.createObject(root);
    }

    Component {
        id: alertComponent
        QAlert {
            title_: root.title_
            text_: "下次启动是否不再弹出本条消息？"
            ok_text_: "当天不再提醒"
            cancel_text_: "继续提醒"
            onClickedOk: { close(); root.alert = null; root.closeNow(); root.cancelNotice(); destroy(); }
            onClickedCancel: { close(); root.alert = null; root.closeNow(); destroy(); }
        }
    }

    WindowFrame {
        id: frame
        title: root.title_
        // The close button is handled here, so the alert can refuse it.
        window_: null
        onCloseClicked: root.requestClose()
        Rectangle {
            id: heading
            visible: root.title1_ !== ""
            anchors.top: frame.titleBar.bottom
            x: 1; width: parent.width - 2
            height: visible ? 30 : 0
            color: Theme.lightTitleColor
            Text { anchors.centerIn: parent; text: root.title1_; textFormat: Text.PlainText; color: Theme.lightTitleTextColor; font.pixelSize: Theme.titleFontSize; font.family: Theme.songFontFamily }
        }
        Rectangle {
            id: subheading
            visible: root.title2_ !== ""
            anchors.top: heading.bottom
            x: 1; width: parent.width - 2
            height: visible ? 20 : 0
            color: Theme.lightBodyColor
            Text { anchors.centerIn: parent; text: root.title2_; textFormat: Text.PlainText; color: Theme.dialogTextColor; font.family: Theme.songFontFamily; font.pixelSize: Theme.captionFontSize }
        }
        ScrollView {
            anchors.top: subheading.bottom
            anchors.bottom: parent.bottom
            x: 1; width: parent.width - 2
            clip: true
            TextArea {
                readOnly: true
                padding: 10
                text: root.text_
                color: root.color_
                font: root.font_
                wrapMode: Text.Wrap
                textFormat: Text.PlainText
                background: Rectangle { color: Theme.lightBackground }
            }
        }
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import QtGraphicalEffects 1.12
import "theme"

// A text field with a bottom line (board_style 1 adds top, left and right
// lines); two presses within 180 ms emit doubleClicked, which selects all text.
TextField {
    id: root
    property color checkedColor: Theme.checkedFieldColor
    property int board_style: 0
    property int doubleClickInterval: 180
    property double firstPressTime: 0
    signal doubleClicked(var event)

    placeholderText: "请输入内容"
    font.pixelSize: Theme.fieldFontSize
    selectByMouse: true

    background: Rectangle {
        color: root.enabled ? Theme.noColor : Theme.disabledFieldColor
        Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: root.checkedColor }
        Rectangle { visible: root.board_style === 1; anchors.top: parent.top; width: parent.width; height: 1; color: root.checkedColor }
        Rectangle { visible: root.board_style === 1; anchors.left: parent.left; width: 1; height: parent.height; color: root.checkedColor }
        Rectangle { visible: root.board_style === 1; anchors.right: parent.right; width: 1; height: parent.height; color: root.checkedColor }
        layer.enabled: root.hovered
        layer.effect: DropShadow { radius: 6; samples: 13; color: Theme.shadowColor }
    }
    cursorDelegate: Rectangle {
        width: 1
        height: root.height * 0.4
        color: root.color
        visible: root.activeFocus && blink.on
        Timer {
            id: blink
            property bool on: true
            interval: 600; repeat: true; running: root.activeFocus
            onTriggered: on = !on
        }
    }

    // Returns true when this press completes a double press.
    function notePress(now) {
        if (firstPressTime > 0 && now - firstPressTime <= doubleClickInterval) {
            firstPressTime = 0;
            return true;
        }
        firstPressTime = now;
        return false;
    }
    onPressed: {
        if (notePress(Date.now()))
            doubleClicked(event);
    }
    onDoubleClicked: selectAll()
}

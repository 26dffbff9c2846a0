import QtQuick 2.15
import QtQuick.Controls 2.15
import "theme"

// "选股结果管理": rename or delete screening results; every change is saved at
// once through the service.
Popup {
    id: root
    objectName: "quorvexEdit"
    property var service: null
    signal editClose()

    modal: true
    width: 480
    height: 480
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.NoAutoClose
    padding: 0
    Overlay.modal: Rectangle { color: Theme.modalShade }
    background: Rectangle { color: Theme.background; border.color: Theme.frameBorderColor }

    function show(json) {
        rows.clear();
        var result = json && json.result ? json.result : [];
        for (var i = 0; i < result.length; ++i)
            rows.append({ group_id: String(result[i].group_id), group_name: String(result[i].group_name),
                          count: result[i].codes ? result[i].codes.length : 0 });
        open();
        // The keys in the first name, else in the editor (for Return and Esc).
        list.forceLayout();
        var first = list.itemAtIndex(0);
        if (first)
            first.field.forceActiveFocus();
        else
            keys.forceActiveFocus();
    }
    function rename(i, text) {
        if (i < 0 || i >= rows.count || rows.get(i).group_name === text)
            return;
        service.editGroup(rows.get(i).group_id, text);
        rows.setProperty(i, "group_name", text);
    }
    function remove(i) {
        service.removeGroup(rows.get(i).group_id);
        rows.remove(i);
    }
    function finish() {
        close();
        editClose();
    }

    ListModel { id: rows }

    contentItem: Item {
        id: keys
        // Every change is saved as typed: Return and Esc both close.
        Keys.onReturnPressed: root.finish()
        Keys.onEnterPressed: root.finish()
        Keys.onEscapePressed: root.finish()
        LiteTitle {
            id: title
            width: parent.width
            height: 30
            color: Theme.toolRowColor
            text_: "选股结果管理"
            font_pixelSize: Theme.windowTitleFontSize
        }
        Row {
            id: head
            anchors.top: title.bottom
            x: 10
            height: 30
            property real room: root.width - 20
            LiteTitle { width: head.room * 0.8 - 60; height: 30; text_: "结果名称"; text_color: Theme.dimTextColor }
            LiteTitle { width: head.room * 0.2; height: 30; text_: "股票数量"; text_color: Theme.dimTextColor }
            LiteTitle { width: 60; height: 30; text_: "删除"; text_color: Theme.dimTextColor }
        }
        ListView {
            id: list
            objectName: "resultList"
            anchors.top: head.bottom
            anchors.bottom: okButton.top
            anchors.bottomMargin: 10
            x: 10
            width: head.room
            clip: true
            model: rows
            delegate: Row {
                property alias field: field
                height: 30
                TextField {
                    id: field
                    objectName: "nameField"
                    // The name when the field took the keys: Esc puts it back.
                    property string before: ""
                    width: head.room * 0.8 - 60
                    height: 28
                    text: model.group_name
                    color: activeFocus ? Theme.focusedTextColor : Theme.textColor
                    font.pixelSize: Theme.fieldFontSize
                    selectByMouse: true
                    background: Rectangle { color: parent.activeFocus ? Theme.lightBackground : Theme.background }
                    onTextEdited: root.rename(index, text)
                    onActiveFocusChanged: if (activeFocus) before = text
                    Keys.onReturnPressed: root.finish()
                    Keys.onEnterPressed: root.finish()
                    Keys.onEscapePressed: {
                        root.rename(index, before);
                        root.finish();
                    }
                }
                LiteTitle { width: head.room * 0.2; height: 30; text_: String(model.count) }
                Item {
                    width: 60
                    height: 30
                    GlyphButton {
                        objectName: "deleteButton"
                        anchors.centerIn: parent
                        width: 20
                        height: 20
                        glyph: "×"
                        normalColor: Theme.barBackground
                        hoverColor: Theme.closeHoverColor
                        onClicked: root.remove(index)
                    }
                }
            }
        }
        ActionButton {
            id: okButton
            objectName: "okButton"
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 10
            anchors.horizontalCenter: parent.horizontalCenter
            width: 60
            height: 30
            text: "确  认"
            font.pixelSize: Theme.smallButtonFontSize
            onClicked: root.finish()
        }
    }
}

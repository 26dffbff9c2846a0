import QtQuick 2.15
import QtQuick.Controls 2.15
import HFileIO 1.0
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/MQChartFormula.js" as JSFormula
import "theme"

// The overlay picker ("自定义叠加"): searches the stock dictionary as the user
// types; a stock that is not yet an overlay of the chart kind gets an add
// button, one that is gets a remove button. The view adds or removes the
// overlay (and its entry in superposition.json).
Popup {
    id: root
    property alias input: input
    property alias list: list
    // The chart kind whose overlays are offered: "kline" or "mline".
    property string chart: "kline"
    property var rows: []
    signal addSuperChart(string code, int market, string chart)
    signal removeSuperChart(string code, int market, string chart)

    width: 260
    height: 320
    modal: false
    padding: 0
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    background: Rectangle { color: Theme.toolRowColor; border.color: Theme.frameBorderColor }

    HFileIO { id: fileIO }

    Timer {
        id: heldRetry
        interval: 500
        running: false
        onTriggered: if (root.visible) root.search(input.text)
    }

    function show(kind) {
        if (kind !== undefined && kind !== null && String(kind) !== "")
            chart = String(kind);
        open();
        search(input.text);
        input.forceActiveFocus();
    }
    function hide() { close(); }

    // The chart kind's overlays, read once per search.
    function overlays() {
        // The stock view hands the layout module its file access; alone, the
        // picker lends its own.
        if (!JSFormula.io_)
            JSFormula.setFileIO(fileIO);
        var keys = {};
        var l = JSFormula.getSuperposition(chart);
        for (var i = 0; i < l.length; ++i)
            keys[l[i].code + "/" + Number(l[i].market)] = true;
        return keys;
    }
    // Command rows (type 0) are no stocks and are left out.
    // While another program holds the local database the search fails: the
    // rows found so far stay and the same text is searched again shortly.
    function search(text) {
        var present = null;
        var s = Sql.searchRows(text, function (r) {
            if (Number(r.type) === 0)
                return null;
            present = present || overlays();
            return { code: r.code, market: r.market, name: r.name, type: r.type,
                     present: present[r.code + "/" + Number(r.market)] === true };
        });
        if (s.held) {
            heldRetry.restart();
            return;
        }
        heldRetry.stop();
        rows = s.rows;
        list.currentIndex = rows.length > 0 ? 0 : -1;
    }
    function addRow(i) {
        if (i < 0 || i >= rows.length || rows[i].present)
            return;
        addSuperChart(String(rows[i].code), Number(rows[i].market), chart);
        search(input.text);   // the view may have taken it: its button changes
    }
    function removeRow(i) {
        if (i < 0 || i >= rows.length || !rows[i].present)
            return;
        removeSuperChart(String(rows[i].code), Number(rows[i].market), chart);
        search(input.text);
    }

    contentItem: Item {
        Rectangle {
            id: title
            width: parent.width
            height: 26
            color: Theme.frameBorderColor
            Text {
                x: 8
                anchors.verticalCenter: parent.verticalCenter
                text: "自定义叠加"
                color: Theme.textColor
                font.family: Theme.fontFamily
                font.pixelSize: Theme.finderFontSize
            }
        }
        TextField {
            id: input
            objectName: "superInput"
            anchors.top: title.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.margins: 4
            height: 28
            placeholderText: "请输入代码或拼音"
            color: Theme.textColor
            placeholderTextColor: Theme.labelTextColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.finderFontSize
            selectByMouse: true
            background: Rectangle { color: Theme.background; border.color: Theme.hoverColor }
            onTextChanged: root.search(text)
            Keys.onReturnPressed: root.addRow(list.currentIndex)
            Keys.onEnterPressed: root.addRow(list.currentIndex)
            Keys.onUpPressed: list.decrementCurrentIndex()
            Keys.onDownPressed: list.incrementCurrentIndex()
        }
        ListView {
            id: list
            objectName: "superList"
            anchors.top: input.bottom
            anchors.topMargin: 4
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 1
            clip: true
            model: root.rows
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}
            delegate: Rectangle {
                objectName: "superRow_" + index
                property bool addShown: !modelData.present
                width: list.width
                height: 24
                color: index === list.currentIndex ? Theme.frameBorderColor : (rowArea.containsMouse ? Theme.buttonHoverColor : Theme.noColor)
                MouseArea { id: rowArea; anchors.fill: parent; hoverEnabled: true; onClicked: list.currentIndex = index }
                Row {
                    x: 6
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 6
                    Text { width: 30; text: modelData.type_name; color: Theme.labelTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize }
                    Text { width: 60; text: modelData.code; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize }
                    Text { width: 110; text: modelData.name; elide: Text.ElideRight; color: Theme.codeNameColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize }
                }
                GlyphButton {
                    objectName: "superButton_" + index
                    anchors.right: parent.right
                    anchors.rightMargin: 6
                    anchors.verticalCenter: parent.verticalCenter
                    width: 18; height: 18
                    glyph: modelData.present ? "−" : "+"
                    hoverColor: Theme.selectedColor
                    border.color: Theme.hoverColor
                    onClicked: modelData.present ? root.removeRow(index) : root.addRow(index)
                }
            }
        }
    }
}

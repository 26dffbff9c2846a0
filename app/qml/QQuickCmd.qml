import QtQuick 2.15
import QtQuick.Controls 2.15
import QMyStockService 1.0
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// The quick-command box ("键盘精灵"): searches the stock dictionary as the user
// types and opens the chosen row's address; each stock row has a my-stock
// button.
Popup {
    id: root
    property alias input: input
    property alias list: list
    property var rows: []
    property var myStock: QMyStockService {}
    signal openCmd(string name, string cmd)
    signal myStockChange()

    width: 260
    height: 320
    modal: false
    padding: 0
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    background: Rectangle { color: Theme.toolRowColor; border.color: Theme.frameBorderColor }

    Timer {
        id: heldRetry
        interval: 500
        running: false
        onTriggered: if (root.visible) root.search(input.text)
    }

    function type_name(type) {
        return Sql.stockTypeName(type);
    }
    // Opens the box with str in the input.
    function show(str) {
        open();
        if (typeof str === "string" && str !== "")
            input.text = str;
        input.forceActiveFocus();
    }
    // While another program holds the local database the search fails: the
    // rows found so far stay and the same text is searched again shortly.
    function search(text) {
        var s = Sql.searchRows(text, function (r) {
            return { cmd: r.cmd, code: r.code, market: r.market, name: r.name, type: r.type, pinyin: r.pinyin,
                     isMyStock: isMyStock(r) };
        });
        if (s.held) {
            heldRetry.restart();
            return;
        }
        heldRetry.stop();
        rows = s.rows;
        list.currentIndex = rows.length > 0 ? 0 : -1;
    }
    function isMyStock(r) {
        return !!myStock && r.type !== 0 && myStock.isExist(r.code, r.market) === true;
    }
    function openRow(i) {
        if (i < 0 || i >= rows.length)
            return;
        var r = rows[i];
        openCmd(r.name, r.cmd);
        input.text = "";
        close();
    }
    // Adds the stock to my-stock group 0, or removes it from its group.
    function toggleMyStock(i) {
        if (!myStock)
            return;
        if (!Sql.toggleMyStock(myStock, rows[i].code, rows[i].market))
            return;
        search(input.text);
        myStockChange();
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
                text: "键盘精灵"
                color: Theme.textColor
                font.family: Theme.fontFamily
                font.pixelSize: Theme.finderFontSize
            }
        }
        TextField {
            id: input
            objectName: "quickInput"
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
            Keys.onReturnPressed: root.openRow(list.currentIndex)
            Keys.onEnterPressed: root.openRow(list.currentIndex)
            Keys.onUpPressed: list.decrementCurrentIndex()
            Keys.onDownPressed: list.incrementCurrentIndex()
        }
        ListView {
            id: list
            objectName: "quickList"
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
                width: list.width
                height: 24
                color: index === list.currentIndex ? Theme.frameBorderColor : (rowArea.containsMouse ? Theme.buttonHoverColor : Theme.noColor)
                MouseArea { id: rowArea; anchors.fill: parent; hoverEnabled: true; onClicked: root.openRow(index) }
                Row {
                    x: 6
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 6
                    Text { width: 30; text: modelData.type_name; color: Theme.labelTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize }
                    Text { width: 60; text: modelData.code; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize }
                    Text { width: 110; text: modelData.name; elide: Text.ElideRight; color: Theme.codeNameColor; font.family: Theme.fontFamily; font.pixelSize: Theme.listFontSize }
                }
                GlyphButton {
                    visible: !!root.myStock && modelData.type !== 0
                    anchors.right: parent.right
                    anchors.rightMargin: 6
                    anchors.verticalCenter: parent.verticalCenter
                    width: 18; height: 18
                    glyph: modelData.isMyStock ? "−" : "+"
                    hoverColor: Theme.buttonHoverColor
                    onClicked: root.toggleMyStock(index)
                }
            }
        }
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import QBaseService 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// The quick bar of server-defined shortcuts: as many 85-pixel buttons as fit,
// the rest in the ">" menu. A click queues the action and reports the item.
Rectangle {
    id: root
    property var items: []             // [{name, flag, style}]
    readonly property int maxItems: 60
    readonly property int showCount: showCountFor(width, items.length)
    readonly property var hiddenItems: items.slice(showCount)
    property alias moreMenu: more
    property var styleColors: Theme.quickBarStyleColors
    signal clickedItem(string name, string flag)

    height: 35
    color: Theme.toolRowColor

    // Buttons 85 wide, 8 apart and 8 from the left, within width - 25.
    function showCountFor(w, n) {
        return Math.max(0, Math.min(n, Math.floor((w - 25) / 93)));
    }
    function style_color(style) {
        return styleColors[style] !== undefined ? styleColors[style] : styleColors[0];
    }
    function clickItem(item) {
        Sql.dbAddActionCmd("MENU2", item.name);
        clickedItem(item.name, item.flag);
    }
    function setItems(list) {
        items = Array.isArray(list) ? list : [];
    }
    // Loads the bar from url.fast_menu; a failed request leaves it empty.
    function load() {
        var url = base.getServerAddressValue("url.fast_menu");
        if (!url)
            return;
        // The bar and its "more" list show a few dozen items: a longer reply
        // is cut off the GUI thread.
        JSHttp.getData(String(url), {}, { "Content-Type": "application/json" }, function (ok, json) {
            if (ok)
                setItems(json);
        }, undefined, root.maxItems);
    }

    QBaseService { id: base }

    Row {
        x: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8
        Repeater {
            model: root.items.slice(0, root.showCount)
            delegate: Rectangle {
                width: 85; height: 25
                color: area.containsMouse ? Theme.buttonColor : Theme.noColor
                border.color: root.style_color(modelData.style)
                radius: 2
                Text {
                    anchors.fill: parent
                    anchors.margins: 2
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                    text: modelData.name
                    color: root.style_color(modelData.style)
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.smallButtonFontSize
                }
                MouseArea { id: area; anchors.fill: parent; hoverEnabled: true; onClicked: root.clickItem(modelData) }
            }
        }
    }

    GlyphButton {
        objectName: "moreButton"
        visible: root.hiddenItems.length > 0
        anchors.right: parent.right
        anchors.rightMargin: 2
        anchors.verticalCenter: parent.verticalCenter
        width: 20; height: 25
        glyph: ">"
        hoverColor: Theme.buttonHoverColor
        onClicked: more.open()
        Menu {
            id: more
            x: parent.width - 80
            y: parent.height
            width: 80
            padding: 0
            background: Rectangle { color: Theme.buttonColor; border.color: Theme.hoverColor }
            Instantiator {
                model: root.hiddenItems
                delegate: MenuItem {
                    width: 80; height: 25
                    contentItem: Text {
                        text: modelData.name
                        elide: Text.ElideRight
                        verticalAlignment: Text.AlignVCenter
                        color: root.style_color(modelData.style)
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.smallButtonFontSize
                    }
                    background: Rectangle { color: parent.highlighted ? Theme.buttonHoverColor : Theme.noColor }
                    onTriggered: root.clickItem(modelData)
                }
                onObjectAdded: more.insertItem(index, object)
                onObjectRemoved: more.removeItem(object)
            }
        }
    }
}

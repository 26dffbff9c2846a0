import QtQuick 2.15

// A view as the tab area sees it: query functions, my-stock notice, and the
// signals a chart view emits. Records what it was told.
Item {
    id: root
    property var query: ({})
    property var updates: []
    property int myStockChanges: 0
    property var keys: []
    signal updateTabsUrl(var item, var codeInfo)
    signal changeToMQView(var query)

    function setQuery(q) { query = q; }
    function updateQuery(q) { var u = updates.slice(); u.push(q); updates = u; }
    function getQuery() { return query; }
    function onMyStockChange() { myStockChanges += 1; }

    // Takes arrow keys like a chart does; everything else goes to the tab area.
    Keys.onPressed: {
        if (event.key === Qt.Key_Left || event.key === Qt.Key_Right) {
            var k = keys.slice(); k.push(event.key); keys = k;
            event.accepted = true;
        }
    }
}

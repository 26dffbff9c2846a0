import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import TableModel 1.0
import QTableModelProxy 1.0
import RepaintArea 1.0
import TableBody 1.0
import "theme"
import "js/TableRows.js" as TableRows

// A quote table: a fixed left part (sequence, code, name) and a scrolling
// right part over one TableModel, each part's cells painted by one
// TableBody, sortable headers, row stepping by keys and wheel across pages,
// and a short flash of changed cells.
Rectangle {
    id: root
    color: Theme.toolRowColor
    focus: true

    property alias table_model: table_model
    property var columnWidths: defaultWidths()
    property int rowHeight: 26
    property int spacing: 1
    property int header_height: 25
    property int fixedCount: 0
    property int selectIndex: -1
    property int activeIndex: -1
    property var query_map_: ({})
    property bool is_page_change: true
    property int showStateImgIndex: -1
    property int showStateImgType: 0
    property string fontFamily: Theme.songFontFamily
    property int columnTotal: 0
    property int headerRevision: 0

    signal rowClicked(var codeInfo)
    signal rowSelectChange(var codeInfo)
    signal changeToMQView(var codeInfo)
    signal changeFieldSort(int column, int type)
    signal dataChange()
    signal mystockChange()
    // The context menu last opened on a row (gone once it closes).
    property var rMenu: null
    signal changeToTabView(string title, string url)

    function defaultWidths() {
        var w = [80, 100, 80, 85, 85, 95, 95];
        while (w.length < 32)
            w.push(85);
        return w;
    }
    function fixedWidth() {
        var w = fixedCount;
        for (var i = 0; i < fixedCount; ++i)
            w += columnWidth(i);
        return w;
    }
    function columnWidth(c) {
        return c < columnWidths.length ? columnWidths[c] : 85;
    }
    // Rows that fit below the header; at least one while the view is laid out.
    function getShowPageSize() {
        return Math.max(1, Math.floor((height - header_height) / (rowHeight + spacing) + 0.2));
    }
    function visibleRows() {
        return Math.max(1, Math.floor(height / (rowHeight + spacing)));
    }

    function setFixedColumn(n) {
        table_model.setFixedColumn(n);
        fixedCount = n;
        var last = table_model.columnCount() - 1;
        leftCells.startColumn = 0; leftCells.endColumn = n - 1;
        leftHead.startColumn = 0; leftHead.endColumn = n - 1;
        rightCells.startColumn = n; rightCells.endColumn = last;
        rightHead.startColumn = n; rightHead.endColumn = last;
        leftCells.invalidate(); rightCells.invalidate();
        leftHead.invalidate(); rightHead.invalidate();
        columnTotal = table_model.columnCount();
        headerRevision++;
    }

    function setQuery(query_map) {
        query_map_ = query_map;
        if (query_map.block === undefined || query_map.block === null || query_map.block === "")
            return;
        var size = query_map.page_size !== undefined ? Number(query_map.page_size) : getShowPageSize();
        table_model.getQuotePeroidRealTime(Number(query_map.block), Number(query_map.field),
                                           Number(query_map.sort || 0), Math.max(1, size));
    }
    // A row's stock for the stock view, with the table's context ("json") so
    // that the view can step through the table's stocks.
    function chartQuery(row) {
        var q = table_model.getCodeInfo(row);
        if (q)
            q.json = table_model.getCtx();
        return q;
    }
    function reSubscribe() { table_model.resubscribe(table_model.getCtx()); }
    function getSelectCodeInfo() {
        if (table_model.rowCount() === 0)
            return null;
        return table_model.getCodeInfo(selectIndex < 0 ? 0 : selectIndex) || null;
    }
    function getFirstCodeInfo() {
        return table_model.rowCount() > 0 ? (table_model.getCodeInfo(0) || null) : null;
    }
    function resetXY() {
        leftBody.contentY = 0;
        rightBody.contentY = 0;
        rightBody.contentX = 0;
    }
    function scrollToBottom() {
        var y = Math.max(0, leftBody.contentHeight - leftBody.height);
        leftBody.contentY = y;
        rightBody.contentY = y;
    }
    function scrollRows(d) {
        var y = Math.max(0, Math.min(leftBody.contentY + d * (rowHeight + spacing),
                                     Math.max(0, leftBody.contentHeight - leftBody.height)));
        leftBody.contentY = y;
        rightBody.contentY = y;
    }

    // A click: select at once, tell the others 300 ms after the last click.
    function clickRow(row) {
        selectIndex = row;
        rowSelectChange(table_model.getCodeInfo(row));
        clickTimer.restart();
    }
    // Up and Down step rows (an empty table has none to step to), across
    // pages (the new page's row keeps the highlight).
    function stepRow(dir) {
        var d = TableRows.step(dir, table_model.rowCount(), selectIndex, leftBody.contentY, rowHeight + spacing,
                               visibleRows(), is_page_change);
        if (d.row < 0)
            return;
        if (d.scroll === "top")
            resetXY();
        else if (d.scroll === "bottom")
            scrollToBottom();
        else if (d.scroll !== 0)
            scrollRows(d.scroll);
        clickRow(d.row);
        if (d.page !== "")
            askPage(d.page === "down");
    }
    function prevRow() { stepRow(-1); }
    function nextRow() { stepRow(1); }
    function headerClicked(column) {
        if (table_model.getSortField(column) < 0)
            return;
        var sort = TableRows.sortClick(column, showStateImgIndex, showStateImgType);
        showStateImgIndex = sort.column;
        showStateImgType = sort.type;
        changeFieldSort(column, showStateImgType);
    }
    // 多股同列 opens as a tab of the window the table is in.
    function onChangeToQMultiStockView(row) {
        var url = "app://qml/qml/QMultiStockView.qml#row=" + row + "&json=" + encodeURIComponent(table_model.getCtx());
        changeToTabView("多股同列", url);
        var host = root.Window.window;
        if (host && typeof host.onChangedTabView === "function")
            host.onChangedTabView("多股同列", url);
    }
    // A new page length when the rows that fit changed and the context pages.
    function resizedPage() {
        var ctx = TableRows.pagedContext(table_model.getCtx(), getShowPageSize());
        if (ctx === "")
            return false;
        table_model.resubscribe(ctx);
        return true;
    }
    function openMenu(row) {
        var info = table_model.getCodeInfo(row);
        if (!info)
            return;
        var c = Qt.createComponent("QRMenu.qml");
        if (c.status !== Component.Ready)
            return;
        var menu = c.createObject(root, { destroyOnClose: true });
        if (!menu)
            return;
        rMenu = menu;
        if (menu.mystockChange) menu.mystockChange.connect(root.mystockChange);
        if (menu.changeToMQView) menu.changeToMQView.connect(root.changeToMQView);
        if (menu.changeToQMultiStockView) menu.changeToQMultiStockView.connect(root.onChangeToQMultiStockView);
        menu.showTableMenu(info.code, info.market, row, encodeURIComponent(table_model.getCtx()));
    }

    onHeightChanged: if (height > 0) resizedPage()

    // The stock of the highlighted row ({code, market}), so that the
    // highlight follows it when the ranks move.
    property var selectedStock: null
    // Another page: the highlighted row names its stock from the page's own
    // reply. Rows kept at hand show at once, while asking, but may be older
    // than that reply, in which the ranks may have moved.
    property bool pageAsking: false
    function askPage(down) {
        pageAsking = true;
        if (down)
            table_model.pageDown();
        else
            table_model.pageUp();
        pageAsking = false;
        selectedStock = null;
    }
    onSelectIndexChanged: selectedStock = stockAt(selectIndex)
    function stockAt(row) {
        var info = row >= 0 && row < table_model.rowCount() ? table_model.getCodeInfo(row) : null;
        return info ? { code: String(info.code), market: Number(info.market) } : null;
    }
    // New rows: the highlight goes to its stock's new row while the stock is
    // on the page; once it left, the row keeps the highlight and its stock is
    // told on (rowClicked), so that the row and the panes beside the table
    // name the same stock. A new page: the row keeps the highlight, and the
    // others hear of its stock if it is not the one they were told of.
    function followSelection() {
        if (selectIndex < 0 || pageAsking)
            return;
        var d = TableRows.follow(selectIndex, selectedStock, toldStock, clickTimer.running, table_model.rowCount(),
                                 stockAt);
        if (d.row !== selectIndex) {
            selectIndex = d.row;
            return;
        }
        if (d.followed !== selectedStock)
            selectedStock = d.followed;
        if (d.tell)
            tellSelection();
    }
    // The stock the others were told of last (rowClicked).
    property var toldStock: null
    function tellSelection() {
        toldStock = stockAt(selectIndex);
        rowClicked(table_model.getCodeInfo(selectIndex));
    }

    TableModel {
        id: table_model
        onDataChange: {
            root.followSelection();
            root.dataChange();
        }
        // Other stocks in the rows (a page, a sort, a new query): nearly
        // every cell changes, and the table repaints as one area.
        onFixedRowChanged: wholeTable.markAll()
        onModelReset: {
            root.columnTotal = table_model.columnCount();
            root.headerRevision++;
        }
    }
    QTableModelProxy { id: leftCells; sourceModel: table_model; style: 0 }
    QTableModelProxy { id: rightCells; sourceModel: table_model; style: 0 }
    QTableModelProxy { id: leftHead; sourceModel: table_model; style: 1 }
    QTableModelProxy { id: rightHead; sourceModel: table_model; style: 1 }

    Timer {
        id: clickTimer
        interval: 300
        onTriggered: if (root.selectIndex >= 0) root.tellSelection()
    }

    Keys.onPressed: {
        var k = TableRows.keyAction(event.key, table_model.rowCount(), selectIndex, is_page_change);
        switch (k.action) {
        case "left":
        case "right":
            rightBody.contentX = TableRows.scrolledX(rightBody.contentX, k.action === "left" ? -10 : 10,
                                                     rightBody.contentWidth, rightBody.width);
            break;
        case "up": prevRow(); break;
        case "down": nextRow(); break;
        case "pageUp":
            clickRow(table_model.rowCount() - 1);
            scrollToBottom();
            askPage(false);
            break;
        case "pageDown":
            clickRow(0);
            resetXY();
            askPage(true);
            break;
        case "open":
            var q = chartQuery(selectIndex);
            if (q)
                changeToMQView(q);
            break;
        }
        event.accepted = k.accepted;
    }

    component HeadCell: Rectangle {
        property int column: 0
        property bool fixedPart: true
        width: root.columnWidth(column)
        height: root.header_height
        color: Theme.background
        Text {
            anchors.fill: parent
            anchors.leftMargin: fixedPart ? 2 : 10
            anchors.rightMargin: fixedPart ? 2 : 10
            text: root.headerRevision >= 0 ? (table_model.getHeaderData(column) || "") : ""
            textFormat: Text.PlainText
            color: root.headerRevision >= 0 ? table_model.getHeaderColor(column) : Theme.noColor
            font.family: root.fontFamily
            font.pixelSize: Theme.tableFontSize
            horizontalAlignment: fixedPart ? Text.AlignHCenter : Text.AlignRight
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        Image {
            visible: root.showStateImgIndex === column
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            source: root.showStateImgType === 0 ? "qrc:/images/down_1.png" : "qrc:/images/up_1.png"
        }
        MouseArea { anchors.fill: parent; onClicked: root.headerClicked(column) }
    }

    // A part's cells, scrolled as `flick` is; its columns' widths are the
    // table's from `first`.
    component Body: TableBody {
        property Flickable flick
        property int first: 0
        x: flick.contentX
        y: flick.contentY
        width: flick.width
        height: flick.height
        columnWidths: root.columnWidths.slice(first)
        rowHeight: root.rowHeight
        spacing: root.spacing
        contentX: flick.contentX
        contentY: flick.contentY
        selectedRow: root.selectIndex
        activeRow: root.activeIndex
        cellColor: Theme.background
        selectedColor: Theme.tableSelectedRowColor
        activeColor: Theme.tableActiveRowColor
        gridColor: root.color
        fontFamily: root.fontFamily
    }

    Item {
        id: leftPart
        width: root.fixedWidth()
        height: parent.height
        clip: true
        Row {
            spacing: root.spacing
            Repeater {
                model: root.fixedCount
                delegate: HeadCell { column: index; fixedPart: true }
            }
        }
        Flickable {
            id: leftBody
            y: root.header_height + root.spacing
            width: parent.width
            height: parent.height - y
            contentWidth: leftPaint.contentWidth
            contentHeight: leftPaint.contentHeight
            interactive: false
            Body { id: leftPaint; flick: leftBody; model: leftCells }
        }
    }
    Item {
        id: rightPart
        anchors.left: leftPart.right
        anchors.right: parent.right
        height: parent.height
        clip: true
        Flickable {
            width: parent.width
            height: root.header_height
            contentX: rightBody.contentX
            contentWidth: rightBody.contentWidth
            interactive: false
            Row {
                spacing: root.spacing
                Repeater {
                    model: Math.max(0, root.columnTotal - root.fixedCount)
                    delegate: HeadCell { column: root.fixedCount + index; fixedPart: false }
                }
            }
        }
        Flickable {
            id: rightBody
            y: root.header_height + root.spacing
            width: parent.width
            height: parent.height - y
            contentWidth: rightPaint.contentWidth
            contentHeight: rightPaint.contentHeight
            interactive: false
            Body { id: rightPaint; flick: rightBody; model: rightCells; first: root.fixedCount }
            ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AsNeeded }
        }
    }

    MouseArea {
        id: bodyMouse
        anchors.fill: parent
        anchors.topMargin: root.header_height + root.spacing
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        function rowAt(y) {
            var r = Math.floor((y + leftBody.contentY) / (root.rowHeight + root.spacing));
            return r >= 0 && r < table_model.rowCount() ? r : -1;
        }
        onPositionChanged: root.activeIndex = rowAt(mouse.y)
        onExited: root.activeIndex = -1
        onClicked: {
            root.forceActiveFocus();
            var r = rowAt(mouse.y);
            if (r < 0)
                return;
            // A right click marks its row as a left click does, so that the
            // menu, the selection and the charts all follow the same stock.
            root.clickRow(r);
            if (mouse.button === Qt.RightButton)
                root.openMenu(r);
        }
        onDoubleClicked: {
            var r = rowAt(mouse.y);
            if (r >= 0)
                root.changeToMQView(root.chartQuery(r));
        }
        onWheel: {
            if (wheel.angleDelta.y > 0)
                root.prevRow();
            else if (wheel.angleDelta.y < 0)
                root.nextRow();
        }
    }

    RepaintArea {
        id: wholeTable
        anchors.fill: parent
    }
}

import QtQuick 2.15
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The ranking screen: one ranked table of the chosen block, the block buttons
// below it, and two chart panes (the selected stock and its market index).
Rectangle {
    id: root
    color: Theme.blackBackground
    property var query_map_: ({ field: QuoteCodes.FIELD_RISE_RATE, sort: 0 })
    property int currentBlock: -1   // index of the highlighted block button
    readonly property var blocks: [
        { name: "全部A股", key: 1101 }, { name: "上证A股", key: 1102 }, { name: "深圳A股", key: 1103 },
        { name: "科创板", key: 1124 }, { name: "中小板", key: 1105 }, { name: "创业板", key: 1106 },
        { name: "上证50", key: 1112 }, { name: "上证180", key: 1113 }, { name: "深证100", key: 1115 },
        { name: "沪深300", key: 1116 }, { name: "全部B股", key: 1107 }, { name: "上海B股", key: 1108 },
        { name: "深圳B股", key: 1109 }
    ]
    property alias table: table
    // The tab's title once a block button was chosen: the block's name.
    property string tabTitle: ""
    // The table that had the keys last takes them whenever the view does
    // (a fresh tab, Ctrl+Tab, a click on the tab).
    property var keyTable: table
    onActiveFocusChanged: if (activeFocus && keyTable) keyTable.table.forceActiveFocus()

    signal changeToMQView(var codeInfo)

    onCurrentBlockChanged: markBlock()
    Component.onCompleted: {
        for (var i = 0; i < blocks.length; ++i)
            blockModel.append({ name: blocks[i].name, select: false });
        markBlock();
    }
    function markBlock() {
        for (var i = 0; i < blockModel.count; ++i)
            blockModel.setProperty(i, "select", i === currentBlock);
        blockBar.updateShowCount();
    }

    function blockRoute(key) {
        return "app://qml/qml/QRankingView.qml?tab=1100#block=" + key + "&field=" + QuoteCodes.FIELD_RISE_RATE + "&sort=0";
    }
    function indexOfBlock(block) {
        for (var i = 0; i < blocks.length; ++i)
            if (blocks[i].key === Number(block))
                return i;
        return -1;
    }
    function getQuery() { return query_map_; }
    function setQuery(query_map) {
        var q = {};
        for (var k in query_map)
            q[k] = query_map[k];
        if (q.field === undefined || q.field === "") q.field = QuoteCodes.FIELD_RISE_RATE;
        if (q.sort === undefined || q.sort === "") q.sort = 0;
        q.field = Number(q.field);
        q.sort = Number(q.sort);
        query_map_ = q;
        table.table.showStateImgIndex = -1;
        table.setQuery(q);
        currentBlock = indexOfBlock(q.block);
    }
    function updateQuery(query_map) {
        var q = {};
        for (var k in query_map_) q[k] = query_map_[k];
        for (k in query_map) q[k] = query_map[k];
        setQuery(q);
    }
    // The market index shown beside a stock; the stock itself for other markets.
    function marketIndex(info) {
        if (info.market === 1)
            return { code: "1A0001", name: "上证指数", market: 1 };
        if (info.market === 2)
            return { code: "399001", name: "深证成指", market: 2 };
        return info;
    }
    function showStock(info) {
        if (!info)
            return;
        pane1.showStock(info);
        pane2.showStock(marketIndex(info));
    }
    function chooseBlock(i) {
        table.clear();
        pane1.clear();
        pane2.clear();
        setQuery({ block: blocks[i].key, field: QuoteCodes.FIELD_RISE_RATE, sort: 0 });
        tabTitle = blocks[i].name;
    }

    Item {
        id: left
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: panes.left
        anchors.rightMargin: 2
        QRTableView {
            id: table
            anchors.fill: parent
            anchors.bottomMargin: 27
            fieldStyle: 4
            fixedColumns: 3
            columnWidths: [45, 80, 100, 80, 85, 85, 95, 95, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85, 85]
            onRowClicked: root.showStock(codeInfo)
            onChangeToMQView: root.changeToMQView(codeInfo)
            onTookKeys: root.keyTable = table
            onDataChange: {
                if (table.table.selectIndex < 0 && table.table_model.rowCount() > 0) {
                    table.table.selectIndex = 0;
                    root.showStock(table.getFirstCodeInfo());
                }
            }
        }
        // The block buttons; those that do not fit go to the ">" menu.
        QToolsBar {
            id: blockBar
            objectName: "blockBar"
            anchors.bottom: parent.bottom
            width: parent.width
            height: 25
            item_width: 81
            style: 1
            font_pixelSize: Theme.buttonFontSize
            bg_color: Theme.buttonColor
            hovered_color: Theme.tabHoverColor
            select_bg_color: Theme.selectedColor
            select_hovered_color: Theme.selectedColor
            spacing_color: Theme.blackBackground
            model_: blockModel
            onClickedItem: root.chooseBlock(index)
        }
        ListModel { id: blockModel }
    }
    Column {
        id: panes
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.max(300, parent.width * 0.3)
        spacing: 2
        QStockChartPane { id: pane1; pane: 1; onChangeToMQView: root.changeToMQView(codeInfo); width: parent.width; height: (parent.height - 2) / 2 }
        QStockChartPane { id: pane2; pane: 2; onChangeToMQView: root.changeToMQView(codeInfo); width: parent.width; height: (parent.height - 2) / 2 }
    }
}

import QtQuick 2.15
import QQuorvexService 1.0
import QBaseService 1.0
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// "条件选股": the screening results, one bar item per dated group, with the
// buttons that open the screening dialog and the group editor. An empty list
// opens the dialog at once.
QGroupView {
    id: root
    objectName: "quorvexView"
    firstColumnWidth: 45
    property var groups: []   // the groups' ids, in bar order
    property bool built: false
    property var editor: null
    property alias service: service
    property alias bar: bar

    QQuorvexService {
        id: service
        onUpdateQuorvex: root.rebuildBar()
        onUpdateActionCmd: Sql.dbAddActionCmd("CND", str)
    }
    QBaseService { id: base }

    function getQuery() { return { field: field, sort: sort }; }
    function setQuery(query_map) {
        if (query_map && query_map.field !== undefined) {
            field = Number(query_map.field);
            sort = Number(query_map.sort || 0);
        }
        if (!built)
            rebuildBar();
    }
    function updateQuery(query_map) { setQuery(query_map); }
    function rebuildBar() {
        var titles = service.getGroupTitles();
        groups = titles.ids;
        var items = [];
        for (var i = 0; i < titles.ids.length; ++i)
            items.push({ name: titles.names[i], flag: titles.ids[i], key: titles.ids[i], select: i === 0 });
        barModel.clear();
        barModel.append(items);   // one insertion: the bar is built once
        clearRows();
        listSelected();
        var first = !built;
        built = true;
        if (first && groups.length === 0)
            openDialog();
    }
    function listSelected() {
        var i = bar.getFirstSelectIndex();
        if (i < 0) {
            clearRows();
            return;
        }
        table.table_model.getGroupStockRealTime(i, field, sort, pageSize());
    }
    function openDialog() {
        service.showQuorvex(String(base.getBaseInfoValue("appName") || ""),
                            String(base.getServerAddressValue("url.condition_stock") || ""),
                            String(base.getLoginValue("user.id") || ""),
                            String(base.getLoginValue("sessionId") || ""), 1);
    }
    function openEditor() {
        if (!editor) {
            editor = Qt.createComponent("QQuorvexEdit.qml").createObject(root, { service: service });
            editor.editClose.connect(root.rebuildBar);
        }
        editor.show(service.getJson());
    }

    onRequestRows: listSelected()

    QGroupToolsBar {
        id: bar
        objectName: "resultBar"
        anchors.left: parent.left
        anchors.right: tools.left
        height: parent.height
        model_: ListModel { id: barModel }
        onClickedItem: {
            root.clearRows();
            root.listSelected();
        }
    }
    QToolsBar {
        id: tools
        objectName: "resultTools"
        anchors.right: parent.right
        width: Theme.groupItemWidth
        height: parent.height
        rightPadding: 0
        item_width: 59
        style: 2
        font_pixelSize: Theme.toolFontSize
        bg_color: Theme.buttonColor
        model_: ListModel {
            ListElement { name: "Quorvex"; flag: "open"; select: false }
            ListElement { name: "管理"; flag: "manage"; select: false }
        }
        onClickedItem: index === 0 ? root.openDialog() : root.openEditor()
    }
}

import QtQuick 2.15
import QMyStockService 1.0
import "qrc:/qml/js/Database.js" as Sql

// "自选股": the user's my-stock groups, one button per group; a double click
// on a button renames the group (queued for the back end like every edit).
QGroupView {
    id: root
    objectName: "myStockView"
    firstColumnWidth: 40
    property int groupIndex: 0
    property var groups: []
    property var renameWindow: null
    property int renameIndex: -1
    property alias service: service
    property alias bar: bar

    QMyStockService { id: service }

    function getQuery() { return { field: field, sort: sort }; }
    function setQuery(query_map) {
        if (query_map && query_map.field !== undefined) {
            field = Number(query_map.field);
            sort = Number(query_map.sort || 0);
        }
        rebuildBar();
        listGroup();
    }
    function updateQuery(query_map) { setQuery(query_map); }
    function rebuildBar() {
        var doc = service.getJson();
        groups = doc && doc.result ? doc.result : [];
        barModel.clear();
        for (var i = 0; i < groups.length; ++i)
            barModel.append({ name: String(groups[i].group_name), key: String(groups[i].group_id), flag: i });
        if (groupIndex >= groups.length)
            groupIndex = 0;
        bar.select(groupIndex);
    }
    function listGroup() {
        if (groupIndex < 0 || groupIndex >= groups.length) {
            clearRows();
            return;
        }
        table.table_model.getMyStockRealTime(groupIndex, field, sort, pageSize());
    }
    function chooseGroup(i) {
        if (i === groupIndex)
            return;
        groupIndex = i;
        clearRows();
        listGroup();
    }
    // Another view changed the groups (the main window passes it on).
    function onMyStockChange() {
        if (visible)
            listGroup();
    }
    function rename(i) {
        if (!renameWindow) {
            var c = Qt.createComponent("QPopTextField.qml");
            renameWindow = c.createObject(root, { caption: "修改分组名称" });
            renameWindow.clickedOK.connect(function (text) { root.renameGroup(root.renameIndex, text); });
        }
        renameIndex = i;
        renameWindow.setText(String(groups[i].group_name));
        renameWindow.show();
    }
    function renameGroup(i, text) {
        var id = service.renameGroup(i, text);
        if (id === undefined || id === null)
            return;
        Sql.dbAddMyStockCmd("RENAME", "000000", 0, String(id), text);
        rebuildBar();
    }

    onRequestRows: listGroup()
    // Edits made while another tab was in front (a ranking row's 添加自选,
    // the stock view's +自选) show when the view comes back: the group is
    // listed again from the store rather than the old list resubscribed.
    onVisibleChanged: {
        if (visible) {
            rebuildBar();
            listGroup();
        }
    }
    // After an edit from a row's menu (置顶) the highlight follows its stock to
    // the rows it is listed on next, until the user marks another row.
    property var followStock: null
    function rowOf(info) {
        var m = table.table_model;
        for (var r = 0; r < m.rowCount(); ++r) {
            var at = m.getCodeInfo(r);
            if (at && String(at.code) === String(info.code) && Number(at.market) === Number(info.market))
                return r;
        }
        return -1;
    }
    Connections {
        target: root.table
        function onMystockChange() {
            var t = root.table.table;
            root.followStock = t.selectIndex >= 0 ? t.table_model.getCodeInfo(t.selectIndex) || null : null;
            if (root.visible)
                root.listGroup();
        }
        function onDataChange() {
            if (!root.followStock)
                return;
            var r = root.rowOf(root.followStock);
            if (r >= 0)
                root.table.table.selectIndex = r;
        }
    }
    Connections {
        target: root.table.table
        function onRowSelectChange() { root.followStock = null; }
    }

    Hbtn {
        id: bar
        objectName: "groupButtons"
        anchors.fill: parent
        style: 3
        datamodel: ListModel { id: barModel }
        onBtnClicked: root.chooseGroup(Number(flag))
        onBtnDClicked: root.rename(Number(flag))
    }
}

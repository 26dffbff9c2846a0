import QtQuick 2.15
import QDetailedModel 1.0
import QPageModelSorter 1.0
import QFlowListView 1.0
import "theme"

// A paged view of a stock's tick details: the page (showSize rows) painted by
// QFlowListView, an 8 px scroll bar, row selection by click and keys. Style 0
// shows four column groups under a title row, style 1 one group without title.
FocusScope {
    id: root
    property var mqModel: null
    property int style_: 0
    property int row_height_: 25
    property int title_height_: 25
    property int column_: 4
    property int showSize: 0
    property int oldCount: 0
    readonly property alias detailModel: detailModel
    readonly property alias sorter: sorter
    readonly property alias painter: painter
    readonly property int startIndex: sorter.startIndex

    function clearData() {
        detailModel.clearData();
        oldCount = 0;
        sorter.selectIndex = -1;
        setStart(0);
    }
    function rowCount() { return detailModel.rowCount(); }
    // The sorter only stores what it is given: its signals are emitted here.
    function applyStart(s) {
        sorter.startIndex = s;
        sorter.startIndexChanged(s);
        sorter.updateShow();
        painter.update();
    }
    function setStart(s) { applyStart(painter.clampStart(s, rowCount(), showSize)); }
    function toEnd() { setStart(rowCount() - showSize); }
    function resize() {
        showSize = painter.showSize(height, title_height_, row_height_, column_);
        sorter.pageSize = showSize;
        sorter.pageSizeChanged(showSize);
        toEnd();
    }
    function onUpdated() {
        var count = rowCount();
        var s = painter.startAfterUpdate(sorter.startIndex, sorter.pageSize, oldCount, count);
        oldCount = count;
        applyStart(s);
    }
    // Selection moves keep the selected row on the page.
    function select(i) {
        var n = rowCount();
        if (n === 0)
            return;
        i = Math.max(0, Math.min(n - 1, i));
        sorter.selectIndex = i;
        sorter.selectIndexChanged(i);
        if (i < sorter.startIndex)
            setStart(i);
        else if (i >= sorter.startIndex + showSize)
            setStart(i - showSize + 1);
        else
            painter.update();
    }

    QDetailedModel {
        id: detailModel
        onDataUpdated: root.onUpdated()
    }
    QPageModelSorter { id: sorter; sourceModel: detailModel }

    QFlowListView {
        id: painter
        objectName: "flowList"
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: bar.left
        clip: true
        Component.onCompleted: {
            setModel(sorter);
            setStyle(root.style_);
            setRowHeight(root.row_height_);
        }
    }

    // The scroll bar: size showSize / rows, position startIndex / rows.
    Rectangle {
        id: bar
        objectName: "scrollBar"
        width: 8
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        color: Theme.blackBackground
        readonly property int rows: root.oldCount
        Rectangle {
            id: handle
            width: parent.width
            visible: bar.rows > root.showSize
            height: bar.rows > 0 ? Math.max(8, bar.height * Math.min(1, root.showSize / bar.rows)) : 0
            y: bar.rows > 0 ? Math.min(bar.height - height, bar.height * sorter.startIndex / bar.rows) : 0
            radius: 3
            color: Theme.rowHoverColor
        }
        MouseArea {
            anchors.fill: parent
            function drag(y) { root.setStart(Math.floor(Math.max(0, y) / bar.height * bar.rows)); }
            onPressed: drag(mouse.y)
            onPositionChanged: drag(mouse.y)
        }
    }

    MouseArea {
        anchors.fill: painter
        onClicked: {
            root.forceActiveFocus();
            var i = painter.rowAt(mouse.x, mouse.y, painter.width, root.column_, root.title_height_,
                                  root.row_height_, sorter.startIndex, root.showSize);
            if (i >= 0 && i < root.rowCount()) {
                sorter.selectIndex = i;
                sorter.selectIndexChanged(i);
                painter.update();
            }
        }
        onWheel: root.setStart(sorter.startIndex - Math.trunc(wheel.angleDelta.y / root.row_height_))
    }

    Keys.onPressed: {
        if (event.key === Qt.Key_Up) {
            root.select(sorter.selectIndex < 0 ? rowCount() - 1 : sorter.selectIndex - 1);
        } else if (event.key === Qt.Key_Down) {
            root.select(sorter.selectIndex < 0 ? rowCount() - 1 : sorter.selectIndex + 1);
        } else if (event.key === Qt.Key_PageUp) {
            root.setStart(sorter.startIndex - showSize);
        } else if (event.key === Qt.Key_PageDown) {
            root.setStart(sorter.startIndex + showSize);
        } else {
            return;
        }
        event.accepted = true;
    }

    onHeightChanged: resize()
    onWidthChanged: painter.update()
    onVisibleChanged: if (visible) painter.update()
    Component.onCompleted: {
        if (style_ !== 0) {
            column_ = 1;
            title_height_ = 0;
        }
        if (mqModel)
            detailModel.bindDataSignal(mqModel);
        resize();
    }
    onMqModelChanged: if (mqModel) detailModel.bindDataSignal(mqModel)
}

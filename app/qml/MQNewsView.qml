import QtQuick 2.15
import HFileIO 1.0
import "theme"
import "js/InfoPanel.js" as InfoPanel

// The collapsible information panel under a stock's charts: related blocks
// (or constituents), today's fund flow, news and research reports. Open it
// takes a third of its parent's height, collapsed only its tab row; the state
// is kept in view_config.json ({"MQView": {"showNewsView": bool}}). The
// research list is loaded for every stock so that its marks reach the chart
// (syncResearchList).
Rectangle {
    id: root
    objectName: "newsView"
    color: Theme.chartBackground
    property var codeInfo: null
    property bool open_: true
    property int current: 3
    property alias tabs: tabs
    property alias blockView: blockView
    property alias pieSeries: pieSeries
    property alias newsList: newsList
    property alias researchFeed: researchFeed
    signal changeToMQView(var codeInfo)
    signal syncResearchList(var json)

    // Open: a third of the parent's height; collapsed: the tab row.
    property real openHeight: parent ? parent.height / 3 : 200
    height: open_ ? openHeight : 25

    HFileIO { id: hFileIO }

    ListModel {
        id: tabModel
        ListElement { name: "关联板块"; flag: "block_view"; show: true }
        ListElement { name: "资金"; flag: "fund_flow_view"; show: true }
        ListElement { name: "新闻资讯"; flag: "stock_news_list,stock_news_view"; show: true }
        ListElement { name: "研究报告"; flag: "research_list,research_view"; show: true }
    }

    function config() {
        try {
            var o = JSON.parse(hFileIO.readFileDefaultPath("view_config.json"));
            return o !== null && typeof o === "object" && !Array.isArray(o) ? o : {};
        } catch (e) {
            return {};
        }
    }
    function writeOpen(open) {
        var o = config();
        if (o.MQView === null || typeof o.MQView !== "object" || Array.isArray(o.MQView))
            o.MQView = {};
        o.MQView.showNewsView = open;
        hFileIO.writedFileDefaultPath("view_config.json", JSON.stringify(o));
    }
    function setOpen(open) {
        if (open_ === open)
            return;
        open_ = open;
        writeOpen(open);
        if (open && current >= 2)
            loadNews();
    }

    function select(i) {
        current = i;
        tabs.select(i);
    }
    function loadNews() {
        if (codeInfo && current >= 2)
            newsList.getNewsListData(tabModel.get(current).flag, codeInfo);
    }
    function onTabClicked(i) {
        if (i === current && open_) {
            setOpen(false);
            return;
        }
        if (!open_)
            setOpen(true);
        select(i);
        if (i === 0)
            blockView.reload();
        else if (i >= 2)
            loadNews();
    }

    // The panel's tabs for stock c (InfoPanel.tabs) and its lists loaded.
    function setCodeInfo(c) {
        codeInfo = c;
        pieSeries.setCodeInfo(c);
        var d = InfoPanel.tabs(Number(c.type), Number(c.market), blockView.setQuery(c), current);
        for (var t = 0; t < 4; ++t)
            tabModel.setProperty(t, "show", d.shown[t]);
        if (d.blockName !== "")
            tabModel.setProperty(0, "name", d.blockName);
        select(d.select);
        newsList.getNewsListData(tabModel.get(d.list).flag, c);
        if (d.research)
            researchFeed.getNewsListData(tabModel.get(3).flag, c);
    }

    // Marks of a list's reply reach the chart only while its stock is shown: a
    // late reply for the previous stock is dropped.
    function passMarks(list, json) {
        var asked = list.requestedFor;
        if (codeInfo && asked && String(asked.code) === String(codeInfo.code) && Number(asked.market) === Number(codeInfo.market))
            syncResearchList(json);
    }

    Component.onCompleted: {
        var o = config();
        if (o.MQView && typeof o.MQView === "object" && typeof o.MQView.showNewsView === "boolean")
            open_ = o.MQView.showNewsView;
        else
            writeOpen(true);
    }
    onVisibleChanged: if (visible && open_ && current >= 2) loadNews()

    Rectangle {
        id: tabRow
        width: parent.width
        height: 25
        color: Theme.buttonColor
        Rectangle {
            id: toggle
            objectName: "newsToggle"
            width: 60; height: 25
            color: toggleArea.containsMouse ? Theme.buttonHoverColor : Theme.buttonColor
            Row {
                anchors.centerIn: parent
                spacing: 2
                Image { anchors.verticalCenter: parent.verticalCenter; source: root.open_ ? "qrc:/images/new_open_h.png" : "qrc:/images/new_open_n.png" }
                Text { text: root.open_ ? "收起" : "展开"; color: Theme.textColor; font.pixelSize: Theme.smallButtonFontSize; font.family: Theme.fontFamily }
            }
            MouseArea { id: toggleArea; anchors.fill: parent; hoverEnabled: true; onClicked: root.setOpen(!root.open_) }
        }
        Hbtn {
            id: tabs
            objectName: "newsTabs"
            anchors.left: toggle.right
            anchors.leftMargin: 1
            style: 2
            width: 400
            datamodel: tabModel
            indextemp: root.current
            onBtnClicked: root.onTabClicked(tabs.indexOfFlag(flag))
        }
    }
    Item {
        anchors.top: tabRow.bottom
        width: parent.width
        height: parent.height - tabRow.height
        visible: root.open_
        QBlockView {
            id: blockView
            anchors.fill: parent
            visible: root.current === 0
            onChangeToMQView: root.changeToMQView(codeInfo)
        }
        QPieSeries {
            id: pieSeries
            anchors.fill: parent
            visible: root.current === 1 && parent.visible
        }
        QNewsList {
            id: newsList
            anchors.fill: parent
            visible: root.current >= 2
            onSyncResearchList: root.passMarks(newsList, json)
        }
    }
    // Research rows for the marks while the news tab shows.
    QNewsList { id: researchFeed; visible: false; onSyncResearchList: root.passMarks(researchFeed, json) }
}

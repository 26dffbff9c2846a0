import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QBaseService 1.0
import "js/NewsList.js" as NewsList
import "js/JSUtil.js" as JSUtil
import "js/WebLinks.js" as WebLinks
import "theme"

// A list of news or research rows of one stock (or of the market): the list
// service is url.<first part of the flag>, the page of a row url.<second
// part>. A research list also hands its rows to the chart as marks
// (syncResearchList). Double-clicking a row opens its page in a window.
// The home view uses it too: getNewsListData("stock_news_list,stock_news_view",
// {code: "1A0001", market: 1, type: 1}).
Rectangle {
    id: root
    objectName: "newsList"
    color: Theme.background
    property alias model_: listModel
    property alias listView: list
    property string flag_: ""
    property var request: null
    // The stock of the last request (its reply's marks belong to it).
    property var requestedFor: null
    readonly property bool loading: loadingImage.visible
    signal syncResearchList(var json)

    QBaseService { id: baseService }
    ListModel { id: listModel }

    function address(key) {
        var v = baseService.getServerAddressValue("url." + key);
        return v ? String(v) : "";
    }
    function pageUrl(row) {
        var page = NewsList.listFlag(flag_).page;
        return page !== "" ? JSUtil.tagRplace(address(page), { id: String(row.id) }) || "" : "";
    }
    function getNewsListData(flag, codeInfo) {
        var f = NewsList.listFlag(flag);
        var url = JSUtil.tagRplace(address(f.list), codeInfo);
        if (!url)
            return;
        flag_ = flag;
        requestedFor = codeInfo;
        listModel.clear();
        loadingImage.visible = true;
        if (request) {
            request.clear();
            request = null;
        }
        var mine = NewsList.getStockNewsList(url, {}, function (ok, json) {
            if (request !== mine)
                return;
            request = null;
            loadingImage.visible = false;
            if (!ok)
                return;
            // The rows kept of a long reply, picked once for the marks and the list.
            var kept = { data: NewsList.keptRows(json) };
            if (f.list === "research_list")
                syncResearchList(NewsList.researchMarks(kept, f.page !== "" ? address(f.page) : "", JSUtil.tagRplace));
            NewsList.getJsonModel(listModel, kept);
        });
        request = mine;
    }
    // Opens a row's page in a browser window of the main window (or one of
    // its own when shown elsewhere).
    function openRow(i) {
        var url = pageUrl(listModel.get(i));
        if (!url)
            return null;
        var host = Window.window;
        var app = host && host.applicationRoot ? host.applicationRoot : host;
        if (app && typeof app.createWindow === "function")
            return app.createWindow(url);
        if (!WebLinks.isWebAddress(url))
            return null;
        var c = Qt.createComponent("qrc:/qml/BrowserWindow.qml");
        return c.status === Component.Ready ? c.createObject(root, { url: url }) : null;
    }

    ListView {
        id: list
        anchors.fill: parent
        clip: true
        model: listModel
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        delegate: Rectangle {
            width: list.width
            height: 25
            color: rowArea.containsMouse ? Theme.linkHoverColor : Theme.background
            Text {
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.right: date.left
                anchors.rightMargin: 10
                anchors.verticalCenter: parent.verticalCenter
                text: model.title
                textFormat: Text.PlainText
                color: Theme.textColor
                font.pixelSize: Theme.textFontSize
                font.family: Theme.fontFamily
                elide: Text.ElideRight
            }
            Text {
                id: date
                anchors.right: parent.right
                anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                text: model.pubdate
                textFormat: Text.PlainText
                color: Theme.textColor
                font.pixelSize: Theme.textFontSize
                font.family: Theme.fontFamily
            }
            MouseArea {
                id: rowArea
                anchors.fill: parent
                hoverEnabled: true
                onDoubleClicked: root.openRow(index)
            }
        }
    }
    Image {
        id: loadingImage
        anchors.centerIn: parent
        width: 50; height: 50
        visible: false
        source: "qrc:/images/loading.png"
        RotationAnimation on rotation {
            running: loadingImage.visible
            from: 0; to: 360
            duration: 1000
            loops: Animation.Infinite
        }
    }
}

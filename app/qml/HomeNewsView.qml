import QtQuick 2.15
import "theme"

// The home view's news: "新闻资讯" and "研究报告" over the news list widget,
// which loads the chosen button's flag for the Shanghai composite.
Rectangle {
    id: root
    color: Theme.background
    readonly property var buttons: [
        { name: "新闻资讯", flag: "stock_news_list,stock_news_view" },
        { name: "研究报告", flag: "research_list,research_view" }
    ]
    readonly property var codeInfo: ({ code: "1A0001", market: 1, type: 1 })
    property string currentFlag: buttons[0].flag
    // The news list widget in listHost; it loads through
    // getNewsListData(flag, codeInfo).
    property var newsList: homeList
    property alias listHost: listHost

    function load(flag) {
        currentFlag = flag;
        if (newsList && typeof newsList.getNewsListData === "function")
            newsList.getNewsListData(flag, codeInfo);
    }

    Row {
        id: bar
        height: 30
        Repeater {
            model: root.buttons
            delegate: Rectangle {
                objectName: "newsButton" + index
                width: 96
                height: bar.height
                color: root.currentFlag === modelData.flag ? Theme.background : Theme.sectionBackground
                Text {
                    anchors.centerIn: parent
                    font.family: Theme.fontFamily; font.pixelSize: Theme.tabFontSize
                    color: root.currentFlag === modelData.flag ? Theme.textColor : Theme.labelTextColor
                    text: modelData.name
                }
                MouseArea { anchors.fill: parent; onClicked: root.load(modelData.flag) }
            }
        }
    }
    Item {
        id: listHost
        anchors.top: bar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        QNewsList { id: homeList; anchors.fill: parent }
    }
    onNewsListChanged: load(currentFlag)
    Component.onCompleted: load(buttons[0].flag)
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import PriceModel 1.0
import "theme"

// The index quote panel at the right of the quote page.
Rectangle {
    id: root
    property var mqModel
    property int foldImgType: 0
    property var sectionModel: ListModel {}
    property var sectionModel2: ListModel {}
    property alias priceModel: priceModel
    // The two rise-and-fall distribution charts.
    property alias sectionHost2: sectionHost2
    property alias sectionHost: sectionHost
    width: 280
    color: Theme.background
    visible: mqModel ? mqModel.type === 1 : false

    function clearData() {}
    function updateSectionCountModel() {
        if (sectionHost.children.length > 0 && sectionHost.children[0].model !== undefined)
            sectionHost.children[0].model = sectionModel;
        if (sectionHost2.children.length > 0 && sectionHost2.children[0].model !== undefined)
            sectionHost2.children[0].model = sectionModel2;
    }

    PriceModel { id: priceModel; active: root.visible }  // hidden, its texts wait
    // A row's text (SectionCount) at the size the rows take, for their least height.
    Text { id: rowText; visible: false; font.family: Theme.fontFamily; font.pixelSize: column.textSize; text: "涨停" }
    Component.onCompleted: if (mqModel) priceModel.bindDataSignal(mqModel)

    Flickable {
        anchors.fill: parent
        contentHeight: column.height
        clip: true
        ScrollBar.vertical: ScrollBar {}
        Column {
            id: column
            width: root.width
            // The two charts share the space left under the quote rows (less
            // their two 20 px bars): both show whole without scrolling, their
            // text shrinking with the rows from 14 px down to 11 px; below
            // that a row keeps its text's height and the panel scrolls.
            readonly property real share: (root.height - distributionBar.y - 40) / 24
            readonly property int textSize: Math.max(Theme.leastQuoteFontSize, Math.min(Theme.quoteFontSize, Math.floor(share / 1.3)))
            property real lineHeight: Math.max(Math.ceil(rowText.implicitHeight), share)
            PriceHeader { width: root.width; priceModel: priceModel }
            PriceSectionBar {
                width: root.width; title: "行情信息"
                foldImgType: root.foldImgType
                onFoldClicked: root.foldImgType = root.foldImgType === 0 ? 1 : 0
            }
            PriceIndexInfo { width: root.width; priceModel: priceModel; foldImgType: root.foldImgType }
            PriceSectionBar { id: distributionBar; width: root.width; title: "涨跌分布" }
            Item {
                id: sectionHost2; width: root.width; height: Math.max(0, column.lineHeight * 12)
                // The back end's rows only: empty until they arrive.
                SectionCount { objectName: "sectionChart2"; anchors.fill: parent; model: root.sectionModel2; textSize: column.textSize }
            }
            PriceSectionBar { width: root.width; title: "全市场分布" }
            Item {
                id: sectionHost; width: root.width; height: Math.max(0, column.lineHeight * 12)
                SectionCount { objectName: "sectionChart"; anchors.fill: parent; model: root.sectionModel; textSize: column.textSize }
            }
        }
    }
}

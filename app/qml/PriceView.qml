import QtQuick 2.15
import QtQuick.Controls 2.15
import PriceModel 1.0
import "theme"

// The stock quote panel at the right of the quote page.
Rectangle {
    id: root
    property var mqModel
    property var page: null          // the quote page; its activeFlag opens routes
    property int foldImgType: 0
    property alias priceModel: priceModel
    // The tick list ("分笔成交") under the panel.
    property alias detailHost: detailHost
    property alias tickList: tickList
    width: 280
    color: Theme.background
    visible: mqModel ? mqModel.type === 2 : false

    function clearData() { tickList.clearData(); }

    PriceModel { id: priceModel; active: root.visible }  // hidden, its texts wait
    Component.onCompleted: if (mqModel) priceModel.bindDataSignal(mqModel)

    Flickable {
        id: flick
        anchors.fill: parent
        contentHeight: column.height
        clip: true
        flickableDirection: Flickable.VerticalFlick
        ScrollBar.vertical: ScrollBar {}
        Column {
            id: column
            width: root.width
            PriceHeader { width: root.width; priceModel: priceModel }
            PriceSectionBar { width: root.width; title: "五档盘口" }
            PriceQueue5 { width: root.width; priceModel: priceModel }
            PriceRatio { width: root.width; priceModel: priceModel }
            PriceSectionBar {
                width: root.width; title: "行情信息"
                foldImgType: root.foldImgType
                onFoldClicked: root.foldImgType = root.foldImgType === 0 ? 1 : 0
            }
            PriceInfo { width: root.width; priceModel: priceModel; foldImgType: root.foldImgType }
            PriceSectionBar {
                width: root.width; title: "分笔成交"; linkText: "全部>"
                onLinkClicked: if (root.page && root.page.activeFlag) root.page.activeFlag("app://curview/?#chart=detail")
            }
            Item {
                id: detailHost
                width: root.width
                // The space left, and never less than a title and eight
                // trades: in a short window the panel scrolls to them.
                height: Math.max(tickList.title_height_ + 8 * tickList.row_height_, root.height - y)
                QDetaileView {
                    id: tickList
                    objectName: "tickList"
                    anchors.fill: parent
                    style_: 1
                    row_height_: 20
                    mqModel: root.mqModel
                }
            }
        }
    }
}

import QtQuick 2.15
import HUtil 1.0
import QMyStockService 1.0
import "qrc:/qml/js/Database.js" as Sql
import "theme"

// Name, code, badges, last price with change, and the my-stock button.
Column {
    id: root
    property var priceModel
    width: 280
    HUtil { id: util }

    property var myStock: QMyStockService {}
    function isMine() {
        return myStock !== null && priceModel && myStock.isExist(priceModel.code, priceModel.market);
    }
    function toggleMine() {
        if (!myStock || !priceModel)
            return;
        Sql.toggleMyStock(myStock, priceModel.code, priceModel.market);
        priceModel.dataChanged();
    }
    function signColor(v) { return util.getPriceColor(v, 0); }

    Row {
        height: 30
        x: 10
        spacing: 8
        Text {
            objectName: "nameText"
            anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? root.priceModel.name + "  " + root.priceModel.code : ""
            color: Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.headlineFontSize
        }
        Rectangle {
            visible: root.priceModel && root.priceModel.margin_trading
            anchors.verticalCenter: parent.verticalCenter
            width: 20; height: 20
            color: Theme.actionColor
            Text { anchors.centerIn: parent; text: "融"; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.captionFontSize }
        }
        Rectangle {
            visible: root.priceModel && root.priceModel.market_name !== ""
            anchors.verticalCenter: parent.verticalCenter
            width: 40; height: 20
            color: Theme.marketTagColor
            Text { anchors.centerIn: parent; text: root.priceModel ? root.priceModel.market_name : ""; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.captionFontSize }
        }
    }
    // Texts that change at every push are chained by anchors, not a Row:
    // a Row would move them while the frame is prepared and ask for a second.
    Item {
        width: root.width
        height: 30
        Text {
            id: closeText
            objectName: "closeText"
            x: 10
            anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? util.formatPrice(root.priceModel.close, root.priceModel.decimal) : ""
            color: root.priceModel ? util.getPriceColor(root.priceModel.close, root.priceModel.pre_close) : Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.lastPriceFontSize
            font.bold: true
        }
        Text {
            id: rateText
            anchors.left: closeText.right
            anchors.leftMargin: 14
            anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? util.formatFixed(root.priceModel.rf_rate * 100.0, 2) + "%" : ""
            color: root.priceModel ? root.signColor(root.priceModel.rf_value) : Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.headlineFontSize
        }
        Text {
            anchors.left: rateText.right
            anchors.leftMargin: 14
            anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? util.formatFixed(root.priceModel.rf_value, root.priceModel.decimal) : ""
            color: root.priceModel ? root.signColor(root.priceModel.rf_rate) : Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: Theme.headlineFontSize
        }
    }
    Item {
        width: root.width
        height: 30
        Text {
            id: tagText
            x: 10
            anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? root.priceModel.trade_tag : ""; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
        }
        Text {
            id: dateText
            anchors.left: tagText.right; anchors.leftMargin: 6; anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? root.priceModel.trade_date : ""; color: Theme.dimTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
        }
        Text {
            anchors.left: dateText.right; anchors.leftMargin: 6; anchors.verticalCenter: parent.verticalCenter
            text: root.priceModel ? root.priceModel.trade_time : ""; color: Theme.dimTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
        }
        ActionButton {
            id: mineButton
            objectName: "myStockButton"
            property bool mine: root.priceModel ? (root.priceModel.close, root.isMine()) : false
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            width: 60; height: 22
            normalColor: mine ? Theme.myStockColor : Theme.actionColor
            hoverColor: mine ? Theme.myStockHoverColor : Theme.actionDimColor
            text: mine ? "删自选" : "+自选"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.smallButtonFontSize
            onClicked: root.toggleMine()
        }
    }
}

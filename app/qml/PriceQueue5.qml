import QtQuick 2.15
import HUtil 1.0
import "theme"

// Five asks (fifth down to best), a line, five bids (best first).
Column {
    id: root
    property var priceModel
    width: 280
    height: 10 * 20 + 1
    HUtil { id: util }

    component QueueRow: Row {
        property string tag
        property real price
        property real volume
        width: root.width
        height: 20
        Text { width: parent.width / 3; leftPadding: 10; text: parent.tag; color: Theme.labelTextColor; font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize; verticalAlignment: Text.AlignVCenter; height: 20 }
        Text {
            width: parent.width / 3; height: 20
            horizontalAlignment: Text.AlignHCenter; verticalAlignment: Text.AlignVCenter
            text: root.priceModel ? util.formatPrice(parent.price, root.priceModel.decimal) : ""
            color: root.priceModel ? util.getPriceColor(parent.price, root.priceModel.pre_close) : Theme.quoteLabelColor
            font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
        }
        Text {
            width: parent.width / 3; height: 20; rightPadding: 10
            horizontalAlignment: Text.AlignRight; verticalAlignment: Text.AlignVCenter
            text: util.formatVol(parent.volume)
            color: Theme.volumeColor
            font.family: Theme.fontFamily; font.pixelSize: Theme.quoteFontSize
        }
    }

    Repeater {
        model: 5
        QueueRow {
            tag: root.priceModel ? root.priceModel.sell_tag[index] : ""
            price: root.priceModel ? Number(root.priceModel.sell_price[index]) : 0
            volume: root.priceModel ? Number(root.priceModel.sell_vol[index]) : 0
        }
    }
    Rectangle { width: root.width; height: 1; color: Theme.lineColor }
    Repeater {
        model: 5
        QueueRow {
            tag: root.priceModel ? root.priceModel.buy_tag[index] : ""
            price: root.priceModel ? Number(root.priceModel.buy_price[index]) : 0
            volume: root.priceModel ? Number(root.priceModel.buy_vol[index]) : 0
        }
    }
}

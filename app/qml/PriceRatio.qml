import QtQuick 2.15
import HUtil 1.0
import "theme"

// Order ratio and order difference.
PriceInfoRow {
    id: root
    property var priceModel
    HUtil { id: util }
    label1: "委比"
    value1: priceModel ? util.formatPrice(priceModel.committee * 100, 2) + "%" : ""
    color1: priceModel ? util.getPriceColor(priceModel.committee, 0) : Theme.quoteLabelColor
    label2: "委差"
    value2: priceModel ? util.formatVol(priceModel.committee_diff) : ""
    color2: priceModel ? util.getPriceColor(priceModel.committee_diff, 0) : Theme.quoteLabelColor
}

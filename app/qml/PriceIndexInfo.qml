import QtQuick 2.15
import HUtil 1.0
import "theme"

// The index's quote figures; rows 3 on are hidden while folded. The turnover
// rate is a fraction, shown in percent as everywhere else.
Column {
    id: root
    property var priceModel
    property int foldImgType: 0
    width: 280
    HUtil { id: util }
    readonly property bool open: foldImgType === 0
    readonly property var m: priceModel
    function price(v) { return m ? util.formatPrice(v, m.decimal) : ""; }
    function priceColor(v) { return m ? util.getPriceColor(v, m.pre_close) : Theme.quoteLabelColor; }

    PriceInfoRow { width: root.width; height: 30; label1: "开盘价"; value1: root.price(root.m ? root.m.open : 0); color1: root.priceColor(root.m ? root.m.open : 0)
                   label2: "昨收价"; value2: root.price(root.m ? root.m.pre_close : 0) }
    PriceInfoRow { width: root.width; label1: "最高价"; value1: root.price(root.m ? root.m.high : 0); color1: root.priceColor(root.m ? root.m.high : 0)
                   label2: "最低价"; value2: root.price(root.m ? root.m.low : 0); color2: root.priceColor(root.m ? root.m.low : 0) }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "成交量"; value1: root.m ? util.formatVol(root.m.vol) : ""; color1: Theme.volumeColor
                   label2: "成交额"; value2: root.m ? util.formatVol(root.m.sum) : ""; color2: Theme.amountColor }
    Rectangle { visible: root.open; width: root.width; height: 1; color: Theme.lineColor }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "上涨家数"; value1: root.m ? String(root.m.rise_count) : ""; color1: util.getPriceColor(1, 0)
                   label2: "下跌家数"; value2: root.m ? String(root.m.fall_count) : ""; color2: util.getPriceColor(0, 1) }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "平盘家数"; value1: root.m ? String(root.m.flat_count) : ""; color1: util.getPriceColor(0, 0)
                   label2: "换手率"; value2: root.m ? util.formatPrice(root.m.swap * 100, 2) + "%" : "" }
}

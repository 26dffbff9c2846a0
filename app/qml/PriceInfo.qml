import QtQuick 2.15
import HUtil 1.0
import "theme"

// The stock's quote figures; rows 4 on are hidden while folded.
Column {
    id: root
    property var priceModel
    property int foldImgType: 0
    width: 280
    HUtil { id: util }
    readonly property bool open: foldImgType === 0
    function price(v) { return priceModel ? util.formatPrice(v, priceModel.decimal) : ""; }
    function priceColor(v) { return priceModel ? util.getPriceColor(v, priceModel.pre_close) : Theme.quoteLabelColor; }
    readonly property var m: priceModel

    PriceInfoRow { width: root.width; label1: "开盘价"; value1: root.price(root.m ? root.m.open : 0); color1: root.priceColor(root.m ? root.m.open : 0)
                   label2: "昨收价"; value2: root.price(root.m ? root.m.pre_close : 0) }
    PriceInfoRow { width: root.width; label1: "最高价"; value1: root.price(root.m ? root.m.high : 0); color1: root.priceColor(root.m ? root.m.high : 0)
                   label2: "最低价"; value2: root.price(root.m ? root.m.low : 0); color2: root.priceColor(root.m ? root.m.low : 0) }
    PriceInfoRow { width: root.width; label1: "平均价"; value1: root.price(root.m ? root.m.avg_price : 0); color1: root.priceColor(root.m ? root.m.avg_price : 0)
                   label2: "振幅"; value2: root.m ? util.formatPrice(root.m.amplitude * 100, 2) + "%" : ""
                   color2: root.m ? util.getPriceColor(root.m.amplitude, 0) : Theme.quoteLabelColor }
    Rectangle { visible: root.open; width: root.width; height: 1; color: Theme.lineColor }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "成交量"; value1: root.m ? util.formatVol(root.m.vol) : ""; color1: Theme.volumeColor
                   label2: "成交额"; value2: root.m ? util.formatVol(root.m.sum) : ""; color2: Theme.amountColor }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "换手率"; value1: root.m ? util.formatPrice(root.m.swap * 100, 2) + "%" : ""
                   label2: "量比"; value2: root.m ? util.formatPrice(root.m.vol_rate, 2) : "" }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "外盘"; value1: root.m ? util.formatVol(root.m.red_vol) : ""; color1: util.getPriceColor(1, 0)
                   label2: "内盘"; value2: root.m ? util.formatVol(root.m.green_vol) : ""; color2: util.getPriceColor(-1, 0) }
    Rectangle { visible: root.open; width: root.width; height: 1; color: Theme.lineColor }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "涨停价"; value1: root.price(root.m ? root.m.rise_limit : 0); color1: root.priceColor(root.m ? root.m.rise_limit : 0)
                   label2: "跌停价"; value2: root.price(root.m ? root.m.fall_limit : 0); color2: root.priceColor(root.m ? root.m.fall_limit : 0) }
    Rectangle { visible: root.open; width: root.width; height: 1; color: Theme.lineColor }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "总股本"; value1: root.m ? util.formatVol(root.m.total_shares) : ""
                   label2: "流通股"; value2: root.m ? util.formatVol(root.m.float_shares) : "" }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "总市值"; value1: root.m ? util.formatVol(root.m.total_shares_sum) : ""
                   label2: "流通值"; value2: root.m ? util.formatVol(root.m.float_shares_sum) : "" }
    PriceInfoRow { visible: root.open; width: root.width
                   label1: "市盈率"; value1: root.m ? util.formatPrice(root.m.pe, 2) : ""
                   label2: "每股净收"; value2: root.m ? util.formatPrice(root.m.eps, 2) : "" }
}

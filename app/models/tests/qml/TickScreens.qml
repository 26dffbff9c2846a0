import QtQuick 2.15
import MQModel 1.0
import "qrc:/qml/" as Q

// The stock quote panel with its tick list, over one MQModel asking for the
// stock's price and the day's last ticks.
Rectangle {
    id: root
    width: 300
    height: 900
    color: "#0E1116"
    property string code: ""
    property int market: 1
    property alias stockModel: stock
    property alias panel: panel
    MQModel { id: stock }
    Q.PriceView { id: panel; objectName: "stockView"; mqModel: stock; height: root.height }
    function load(c, m) {
        code = c;
        market = m;
        stock.getPriceData(c, m);
        stock.getDetailData(c, m, -1, 9999);
    }
}

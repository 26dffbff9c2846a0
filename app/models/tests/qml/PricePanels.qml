import QtQuick 2.15
import QtQuick.Window 2.15
import MQModel 1.0
import "qrc:/qml/" as Q

// The two quote panels side by side, each bound to its own MQModel.
Window {
    id: win
    width: 580
    height: 760
    color: "#0E1116"
    visible: true
    property alias stockModel: stock
    property alias indexModel: index
    property alias stockView: stockView
    property alias indexView: indexView
    MQModel { id: stock }
    MQModel { id: index }
    Row {
        spacing: 20
        Q.PriceView { id: stockView; objectName: "stockView"; mqModel: stock; height: win.height }
        Q.PriceIndexView { id: indexView; objectName: "indexView"; mqModel: index; height: win.height }
    }
    Component.onCompleted: {
        stock.getPriceData("600001", 1);
        stock.getDetailData("600001", 1, -1, 9999);  // the tick list, as the stock view asks
        index.getPriceData("399001", 2);
    }
}

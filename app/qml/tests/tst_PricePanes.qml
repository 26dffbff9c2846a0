import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as App

// The two quote panels of a stock view share one place: the one not shown
// (the index panel of a stock, the stock panel of an index) lays none of its
// texts out again at a push.
Item {
    width: 300
    height: 700

    QtObject { id: quote; property int type: 2 }
    App.PriceView { id: stockPanel; mqModel: quote; height: 600 }
    App.PriceIndexView { id: indexPanel; mqModel: quote; height: 600 }

    TextCase {
        name: "PricePanes"
        when: windowShown

        function test_onlyTheShownPanelTakesPushes() {
            var cases = [{ type: 2, stock: true }, { type: 1, stock: false }, { type: 2, stock: true }];
            for (var i = 0; i < cases.length; ++i) {
                quote.type = cases[i].type;
                compare(stockPanel.visible, cases[i].stock, "stock panel shown for type " + cases[i].type);
                compare(indexPanel.visible, !cases[i].stock, "index panel shown for type " + cases[i].type);
                compare(stockPanel.priceModel.active, cases[i].stock,
                        "the stock panel's price model takes pushes for type " + cases[i].type);
                compare(indexPanel.priceModel.active, !cases[i].stock,
                        "the index panel's price model takes pushes for type " + cases[i].type);
            }
        }
    }
}

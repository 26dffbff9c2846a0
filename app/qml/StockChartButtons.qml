import QtQuick 2.15
import "theme"
import "js/StockRoute.js" as StockRoute

// The stock view's chart buttons: 分时, the K-line cycles (周线 and 月线 share a
// drop-down) and the other pages. Each button's flag is an app://curview
// route; an index shows the row up to the K-lines.
Hbtn {
    id: root
    objectName: "chartButtons"
    height: Theme.chartButtonHeight
    style: 0
    datamodel: ListModel { id: buttonModel }

    function fill() {
        buttonModel.clear();
        var list = StockRoute.chartButtons();
        for (var i = 0; i < list.length; ++i)
            buttonModel.append(list[i]);
    }

    function showPageButtons(b) {
        for (var i = StockRoute.FIRST_PAGE_BUTTON; i < buttonModel.count; ++i)
            buttonModel.setProperty(i, "show", b);
    }

    // Marks the button of a view key (StockRoute.chartButtonFace: week and
    // month share the drop-down, whose face follows the cycle shown).
    function selectKey(chartKey) {
        var b = StockRoute.chartButtonFace(chartKey);
        for (var i = 0; i < buttonModel.count; ++i)
            if (buttonModel.get(i).key === b.key) {
                select(i);
                if (b.face) {
                    buttonModel.setProperty(i, "name", b.face.name);
                    buttonModel.setProperty(i, "flag", b.face.flag);
                }
                return;
            }
        select(-1);
    }
}

import QtQuick 2.15
import "theme"

// The stock view's chart buttons: 分时, the K-line cycles (周线 and 月线 share a
// drop-down) and the other pages. Each button's flag is an app://curview
// route; an index shows the row up to the K-lines.
Hbtn {
    id: root
    objectName: "chartButtons"
    height: Theme.chartButtonHeight
    style: 0
    datamodel: ListModel { id: buttonModel }

    readonly property var cycleNames: ({ 33: "日线", 34: "1分", 35: "5分", 36: "15分", 37: "30分", 38: "60分", 39: "周线", 40: "月线" })
    // Buttons from this index on are the pages a stock has and an index lacks.
    readonly property int firstPageButton: 8

    function fill() {
        buttonModel.clear();
        function add(name, key, flag, w, menu) {
            var e = { name: name, key: key, flag: flag, item_width: w, show: true };
            if (menu)
                e.menuItems = menu;
            buttonModel.append(e);
        }
        add("分时", "mline_", "app://curview/?#chart=mline", 50);
        for (var c = 33; c <= 38; ++c)
            add(cycleNames[c], "kline_" + c, "app://curview/?#chart=kline&cycle=" + c, 50);
        add("周线", "kline_39", "app://curview/?#chart=kline&cycle=39", 70,
            [{ name: "周线", flag: "app://curview/?#chart=kline&cycle=39" },
             { name: "月线", flag: "app://curview/?#chart=kline&cycle=40" }]);
        add("明细", "detail_", "app://curview/?#chart=detail", 50);
        add("F10", "f10_", "app://curview/?#chart=f10", 50);
        add("分析", "f9_", "app://curview/?#chart=f9", 50);
        add("诊断", "f11_", "app://curview/?#chart=f11", 50);
        add("共振", "cycel_", "app://curview/?#chart=cycel", 50);
    }

    function showPageButtons(b) {
        for (var i = firstPageButton; i < buttonModel.count; ++i)
            buttonModel.setProperty(i, "show", b);
    }

    // Marks the button of a view key; week and month share the drop-down,
    // whose face follows the cycle shown.
    function selectKey(chartKey) {
        var key = chartKey === "kline_40" ? "kline_39" : chartKey;
        for (var i = 0; i < buttonModel.count; ++i)
            if (buttonModel.get(i).key === key) {
                select(i);
                if (key === "kline_39") {
                    var month = chartKey === "kline_40";
                    buttonModel.setProperty(i, "name", month ? "月线" : "周线");
                    buttonModel.setProperty(i, "flag", "app://curview/?#chart=kline&cycle=" + (month ? 40 : 39));
                }
                return;
            }
        select(-1);
    }

}

import QtQuick 2.15
import "theme"
import "js/QuoteCodes.js" as QuoteCodes

// The stock view's chart buttons: 分时, the K-line cycles (周线 and 月线 share a
// drop-down) and the other pages. Each button's flag is an app://curview
// route; an index shows the row up to the K-lines.
Hbtn {
    id: root
    objectName: "chartButtons"
    height: Theme.chartButtonHeight
    style: 0
    datamodel: ListModel { id: buttonModel }

    readonly property var cycleNames: ({ [QuoteCodes.KLINE_DAY]: "日线", [QuoteCodes.KLINE_MIN1]: "1分", [QuoteCodes.KLINE_MIN5]: "5分",
                                         [QuoteCodes.KLINE_MIN15]: "15分", [QuoteCodes.KLINE_MIN30]: "30分", [QuoteCodes.KLINE_MIN60]: "60分",
                                         [QuoteCodes.KLINE_WEEK]: "周线", [QuoteCodes.KLINE_MONTH]: "月线" })
    readonly property string weekKey: "kline_" + QuoteCodes.KLINE_WEEK
    readonly property string monthKey: "kline_" + QuoteCodes.KLINE_MONTH
    readonly property string klineFlag: "app://curview/?#chart=kline&cycle="
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
        for (var c = QuoteCodes.KLINE_DAY; c <= QuoteCodes.KLINE_MIN60; ++c)
            add(cycleNames[c], "kline_" + c, klineFlag + c, 50);
        add("周线", weekKey, klineFlag + QuoteCodes.KLINE_WEEK, 70,
            [{ name: "周线", flag: klineFlag + QuoteCodes.KLINE_WEEK },
             { name: "月线", flag: klineFlag + QuoteCodes.KLINE_MONTH }]);
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
        var key = chartKey === monthKey ? weekKey : chartKey;
        for (var i = 0; i < buttonModel.count; ++i)
            if (buttonModel.get(i).key === key) {
                select(i);
                if (key === weekKey) {
                    var month = chartKey === monthKey;
                    buttonModel.setProperty(i, "name", month ? "月线" : "周线");
                    buttonModel.setProperty(i, "flag", klineFlag + (month ? QuoteCodes.KLINE_MONTH : QuoteCodes.KLINE_WEEK));
                }
                return;
            }
        select(-1);
    }

}

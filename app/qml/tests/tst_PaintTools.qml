import QtQuick 2.15
import QtTest 1.15
import CPaintBoard 1.0
import "qrc:/qml/" as App

// The drawing-tool palette, the text dialog and the statistics window.
Item {
    id: top
    width: 400
    height: 400

    App.PanintToolsView { id: palette }
    App.QTextEditDlg { id: textDlg }
    App.QIntervalStatisticsDlg { id: stats }
    SignalSpy { id: picked; target: palette; signalName: "clickedItem" }
    SignalSpy { id: ok; target: textDlg; signalName: "clickedOK" }
    SignalSpy { id: dates; target: stats; signalName: "setStartEndDate" }

    function find(item, name) {
        if (item.objectName === name)
            return item;
        var kids = item.children || [];
        for (var i = 0; i < kids.length; ++i) {
            var r = find(kids[i], name);
            if (r)
                return r;
        }
        if (item.contentItem && item.contentItem !== item) {
            var c = find(item.contentItem, name);
            if (c)
                return c;
        }
        return null;
    }

    TextCase {
        name: "PaintTools"
        when: windowShown

        // The palette shows the pointer, every tool of the chart's one list in
        // its order (pinned by test_painttool_list.cpp), and the eraser; each
        // button shows its icon and names its tool when clicked.
        function test_paletteFollowsTheToolList() {
            palette.show();
            var grid = find(palette.contentItem, "toolGrid");
            verify(grid);
            var tools = PaintTools.tools;
            verify(tools.length > 0);
            compare(grid.count, tools.length + 2);
            tryVerify(function () { return find(grid, "tool_clear") !== null; });
            var flags = ["pointer"];
            for (var t = 0; t < tools.length; ++t)
                flags.push(tools[t].flag);
            flags.push("clear");
            picked.clear();
            for (var i = 0; i < flags.length; ++i) {
                var b = find(grid, "tool_" + flags[i]);
                verify(b, "no button for " + flags[i]);
                if (i > 0 && i <= tools.length)
                    compare(String(b.background.children[0].source), "qrc:/images/painttools/" + tools[i - 1].image);
                compare(b.background.children[0].status, Image.Ready, flags[i]);
                b.clicked();
                compare(picked.signalArguments[i][0], i === 0 ? "" : flags[i]);  // the pointer: no tool
            }
            compare(picked.count, flags.length);
            compare(picked.signalArguments[1][0], "CPaintSegment");
            palette.close();
        }

        function test_textDialog() {
            textDlg.setText("支撑位");
            textDlg.setColor("#ff8000");
            var f = textDlg.fontFromString("DejaVu Sans,-1,20,5,50,0,0,0,0,0");
            compare(f.pixelSize, 20);
            compare(f.family, "DejaVu Sans");
            textDlg.setFont(f);
            compare(textDlg.fontString(textDlg.font).split(",").slice(0, 3).join(","), "DejaVu Sans,-1,20");
            ok.clear();
            textDlg.show();
            textDlg.accept();
            compare(ok.count, 1);
            compareText(ok.signalArguments[0][0], "支撑位");
            compare(String(ok.signalArguments[0][1]), "#ff8000");
            compare(ok.signalArguments[0][2].pixelSize, 20);
            compare(textDlg.visible, false);
        }

        function test_statistics() {
            stats.setModel({ array1: [{ name: "总数", vol: "3个" }], array2: [{ name: "阳线", vol: "1个" }],
                             dates: ["2026-01-01", "2026-01-02", "2026-01-03"], sdate: "2026-01-02",
                             edate: "2026-01-03" });
            stats.show();
            dates.clear();
            compare(stats.startBox.getCurText(), "2026-01-02");
            compare(stats.endBox.getCurText(), "2026-01-03");
            compare(dates.count, 0);  // loading a result asks for nothing
            stats.startBox.value = 0;
            compare(dates.count, 1);
            compare(dates.signalArguments[0][0], "2026-01-01");
            compare(dates.signalArguments[0][1], "2026-01-03");
            stats.close();
        }
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import HUtil 1.0
import "qrc:/qml/" as W
import "qrc:/qml/js/ToolsBar.js" as Bar

Item {
    id: top
    width: 800
    height: 600

    ListModel {
        id: items
        ListElement { name: "一"; select: false }
        ListElement { name: "二"; select: false }
        ListElement { name: "三"; select: false }
        ListElement { name: "四"; select: false }
        ListElement { name: "五"; select: false }
    }
    W.QToolsBar { id: bar; width: 205; height: 25; model_: items }

    W.QPopup { id: popup }
    TextField { id: input; x: 300; y: 10; width: 100; height: 25 }
    TextField { id: other; x: 300; y: 40; width: 100; height: 25 }
    W.QSpinBox { id: spin }
    W.QTextField { id: field; width: 100; height: 25 }

    ListModel {
        id: hitems
        ListElement { name: "A"; flag: "a"; select: true; show: true; item_width: 50 }
        ListElement { name: "B"; flag: "b"; select: false; show: true; item_width: 50 }
    }
    W.Hbtn { id: hbtn; width: 200; datamodel: hitems }

    SignalSpy { id: clicked; target: bar; signalName: "clickedItem" }

    ListModel {
        id: autoItems
        ListElement { name: "沪深A股"; select: false }
        ListElement { name: "创业板"; select: false }
        ListElement { name: "科创板"; select: false }
    }
    W.QAutoToolsBar { id: autoBar; width: 400; height: 25; model_: autoItems; rightPadding: 25 }
    // A sub-chart bar as the stock view's tool row has it: refilled in place
    // when the chart kind changes, narrower on K-lines.
    ListModel { id: subItems }
    W.QAutoToolsBar { id: subBar; y: 30; width: 1200; height: 25; model_: subItems; rightPadding: 25 }
    HUtil { id: util }

    ListModel { id: overflow }
    SignalSpy { id: overflowInserted; target: overflow; signalName: "rowsInserted" }
    SignalSpy { id: overflowRemoved; target: overflow; signalName: "rowsRemoved" }

    W.QMsgBox { id: box; show_alert: true; title_: "公告" }
    SignalSpy { id: boxClosed; target: box; signalName: "clickedClose" }
    SignalSpy { id: boxCancel; target: box; signalName: "cancelNotice" }

    TextCase {
        name: "Widgets"
        when: windowShown

        function test_toolsBarShowCountAndSelection() {
            // floor((205 - 0 - 25) / 60) = 3; items 3 and 4 go to the overflow menu.
            compare(bar.show_count, 3);
            bar.width = 84;               // floor(59 / 60) = 0: only the "more" button
            compare(bar.show_count, 0);
            bar.width = 205;
            bar.style = 0;
            bar.onChange(1, false);
            bar.onChange(3, true);
            compare(bar.getSelectIndexs(), [1, 3]);
            compare(clicked.count, 1);
            bar.onChange(1, false);       // toggles back
            compare(bar.getFirstSelectIndex(), 3);
            bar.style = 1;
            bar.onChange(4, false);
            compare(bar.getSelectIndexs(), [4]);
            bar.style = 2;
            bar.onChange(2, false);
            compare(bar.getSelectIndexs(), []);
            compare(bar.getFirstSelectIndex(), -1);
        }

        // Single choice remembers the chosen item, and forgets it when the
        // model changes under the bar; the row's width is that of the items
        // it shows.
        function test_toolsBarChoiceAndRowWidth() {
            bar.style = 1;
            bar.onChange(4, true);
            bar.onChange(2, true);
            compare(bar.getSelectIndexs(), [2]);
            compare(bar.getFirstSelectIndex(), 2);
            items.setProperty(2, "select", false);   // another view's own change
            items.setProperty(0, "select", true);
            compare(bar.getFirstSelectIndex(), 0);
            bar.onChange(3, true);
            compare(bar.getSelectIndexs(), [3]);
            items.setProperty(3, "select", false);
            compare(bar.getFirstSelectIndex(), -1);
            bar.style = 0;

            var cases = [[null, 60, 3, 180], [null, 60, 0, 0], [[30, 40, 50], 60, 2, 70],
                         [[30, 40], 60, 3, 70], [[30, 0, 50], 60, 3, 80], [[30], 60, -1, 0]];
            for (var i = 0; i < cases.length; ++i)
                compare(Bar.shownWidth(cases[i][0], cases[i][1], cases[i][2]), cases[i][3], JSON.stringify(cases[i]));
        }

        function test_autoToolsBarWidths() {
            // Items are text width + 10 wide; show_count counts those whose
            // running total fits in width - paddings.
            var w = [];
            for (var i = 0; i < autoItems.count; ++i)
                w.push(util.stringWidth(autoItems.get(i).name, "Microsoft YaHei", 12, Font.Normal));
            compare(autoBar.itemWidths, w.map(function (x) { return x + 10; }));
            autoBar.width = w[0] + 10 + w[1] + 10 + 25;          // exactly two fit
            compare(autoBar.show_count, 2);
            autoBar.width = w[0] + 10 + 24;                       // not even the first
            compare(autoBar.show_count, 0);
            // The ">" menu: its widest name in the entries' own font (14 px),
            // the 20 px tick column, the entry's paddings and the scroll bar.
            var m = [];
            for (var j = 0; j < autoItems.count; ++j)
                m.push(util.stringWidth(autoItems.get(j).name, "微软雅黑", 14, Font.Normal));
            verify(autoBar.menuEntryChrome >= 20 + 12);
            compare(autoBar.menu_width, Math.ceil(Math.max.apply(null, m)) + autoBar.menuEntryChrome);
        }

        // However the bar was refilled, it shows its first buttons from its
        // left edge: the row is never left scrolled.
        function test_refilledBarStartsAtItsFirstButton() {
            function fill(names) {
                subItems.clear();
                for (var i = 0; i < names.length; ++i)
                    subItems.append({ name: names[i], select: i === 1 });
                subBar.updateModel_(subItems);
            }
            var many = [];
            for (var i = 0; i < 30; ++i)
                many.push("F" + i);
            fill(["MACD"].concat(many));
            var row = findChild(subBar, "barRow");
            compare(row.contentX, row.originX);
            subBar.width = 500;
            fill(["VOL", "MACD"].concat(many));
            verify(subBar.show_count > 0);
            compare(row.contentX, row.originX);
            var first = row.itemAtIndex(0);
            verify(first !== null, "the first button is made");
            compare(first.mapToItem(subBar, 0, 0).x, 0);
        }

        function test_overflowMirrorKeepsItsRows() {
            function rows() {
                var out = [];
                for (var i = 0; i < overflow.count; ++i) {
                    var r = overflow.get(i);
                    out.push(r.name + (r.select ? "+" : "") + r.index);
                }
                return out;
            }
            for (var i = 0; i < items.count; ++i)
                items.setProperty(i, "select", false);
            Bar.mirror(items, overflow, 3);
            compareText(rows(), ["四3", "五4"]);
            overflowInserted.clear();
            overflowRemoved.clear();
            // Again unchanged, then one pressed state: the rows stay, updated.
            Bar.mirror(items, overflow, 3);
            items.setProperty(4, "select", true);
            Bar.mirror(items, overflow, 3);
            compareText(rows(), ["四3", "五+4"]);
            compare(overflowInserted.count, 0);
            compare(overflowRemoved.count, 0);
            // More room, less room, no overflow.
            Bar.mirror(items, overflow, 4);
            compareText(rows(), ["五+4"]);
            Bar.mirror(items, overflow, 1);
            compareText(rows(), ["二1", "三2", "四3", "五+4"]);
            Bar.mirror(items, overflow, 5);
            compare(rows(), []);
            Bar.mirror(items, overflow, -2);
            compareText(rows(), ["一0", "二1", "三2", "四3", "五+4"]);
            items.setProperty(4, "select", false);
        }

        function test_msgBoxAlertMode() {
            box.show();
            box.requestClose();                  // refused: the question comes up
            verify(box.alert !== null);
            compareText(box.alert.text_, "下次启动是否不再弹出本条消息？");
            compareText(box.alert.ok_text_, "当天不再提醒");
            compareText(box.alert.cancel_text_, "继续提醒");
            box.alert.clickedOk();               // close and stop the notice
            compare(boxCancel.count, 1);
            compare(boxClosed.count, 0);
            verify(box.alert === null);
            box.show_alert = false;
            box.show();
            box.requestClose();                  // plain close
            compare(boxClosed.count, 1);
            verify(!box.visible);
        }

        // A close from the window manager (Alt+F4) goes the close button's way.
        function test_msgBoxWindowManagerClose() {
            boxClosed.clear();
            boxCancel.clear();
            box.show_alert = true;
            box.show();
            box.close();                         // as the window manager asks
            verify(box.visible);
            verify(box.alert !== null);
            box.alert.clickedCancel();
            verify(!box.visible);
            compare(boxCancel.count, 0);
            box.show_alert = false;
            box.show();
            box.close();
            compare(boxClosed.count, 1);
            verify(!box.visible);
        }

        function test_popupButtons() {
            var got = [];
            popup.showMsg("确认?", function (ok) { got.push(ok); }, false, null, "好");
            compare(popup.is_cancel_, false);
            compareText(popup.confirm_text_, "好");
            compareText(popup.cancel_text_, "取  消");
            var confirm = findChild(popup.contentItem, "confirmButton");
            compare(confirm.width, popup.availableWidth);
            popup.answer(true);
            compare(got, [true]);
            verify(!popup.opened);
            // A null is_cancel keeps the last setting.
            popup.showMsg("x", function (ok) { got.push(ok); }, null);
            compare(popup.is_cancel_, false);
            popup.answer(false);
            compare(got, [true, false]);
        }

        // However the message closes (a click outside, Escape, its button),
        // the next keys reach the field its callback gave the focus to.
        // A message of several lines is shown whole above the buttons.
        function test_popupGrowsForALongMessage() {
            popup.showMsg("x", null, false);
            compare(popup.height, 150);
            popup.showMsg("无法读取 600020-1-33.json：没有读取权限\n无法读取的 Quorvex.json 已移到 Quorvex.json.bad\n"
                          + "无法读取 formula_group_own.json：没有读取权限\n另有 3 条，见程序日志", null, false);
            var text = findChild(popup.contentItem, "popupText");
            var confirm = findChild(popup.contentItem, "confirmButton");
            verify(popup.height > 150);
            verify(text.contentHeight <= confirm.mapToItem(text, 0, 0).y, text.contentHeight + " over the buttons");
            popup.answer(true);
            tryVerify(function () { return !popup.opened; });
        }

        function test_popupHandsTheKeysToTheFieldItWasAbout() {
            var ways = [
                ["a click outside", function () { mouseClick(top, 5, 5); }],
                ["Escape", function () { keyClick(Qt.Key_Escape); }],
                ["Return", function () { keyClick(Qt.Key_Return); }],
                ["its button", function () { mouseClick(findChild(popup.contentItem, "confirmButton")); }]
            ];
            top.Window.window.requestActivate();
            tryVerify(function () { return top.Window.window.active; });
            for (var i = 0; i < ways.length; ++i) {
                input.text = "";
                other.forceActiveFocus();
                popup.showMsg("用户名不能为空", function () { input.forceActiveFocus(); }, false);
                tryVerify(function () { return popup.opened; }, 5000, ways[i][0]);
                waitForRendering(popup.contentItem);
                ways[i][1]();
                tryVerify(function () { return !popup.opened; }, 5000, ways[i][0] + " closes the message");
                tryVerify(function () { return input.activeFocus; }, 5000,
                          ways[i][0] + ": the keys are with " + top.Window.activeFocusItem);
                keyClick(Qt.Key_A);
                compare(input.text, "a", ways[i][0] + ": the key went to " + top.Window.activeFocusItem);
            }
        }

        function test_spinBoxIndexes() {
            spin.setItems(["Alpha", "beta", "Beta2", "gamma"]);
            spin.setCurIndex("BE");
            compare(spin.value, 1);
            compare(spin.getCurText(), "beta");
            spin.setCurIndex("zzz");      // not in the list: unchanged
            compare(spin.value, 1);
            spin.setIndex(10);
            compare(spin.value, 3);
            spin.setIndex(-2);
            compare(spin.value, 0);
        }

        function test_textFieldDoublePress() {
            verify(!field.notePress(1000));
            verify(field.notePress(1180));   // within 180 ms
            verify(!field.notePress(2000));
            verify(!field.notePress(2181));  // 181 ms: a new first press
        }

        function test_hbtnUpdateAndSelect() {
            hbtn.itemUpdate("b", "C", "c");
            compare(hitems.get(1).name, "C");
            compare(hitems.get(1).flag, "c");
            hbtn.pickSubItem(1, { name: "E", flag: "e" });
            compare(hbtn.indextemp, 1);
            compare(hitems.get(1).name, "E");
            hbtn.itemRemoved("e");
            compare(hitems.count, 1);
            // Object flags are matched by their name, against a text or an object.
            verify(hbtn.sameFlag({ name: "k" }, "k"));
            verify(hbtn.sameFlag({ name: "k" }, { name: "k", x: 1 }));
            verify(!hbtn.sameFlag({ name: "k" }, "j"));
            verify(hbtn.sameFlag(7, "7"));
        }

        // An item appended with a menu shows the arrow that opens it, also
        // when the items before it have none.
        function test_hbtnMenuArrow() {
            hitems.append({ name: "周线", flag: "w", item_width: 60,
                            menuItems: [{ name: "周线", flag: "w" }, { name: "月线", flag: "m" }] });
            wait(0);
            var arrows = [];
            function walk(item) {
                for (var i = 0; i < item.children.length; ++i) {
                    if (item.children[i].objectName === "menuArrow")
                        arrows.push(item.children[i]);
                    walk(item.children[i]);
                }
            }
            walk(hbtn);
            var shown = arrows.filter(function (a) { return a.parent.hasMenu; });
            compare(shown.length, 1);
            // The drop-down menu is dark like the window, its texts white.
            var cell = shown[0].parent;
            var menu = null;
            for (var i = 0; i < cell.data.length; ++i)
                if (cell.data[i].objectName === "subMenu")
                    menu = cell.data[i];
            verify(menu !== null);
            menu.open();
            tryCompare(menu, "opened", true);
            verify(dark(menu.background.color), "menu background " + menu.background.color);
            verify(menu.itemAt(0).contentItem.color.r > 0.9, "menu text");
            menu.close();
            hitems.remove(hitems.count - 1);
        }
        function cleanup() {
            while (hitems.count > 2)
                hitems.remove(hitems.count - 1);
        }
        function dark(c) { return c.a > 0.5 && c.r < 0.4 && c.g < 0.4 && c.b < 0.4; }
        function test_overflowMenuIsDark() {
            verify(bar.moreMenu.background !== null && dark(bar.moreMenu.background.color),
                   "overflow menu background " + (bar.moreMenu.background ? bar.moreMenu.background.color : "none"));
        }
    }
}

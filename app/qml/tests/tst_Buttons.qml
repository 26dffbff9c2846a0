import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as App

// The shared buttons and links as the dialogs use them: each kind's look (plate,
// hover, border, font), a left click that fires once, and keys that stay
// with the item that had them: a button neither takes the keyboard on a
// click nor answers Return, Space or Esc itself.
Item {
    id: top
    width: 400
    height: 300

    // Holds the keys, as a dialog's field does, and records what reaches it.
    Item {
        id: keyHolder
        property var keys: []
        width: 10; height: 10
        focus: true
        Keys.onPressed: { keys.push(event.key); event.accepted = true; }
    }

    Component { id: flat; App.FlatButton { x: 100; y: 100; width: 80; height: 28; text: "重  置" } }
    Component { id: dialog; App.DialogButton { x: 100; y: 100; width: 80; height: 28; text: "退出" } }
    Component { id: action; App.ActionButton { x: 100; y: 100; width: 60; height: 26; text: "确定" } }
    Component { id: glyph; App.GlyphButton { x: 100; y: 100; width: 30; height: 30; glyph: "✕" } }
    Component { id: link; App.LinkButton { x: 100; y: 100; text: "下一条"; font.pixelSize: 14 } }
    Component { id: spy; SignalSpy { signalName: "clicked" } }
    // The alert hands its buttons one whole font.
    Component {
        id: wholeFont
        App.DialogButton { x: 100; y: 100; width: 110; height: 30; text: "继续提醒"; font: Qt.font({ family: "Sans", pixelSize: 20 }) }
    }

    TextCase {
        name: "Buttons"
        when: windowShown

        // Colours and fonts as the theme defines them, written out by hand.
        function kinds() {
            return [
                { tag: "FlatButton", c: flat, label: "重  置", normal: "#252B33", hover: "#404A58", border: false, family: "", size: -1 },
                { tag: "DialogButton", c: dialog, label: "退出", normal: "#252B33", hover: "#404A58", border: true, family: "宋体", size: 14 },
                { tag: "ActionButton", c: action, label: "确定", normal: "#FF8000", hover: "#0080FF", border: false, family: "", size: -1 },
                { tag: "GlyphButton", c: glyph, label: "✕", normal: "#00000000", hover: "#404A58", border: false, family: "", size: 14 }
            ];
        }
        function labelOf(b) {
            for (var i = 0; i < b.children.length; ++i)
                if (b.children[i].text !== undefined)
                    return b.children[i];
            return null;
        }
        function sameColour(actual, expected, what) {
            verify(Qt.colorEqual(actual, expected), what + ": expected " + expected + ", got " + actual);
        }
        function init() {
            mouseMove(top, 5, 290);
            keyHolder.keys = [];
            keyHolder.forceActiveFocus();
        }

        function test_lookAndHover_data() { return kinds(); }
        function test_lookAndHover(d) {
            var b = createTemporaryObject(d.c, top);
            var label = labelOf(b);
            compareText(label.text, d.label);
            sameColour(label.color, "#FFFFFF", "label colour");
            if (d.family !== "")
                compareText(label.font.family, d.family);
            if (d.size > 0)
                compare(label.font.pixelSize, d.size, "label size");
            // Centred to the pixel the anchors snap to.
            verify(Math.abs(label.x + label.width / 2 - b.width / 2) <= 0.5
                   && Math.abs(label.y + label.height / 2 - b.height / 2) <= 0.5,
                   "label centred: " + [label.x, label.y, label.width, label.height] + " in " + [b.width, b.height]);
            sameColour(b.color, d.normal, "plate");
            if (d.border)
                sameColour(b.border.color, "#404A58", "border");
            mouseMove(b, b.width / 2, b.height / 2);
            tryVerify(function () { return b.containsMouse; }, 5000, "the mouse over the button");
            sameColour(b.color, d.hover, "plate under the mouse");
            mouseMove(top, 5, 290);
            tryVerify(function () { return !b.containsMouse; }, 5000, "the mouse off the button");
            sameColour(b.color, d.normal, "plate again");
        }

        function test_clickAndKeys_data() { return kinds().concat([{ tag: "LinkButton", c: link }]); }
        function test_clickAndKeys(d) {
            var b = createTemporaryObject(d.c, top);
            var clicks = createTemporaryObject(spy, top, { target: b });
            mouseClick(b);
            compare(clicks.count, 1, "a left click fires once");
            mouseClick(b, b.width / 2, b.height / 2, Qt.RightButton);
            compare(clicks.count, 1, "a right click does nothing");
            verify(keyHolder.activeFocus, "the click left the keys where they were");
            verify(!b.activeFocus);
            keyClick(Qt.Key_Return);
            keyClick(Qt.Key_Space);
            keyClick(Qt.Key_Escape);
            compare(clicks.count, 1, "keys do not press the button");
            compare(keyHolder.keys, [Qt.Key_Return, Qt.Key_Space, Qt.Key_Escape], "the keys reach the item that has them");
        }

        // A link is its own label: orange, blue under the mouse, grey while
        // disabled, and a disabled link does not fire.
        function test_link() {
            var l = createTemporaryObject(link, top);
            var clicks = createTemporaryObject(spy, top, { target: l });
            sameColour(l.color, "#FF8000", "link");
            mouseMove(l, l.width / 2, l.height / 2);
            tryVerify(function () { return l.containsMouse; }, 5000, "the mouse over the link");
            sameColour(l.color, "#0080FF", "link under the mouse");
            l.enabled = false;
            sameColour(l.color, "#999999", "disabled link");
            mouseClick(l);
            compare(clicks.count, 0, "a disabled link does not fire");
            l.enabled = true;
            mouseClick(l);
            compare(clicks.count, 1);
            mouseMove(top, 5, 290);
            tryVerify(function () { return !l.containsMouse; }, 5000, "the mouse off the link");
            sameColour(l.color, "#FF8000", "link again");
        }

        function test_disabled() {
            var b = createTemporaryObject(flat, top, { normalColor: "#E6000C", hoverColor: "#CC351C", disabledColor: "#4A515B", enabled: false });
            var clicks = createTemporaryObject(spy, top, { target: b });
            sameColour(b.color, "#4A515B", "disabled plate");
            mouseClick(b);
            compare(clicks.count, 0, "a disabled button does not fire");
            b.enabled = true;
            sameColour(b.color, "#E6000C", "enabled plate");
            mouseClick(b);
            compare(clicks.count, 1);
        }

        function test_wholeFontAndOwnColours() {
            var b = createTemporaryObject(wholeFont, top);
            var label = labelOf(b);
            compareText(label.font.family, "Sans");
            compare(label.font.pixelSize, 20);
            var g = createTemporaryObject(glyph, top, { normalColor: "#252B33", hoverColor: "#CC351C", glyph: "—" });
            compareText(labelOf(g).text, "—");
            sameColour(g.color, "#252B33", "own plate");
            mouseMove(g, 15, 15);
            tryVerify(function () { return g.containsMouse; }, 5000, "the mouse over the glyph");
            sameColour(g.color, "#CC351C", "own hover");
        }
    }
}

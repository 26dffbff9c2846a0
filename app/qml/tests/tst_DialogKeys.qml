import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import "qrc:/qml/" as App

// The small input windows by keys only: each opens with the keys in its
// field, Return confirms what was typed and Esc cancels it. Keys go to the
// window that has the focus, as a user's do.
Item {
    id: top
    width: 800
    height: 600

    Component { id: textDialog; App.QTextEditDlg {} }
    Component { id: paramDialog; App.QFormulaParamSet {} }
    Component { id: quorvexEdit; App.QQuorvexEdit {} }
    Component { id: statsDialog; App.QIntervalStatisticsDlg {} }
    Component { id: spy; SignalSpy {} }

    function find(item, name) {
        if (!item)
            return null;
        if (item.objectName === name)
            return item;
        var kids = item.children || [];
        for (var i = 0; i < kids.length; ++i) {
            var r = find(kids[i], name);
            if (r)
                return r;
        }
        if (item.contentItem && item.contentItem !== item)
            return find(item.contentItem, name);
        return null;
    }

    TextCase {
        name: "DialogKeys"
        when: windowShown

        // A catalogue service with one two-parameter formula.
        function paramService() {
            var s = {
                current: [{ name: "N", value: 5, min: 1, max: 50 }, { name: "M", value: 20, min: 2, max: 60 }],
                sent: [],
                getFormula: function () { return s.current; },
                getFormulaDefault: function () { return s.current; },
                setFormulaParam: function (name, json) {
                    s.sent.push(json.args[0].value);
                    for (var i = 0; i < s.current.length; ++i)
                        s.current[i].value = json.args[i].value;
                }
            };
            return s;
        }
        // A screening store with two results, recording the renames.
        function quorvexService() {
            return { renamed: [], editGroup: function (id, name) { this.renamed.push(id + ":" + name); },
                     removeGroup: function () {} };
        }

        // Each window: how it is opened, the item that must hold the keys,
        // and what Return (after typing) and Esc leave behind.
        function dialogs() {
            return [
                { tag: "text of a text tool",
                  make: function () {
                      var d = createTemporaryObject(textDialog, top);
                      d.setText("");
                      d.show();
                      d.setTextFocus(true);
                      return { win: d, field: find(d.contentItem, "textEditor"),
                               ok: createTemporaryObject(spy, top, { target: d, signalName: "clickedOK" }),
                               cancel: createTemporaryObject(spy, top, { target: d, signalName: "clickedCancel" }) };
                  },
                  typed: "ab",
                  confirmed: function (o) { return o.ok.count === 1 && o.ok.signalArguments[0][0] === "ab" ? "" : "clickedOK " + JSON.stringify(o.ok.signalArguments); },
                  cancelled: function (o) { return o.ok.count === 0 && o.cancel.count === 1 ? "" : "ok " + o.ok.count + " cancel " + o.cancel.count; } },
                { tag: "indicator parameters",
                  make: function () {
                      var s = paramService();
                      var d = createTemporaryObject(paramDialog, top, { service: s });
                      d.setFormulaName("TEST");
                      d.visible = true;
                      return { win: d, field: d.spinAt(0).contentItem, service: s };
                  },
                  typed: "9",
                  confirmed: function (o) { return JSON.stringify(o.service.sent) === "[9]" ? "" : "stored " + JSON.stringify(o.service.sent); },
                  cancelled: function (o) { return o.service.sent.length === 0 ? "" : "stored " + JSON.stringify(o.service.sent); } },
                { tag: "screening result names",
                  make: function () {
                      var s = quorvexService();
                      var d = createTemporaryObject(quorvexEdit, top.Window.window.contentItem, { service: s });
                      var closed = createTemporaryObject(spy, top, { target: d, signalName: "editClose" });
                      top.Window.window.requestActivate();   // the window it opens over
                      d.show({ result: [{ group_id: "g1", group_name: "甲", codes: [] }, { group_id: "g2", group_name: "乙", codes: [] }] });
                      return { win: top.Window.window, popup: d, field: find(d.contentItem, "nameField"), service: s, closed: closed };
                  },
                  typed: "X",
                  confirmed: function (o) {
                      var last = o.service.renamed[o.service.renamed.length - 1];
                      return o.closed.count === 1 && last === "g1:甲X" ? "" : "closed " + o.closed.count + " renames " + JSON.stringify(o.service.renamed);
                  },
                  cancelled: function (o) {
                      var last = o.service.renamed[o.service.renamed.length - 1];
                      return o.closed.count === 1 && (last === undefined || last === "g1:甲") ? "" : "closed " + o.closed.count + " renames " + JSON.stringify(o.service.renamed);
                  } }
            ];
        }
        function typeText(t) {
            for (var i = 0; i < t.length; ++i)
                keyClick(t[i]);
        }
        function shown(o) { return o.popup ? o.popup.opened : o.win.visible; }
        function opened(d) {
            var o = d.make();
            tryVerify(function () { return o.win.active && o.field && o.field.activeFocus; }, 10000,
                      d.tag + ": the window is active and its field has the keys");
            return o;
        }

        function test_returnConfirms_data() { return dialogs(); }
        function test_returnConfirms(d) {
            var o = opened(d);
            typeText(d.typed);
            keyClick(Qt.Key_Return);
            tryVerify(function () { return !shown(o); }, 10000, d.tag + ": closed by Return");
            compare(d.confirmed(o), "");
        }

        function test_escapeCancels_data() { return dialogs(); }
        function test_escapeCancels(d) {
            var o = opened(d);
            typeText(d.typed);
            keyClick(Qt.Key_Escape);
            tryVerify(function () { return !shown(o); }, 10000, d.tag + ": closed by Esc");
            compare(d.cancelled(o), "");
        }

        // Interval statistics (two date spin boxes, no text to confirm):
        // the start date has the keys, Up steps it, Esc closes.
        function test_statisticsByKeys() {
            var d = createTemporaryObject(statsDialog, top);
            var dates = createTemporaryObject(spy, top, { target: d, signalName: "setStartEndDate" });
            d.setModel({ array1: [], array2: [], dates: ["20260101", "20260102", "20260105"], sdate: "20260101", edate: "20260105" });
            d.show();
            tryVerify(function () { return d.active && d.startBox.activeFocus; }, 10000, "the start date has the keys");
            keyClick(Qt.Key_Up);
            compare(dates.count, 1);
            compare([dates.signalArguments[0][0], dates.signalArguments[0][1]], ["20260102", "20260105"]);
            keyClick(Qt.Key_Escape);
            tryVerify(function () { return !d.visible; }, 10000, "closed by Esc");
        }

        // The overlay picker: its field has the keys, Esc closes it.
        Component { id: pickerComponent; App.QSuperpositionEdit {} }
        function test_overlayPickerEscape() {
            var p = createTemporaryObject(pickerComponent, top);
            p.show("kline");
            tryVerify(function () { return p.opened && p.input.activeFocus; }, 10000, "the picker's field has the keys");
            keyClick(Qt.Key_Escape);
            tryVerify(function () { return !p.opened; }, 10000, "closed by Esc");
        }
    }
}

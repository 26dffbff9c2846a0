import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QBaseService 1.0
import "qrc:/qml/js/ChartDialogs.js" as Dlg
import "theme"

// The indicator parameter dialog ("指标设置"): one spin box per parameter of
// a catalogue formula. Every change is stored at once (setFormulaParam, which
// also writes index.param) and reported with formulaParamSetFinal, so the
// pane can reload its formulas.
Window {
    id: root
    property string formulaName: ""
    // [{name, value, min, max}] as the catalogue gives them.
    property var params: []
    readonly property int rowHeight: 30
    // getFormula, getFormulaDefault and setFormulaParam: the catalogue's
    // service (tests hand in their own).
    property var service: baseService
    signal formulaParamSetFinal()

    width: 320
    height: frame.titleBar.height + header.height + Math.max(1, params.length) * rowHeight + footer.height + 2
    minimumWidth: width; maximumWidth: width
    minimumHeight: height; maximumHeight: height
    flags: Qt.FramelessWindowHint | Qt.Dialog
    modality: Qt.ApplicationModal
    title: "指标设置"
    color: Theme.toolRowColor

    QBaseService { id: baseService }

    // Loads the formula's current values; an unknown name gives no rows.
    function setFormulaName(name) {
        formulaName = String(name);
        load(service.getFormula(formulaName));
    }
    // The catalogue's defaults, stored like any other change.
    function reset() {
        load(service.getFormulaDefault(formulaName));
        send();
    }
    // The rows take the values even where a click on an arrow has set a
    // spin box's value (which ends its binding) and the list equals the one
    // shown, so that no delegate is made anew.
    function load(list) {
        params = Array.isArray(list) ? list : [];
        for (var i = 0; i < params.length; ++i) {
            var s = spinAt(i);
            if (s)
                s.value = Dlg.heldValue(params[i].value);
        }
    }
    // Opened: the keys in the first value, selected.
    onVisibleChanged: {
        if (!visible)
            return;
        requestActivate();
        var s = spinAt(0);
        if (s) {
            s.contentItem.forceActiveFocus();
            s.contentItem.selectAll();
        }
    }
    function spinAt(i) {
        var row = rows.itemAt(i);
        return row ? row.spin : null;
    }
    // The values the spin boxes hold, as setFormulaParam's argument.
    function currentArgs() {
        var helds = [];
        for (var i = 0; i < params.length; ++i) {
            var s = spinAt(i);
            helds.push(s ? s.value : Dlg.heldValue(params[i].value));
        }
        return Dlg.paramArgs(params, helds);
    }
    function send() {
        if (formulaName === "" || params.length === 0)
            return;
        service.setFormulaParam(formulaName, currentArgs());
        // Show what was stored (four significant digits), keeping the rows.
        var stored = service.getFormula(formulaName) || [];
        for (var i = 0; i < stored.length; ++i) {
            var s = spinAt(i);
            if (s)
                s.value = Dlg.heldValue(stored[i].value);
        }
        formulaParamSetFinal();
    }
    // Typed text of row i: clamped into the parameter's range; a text that is
    // no number puts the held value back.
    function enter(i, text) {
        var s = spinAt(i);
        if (!s)
            return;
        var held = Dlg.heldFromText(text, s.from, s.to);
        var changed = held !== null && held !== s.value;
        if (changed)
            s.value = held;
        s.contentItem.text = Qt.binding(function () { return s.displayText; });
        if (changed)
            send();
    }

    WindowFrame {
        id: frame
        borderOnTop: true
        window_: root
        title: "指标设置"
        Row {
            id: header
            anchors.top: frame.titleBar.bottom
            x: 1
            height: 26
            HeadCell { width: 140; label: "参数名称" }
            HeadCell { width: root.width - 2 - 140; label: "参数值" }
        }
        Column {
            id: table
            anchors.top: header.bottom
            x: 1
            width: root.width - 2
            Repeater {
                id: rows
                model: root.params
                delegate: Rectangle {
                    objectName: "paramRow_" + index
                    property alias spin: spin
                    width: table.width
                    height: root.rowHeight
                    color: index % 2 ? Theme.alternateRowColor : Theme.toolRowColor
                    Text {
                        width: 140
                        height: parent.height
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        text: modelData.name
                        color: Theme.textColor
                        font.family: Theme.songFontFamily
                        font.pixelSize: Theme.textFontSize
                    }
                    SpinBox {
                        id: spin
                        objectName: "paramSpin_" + index
                        x: 150
                        anchors.verticalCenter: parent.verticalCenter
                        width: parent.width - 160
                        height: 24
                        editable: true
                        from: Dlg.heldValue(modelData.min)
                        to: Dlg.heldValue(modelData.max)
                        value: Dlg.heldValue(modelData.value)
                        // The arrows step by one of the shown value.
                        stepSize: Dlg.HELD
                        textFromValue: function (v) { return Dlg.heldText(v); }
                        valueFromText: function (t) {
                            var held = Dlg.heldFromText(t, from, to);
                            return held === null ? value : held;
                        }
                        validator: RegularExpressionValidator { regularExpression: /[-+]?\d*\.?\d{0,4}/ }
                        onValueModified: root.send()
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.spinBoxFontSize
                        contentItem: TextInput {
                            text: spin.displayText
                            color: Theme.textColor
                            selectionColor: Theme.frameBorderColor
                            selectByMouse: true
                            font: spin.font
                            horizontalAlignment: Qt.AlignHCenter
                            verticalAlignment: Qt.AlignVCenter
                            readOnly: !spin.editable
                            validator: spin.validator
                            inputMethodHints: Qt.ImhFormattedNumbersOnly
                            onEditingFinished: root.enter(index, text)
                            // Return stores the typed value and closes; Esc
                            // drops it (the shown value is entered again) and
                            // closes.
                            Keys.onReturnPressed: { root.enter(index, text); root.close(); }
                            Keys.onEnterPressed: { root.enter(index, text); root.close(); }
                            Keys.onEscapePressed: { text = spin.displayText; root.close(); }
                        }
                        background: Rectangle { color: Theme.background; border.color: Theme.hoverColor }
                    }
                }
            }
        }
        Item {
            id: footer
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 1
            width: root.width
            height: 44
            DialogButton {
                objectName: "resetButton"
                anchors.centerIn: parent
                width: 90; height: 28
                text: "重  置"
                onClicked: root.reset()
            }
        }
    }

    component HeadCell: Rectangle {
        property string label
        height: 26
        color: Theme.buttonColor
        Text {
            anchors.centerIn: parent
            text: parent.label
            color: Theme.secondaryTextColor
            font.family: Theme.songFontFamily
            font.pixelSize: Theme.textFontSize
        }
    }
}

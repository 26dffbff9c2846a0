import QtQuick 2.15
import QtQuick.Controls 2.15

// A spin box over a list of texts: shows items[value]; typed text selects the
// first item that starts with it, ignoring case.
SpinBox {
    id: root
    property var items: []
    signal textChange()

    from: 0
    to: Math.max(0, items.length - 1)
    editable: true

    function setItems(array) { items = array; }
    function indexOfPrefix(text) {
        var t = String(text).toLowerCase();
        for (var i = 0; i < items.length; ++i)
            if (String(items[i]).toLowerCase().indexOf(t) === 0)
                return i;
        return -1;
    }
    function setCurIndex(text) {
        var i = indexOfPrefix(text);
        if (i >= 0)
            value = i;
    }
    function setIndex(n) {
        value = Math.max(0, Math.min(n, items.length - 1));
    }
    function getCurText() { return items.length > 0 ? items[value] : ""; }

    textFromValue: function (value) { return items.length > value ? items[value] : ""; }
    valueFromText: function (text) {
        var i = indexOfPrefix(text);
        return i >= 0 ? i : value;
    }
    validator: RegularExpressionValidator { regularExpression: /.*/ }
    onValueModified: textChange()
}

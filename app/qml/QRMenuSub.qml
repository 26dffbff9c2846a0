import QtQuick 2.15
import QtQuick.Controls 2.15

// A sub-menu of the right-click menus.
Menu {
    property string name
    property var key
    title: name
    background: QRMenuBg {}
    delegate: QRMenuItem {}
    // As wide as its widest entry, so that no name is cut.
    width: {
        var w = implicitWidth;
        for (var i = 0; i < count; ++i) {
            var it = itemAt(i);
            if (it)
                w = Math.max(w, it.implicitWidth + leftPadding + rightPadding);
        }
        return w;
    }

}

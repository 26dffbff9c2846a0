import QtQuick 2.15
import QtQuick.Window 2.15
import QBaseService 1.0
import "qrc:/qml/js/menu.js" as Menu
import "theme"

// The main window's title bar: logo, the server-defined menu bar, and the
// minimise, maximise/restore and close buttons. Close asks through the exit
// dialog.
QTitleBar {
    id: root
    property alias menuBar: menuBar
    signal clickedMenu(string name, string active)
    signal closeRequested()

    QBaseService { id: base }

    Image {
        id: logo
        objectName: "titleLogo"
        x: 0
        anchors.verticalCenter: parent.verticalCenter
        width: 197; height: 30
        source: "qrc:/images/logo_title.png"
    }
    QMenuBar {
        id: menuBar
        objectName: "menuBar"
        anchors.left: logo.right
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        onClickedMenu: root.clickedMenu(name, active)
    }
    Row {
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        TitleButton {
            objectName: "minButton"
            glyph: "—"
            onClicked: if (root.window_) root.window_.showMinimized()
        }
        TitleButton {
            objectName: "maxButton"
            glyph: root.window_ && root.isMaximized(root.window_) ? "❐" : "□"
            onClicked: {
                if (!root.window_)
                    return;
                if (root.isMaximized(root.window_))
                    root.window_.showNormal();
                else
                    root.window_.showMaximized();
            }
        }
        TitleButton {
            objectName: "closeButton"
            glyph: "✕"
            hoverColor: Theme.closeHoverColor
            onClicked: root.closeRequested()
        }
    }

    Component.onCompleted: menuBar.setModel(Menu.getJsonModel(null, base.getLoginValue("menus")))

    component TitleButton: GlyphButton { width: 30; height: 30; normalColor: Theme.barBackground }
}

import QtQuick 2.15
import QtQuick.Window 2.12
import "theme"

// Title bar of dialogs and secondary windows: optional icon, title, and the
// close / maximise / minimise buttons acting on window_. Dragging moves the window.
Rectangle {
    id: root
    property var window_: null
    property string title: "金融终端"
    property int font_size: Theme.windowTitleFontSize
    property bool show_icon: false
    property bool show_close: true
    property bool show_max: true
    property bool show_min: true
    signal closeClicked()

    height: 30
    color: Theme.frameBorderColor

    MouseArea {
        anchors.fill: parent
        property point pressAt
        onPressed: pressAt = Qt.point(mouse.x, mouse.y)
        onPositionChanged: {
            if (!root.window_ || !pressed)
                return;
            root.window_.x += mouse.x - pressAt.x;
            root.window_.y += mouse.y - pressAt.y;
        }
    }

    Row {
        anchors.left: parent.left
        anchors.leftMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6
        Image {
            visible: root.show_icon
            width: 30; height: 30
            source: "qrc:/images/logo_icon.png"
            fillMode: Image.PreserveAspectFit
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: root.title
            textFormat: Text.PlainText
            color: Theme.textColor
            font.family: Theme.fontFamily
            font.pixelSize: root.font_size
        }
    }

    Row {
        anchors.right: parent.right
        height: parent.height
        TitleButton { visible: root.show_min; glyph: "—"; onClicked: if (root.window_) root.window_.showMinimized() }
        TitleButton {
            visible: root.show_max
            glyph: root.window_ && root.window_.visibility === Window.Maximized ? "❐" : "□"
            onClicked: {
                if (!root.window_)
                    return;
                if (root.window_.visibility === Window.Maximized)
                    root.window_.showNormal();
                else
                    root.window_.showMaximized();
            }
        }
        TitleButton {
            visible: root.show_close
            glyph: "✕"
            hoverColor: Theme.closeHoverColor
            onClicked: {
                root.closeClicked();
                if (root.window_)
                    root.window_.close();
            }
        }
    }

    component TitleButton: GlyphButton { width: 30; height: 30 }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import CPaintBoard 1.0
import "theme"

// The floating palette of drawing tools: a click hands the chart the tool's
// class name ("" for the pointer, "clear" to empty the board).
Window {
    id: root
    width: 95
    height: 300
    title: "画线工具"
    flags: Qt.FramelessWindowHint | Qt.MSWindowsFixedSizeDialogHint | Qt.CustomizeWindowHint | Qt.Tool
    color: Theme.blackBackground

    signal clickedItem(var flag)
    signal closeView()

    onClosing: closeView()

    // The pointer, the drawing tools of the chart's one list, the eraser.
    readonly property var tools: [{ name: "指针", image: "mouse.png", flag: "" }]
        .concat(PaintTools.tools, [{ name: "清除画线", image: "clear.png", flag: "clear" }])

    WindowFrame {
        id: frame
        borderOnTop: true
        window_: root
        title: root.title
        titleBar.font_size: Theme.toolWindowTitleFontSize
        titleBar.show_icon: false
        onCloseClicked: root.close()
        GridView {
            id: grid
            objectName: "toolGrid"
            anchors.top: frame.titleBar.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            cellWidth: width / 3
            cellHeight: width / 3
            interactive: false
            model: root.tools
            delegate: Item {
                width: grid.cellWidth
                height: grid.cellHeight
                Button {
                    objectName: "tool_" + (modelData.flag === "" ? "pointer" : modelData.flag)
                    anchors.centerIn: parent
                    width: grid.cellWidth - 4
                    height: grid.cellHeight - 4
                    hoverEnabled: true
                    background: Rectangle {
                        color: parent.hovered ? Theme.paintToolSelectedColor : Theme.blackBackground
                        Image {
                            anchors.centerIn: parent
                            source: "qrc:/images/painttools/" + modelData.image
                        }
                    }
                    ToolTip.text: modelData.name
                    ToolTip.visible: hovered
                    ToolTip.delay: 500
                    ToolTip.timeout: 5000
                    onClicked: root.clickedItem(modelData.flag)
                }
            }
        }
    }
}

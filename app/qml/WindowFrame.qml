import QtQuick 2.15
import "theme"

// The frame of a frameless dialog window: a one-pixel border in the frame
// colour around the whole window and the title bar inside it at the top,
// without maximise and minimise buttons. The window's content goes inside,
// anchored below titleBar. With borderOnTop the title bar spans the whole
// width from the window's corner and the border is drawn over it and over
// the content, as the exit and parameter dialogs have it.
Rectangle {
    id: frame
    property alias titleBar: bar
    property alias title: bar.title
    // The window the title bar drags (and closes); null leaves closing to
    // closeClicked.
    property alias window_: bar.window_
    property bool borderOnTop: false
    signal closeClicked()

    anchors.fill: parent
    color: Theme.noColor
    border.color: Theme.frameBorderColor
    border.width: borderOnTop ? 0 : 1
    QTitleView2 {
        id: bar
        x: frame.borderOnTop ? 0 : 1
        y: x
        width: parent.width - 2 * x
        show_max: false; show_min: false
        onCloseClicked: frame.closeClicked()
    }
    Rectangle {
        visible: frame.borderOnTop
        anchors.fill: parent
        z: 2
        color: Theme.noColor
        border.color: Theme.frameBorderColor
    }
}

import QtQuick 2.15
import "theme"

// The frame of a frameless dialog window: a one-pixel border in the frame
// colour around the whole window and the title bar inside it at the top,
// without maximise and minimise buttons. The window's content goes inside,
// anchored below titleBar.
Rectangle {
    id: frame
    property alias titleBar: bar
    property alias title: bar.title
    // The window the title bar drags (and closes); null leaves closing to
    // closeClicked.
    property alias window_: bar.window_
    signal closeClicked()

    anchors.fill: parent
    color: "transparent"
    border.color: Theme.frameBorderColor
    border.width: 1
    QTitleView2 {
        id: bar
        x: 1; y: 1
        width: parent.width - 2
        show_max: false; show_min: false
        onCloseClicked: frame.closeClicked()
    }
}

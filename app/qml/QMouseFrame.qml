import QtQuick 2.15
import QtQuick.Window 2.15

// The invisible resize frame over a whole frameless window: four 4-pixel
// edges and four 4 x 4 corners.
Item {
    id: root
    property var window_: Window.window
    property int thickness: 4
    anchors.fill: parent

    QBorder { flag: 0; window_: root.window_; x: root.thickness; y: 0; width: root.width - 2 * root.thickness; height: root.thickness }
    QBorder { flag: 1; window_: root.window_; x: root.width - root.thickness; y: root.thickness; width: root.thickness; height: root.height - 2 * root.thickness }
    QBorder { flag: 2; window_: root.window_; x: root.thickness; y: root.height - root.thickness; width: root.width - 2 * root.thickness; height: root.thickness }
    QBorder { flag: 3; window_: root.window_; x: 0; y: root.thickness; width: root.thickness; height: root.height - 2 * root.thickness }
    QBorder { flag: 4; window_: root.window_; x: 0; y: 0; width: root.thickness; height: root.thickness }
    QBorder { flag: 5; window_: root.window_; x: root.width - root.thickness; y: 0; width: root.thickness; height: root.thickness }
    QBorder { flag: 6; window_: root.window_; x: root.width - root.thickness; y: root.height - root.thickness; width: root.thickness; height: root.thickness }
    QBorder { flag: 7; window_: root.window_; x: 0; y: root.height - root.thickness; width: root.thickness; height: root.thickness }
}

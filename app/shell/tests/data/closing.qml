// A login window that closes itself at once, as a user closing it unsigned.
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    id: win
    visible: true
    width: 320
    height: 200
    Timer {
        interval: 0
        running: true
        onTriggered: win.close()
    }
}

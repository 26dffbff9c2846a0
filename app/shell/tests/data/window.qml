// A plain window standing in for a program document in whole-program tests.
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    visible: true
    width: 320
    height: 200
    title: "Tarvolin test window"
}

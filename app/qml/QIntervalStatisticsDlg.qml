import QtQuick 2.15
import QtQuick.Window 2.15
import "theme"

// Interval statistics of a span of bars; the two dates move the span.
Window {
    id: root
    width: 320
    height: 320
    title: "区间统计"
    flags: Qt.FramelessWindowHint | Qt.MSWindowsFixedSizeDialogHint | Qt.Tool
    color: Theme.dialogBackground

    property var model: ({ array1: [], array2: [], dates: [], sdate: "", edate: "" })
    property bool loading: false
    property var startBox: null
    property var endBox: null

    signal setStartEndDate(string start, string end)
    signal clickedClose()

    onClosing: clickedClose()
    // Opened: the keys in the start date; Esc closes.
    onVisibleChanged: if (visible) { requestActivate(); if (startBox) startBox.forceActiveFocus(); }

    function setModel(json) {
        loading = true;
        model = json;
        startBox.setItems(json.dates || []);
        endBox.setItems(json.dates || []);
        startBox.setIndex((json.dates || []).indexOf(json.sdate));
        endBox.setIndex((json.dates || []).indexOf(json.edate));
        loading = false;
    }

    WindowFrame {
        id: frame
        borderOnTop: true
        window_: root
        title: root.title
        onCloseClicked: root.close()
        Column {
            id: dates
            anchors.top: frame.titleBar.bottom
            anchors.topMargin: 8
            x: 16
            spacing: 6
            Repeater {
                model: [{ label: "起始日期 ", start: true }, { label: "结束日期 ", start: false }]
                Row {
                    spacing: 4
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: modelData.label
                        color: Theme.textColor
                        font.family: Theme.songFontFamily
                        font.pixelSize: Theme.textFontSize
                    }
                    QSpinBox {
                        id: box
                        objectName: modelData.start ? "startDate" : "endDate"
                        width: 180
                        height: 26
                        font.pixelSize: Theme.spinBoxFontSize
                        Keys.onEscapePressed: root.close()
                        Component.onCompleted: {
                            if (modelData.start)
                                startBox = box;
                            else
                                endBox = box;
                        }
                        onValueChanged: {
                            if (!root.loading && startBox && endBox)
                                root.setStartEndDate(startBox.getCurText(), endBox.getCurText());
                        }
                    }
                }
            }
        }
        Row {
            anchors.top: dates.bottom
            anchors.topMargin: 8
            anchors.horizontalCenter: parent.horizontalCenter
            Repeater {
                model: ["array1", "array2"]
                Column {
                    width: (root.width - 8) / 2
                    Repeater {
                        model: root.model[modelData] || []
                        Row {
                            height: 30
                            width: parent.width
                            Text {
                                width: parent.width / 2
                                height: 30
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                text: modelData.name
                                color: Theme.textColor
                                font.family: Theme.songFontFamily
                                font.pixelSize: Theme.textFontSize
                            }
                            Text {
                                width: parent.width / 2
                                height: 30
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                text: modelData.vol
                                color: Theme.textColor
                                font.family: Theme.songFontFamily
                                font.pixelSize: Theme.textFontSize
                            }
                        }
                    }
                }
            }
        }
    }
}

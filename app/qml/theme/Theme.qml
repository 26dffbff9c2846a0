pragma Singleton
import QtQuick 2.15

// Colours, fonts and sizes shared by the stock view's documents.
QtObject {
    // Backgrounds
    readonly property color chartBackground: "#FF191B1F"
    readonly property color toolRowColor: "#22272E"
    readonly property color buttonColor: "#2F343B"
    readonly property color buttonHoverColor: "#4A515B"
    readonly property color buttonBorderColor: "#161616"
    readonly property color selectedColor: "#E6000C"
    readonly property color selectedHoverColor: "#Fa3333"
    readonly property color chipBackground: "#000000"
    // Texts
    readonly property color textColor: "#FFFFFF"
    readonly property string fontFamily: "Microsoft YaHei"
    readonly property int toolFontSize: 12
    // Price colours of every quote screen and chart
    readonly property color upColor: "#FF3D3D"
    readonly property color downColor: "#0FC351"
    readonly property color flatColor: "#FFFFFF"

    // Sizes of the stock view
    readonly property int chartButtonHeight: 25
    readonly property int toolRowHeight: 22
    readonly property int pricePaneWidth: 280
    readonly property int chipPaneWidth: 220
    readonly property int chipSwitchButtonWidth: 40
    readonly property int paneLeftPadding: 80
    readonly property int paneTitleHeight: 20
    readonly property int timeBarHeight: 20

    // Group bars of the stock-group views
    readonly property int groupBarHeight: 25
    readonly property int groupItemWidth: 120

    // Overlay stocks: the line colour (QRgb) of each and its legend colour.
    readonly property var overlayColors: [0xFFcccccc, 0xFFA84000, 0xFF009654, 0xFF005496, 0xFF960054]
    readonly property var overlayLegendColors: ["#cccccc", "#A84000", "#009654", "#005496", "#960054"]
}

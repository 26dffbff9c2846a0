pragma Singleton
import QtQuick 2.15

// The program's colours, fonts and font sizes by role, read by every
// document. The C++ painters and models read the same values from
// shell/core/theme.h; a test keeps the two in step, so a colour or a size
// changes in both places or in neither.
QtObject {
    // Price colours of every quote screen and chart
    readonly property color upColor: "#FF3D3D"
    readonly property color downColor: "#0FC351"
    readonly property color flatColor: "#FFFFFF"
    // Label and value colours of the quote panes
    readonly property color quoteLabelColor: "#D3D9DE"
    readonly property color volumeColor: "#F58F22"
    readonly property color amountColor: "#1A98FC"
    readonly property color codeNameColor: "#E0BD80"
    readonly property color marketTagColor: "#FF0000"

    // Background levels, darkest first
    readonly property color blackBackground: "#000000"
    readonly property color chipBackground: "#000000"
    readonly property color chartBackground: "#FF191B1F"
    readonly property color background: "#191B1F"
    readonly property color inputBackground: "#1B1E23"
    readonly property color raisedBackground: "#1E2126"
    readonly property color toolRowColor: "#22272E"
    readonly property color barBackground: "#252B33"
    readonly property color sectionBackground: "#2A2F38"
    readonly property color dialogBackground: "#2C2C2C"
    readonly property color buttonColor: "#2F343B"
    readonly property color alternateRowColor: "#262B33"
    readonly property color rowHoverColor: "#3E4349"
    readonly property color tabHoverColor: "#3A4049"
    readonly property color tableSelectedRowColor: "#FF22304C"
    readonly property color tableActiveRowColor: "#802f2f2f"
    readonly property color hoverColor: "#404A58"
    readonly property color buttonHoverColor: "#4A515B"
    readonly property color menuBackground: "#3E414B"  // opaque: nothing shows through a menu
    readonly property color menuHighlightColor: "#33373F"
    readonly property color titleBarDarkColor: "#171717"
    readonly property color lightBackground: "#FFFFFF"
    // The light message box and text dialog
    readonly property color lightBodyColor: "#FaFaFa"
    readonly property color lightDialogColor: "#F2F2F2"
    readonly property color lightBorderColor: "#E2E2E2"
    readonly property color lightTitleColor: "#D9E7F6"
    readonly property color lightTitleTextColor: "#0068b7"
    readonly property color disabledFieldColor: "#F4F6F6"
    readonly property color checkedFieldColor: "#D5DBDB"
    // Shades laid over the window behind a dialog
    readonly property color modalShade: "#80000000"
    readonly property color shadowColor: "#40000000"
    readonly property color noColor: "#00000000"

    // Texts, brightest first
    readonly property color textColor: "#FFFFFF"
    readonly property color secondaryTextColor: "#C0C4CA"
    readonly property color dimTextColor: "#999999"
    readonly property color labelTextColor: "#92979D"
    readonly property color dialogTextColor: "#2C2C2C"
    readonly property color focusedTextColor: "#000000"
    readonly property color cyanTextColor: "#00F4FF"

    // Borders, highlight and actions
    readonly property color frameBorderColor: "#335493"
    readonly property color borderColor: "#404A58"
    readonly property color buttonBorderColor: "#161616"
    readonly property color separatorColor: "#55FFFFFF"
    readonly property color lineColor: "black"
    readonly property color selectedColor: "#E6000C"
    readonly property color selectedHoverColor: "#Fa3333"
    readonly property color closeHoverColor: "#CC351C"
    readonly property color menuHoverTextColor: "#EB2832"
    readonly property color actionColor: "#FF8000"
    readonly property color actionHoverColor: "#0080FF"
    readonly property color actionDimColor: "#BD631A"
    readonly property color myStockColor: "#343E4F"
    readonly property color myStockHoverColor: "#535860"
    readonly property color toolSelectedHoverColor: "#4364a3"
    readonly property color onlineColor: "#5AC478"
    readonly property color offlineColor: "#EB2832"
    readonly property color linkHoverColor: "#293652"
    readonly property color chartFrameColor: "#4586FF"
    readonly property color chartFillColor: "#1E3A70"
    readonly property color paintToolSelectedColor: "#2F3A4F"

    // Painted by the C++ tables, lists and charts
    readonly property color tableHeaderTextColor: "#93979D"
    readonly property color goldTextColor: "#F5BE4A"
    readonly property color flashUpColor: "#66FF3D3D"
    readonly property color flashDownColor: "#660FC351"
    readonly property color tipBlueColor: "#006AFF"
    readonly property color tipTealColor: "#008080"
    readonly property color listAltBackground: "#2A2F36"
    readonly property color listGridColor: "#262B32"
    readonly property color listSelectedColor: "#22324F"
    readonly property color timeBarBoxColor: "#464D59"
    readonly property color minuteFillTopColor: "#961E3964"
    readonly property color minuteFillBottomColor: "#0A000000"

    // Fonts
    readonly property string fontFamily: "Microsoft YaHei"
    readonly property string fontFamilyCn: "微软雅黑"
    readonly property string songFontFamily: "宋体"

    // Font sizes in pixels, by what they show. The C++ painters read the
    // ones they share from theme.h.
    readonly property int leastFitFontSize: 8           // the least a fitted row name or count shrinks to
    readonly property int leastFitSectionFontSize: 9    // ... a fitted section label
    readonly property int leastFitTitleFontSize: 9      // ... a fitted pane title
    readonly property int checkMarkFontSize: 10         // the mark in a check box
    readonly property int closeGlyphFontSize: 11        // the close glyph of a tab
    readonly property int leastQuoteFontSize: 11        // the least the price pane's rows shrink to
    readonly property int toolFontSize: 12              // tool rows and tool bars
    readonly property int captionFontSize: 12           // the status bar, tags, links and notes beside a value
    readonly property int listFontSize: 12              // rows of the lists: finder results, index bar, trade details
    readonly property int fieldFontSize: 12             // text typed into a field
    readonly property int chartTitleFontSize: 13        // a chart's title row
    readonly property int finderFontSize: 13            // the finder's title and input
    readonly property int flowTableFontSize: 13         // the fund-flow tables
    readonly property int noteFontSize: 13              // a one-line note across a view
    readonly property int smallButtonFontSize: 13       // buttons inside a row of a view
    readonly property int spinBoxFontSize: 13           // spin boxes
    readonly property int toolWindowTitleFontSize: 13   // the title bar of a tool window
    readonly property int textFontSize: 14              // body text of dialogs, lists and tips
    readonly property int buttonFontSize: 14            // dialog buttons and button rows
    readonly property int menuFontSize: 14              // menus and menu bars
    readonly property int tabFontSize: 14               // tab titles
    readonly property int paneTitleFontSize: 14         // the title of a pane
    readonly property int centredPaneTitleFontSize: 15  // ... centred over the pane
    readonly property int quoteFontSize: 14             // the price pane's rows
    readonly property int windowTitleFontSize: 14       // the title bar of a window
    readonly property int tableFontSize: 16             // the quote tables' header and cells
    readonly property int figureFontSize: 16            // the fund flow's main figures
    readonly property int titleFontSize: 16             // a dialog's heading, a note over the window
    readonly property int headlineFontSize: 17          // a stock's name and change in a header or tile
    readonly property int tileFontSize: 18              // the concept board's tiles
    readonly property int lastPriceFontSize: 19         // the last price in a header or tile
    readonly property int windowCloseFontSize: 20       // the close glyph of a tool window

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
    // The quick bar's button colours by style, as the texts the bar hands on.
    readonly property var quickBarStyleColors: ["#FFE10B", "#FF3900", "#00F4FF", "#E0BD80"]
}

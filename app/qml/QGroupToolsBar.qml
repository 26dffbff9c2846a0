import QtQuick 2.15
import "theme"

// The group bar of the stock-pool and screening-result views: one 120-pixel
// item per group, the chosen one red. The overflow list is wide enough for a
// result's dated name after the "√" column.
QToolsBar {
    style: 1
    item_width: Theme.groupItemWidth
    menu_width: 180
    font_pixelSize: Theme.toolFontSize
    bg_color: Theme.buttonColor
    hovered_color: Theme.selectedColor
    select_bg_color: Theme.selectedColor
    select_hovered_color: Theme.selectedHoverColor
}

import QtQuick 2.15
import "theme"

// The orange button that confirms a small window (确定, 确  认, 字体).
FlatButton {
    normalColor: Theme.actionColor
    hoverColor: Theme.actionHoverColor
}

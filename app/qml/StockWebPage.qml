import QtQuick 2.15
import QtWebEngine 1.10

// The stock view's F10, 分析 and 诊断 pages.
WebEngineView {
}

// A main window with a web view; once the page has loaded, the first run
// (started with the argument "restart") signs in again, as 重新登录 does. The
// run that restart starts keeps its window open.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtWebEngine 1.10

Window {
    visible: true
    width: 320
    height: 200
    title: "Tarvolin test window"
    WebEngineView {
        anchors.fill: parent
        url: "data:text/html,<p>page</p>"
        onLoadingChanged: {
            if (loadRequest.status === WebEngineView.LoadSucceededStatus) {
                console.log("page loaded");
                if (Qt.application.arguments.indexOf("restart") >= 0)
                    QRoot.restartApp();
            }
        }
    }
}

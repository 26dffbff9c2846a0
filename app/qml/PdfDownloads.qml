import QtQuick 2.15
import QtWebEngine 1.10
import "js/WebLinks.js" as WebLinks
import "theme"

// The downloads of one web view (a tab's or a window's): a PDF is saved in
// the profile's download folder under the page's title and the time, anything
// else is refused. A line at the bottom of the view says where the file went
// or why it was not taken; a click on it hides it.
Rectangle {
    id: root
    objectName: "pdfDownloads"
    property var view: null
    // The last download's file name, or "" when it was refused.
    property string lastDownload: ""
    // The file of the last download once it is complete.
    property string savedPath: ""
    property string note: ""
    visible: note !== ""
    height: 24
    color: Theme.buttonColor
    border.color: Theme.frameBorderColor

    Text {
        objectName: "downloadNote"
        anchors.fill: parent
        anchors.leftMargin: 8
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideMiddle
        text: root.note
        textFormat: Text.PlainText
        color: Theme.textColor
        font.family: Theme.fontFamily
        font.pixelSize: Theme.noteFontSize
    }
    MouseArea { anchors.fill: parent; onClicked: root.note = "" }

    // GUI thread: the profile's request for a download of this view.
    function take(download) {
        var d = WebLinks.downloadDecision(download.mimeType, view.title, Date.now());
        if (!d.accept) {
            lastDownload = "";
            note = d.note;
            download.cancel();
            return;
        }
        download.downloadFileName = d.name;
        lastDownload = d.name;
        savedPath = "";
        note = "正在下载 " + d.name;
        download.stateChanged.connect(function () { ended(download, d.name); });
        download.accept();
    }
    function ended(download, name) {
        if (download.state === WebEngineDownloadItem.DownloadCompleted) {
            savedPath = download.downloadDirectory + "/" + download.downloadFileName;
            note = WebLinks.downloadNote("completed", savedPath, "");
        } else if (download.state === WebEngineDownloadItem.DownloadInterrupted
                   || download.state === WebEngineDownloadItem.DownloadCancelled) {
            note = WebLinks.downloadNote("failed", "", download.interruptReasonString);
        }
    }

    Connections {
        target: root.view ? root.view.profile : null
        function onDownloadRequested(download) {
            if (download.view === root.view)
                root.take(download);
        }
    }
}

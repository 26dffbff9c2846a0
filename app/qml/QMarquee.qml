import QtQuick 2.15
import QBaseService 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/NewsList.js" as NewsList
import "theme"

// The scrolling announcement line of the status bar: fetched from url.marque
// at start and every five minutes; every 5 s the next title turns in about the
// horizontal axis. Pressing the line opens the shown item.
Item {
    id: root
    property var items: []
    property int current: 0
    property bool frontShown: true
    property string frontText: ""
    property string backText: ""
    property alias advanceTimer: advance
    property alias fetchTimer: fetch
    signal openUrl(string url)
    property var detailBox: null

    height: 30
    clip: true

    QBaseService { id: base }

    // Takes a reply: only result "true" replaces the list; a null list empties
    // it and stops the line.
    function takeReply(json) {
        if (!json || json.result !== "true")
            return;
        if (!Array.isArray(json.marquee)) {
            items = [];
            advance.stop();
            frontText = backText = "";
            return;
        }
        items = json.marquee;
        current = 0;
        frontShown = true;
        frontText = items.length > 0 ? items[0].title : "";
        backText = items.length > 1 ? items[1].title : frontText;
        if (items.length > 0)
            advance.restart();
        else
            advance.stop();
    }
    function load() {
        var url = base.getServerAddressValue("url.marque");
        if (!url)
            return;
        // The marquee turns through a hundred items at most: a longer reply
        // is cut off the GUI thread.
        JSHttp.getData(String(url), {}, { "Content-Type": "application/json" }, function (ok, json) {
            if (ok)
                takeReply(json);
        }, undefined, 100);
    }
    // Next item (wrapping); the side turning away gets the one after it.
    function next() {
        if (items.length === 0)
            return;
        current = (current + 1) % items.length;
        var after = items[(current + 1) % items.length].title;
        frontShown = !frontShown;
        if (frontShown)
            backText = after;
        else
            frontText = after;
        flip.angle = frontShown ? 0 : 180;
    }
    function openCurrent() {
        if (items.length === 0)
            return;
        var it = items[current];
        if (it.url)
            openUrl(it.url);
        else
            showDetail(it);
    }
    // The item's text in a message box titled "详情".
    function showDetail(it) {
        if (detailBox)
            detailBox.close();
        detailBox = Qt.createComponent("qrc:/qml/QMsgBox.qml").createObject(null, {
            title_: "详情", title1_: it.title, title2_: NewsList.byline(it.author, it.date), text_: it.content
        });
        if (detailBox)
            detailBox.show();
    }

    Component.onCompleted: load()
    Timer { id: fetch; interval: 300000; repeat: true; running: true; onTriggered: root.load() }
    Timer { id: advance; interval: 5000; repeat: true; onTriggered: root.next() }

    Flipable {
        id: flipable
        anchors.fill: parent
        front: MarqueeText { text: root.frontText }
        back: MarqueeText { text: root.backText }
        transform: Rotation {
            id: flip
            origin.y: flipable.height / 2
            axis { x: 1; y: 0; z: 0 }
            angle: 0
            Behavior on angle { NumberAnimation { duration: 200 } }
        }
    }
    MouseArea { anchors.fill: parent; onPressed: root.openCurrent() }

    component MarqueeText: Text {
        anchors.fill: parent
        leftPadding: 8
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        textFormat: Text.PlainText
        color: Theme.codeNameColor
        font.family: Theme.fontFamily
        font.pixelSize: Theme.captionFontSize
    }
}

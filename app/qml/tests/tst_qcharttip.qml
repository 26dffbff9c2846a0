import QtQuick 2.15
import QtTest 1.15

// The tip box of the event marks: contents, placement, hiding, addresses.
Item {
    id: top
    width: 800
    height: 400

    Timer { id: fence; property bool fired: false; onTriggered: fired = true }

    TextCase {
        name: "QChartTip"
        when: windowShown

        function find(item, name) {
            if (item.objectName === name)
                return item
            for (var i = 0; i < item.children.length; ++i) {
                var r = find(item.children[i], name)
                if (r)
                    return r
            }
            return null
        }

        // 2024-06-14 12:00 UTC: the same calendar day in every time zone within 11 hours.
        readonly property var items: [
            { "time": 1718366400, "detailed": "红利3元", "url": "" },
            { "time": 1718366400, "detailed": "送转2股", "url": "http://127.0.0.1:9/n" }
        ]

        function makePane() {
            var c = Qt.createComponent("qrc:/qml/qchart.qml")
            compare(c.status, Component.Ready, c.errorString())
            var pane = c.createObject(top, {"width": 800, "height": 400, "tipHideDelay": 20})
            verify(pane !== null)
            return pane
        }

        function test_filledPlacedAndClamped() {
            var pane = makePane()
            var ext = pane.loadQChartExtend()
            verify(ext !== null)
            compare(ext.y, 380)
            var box = find(pane, "tipBox")
            verify(!box.visible)
            ext.activeTip(100, 5, items)
            verify(box.visible)
            compare(box.width, 200)
            compare(box.height, 62)  // title 20, two rows of 20, borders
            compare(box.border.color, "#4586ff")
            compare(box.color, "#000000")
            compare(find(pane, "tipTitle").text, "2024-06-14")
            tryVerify(function () { return find(pane, "tipRow_1") !== null })
            var row = find(pane, "tipRow_1")
            compare(row.height, 20)
            compareText(row.children[0].text, "送转2股")
            compare(row.children[0].color, "#ffffff")
            compare(row.children[0].font.pixelSize, 14)
            compare(box.x, 100)
            compare(box.y, 400 - 62)  // (100, 385) would leave the pane at the bottom
            ext.activeTip(700, 5, items)
            compare(box.x, 700 - 180)  // would leave on the right: left by width - 20

            // Never taller than the pane less 10 pixels.
            var many = []
            for (var i = 0; i < 30; ++i)
                many.push({ "time": 1718366400, "detailed": "t" + i, "url": "" })
            ext.activeTip(10, 0, many)
            compare(box.height, 390)
            compare(box.y, 10)
            pane.destroy()
        }

        function test_hidesAfterLeavingOrOnPress() {
            var pane = makePane()
            var ext = pane.loadQChartExtend()
            var box = find(pane, "tipBox")
            ext.activeTip(100, 5, items)
            mouseMove(pane, 150, 360)  // inside the box (338..400)
            // A timer of the hide delay started now fires after any hide the
            // move could have started: the box stays while the mouse is on it.
            fence.interval = pane.tipHideDelay
            fence.fired = false
            fence.start()
            tryVerify(function () { return fence.fired })
            verify(box.visible)
            mouseMove(pane, 500, 100)
            tryCompare(box, "visible", false, 1000)

            ext.activeTip(100, 5, items)
            verify(box.visible)
            mousePress(pane, 500, 100)
            verify(!box.visible)
            mouseRelease(pane, 500, 100)
            pane.destroy()
        }

        function test_rowWithAddressOpensIt() {
            var pane = makePane()
            var opened = []
            pane.tipOpenUrl = function (url) { opened.push(url) }
            var ext = pane.loadQChartExtend()
            ext.activeTip(100, 5, items)
            tryVerify(function () { return find(pane, "tipRow_1") !== null })
            mouseClick(find(pane, "tipRow_0"), 50, 10)
            compare(opened.length, 0)  // no address
            mouseClick(find(pane, "tipRow_1"), 50, 10)
            compare(opened, ["http://127.0.0.1:9/n"])
            pane.destroy()
        }
    }
}

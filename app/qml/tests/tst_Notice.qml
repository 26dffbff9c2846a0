// Runs beside the local back end: JSNotice's rules with a temporary data
// directory and an injected date, the pop-up window's buttons, and the
// notice service's polling with a shortened interval.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import QBaseService 1.0
import HFileIO 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/JSNotice.js" as JSNotice
import "qrc:/qml/" as W

TextCase {
    id: test
    name: "Notice"
    when: windowShown

    property string base: typeof controlUrl !== "undefined" ? controlUrl : ""
    property var calls: []
    property var addresses: null

    QBaseService { id: baseService }
    HFileIO { id: hFileIO }

    function record(last, reply) { calls.push({ last: last, reply: reply }); }
    function store(type, o) { hFileIO.writedFileDefaultPath("notice_" + type + ".json", o === null ? "" : JSON.stringify(o)); }
    function stored(type) { return JSON.parse(hFileIO.readFileDefaultPath("notice_" + type + ".json")); }
    function useNoticeUrl(url) {
        var a = JSON.parse(JSON.stringify(addresses));
        a.url.notice = url;
        baseService.setServerAddress(a);
    }
    // Runs getNotice to its end.
    function fetch(type) {
        calls = [];
        var request = JSNotice.getNotice(type, record);
        verify(request !== null, "no request sent");
        tryVerify(function () { return request.readyState >= 2; }, 10000, "request did not end");
        wait(0);
        return calls;
    }

    function initTestCase() {
        verify(base !== "", "no back end: TARVOLIN_CONTROL_URL is not set");
        var done = false;
        JSHttp.getData(base + "v3clientcontrol", {}, {}, function (ok, reply) { addresses = reply; done = ok; });
        tryVerify(function () { return done; }, 10000);
    }
    function init() {
        baseService.setServerAddress(addresses);
        JSNotice.today = function () { return "2026-12-09"; };
        for (var t = 1; t <= 3; ++t)
            store(t, null);
    }

    function test_rules() {
        // No file and no notices: nothing.
        compare(fetch(1).length, 0);
        // The login notice, first time: stored with an empty pop and shown.
        var c = fetch(2);
        compare(c.length, 1);
        var server = c[0].reply.notices[c[0].reply.notices.length - 1];
        compareText(c[0].last.title, server.title);
        compare(c[0].last.pop, "");
        compare(stored(2).updated_time, server.updated_time);
        // Dismissed today: not shown today, shown again tomorrow.
        JSNotice.cancelNotice(2);
        compare(stored(2).pop, "2026-12-09");
        compare(fetch(2).length, 0);
        compare(stored(2).pop, "2026-12-09", "the same notice keeps its pop");
        JSNotice.today = function () { return "2026-12-10"; };
        compare(fetch(2).length, 1);
        // A newer notice (another updated_time) resets pop.
        store(2, { title: "旧", updated_time: "2000-01-01 00:00:00", pop: "2026-12-10" });
        c = fetch(2);
        compare(c.length, 1);
        compare(c[0].last.pop, "");
        compareText(c[0].last.title, server.title);
        // A boolean pop counts as an empty text.
        store(2, { title: server.title, updated_time: server.updated_time, pop: true });
        c = fetch(2);
        compare(c.length, 1);
        compare(stored(2).pop, "");
        // cancelNotice without a stored notice writes nothing.
        JSNotice.cancelNotice(1);
        compare(hFileIO.readFileDefaultPath("notice_1.json"), "");
    }

    function test_query_and_failures() {
        // The query: type 3 adds pub_date (the stored one, else today).
        store(3, { title: "x", updated_time: "u1", pub_date: "2026-12-01", pop: "" });
        useNoticeUrl(base + "echo");
        var c = fetch(3);
        compare(c.length, 1);
        compare(c[0].reply.target, "/echo?updated_time=u1&type=3&cli_version=Tarvolin&pub_date=2026-12-01");
        compare(c[0].reply.headers["content-type"], "application/json");
        store(2, { title: "y", pop: "" });
        compare(fetch(2)[0].reply.target, "/echo?updated_time=&type=2&cli_version=Tarvolin");
        // A failed request calls nothing, even with a stored notice.
        useNoticeUrl(base + "status/500");
        compare(fetch(2).length, 0);
        // No notice service: no request.
        useNoticeUrl("");
        compare(JSNotice.getNotice(2, record), null);
    }

    Component {
        id: popupComponent
        W.QPopupNotice {}
    }

    function test_popup_buttons() {
        var w = createTemporaryObject(popupComponent, null);
        w.setData({});                        // nothing happens
        compare(w.notices.length, 0);
        compare(w.noticeText.text, "");
        w.setData({ notices: [{ title: "一" }, { title: "二" }, { title: "三" }] });
        compareText(w.noticeText.text, "一");
        verify(!w.prevButton.enabled);
        compare(String(w.prevButton.color), "#999999");
        compare(String(w.nextButton.color), "#ff8000");
        waitForRendering(w.contentItem);
        mouseClick(w.nextButton);
        compareText(w.noticeText.text, "二");
        mouseClick(w.nextButton);
        compareText(w.noticeText.text, "三");
        verify(!w.nextButton.enabled);
        compare(String(w.nextButton.color), "#999999");
        mouseClick(w.nextButton);            // stays at the last
        compareText(w.noticeText.text, "三");
        mouseClick(w.prevButton);
        mouseClick(w.prevButton);
        mouseClick(w.prevButton);            // stays at the first
        compareText(w.noticeText.text, "一");
        var clicked = null;
        w.clickedItem.connect(function (n) { clicked = n; });
        mouseClick(w.noticeText);
        compareText(clicked.title, "一");
        compare(w.width, 300);
        compare(w.height, 200);
        verify(w.flags & Qt.WindowStaysOnTopHint);
        verify(w.flags & Qt.WindowDoesNotAcceptFocus);   // never takes the keyboard
        compare(w.noticeText.font.italic, true);
        compare(w.noticeText.font.pixelSize, 14);
    }

    // The service with a stub host: pop-ups at start and at each poll (one
    // window, each poll's reply replacing what it shows), and the login notice.
    QtObject {
        id: stubHost
        property var tabs: []
        property var windows: []
        function onChangedTabView(title, url) { tabs.push({ title: title, url: url }); }
        function createWindow(url) {
            var w = stubWindow.createObject(null, { url: url });
            windows.push(w);
            return w;
        }
    }
    Component {
        id: stubWindow
        QtObject {
            property string url
            property bool show_alert: false
            signal cancelNotice()
        }
    }
    Component {
        id: serviceComponent
        W.QNoticeService { host: stubHost; interval: 150 }
    }

    function test_service_polls_and_shows_the_login_notice() {
        var s = createTemporaryObject(serviceComponent, test);
        var popups = countPopups(s);
        tryVerify(function () { return popups.count >= 1; }, 20000, "a pop-up at start");
        var first = s.lastPopup;
        tryVerify(function () { return popups.count >= 3; }, 20000, "pop-ups at start and on each poll");
        compare(s.lastPopup, first, "one pop-up window for every poll");
        verify(s.lastPopup.notices.length > 0);
        s.running = false;
        // The back end's login notice has a page: a window in alert mode.
        tryVerify(function () { return s.loginWindow !== null; }, 10000);
        compare(stubHost.windows.length, 1);
        verify(stubHost.windows[0].show_alert);
        verify(stubHost.windows[0].url.indexOf(base) === 0);
        // The service keeps its own copy of the notice rules: its day is the
        // real one (either side of a midnight the dismissal may cross).
        var dayBefore = Qt.formatDate(new Date(), "yyyy-MM-dd");
        stubHost.windows[0].cancelNotice();
        var dayAfter = Qt.formatDate(new Date(), "yyyy-MM-dd");
        var pop = stored(2).pop;
        verify(pop === dayBefore || pop === dayAfter, "dismissed on " + pop + ", today is " + dayAfter);
        // Clicking a pop-up notice: a tab for one with a page, else a message box.
        var notices = s.lastPopup.notices;
        for (var i = 0; i < notices.length; ++i) {
            var r = s.openNotice(notices[i]);
            if (notices[i].url) {
                compare(stubHost.tabs[stubHost.tabs.length - 1].url, notices[i].url);
            } else {
                verify(r !== null);
                compareText(r.title_, "提示");
                compareText(r.title2_, "撰写作者:" + notices[i].author + "  发布日期:" + notices[i].pub_date);
                r.destroy();
            }
        }
    }

    // Clicking the same pop-up notice again brings its box back: one box per
    // notice, however often it is clicked.
    function test_one_box_per_notice() {
        var s = createTemporaryObject(serviceComponent, test, { running: false });
        // One box a notice: the boxes made are the service's entries.
        var boxes = { get count() { return Object.keys(s.noticeBoxes).length; } };
        var p = s.showPopup({ notices: [{ title: "盘后公告", author: "甲", pub_date: "2026-12-09", content: "正文" },
                                        { title: "另一条", author: "乙", pub_date: "2026-12-09", content: "正文二" }] });
        waitForRendering(p.contentItem);
        mouseClick(p.noticeText);
        compare(boxes.count, 1);
        var box = s.noticeBoxes[s.noticeKey(p.notices[0])];
        verify(box.visible);
        mouseClick(p.noticeText);
        mouseClick(p.noticeText);
        compare(boxes.count, 1, "the same notice clicked three times");
        compare(s.noticeBoxes[s.noticeKey(p.notices[0])], box, "the same box");
        verify(box.visible);
        box.requestClose();
        verify(!box.visible);
        mouseClick(p.noticeText);
        compare(boxes.count, 1, "a closed box comes back");
        compare(s.noticeBoxes[s.noticeKey(p.notices[0])], box, "the same box back");
        verify(box.visible);
        // Another notice has a box of its own.
        mouseClick(p.nextButton);
        mouseClick(p.noticeText);
        compare(boxes.count, 2);
        box.requestClose();
        s.noticeBoxes[s.noticeKey(p.notices[1])].requestClose();
        p.close();
    }
}

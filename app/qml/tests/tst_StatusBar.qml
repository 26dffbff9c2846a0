import QtQuick 2.15
import QtTest 1.15
import "qrc:/qml/" as App

// The status bar: server state, index bar without the quote tables, marquee.
Item {
    id: top
    width: 1400
    height: 100

    App.QStateBar { id: state; width: 1400 }
    App.QMarquee { id: marquee; y: 40; width: 400 }
    SignalSpy { id: urls; target: marquee; signalName: "openUrl" }

    property var reply: ({ result: "true", marquee: [
        { title: "甲", author: "本地资讯", date: "2026-12-08", content: "一", url: "http://127.0.0.1:7710/news/view?id=1" },
        { title: "乙", author: "本地资讯", date: "2026-12-08", content: "二" },
        { title: "丙", author: "运营中心", date: "2026-12-09", content: "三" }] })

    TextCase {
        name: "StatusBar"
        when: windowShown

        function test_stateWithoutServer() {
            compare(state.height, 31);
            compare(String(state.color), "#252b33");
            compare(state.stateModel.server_state, 0);
            compareText(state.stateText, "断开");
            // Without the index model the index bar shows nothing and takes no room.
            if (state.indexBar.model_ === null) {
                compare(state.indexBar.boards.length, 0);
                compare(state.indexBar.width, 0);
                compare(state.marquee.x, state.indexBar.x);
            } else {
                compare(state.indexBar.width, 860);
            }
        }

        function test_indexBarShowsThreeIndices() {
            var bar = state.indexBar;
            var saved = bar.model_;
            bar.model_ = { indexBoard: [
                { code: "1A0001", market: 1, name: "上证指数", close: 3000, pre_close: 2990, rf_value: 10, rf_rate: 0.0033, sum: 2.5e11 },
                { code: "399001", market: 2, name: "深证成指", close: 9000, pre_close: 9100, rf_value: -100, rf_rate: -0.011, sum: 3e11 },
                { code: "399006", market: 2, name: "创业板指", close: 1800, pre_close: 1800, rf_value: 0, rf_rate: 0, sum: 1e11 },
                { code: "399005", market: 2, name: "中小板指", close: 6000, pre_close: 6000, rf_value: 0, rf_rate: 0, sum: 1e11 },
                { code: "1A0004", market: 1, name: "上证其他", close: 1, pre_close: 1, rf_value: 0, rf_rate: 0, sum: 1 }] };
            bar.refresh();
            compare(bar.boards.map(function (b) { return b.code; }), ["1A0001", "399001", "399006"]);
            var spy = Qt.createQmlObject("import QtTest 1.15; SignalSpy { signalName: 'doubleItem' }", bar);
            spy.target = bar;
            tryVerify(function () { return bar.cells.count === 3 && bar.cells.itemAt(1).x === 280; });
            var second = bar.cells.itemAt(1);
            compare([second.width, second.height], [280, 30]);
            mouseDoubleClickSequence(second, 10, 10);
            compare(spy.count, 1);
            compareText(spy.signalArguments[0][0], { code: "399001", market: 2, name: "深证成指" });
            compare(bar.selected, 1);
            bar.model_ = saved;
            bar.refresh();
        }

        function test_marqueeRotation() {
            compare(marquee.fetchTimer.interval, 300000);
            compare(marquee.advanceTimer.interval, 5000);
            marquee.takeReply(top.reply);
            compare(marquee.items.length, 3);
            compareText(marquee.frontText, "甲");
            compareText(marquee.backText, "乙");
            verify(marquee.advanceTimer.running);
            marquee.advanceTimer.triggered();           // back side turns to the front
            compare(marquee.current, 1);
            verify(!marquee.frontShown);
            compareText(marquee.backText, "乙");
            compareText(marquee.frontText, "丙");           // the hidden side gets the next one
            marquee.next();
            compare(marquee.current, 2);
            verify(marquee.frontShown);
            compareText(marquee.frontText, "丙");
            compareText(marquee.backText, "甲");
            marquee.next();                              // wraps
            compare(marquee.current, 0);
            // A reply other than "true" keeps the running list.
            marquee.takeReply({ result: "false", marquee: [] });
            compare(marquee.items.length, 3);
            verify(marquee.advanceTimer.running);
            // A null list empties the line and stops it.
            marquee.takeReply({ result: "true", marquee: null });
            compare(marquee.items.length, 0);
            verify(!marquee.advanceTimer.running);
            marquee.next();
            compare(marquee.current, 0);
        }

        function test_marqueeOpens() {
            marquee.takeReply(top.reply);
            mousePress(marquee, 20, 10);
            compare(urls.count, 1);
            compare(urls.signalArguments[0][0], "http://127.0.0.1:7710/news/view?id=1");
            mouseRelease(marquee, 20, 10);
            marquee.next();
            marquee.openCurrent();
            verify(marquee.detailBox !== null);
            compareText(marquee.detailBox.title_, "详情");
            compareText(marquee.detailBox.title1_, "乙");
            compareText(marquee.detailBox.title2_, "撰写作者:本地资讯  发布日期:2026-12-08");
            compareText(marquee.detailBox.text_, "二");
            marquee.detailBox.close();
        }
    }
}

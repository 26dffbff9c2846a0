import QtQuick 2.15
import QtTest 1.15
import "TextChecks.js" as TextChecks

// A test case that compares texts readably: compareText() fails with both
// texts as they are and escaped ("涨幅" (\u6DA8\u5E45)), where compare()
// prints Chinese as "?". Values that are not both texts go to compare().
// spyOn() counts a signal of an object the test made; countPopups() the
// replies a notice service's pop-up shows.
TestCase {
    id: textCase

    Component {
        id: spyComponent
        SignalSpy {}
    }

    // A SignalSpy on target's signal, gone at the end of the test function.
    function spyOn(target, signalName) {
        return createTemporaryObject(spyComponent, textCase, { target: target, signalName: signalName });
    }

    // { count }: the replies the notice service's pop-up has shown since, a
    // new pop-up window or new notices in the open one.
    function countPopups(service) {
        var seen = { count: 0 };
        var onNotices = function () { ++seen.count; };
        var watch = function () {
            var p = service.lastPopup;
            if (!p)
                return;
            p.noticesChanged.connect(onNotices);
            ++seen.count;
        };
        service.lastPopupChanged.connect(watch);
        if (service.lastPopup)
            service.lastPopup.noticesChanged.connect(onNotices);
        return seen;
    }

    function compareText(actual, expected, message) {
        if (typeof actual === "string" && typeof expected === "string") {
            if (actual !== expected)
                qtest_fail(TextChecks.mismatch(actual, expected, message), 1);
        } else if (!qtest_compareInternal(actual, expected)) {
            qtest_fail((message ? message + ": " : "") + "Compared values are not the same\n   Actual   : "
                       + qtest_results.stringify(actual) + "\n   Expected : " + qtest_results.stringify(expected), 1);
        }
    }
}

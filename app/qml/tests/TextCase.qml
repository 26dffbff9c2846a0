import QtQuick 2.15
import QtTest 1.15
import "TextChecks.js" as TextChecks

// A test case that compares texts readably: compareText() and
// tryCompareText() fail with both texts as they are and escaped ("涨幅"
// (\u6DA8\u5E45)), lists and records holding Chinese as their JSON texts,
// where compare() prints Chinese as "?"; compare() itself refuses Chinese.
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

    function textFailure(actual, expected, message) {
        return TextChecks.valueMismatch(actual, expected, message)
                || (message ? message + ": " : "") + "Compared values are not the same\n   Actual   : "
                   + qtest_results.stringify(actual) + "\n   Expected : " + qtest_results.stringify(expected);
    }

    function compareText(actual, expected, message) {
        if (!qtest_compareInternal(actual, expected))
            qtest_fail(textFailure(actual, expected, message), 1);
    }

    // tryCompare() with the failure of compareText(): waits up to timeout ms
    // (5000 when not given) for target[property] to equal expected.
    function tryCompareText(target, property, expected, timeout, message) {
        var limit = timeout === undefined ? 5000 : timeout;
        for (var waited = 0; waited < limit && !qtest_compareInternal(target[property], expected); waited += 50)
            wait(50);
        var actual = target[property];
        if (!qtest_compareInternal(actual, expected))
            qtest_fail(textFailure(actual, expected, message || "property " + property), 1);
    }

    // compare() prints Chinese as "?": a Chinese text, or a list or record
    // holding one, is refused here, to be compared with compareText().
    function compare(actual, expected, message) {
        if (TextChecks.holdsChinese(actual) || TextChecks.holdsChinese(expected))
            qtest_fail((message ? message + ": " : "") + "compare() on Chinese text; use compareText()", 1);
        if (!qtest_compareInternal(actual, expected))
            qtest_fail(textFailure(actual, expected, message), 1);
    }
}

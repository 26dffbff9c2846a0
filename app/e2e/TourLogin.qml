import QtQuick 2.15
import "qrc:/qml/" as App

// The real sign-in window toured through input the X server delivers (loaded
// through TARVOLIN_TEST_LOGIN_QML): the window manager places, raises and
// focuses it as on a desktop. A message box about a missing password is closed
// by a click outside it, on the sign-in window and then after a click on the
// desktop, and the keys typed next must reach the password field. The test
// does the input the tour asks for: "tour: xclick X Y" (a left click at that
// screen point) and "tour: xtype TEXT" (keys into the focused window: letters,
// digits, "<" for BackSpace and "|" for Return). Other lines: "tour: ok STEP",
// "tour: FAIL STEP: why", "tour: done N failures".
App.LoginView {
    id: login

    property int at: 0
    property bool acted: false
    property int waited: 0
    property int failures: 0

    function say(text) { console.info("tour: " + text); }
    function field(name) { return findChild(login.contentItem, name); }
    function findChild(item, name) {
        if (!item)
            return null;
        if (item.objectName === name)
            return item;
        for (var i = 0; i < item.children.length; ++i) {
            var found = findChild(item.children[i], name);
            if (found)
                return found;
        }
        return null;
    }
    // The message box is a pop-up: among the window's data, not the items.
    function messageBox() {
        for (var i = 0; i < login.data.length; ++i)
            if (login.data[i].objectName === "message")
                return login.data[i];
        return null;
    }
    function screenClick(item, dx, dy) {
        var p = item.mapToGlobal(dx, dy);
        say("xclick " + Math.round(p.x) + " " + Math.round(p.y));
    }
    function keysAt() { return login.activeFocusItem ? (login.activeFocusItem.objectName || String(login.activeFocusItem)) : "nothing"; }
    function situation() {
        var m = messageBox();
        return "window active " + login.active + ", keys with " + keysAt() + ", message "
                + (m && m.opened ? "open: " + m.msg_ : "closed") + ", user " + JSON.stringify(field("userField").text)
                + ", password " + JSON.stringify(field("passwordField").text);
    }
    // The message about the missing password is open.
    function passwordMissing() {
        var m = messageBox();
        return m && m.opened && m.msg_ === "密码不能为空";
    }
    function passwordHasKeys() { var m = messageBox(); return m && !m.opened && login.active && field("passwordField").activeFocus; }

    property var steps: [
        { name: "the sign-in window is shown, active and ready",
          act: function () {},
          done: function () { return login.visible && login.active && login.addressesReady; } },
        { name: "a click in the user field gives it the keys",
          act: function () { var f = field("userField"); screenClick(f, f.width / 2, f.height / 2); },
          done: function () { return field("userField").activeFocus; } },
        { name: "demo and Return with no password bring the message",
          act: function () { say("xtype demo|"); },
          done: passwordMissing },
        { name: "a click on the sign-in window outside the message closes it",
          act: function () { screenClick(login.contentItem, 12, 12); },
          done: passwordHasKeys },
        { name: "the next keys reach the password field",
          act: function () { say("xtype abc"); },
          done: function () { return field("passwordField").text === "abc" && field("userField").text === "demo"; } },
        { name: "the password erased and Return bring the message again",
          act: function () { say("xtype <<<|"); },
          done: passwordMissing },
        { name: "a click on the desktop, then on the sign-in window outside the message",
          act: function () {
              // A point of the screen beside the window (it is centred).
              var p = login.contentItem.mapToGlobal(0, 0);
              say("xclick " + Math.max(2, Math.round(p.x) - 20) + " " + Math.max(2, Math.round(p.y) - 20));
              screenClick(login.contentItem, 12, 12);
          },
          done: passwordHasKeys },
        { name: "the next keys reach the password field again",
          act: function () { say("xtype xyz"); },
          done: function () { return field("passwordField").text === "xyz" && field("userField").text === "demo"; } }
    ]

    property Timer poll: Timer {
        interval: 100
        repeat: true
        running: true
        onTriggered: {
            if (login.at >= login.steps.length)
                return;
            var s = login.steps[login.at];
            if (!login.acted) {
                login.acted = true;
                login.waited = 0;
                s.act();
                return;
            }
            login.waited += interval;
            var ok = false;
            try {
                ok = s.done();
            } catch (e) {
                ok = false;
            }
            if (!ok && login.waited < 20000)
                return;
            if (ok) {
                login.say("ok " + s.name);
            } else {
                login.failures += 1;
                login.say("FAIL " + s.name + ": not done after 20 s (" + login.situation() + ")");
            }
            login.acted = false;
            login.at += 1;
            if (login.at === login.steps.length)
                login.say("done " + login.failures + " failures");
        }
    }
}

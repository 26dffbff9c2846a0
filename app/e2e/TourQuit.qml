import QtQuick 2.15
import QtQuick.Window 2.15
import QMyStockService 1.0
import QBaseService 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp

// Whole-program tour of quitting right after a stock-group edit (TourMain.qml's
// runner with steps of its own), one phase a run (--phase=NAME):
//   quit       a stock added with the quick-command box's "+", then Alt+F4 at
//              once ("tour: xkey Alt_L+F4" asks the test for the keys through
//              the X server, which the window manager turns into a close
//              request): the quit confirmation shows, 退出 ends the program;
//   restart    a stock added, then 重新登录 from the title bar's close button;
//   restarted  (the program started again, without arguments) and
//   check      the groups as the sign-in got them, then 退出;
//   stopped    the test stops the back end ("tour: stop the back end"; the
//              tour waits until it no longer answers), a stock added, then 退出.
// Each run says "tour: groups N CODES" (the first group's codes as the sign-in
// got them), "tour: added CODE", "tour: quitting" just before the click
// that ends the program, and "tour: pose PATH" once the window waits under
// "正在保存…" (the test grabs the screen into PATH).
TourMain {
    id: quit
    property string phase: argument("--phase=", "restarted")
    property var myStock: QMyStockService {}
    property var base: QBaseService {}

    function firstGroupCodes() {
        var groups = myStock.getJson().result || [];
        var codes = [];
        for (var i = 0; groups.length > 0 && i < groups[0].codes.length; ++i)
            codes.push(String(groups[0].codes[i].code));
        return codes;
    }
    // The quick-command box's first stock row that is in no group.
    function freeRow() {
        var rows = win.quickCmd.rows;
        for (var i = 0; i < rows.length; ++i)
            if (rows[i].type !== 0 && !rows[i].isMyStock)
                return i;
        return -1;
    }
    function plusButton(i) {
        var row = win.quickCmd.list.itemAtIndex(i);
        return find(row, function (o) { return o.glyph === "+" && o.visible; });
    }

    readonly property var readySteps: [
        stockSteps[0],
        // The notices come in windows of their own after the sign-in and take
        // the focus: they are put away before the keys that matter.
        { name: "the notices came and are put away",
          act: function () {},
          done: function () {
              var n = win.notices;
              if (!n.loginWindow || !n.lastPopup)
                  return false;
              n.loginWindow.visible = false;
              n.lastPopup.visible = false;
              win.requestActivate();
              return win.active;
          } },
        { name: "the groups as signed in",
          act: function () { var c = firstGroupCodes(); say("groups " + c.length + " " + c.join(",")); },
          done: function () { return true; } }
    ]
    readonly property var addSteps: [
        { name: "the quick-command box lists stocks",
          act: function () { typeText("600"); },
          done: function () { return win.quickCmd.visible && freeRow() >= 0 && plusButton(freeRow()) !== null; } },
        { name: "+ adds a stock to the first group",
          act: function () {
              memo.row = freeRow();
              memo.code = String(win.quickCmd.rows[memo.row].code);
              click(plusButton(memo.row));
          },
          done: function () { return firstGroupCodes().indexOf(memo.code) >= 0; },
          after: function () { say("added " + memo.code); } }
    ]
    function closeSteps(how) {
        return [
            { name: "the title bar's close button asks to quit",
              act: function () { key(Qt.Key_Escape); click(named(win.titleView, "closeButton")); },
              done: function () { return win.quitDialog && win.quitDialog.visible; } },
            { name: how + " ends the program",
              act: function () {
                  say("done " + quit.failures + " failures");
                  say("quitting");
                  var button = named(win.quitDialog.contentItem, how === "退出" ? "quitButton" : "restartButton");
                  clickAt(win.quitDialog, point(button));
              },
              // The window waits for the back end under "正在保存…".
              done: function () {
                  var note = named(win.contentItem, "savingNote");
                  if (note && note.visible && !memo.shotSaving) {
                      memo.shotSaving = true;
                      say("pose " + dir + "/quit-saving-" + phase + ".png");
                  }
                  return false;
              } }
        ];
    }
    // Waits until a request to the back end goes unanswered for 1.5 s (the
    // test stopped it; a running one answers on the loopback in milliseconds).
    property bool probing: false
    property bool backEndStopped: false
    function probe() {
        if (probing || backEndStopped)
            return;
        probing = true;
        JSHttp.getData(String(base.getServerAddressValue("url.heartbeat")), {}, {}, function (ok, data) {
            probing = false;
            if (!ok && data === JSHttp.timeoutText)
                backEndStopped = true;
        }, 1500);
    }
    readonly property var stopSteps: [
        { name: "the back end stops answering",
          act: function () { say("stop the back end"); },
          done: function () { probe(); return backEndStopped; } }
    ]

    function plan() {
        if (phase === "quit")
            return readySteps.concat(addSteps, [
                { name: "Alt+F4 right after the edit asks to quit",
                  act: function () { key(Qt.Key_Escape); say("xkey Alt_L+F4"); },
                  done: function () { return win.quitDialog && win.quitDialog.visible; },
                  state: function () { return "the main window " + (win.visible ? "shown" : "gone"); } },
                closeSteps("退出")[1]
            ]);
        if (phase === "restart")
            return readySteps.concat(addSteps, closeSteps("重新登录"));
        if (phase === "stopped")
            return readySteps.concat(stopSteps, addSteps, closeSteps("退出"));
        return readySteps.concat(closeSteps("退出"));
    }
}

import QtQuick 2.15
import "qrc:/qml/" as App

// Demo and end-to-end runs only (loaded through TARVOLIN_TEST_LOGIN_QML): the
// real sign-in window, which signs in as demo/demo by itself as soon as the
// service addresses have arrived.
App.LoginView {
    id: login

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
    function signIn() {
        findChild(login.contentItem, "userField").text = "demo";
        findChild(login.contentItem, "passwordField").text = "demo";
        console.info("demo: signing in");
        login.onLoginClicked();
    }
    onAddressesReadyChanged: if (addressesReady) Qt.callLater(signIn)
}

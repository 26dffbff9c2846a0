import QtQuick 2.15
import QtWebChannel 1.0

// The web-channel object ("jscproxy") through which a web page hands the
// screening notifications to the same callback as the dialog; `css` is the
// screening service of the document that declares the proxy.
QtObject {
    id: root
    WebChannel.id: "jscproxy"
    property var css: null

    signal someSignal(string message)
    signal showQuorvex(string appName, string host, string user, string auth, int option)
    signal webLoadSucceeded()

    function loadSucceeded() { webLoadSucceeded(); }
    function quorvexResponse(type, message) {
        return css ? css.quorvexResponse({ type: type, data: message }) : 1;
    }
}

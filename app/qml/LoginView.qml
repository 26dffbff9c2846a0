import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QBaseService 1.0
import HUtil 1.0
import HFileIO 1.0
import QCrypto 1.0
import QMyStockService 1.0
import ReplyImage 1.0
import Network 1.0
import "qrc:/qml/js/JSHttp.js" as JSHttp
import "qrc:/qml/js/Database.js" as Sql
import "qrc:/qml/js/Documents.js" as Documents
import "theme"

// The sign-in window: fetches the service addresses, signs the user in, then
// downloads the stock groups and the start-up files before it closes, which
// lets the main phase begin.
Window {
    id: root
    width: 560
    height: 290
    minimumWidth: 560; maximumWidth: 560
    minimumHeight: 290; maximumHeight: 290
    flags: Qt.FramelessWindowHint | Qt.Window
    title: "金融终端"
    color: Theme.inputBackground
    visible: true

    property var image_list: ["qrc:/images/start.png"]
    property bool addressesReady: false
    property bool signedIn: false
    // The control endpoint comes from the start-up (context property
    // controlUrl); the local back end's address otherwise.
    property string controlEndpoint: typeof controlUrl !== "undefined" && controlUrl ? controlUrl : "http://127.0.0.1:7710/"
    property int timeout: 15000
    // The sign-in reply's only lists are its menus, of which the menu bar
    // shows a few dozen: a longer list is cut off the GUI thread.
    readonly property int maxMenuRows: 60
    property alias save_check: save_check
    signal finishedSync()

    QBaseService { id: base }
    HUtil { id: util }
    HFileIO { id: fileIO }
    QCrypto { id: crypto }
    QMyStockService { id: myStockService }
    FileDownload { id: fileDownload }
    // Stock-group edits left queued by the last session (it ended before the
    // back end took them) go before the groups are read, so the user's last
    // edit is what the groups show.
    QDataSyncService { id: editSync; running: false }
    property int editUploadMs: 5000

    function jsonHeaders() { return { "Content-Type": "application/json" }; }
    function appVer() { return base.getBaseInfoValue("appVer"); }
    function address(key) {
        var v = base.getServerAddressValue(key);
        return v === null || v === undefined ? "" : String(v);
    }
    function login(key) {
        var v = base.getLoginValue(key);
        return v === null || v === undefined ? "" : String(v);
    }
    function writeFile(name, value) { fileIO.writedFileDefaultPath(name, JSON.stringify(value)); }

    function showMessage(text, onConfirm) {
        loading.hide();
        message.showMsg(text, function () { if (onConfirm) onConfirm(); }, false);
    }

    // Opening: local database, remembered sign-in, start images, addresses.
    function initData() {
        // A damaged database is moved aside first: signing in must not hang on it.
        var bad = fileIO.checkLocalDatabase();
        if (bad !== "")
            console.log("damaged local database kept as " + bad);
        Sql.dbInit();
        var user = null;
        try {
            user = Sql.dbGetUserInfo();
        } catch (e) {
            console.log("remembered sign-in: " + e);
        }
        if (user) {
            userField.text = user.user_name;
            passwordField.text = crypto.decode(user.user_password);
            save_check.save_checked = true;
            userField.forceActiveFocus();
        }
        var images = fileIO.readFileDefaultPath("start_image.json");
        if (images !== "") {
            try {
                var all = Documents.withStartImages(image_list, images);
                if (!all)
                    throw "not a list of image addresses";
                image_list = all;
            } catch (e) {
                console.log("start_image.json: " + e);
            }
        }
        fetchAddresses();
    }

    function fetchAddresses() {
        loading.show("获取服务器信息，请稍候...");
        JSHttp.getData(controlEndpoint + "v3clientcontrol", { appName: base.getBaseInfoValue("appName"), appVer: appVer() },
                       jsonHeaders(), function (ok, json) {
            if (!ok || !Documents.isObject(json) || Documents.isTextBody(json)) {
                showMessage("链接服务器失败，\n稍后重试！", function () { root.close(); });
                return;
            }
            loading.hide();
            base.setServerAddress(json);
            var images = Documents.isObject(json.url) ? Documents.startImages(json.url.start_image) : null;
            if (images)
                writeFile("start_image.json", images);
            addressesReady = true;
            util.updateExe();
        }, timeout);
    }

    function onLoginClicked() {
        if (!addressesReady)
            return;
        var missing = Documents.missingCredential(userField.text, passwordField.text);
        if (missing) {
            var field = missing.field === "user" ? userField : passwordField;
            showMessage(missing.message, function () { field.forceActiveFocus(); });
            return;
        }
        loading.show("请求认证信息，请稍候...");
        JSHttp.postData(address("url.login"), {
            username: userField.text, password: passwordField.text, pcid: util.getCpuId(),
            menu: "v2", versionid: appVer()
        }, { "Content-Type": "application/x-www-form-urlencoded" }, function (ok, json) {
            // A refused reply, or one that is not an object or would sign in
            // nobody, must not leave the busy overlay up; the window stays.
            var refusal = Documents.signInRefusal(ok, json);
            if (refusal.message !== "") {
                if (refusal.shape)
                    console.log("sign-in reply refused: " + Documents.logText(json));
                showMessage(refusal.message);
                return;
            }
            // A held or full database does not stop the sign-in: the action
            // row waits in memory for the next sync, the remembered
            // password stays as it was.
            Sql.dbAddActionCmd("LOGIN", appVer());
            base.setLoginInfo(json);
            signedIn = true;
            try {
                if (save_check.save_checked)
                    Sql.dbSaveUserInfo(userField.text, crypto.encode(passwordField.text));
                else
                    Sql.dbCleanAllUserInfo();
            } catch (e) {
                console.log("remembered sign-in not saved: " + e);
            }
            loading.show("同步自选股数据，请稍候...");
            editSync.flushMyStock(editUploadMs, function () { fetchGroups(); });
        }, timeout, maxMenuRows);
    }

    // An empty group list gets the default groups once and is read once
    // more (`afterCreate`); still empty then, the sign-in goes on without
    // groups rather than asking again.
    function fetchGroups(afterCreate) {
        loading.show("同步自选股数据，请稍候...");
        JSHttp.getData(address("url.mystock"), { user_id: login("user.id"), cmd: "get" }, jsonHeaders(), function (ok, json) {
            if (!ok || !Documents.isObject(json)) {
                loading.hide();
                return;
            }
            if (json.code === "0000" && Documents.noGroups(json) && !afterCreate) {
                createDefaultGroups();
                return;
            }
            if (json.code === "0000")
                myStockFromJson(JSON.stringify(json));
            fetchFormula();
        }, timeout);
    }

    // The signed-in user's stock groups go to the stock-group store.
    function myStockFromJson(text) {
        myStockService.fromJson(text);
    }

    function createDefaultGroups() {
        var cmds = Documents.defaultGroupCommands(10);
        var url = address("url.mystock") + "?user_id=" + encodeURIComponent(login("user.id")) + "&cmd=update";
        JSHttp.postData(url, cmds, jsonHeaders(), function (ok, json) {
            if (ok && Documents.isObject(json) && json.code === "0000")
                fetchGroups(true);
            else
                showMessage("初始化自选股错误！请重试！");
        }, timeout);
    }

    function fetchFormula() {
        var url = address("url.formula");
        if (url === "") {
            fetchStockPool();
            return;
        }
        loading.show("同步数据模型，请稍候...");
        JSHttp.getData(url, { user_id: login("user.id") }, jsonHeaders(), function (ok, json) {
            loading.hide();
            if (ok && Documents.isDownload("formula.json", json))
                writeFile("formula.json", json);
            fetchStockPool();
        }, timeout);
    }

    function fetchStockPool() {
        loading.show("更新股票池数据，请稍候...");
        JSHttp.getData(address("url.stock_pool"), {}, jsonHeaders(), function (ok, json) {
            loading.hide();
            if (ok && Documents.isDownload("StockPool.json", json))
                writeFile("StockPool.json", Documents.stockPoolDocument(json));
            fetchFile("url.board", "board.json", "更新板块数据，请稍候...", function () {
                fetchFile("url.stock_rating", "stock_rating.json", "更新评级数据，请稍候...", function () {
                    fetchFile("url.stock_rzrq", "stock_rzrq.json", "更新融券数据，请稍候...", function () {
                        finishedSync();
                        root.close();
                    });
                });
            });
        }, timeout);
    }

    // The large lists go straight to their files: received, checked and
    // written off the GUI thread. A reply of another shape (an error page,
    // say) keeps the cached file.
    function fetchFile(key, file, busy, next) {
        loading.show(busy);
        fileDownload.fetch(address(key), file, timeout, function (saved, reason) {
            loading.hide();
            if (!saved)
                console.log(file + " kept: " + reason);
            next();
        });
    }

    Component.onCompleted: initData()

    Rectangle {
        anchors.fill: parent
        color: Theme.noColor
        border.color: Theme.frameBorderColor
        border.width: 1
        z: 10
    }

    // Start images, one every 3000 ms while the mouse is away.
    Item {
        id: imageArea
        width: parent.width
        height: 230
        SwipeView {
            id: carousel
            anchors.fill: parent
            clip: true
            interactive: false
            Repeater {
                model: root.image_list
                // Fetched and decoded off the GUI thread at the size shown.
                ReplyImage {
                    source: modelData
                    crop: true
                }
            }
        }
        Timer {
            interval: 3000
            repeat: true
            running: !imageHover.containsMouse && root.image_list.length > 1
            onTriggered: carousel.currentIndex = (carousel.currentIndex + 1) % root.image_list.length
        }
        MouseArea { id: imageHover; anchors.fill: parent; hoverEnabled: true; acceptedButtons: Qt.NoButton }
        PageIndicator {
            anchors.bottom: parent.bottom
            anchors.horizontalCenter: parent.horizontalCenter
            count: root.image_list.length
            currentIndex: carousel.currentIndex
            interactive: true
            onCurrentIndexChanged: carousel.currentIndex = currentIndex
        }
        QTitleView2 {
            width: parent.width
            color: Theme.noColor
            window_: root
            title: "金融终端"
            show_max: false
            show_min: true
        }
    }

    Rectangle {
        anchors.top: imageArea.bottom
        width: parent.width
        height: 60
        color: Theme.barBackground
        Row {
            anchors.verticalCenter: parent.verticalCenter
            x: 10
            spacing: 10
            Image { source: "qrc:/images/logo.png"; width: 90; height: 30; fillMode: Image.PreserveAspectFit; anchors.verticalCenter: parent.verticalCenter }
            LoginField {
                id: userField
                objectName: "userField"
                placeholderText: "请输入用户名"
                width: 130
            }
            LoginField {
                id: passwordField
                objectName: "passwordField"
                placeholderText: "请输入密码"
                echoMode: TextInput.Password
                width: 110
            }
            Rectangle {
                id: save_check
                objectName: "saveCheck"
                property bool save_checked: false
                anchors.verticalCenter: parent.verticalCenter
                width: 70; height: 28
                color: Theme.noColor
                Row {
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 4
                    Rectangle {
                        width: 12; height: 12
                        anchors.verticalCenter: parent.verticalCenter
                        color: save_check.save_checked ? Theme.selectedColor : Theme.noColor
                        border.color: Theme.labelTextColor
                        Text { anchors.centerIn: parent; text: save_check.save_checked ? "√" : ""; color: Theme.textColor; font.pixelSize: Theme.checkMarkFontSize }
                    }
                    Text { text: "记住密码"; color: Theme.textColor; font.family: Theme.fontFamily; font.pixelSize: Theme.captionFontSize }
                }
                MouseArea { anchors.fill: parent; onClicked: save_check.save_checked = !save_check.save_checked }
            }
            FlatButton {
                id: loginButton
                objectName: "loginButton"
                anchors.verticalCenter: parent.verticalCenter
                width: 90; height: 30
                radius: 2
                enabled: root.addressesReady
                normalColor: Theme.selectedColor
                hoverColor: Theme.closeHoverColor
                disabledColor: Theme.buttonHoverColor
                text: "登  录"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.buttonFontSize
                onClicked: root.onLoginClicked()
            }
        }
    }

    Shortcut { sequences: ["Return", "Enter"]; enabled: loginButton.enabled && !message.opened; onActivated: root.onLoginClicked() }

    QLoading { id: loading; objectName: "loading" }
    QPopup { id: message; objectName: "message"; width: 240 }

    component LoginField: TextField {
        anchors.verticalCenter: parent.verticalCenter
        height: 28
        color: Theme.textColor
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fieldFontSize
        selectByMouse: true
        placeholderTextColor: Theme.labelTextColor
        background: Rectangle { color: Theme.inputBackground; border.color: parent.activeFocus ? Theme.frameBorderColor : Theme.hoverColor }
    }
}

import QtQuick 2.15
import QtQuick.Controls 2.15
import HRoute 1.0
import PageKeys 1.0
import "js/WebLinks.js" as WebLinks
import "js/TabRules.js" as TabRules
import "theme"

// The tab area: a strip of tabs over the views they hold. Every view is opened
// by an address (app://qml/..., app://curview/..., app://findview/...,
// http(s)://...) and a tab is identified by its address without the fragment.
// Only documents of the program's own resources (qrc:/qml/...) become views;
// a document that does not exist yet gives an empty tab.
FocusScope {
    id: root
    // One entry per tab: {title, route, homeTag, item}.
    property var entries: []
    property int currentIndex: -1
    readonly property int count: tabModel.count
    readonly property var currentItem: currentIndex >= 0 && currentIndex < entries.length ? entries[currentIndex].item : null
    property alias tabStrip: strip
    // The back end's own web domain (kept in WebLinks): a page of it shows
    // "加载中" until titled.
    readonly property string webDomain: WebLinks.makerDomain
    // Where documents are looked up; tests point it at stub views.
    property string documentBase: "qrc:"
    signal quickKey(string ch)
    // A view asked for a stock's chart (its changeToMQView signal).
    signal changeToMQView(var query)

    HRoute { id: hroute }
    ListModel { id: tabModel }   // title and homeTag of each tab, for the strip

    function route(url) { return hroute.getRoute(url); }

    // The resource document of an app://qml route, or "" (TabRules.documentUrl).
    function documentUrl(r) { return TabRules.documentUrl(r.path, documentBase); }

    function has(item, name) { return item !== null && item !== undefined && typeof item[name] === "function"; }

    function indexOfItem(item) {
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].item === item)
                return i;
        return -1;
    }
    // Opens a route as TabRules.openAction says: the view it reaches, {} for
    // a tab without one, null when no tab shows it.
    function onAddModel(title, url, homeTag) {
        var r = route(url);
        var a = TabRules.openAction(r, entries, currentIndex);
        var e = entries[a.index];
        switch (a.action) {
        case "current":
            if (has(currentItem, "updateQuery"))
                currentItem.updateQuery(r.query_map);
            return null;
        case "find":
            e.route.query_map = TabRules.mergeQuery(e.route.query_map, r.query_map);
            setCurrent(a.index);
            if (has(e.item, "updateQuery"))
                e.item.updateQuery(e.route.query_map);
            return {};
        case "tab":
            e.title = title;
            e.route = r;
            tabModel.setProperty(a.index, "title", title);
            setCurrent(a.index);
            if (has(e.item, "updateQuery"))
                e.item.updateQuery(r.query_map);
            return e.item || {};
        case "add":
            return addTab(title, r, !!homeTag);
        }
        return null;
    }

    // Adds a tab for an app://qml or http(s) route; null for any other.
    function addTab(title, r, homeTag) {
        var kind = TabRules.tabKind(r);
        var web = kind === "web";
        var doc = kind === "document" ? documentUrl(r) : "";
        if (kind === "" || (kind === "document" && doc === "")) {
            if (kind !== "")
                console.warn("not a program document: " + r.url);
            return null;
        }
        var item = web ? createView(documentBase + "/qml/BrowserView.qml", { url: r.url }) : createView(doc, {});
        var e = { title: title, route: r, homeTag: homeTag, item: item };
        entries.push(e);
        tabModel.append({ title: title, homeTag: homeTag });
        if (item) {
            if (has(item, "setQuery"))
                item.setQuery(r.query_map);
            if (item.updateTabsUrl && typeof item.updateTabsUrl.connect === "function")
                item.updateTabsUrl.connect(onUpdateTabsUrl);
            if (item.changeToMQView && typeof item.changeToMQView.connect === "function")
                item.changeToMQView.connect(root.changeToMQView);
            if (item.mystockChange && typeof item.mystockChange.connect === "function")
                item.mystockChange.connect(root.notifyMyStockChange);
            // A view that names itself (tabTitle) retitles its tab.
            if (!web && item.tabTitleChanged !== undefined)
                item.tabTitleChanged.connect(function () { viewTitle(item); });
            if (web && item.titleChanged !== undefined)
                item.titleChanged.connect(function () { webTitle(item); });
        }
        setCurrent(entries.length - 1);
        return item || {};
    }

    // Views made ahead, by document: {component, incubator}. The first
    // creation of a view builds every type its panes use, which is slow; one
    // made between frames while the user looks elsewhere takes that off the
    // first opening of the view.
    property var spares: ({})

    // Starts making one view of the document ahead (once per document until
    // it is taken); it waits hidden in the tab area.
    function prepareView(doc) {
        if (spares[doc])
            return;
        var spare = { component: Qt.createComponent(doc, Component.Asynchronous), incubator: null };
        spares[doc] = spare;
        function incubate() {
            if (spares[doc] !== spare || spare.incubator)
                return;
            if (spare.component.status === Component.Ready)
                spare.incubator = spare.component.incubateObject(stack, { visible: false });
            else if (spare.component.status === Component.Error)
                delete spares[doc];
        }
        if (spare.component.status === Component.Loading)
            spare.component.statusChanged.connect(incubate);
        else
            incubate();
    }
    // The view made ahead for the document (finished now if it is still
    // being made), or null.
    function takeSpare(doc) {
        var spare = spares[doc];
        if (!spare || !spare.incubator)
            return null;
        delete spares[doc];
        if (spare.incubator.status === Component.Loading)
            spare.incubator.forceCompletion();
        return spare.incubator.status === Component.Ready ? spare.incubator.object : null;
    }

    // A view of the document, or null when it cannot be created (the tab
    // stays empty).
    function createView(doc, props) {
        var spared = takeSpare(doc);
        if (spared) {
            for (var k in props)
                spared[k] = props[k];
            spared.width = Qt.binding(function () { return stack.width; });
            spared.height = Qt.binding(function () { return stack.height; });
            return spared;
        }
        var c = Qt.createComponent(doc);
        if (c.status !== Component.Ready) {
            if (c.status === Component.Error)
                console.warn("view not available: " + doc);
            return null;
        }
        props.visible = false;
        var item = c.createObject(stack, props);
        if (!item)
            return null;
        item.width = Qt.binding(function () { return stack.width; });
        item.height = Qt.binding(function () { return stack.height; });
        return item;
    }

    function viewTitle(item) {
        var i = indexOfItem(item);
        if (i < 0 || !item.tabTitle)
            return;
        entries[i].title = item.tabTitle;
        tabModel.setProperty(i, "title", item.tabTitle);
    }
    function webTitle(item) {
        var i = indexOfItem(item);
        if (i < 0 || !item.title)
            return;
        var t = TabRules.webTitle(item.title, webDomain);
        entries[i].title = t;
        tabModel.setProperty(i, "title", t);
    }

    function setCurrent(i) {
        if (i < 0 || i >= entries.length)
            return;
        for (var j = 0; j < entries.length; ++j)
            if (entries[j].item)
                entries[j].item.visible = j === i;
        currentIndex = i;
        strip.currentIndex = i;
        strip.positionViewAtIndex(i, ListView.Contain);
        focusCurrent();
    }
    // The current tab's view takes the keyboard (the tab area without one).
    function focusCurrent() {
        var e = entries[currentIndex];
        if (e && e.item)
            e.item.forceActiveFocus();
        else
            root.forceActiveFocus();
    }

    function closeTab(i) {
        if (i < 0 || i >= entries.length || entries[i].homeTag)
            return;
        var e = entries[i];
        entries.splice(i, 1);
        tabModel.remove(i);
        if (e.item)
            e.item.destroy();
        var next = TabRules.afterClose(currentIndex, i, entries.length);
        currentIndex = -1;
        setCurrent(next);
    }
    // Closes the tab whose route has this url.
    function closeUrl(url) {
        for (var i = 0; i < entries.length; ++i)
            if (entries[i].route.url === url)
                return closeTab(i);
    }
    function closeCurrent() {
        if (currentIndex > 0)
            closeTab(currentIndex);
    }
    function nextTab(step) {
        if (entries.length > 0)
            setCurrent((currentIndex + step + entries.length) % entries.length);
    }

    // The chart address of a stock (TabRules.chartUrl).
    function chartUrl(code, market, members, defaultChart) {
        return TabRules.chartUrl(code, market, members, defaultChart);
    }

    // A view changed its stock: its tab shows the stock's chart address.
    function onUpdateTabsUrl(item, codeInfo) {
        var i = indexOfItem(item);
        if (i < 0)
            return;
        var url = chartUrl(codeInfo.code, codeInfo.market, entries[i].route.query_map || {}, "");
        entries[i].title = codeInfo.name;
        entries[i].route = route(url);
        tabModel.setProperty(i, "title", String(codeInfo.name));
    }

    function getTabViewsInfo() {
        var list = [];
        for (var i = 0; i < entries.length; ++i) {
            var e = entries[i];
            var o = { title: e.title, route: e.route, homeTag: e.homeTag };
            if (has(e.item, "getQuery"))
                o.query_map_ = e.item.getQuery();
            list.push(o);
        }
        return JSON.stringify(list);
    }

    function notifyMyStockChange() {
        for (var i = 0; i < entries.length; ++i)
            if (has(entries[i].item, "onMyStockChange"))
                entries[i].item.onMyStockChange();
    }

    // Tab keys, closing keys and the characters that open the quick commands.
    function handleKey(event) {
        switch (TabRules.keyAction(event.key, event.modifiers, event.text)) {
        case "previous": nextTab(-1); return true;
        case "next": nextTab(1); return true;
        case "close": closeCurrent(); return true;
        case "quick": quickKey(event.text); return true;
        }
        return false;
    }
    Keys.onPressed: event.accepted = handleKey(event)
    // Keys typed in a web page that the page does not use come here too.
    PageKeys { area: root }

    Rectangle {
        id: stripBg
        width: parent.width
        height: 22
        color: Theme.buttonColor
        // More tabs than the strip shows: the wheel over the strip and the
        // two arrows at its end scroll it, so that every tab can be reached.
        readonly property bool overflows: tabModel.count * 141 > width
        function scrollStrip(dx) {
            var most = Math.max(strip.originX, strip.originX + strip.contentWidth - strip.width);
            strip.contentX = Math.max(strip.originX, Math.min(most, strip.contentX + dx));
        }
        ListView {
            id: strip
            objectName: "tabStrip"
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.bottom: parent.bottom
            anchors.right: stripBg.overflows ? stripArrows.left : parent.right
            orientation: ListView.Horizontal
            spacing: 1
            clip: true
            interactive: false
            highlightFollowsCurrentItem: false
            model: tabModel
            // A narrower window keeps the current tab on the strip.
            onWidthChanged: if (root.currentIndex >= 0) positionViewAtIndex(root.currentIndex, ListView.Contain)
            delegate: Rectangle {
                id: tab
                width: 140
                height: 22
                color: index === root.currentIndex ? Theme.frameBorderColor : (tabArea.containsMouse ? Theme.buttonHoverColor : Theme.buttonColor)
                Rectangle { x: 140; width: 1; height: 22; color: Theme.buttonBorderColor }
                MouseArea {
                    id: tabArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: root.setCurrent(index)
                }
                Image {
                    id: homeIcon
                    visible: model.homeTag
                    x: 6
                    anchors.verticalCenter: parent.verticalCenter
                    width: 14; height: 14
                    source: "qrc:/images/tab_home.png"
                }
                Text {
                    x: model.homeTag ? 24 : 8
                    width: model.homeTag ? 140 - x - 4 : 120 - x
                    anchors.verticalCenter: parent.verticalCenter
                    text: model.title
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: Theme.textColor
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.tabFontSize
                }
                GlyphButton {
                    visible: !model.homeTag
                    x: 120; width: 20; height: 22
                    glyph: "✕"
                    font.pixelSize: Theme.closeGlyphFontSize
                    hoverColor: Theme.closeHoverColor
                    onClicked: root.closeTab(index)
                }
            }
        }
        // Over the strip, under the tabs' own mouse areas: the wheel only.
        MouseArea {
            anchors.fill: strip
            acceptedButtons: Qt.NoButton
            onWheel: {
                var d = wheel.angleDelta.y !== 0 ? wheel.angleDelta.y : wheel.angleDelta.x;
                stripBg.scrollStrip(-d / 120 * 141);
            }
        }
        Row {
            id: stripArrows
            visible: stripBg.overflows
            anchors.right: parent.right
            height: parent.height
            GlyphButton {
                objectName: "tabScrollLeft"
                width: 20; height: 22
                glyph: "<"
                enabled: strip.contentX > strip.originX
                onClicked: stripBg.scrollStrip(-141)
            }
            GlyphButton {
                objectName: "tabScrollRight"
                width: 20; height: 22
                glyph: ">"
                enabled: strip.contentX < strip.originX + strip.contentWidth - strip.width
                onClicked: stripBg.scrollStrip(141)
            }
        }
    }

    FocusScope {
        id: stack
        objectName: "tabStack"
        anchors.top: stripBg.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        focus: true
    }
}

import QtQuick 2.15

// A browser view as the tab area sees it: an address and a page title.
Item {
    property string url
    property string title
}

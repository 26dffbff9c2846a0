// NetworkCookieJar: a cookie jar that can write its cookies to
// <data dir>/cookies/cookies.txt, one raw cookie per line. Installed on a
// network access manager, it supplies the cookies of each request's URL.
#pragma once

#include <QNetworkCookieJar>

class NetworkCookieJar : public QNetworkCookieJar {
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    // The file save() writes.
    static QString cookieFilePath();

public slots:
    // GUI thread. Writes every cookie in the jar's order, atomically; nothing
    // is written when the file cannot be opened.
    void save();
};

#include "shell/networkcookiejar.h"

#include <QDir>
#include <QFile>
#include <QNetworkCookie>
#include <QSaveFile>

#include "shell/datadir.h"

QString NetworkCookieJar::cookieFilePath()
{
    return dataDirectory() + QStringLiteral("/cookies/cookies.txt");
}

void NetworkCookieJar::save()
{
    const QString folder = dataDirectory() + QStringLiteral("/cookies");
    if (!QDir().mkpath(folder))
        return;
    // Cookies are credentials: the folder is the user's only.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSaveFile file(cookieFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return;
    for (const QNetworkCookie& cookie : allCookies()) {
        file.write(cookie.toRawForm());
        file.write("\n");
    }
    file.commit();
}

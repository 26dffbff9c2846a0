#include "shell/networkcookiejar.h"

#include <QDir>
#include <QFile>
#include <QNetworkCookie>

#include "shell/datadir.h"
#include "shell/hfileio.h"

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
    QByteArray text;
    for (const QNetworkCookie& cookie : allCookies()) {
        text += cookie.toRawForm();
        text += '\n';
    }
    HFileIO::writePath(cookieFilePath(), text);
}

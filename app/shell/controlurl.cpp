#include "shell/controlurl.h"

QString controlEndpoint()
{
    const QString url = qEnvironmentVariable("TARVOLIN_CONTROL_URL");
    return url.isEmpty() ? QStringLiteral("http://127.0.0.1:7710/") : url;
}

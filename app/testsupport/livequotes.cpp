#include "livequotes.h"

#include <QJsonArray>
#include <QJsonObject>

#include "shell/qbaseservice.h"

namespace testsupport {

void pointQuoteEngineAt(int port)
{
    const QJsonObject entry{{"url", QString("tcp://127.0.0.1:%1/?auto_delay=200&encrypt_key=varnoquel").arg(port)},
                            {"name", "本地行情"},
                            {"type", "tcp"}};
    QBaseService().setServerAddress(QJsonObject{{"url", QJsonObject{{"quote", QJsonArray{entry}}}}});
}

}  // namespace testsupport

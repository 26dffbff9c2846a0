#include "livequotes.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "quote.h"

#include "shell/qbaseservice.h"

namespace testsupport {

void pointQuoteEngineAt(int port)
{
    const QJsonObject entry{{"url", QString("tcp://127.0.0.1:%1/?auto_delay=200&encrypt_key=varnoquel").arg(port)},
                            {"name", "本地行情"},
                            {"type", "tcp"}};
    QBaseService().setServerAddress(QJsonObject{{"url", QJsonObject{{"quote", QJsonArray{entry}}}}});
}

bool loadServerBlocks()
{
    QTemporaryDir dir;
    QProcess writer;
    writer.start(QString(TARVOLIN_BIN_DIR) + "/quoteserver", {"0", "--write-files", dir.path()});
    writer.closeWriteChannel();  // it serves until the end of its input
    if (!writer.waitForFinished(10000))
        return false;
    QFile board(dir.filePath("board.json"));
    if (!board.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = board.readAll();
    quote_block_load(text.constData(), text.size());
    return true;
}

}  // namespace testsupport

#include "shell/quotetables.h"

#include <QByteArray>

#include "quote.h"
#include "shell/hfileio.h"

const QuoteTableFile* quoteTableFiles(size_t* count)
{
    static const QuoteTableFile files[] = {{"board.json", &quote_block_load},
                                           {"stock_rzrq.json", &quote_margin_load},
                                           {"stock_rating.json", &quote_rating_load}};
    *count = sizeof(files) / sizeof(files[0]);
    return files;
}

void loadQuoteTables(const QuoteTableFile* files, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const QByteArray text = HFileIO::readData(files[i].file).toUtf8();
        if (!text.isEmpty())
            files[i].load(text.constData(), text.size());
    }
}

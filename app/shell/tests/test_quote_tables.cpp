// The start-up's quote tables (each file's text goes to its loader; missing
// and empty files are skipped) and the control endpoint's address.
#include <gtest/gtest.h>

#include <QFile>
#include <string>
#include <vector>

#include "quote.h"
#include "shell/controlurl.h"
#include "shell/hfileio.h"
#include "shell/quotetables.h"
#include "testhome.h"

namespace {

std::vector<std::string> g_calls;

int recordBoard(const char* text, int length)
{
    g_calls.push_back("board:" + std::string(text, static_cast<size_t>(length)));
    return 1;
}
int recordMargin(const char* text, int length)
{
    g_calls.push_back("margin:" + std::string(text, static_cast<size_t>(length)));
    return 1;
}
int recordRating(const char* text, int length)
{
    g_calls.push_back("rating:" + std::string(text, static_cast<size_t>(length)));
    return 1;
}

void writeData(const char* name, const QByteArray& bytes)
{
    QFile f(testsupport::testDataDir() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace

TEST(QuoteTables, FilesGoToTheirLoadersInOrder)
{
    size_t count = 0;
    const QuoteTableFile* files = quoteTableFiles(&count);
    ASSERT_EQ(count, 3u);
    EXPECT_STREQ(files[0].file, "board.json");
    EXPECT_EQ(files[0].load, &quote_block_load);
    EXPECT_STREQ(files[1].file, "stock_rzrq.json");
    EXPECT_EQ(files[1].load, &quote_margin_load);
    EXPECT_STREQ(files[2].file, "stock_rating.json");
    EXPECT_EQ(files[2].load, &quote_rating_load);

    const QuoteTableFile recorded[] = {
        {"board.json", &recordBoard}, {"stock_rzrq.json", &recordMargin}, {"stock_rating.json", &recordRating}};
    for (const QuoteTableFile& f : recorded)  // what earlier cases of the process wrote
        QFile::remove(HFileIO::dataPath(f.file));
    loadQuoteTables(recorded, 3);
    EXPECT_TRUE(g_calls.empty()) << "no files, no calls";

    writeData("board.json", "");  // present but empty: not loaded
    writeData("stock_rzrq.json", "{\"tradingcode\":[\"600000\"]}");
    writeData("stock_rating.json", "{\"ratingInfos\":[{\"stockId\":\"600000\",\"rating\":\"买入\"}]}");
    loadQuoteTables(recorded, 3);
    EXPECT_EQ(g_calls,
              (std::vector<std::string>{"margin:{\"tradingcode\":[\"600000\"]}",
                                        "rating:{\"ratingInfos\":[{\"stockId\":\"600000\",\"rating\":\"买入\"}]}"}));
}

TEST(ControlEndpoint, DefaultAndEnvironmentOverride)
{
    qunsetenv("TARVOLIN_CONTROL_URL");
    EXPECT_EQ(controlEndpoint(), "http://127.0.0.1:7710/");
    qputenv("TARVOLIN_CONTROL_URL", "");
    EXPECT_EQ(controlEndpoint(), "http://127.0.0.1:7710/") << "an empty value is no override";
    qputenv("TARVOLIN_CONTROL_URL", "http://127.0.0.1:9000/");
    EXPECT_EQ(controlEndpoint(), "http://127.0.0.1:9000/");
}

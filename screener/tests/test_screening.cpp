// The screening request: the host's say, the body, the busy button, the
// reply's stocks and every failure message.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTcpServer>

#include "dialogfixture.h"

namespace {
const QByteArray kScreenPath = "/api/230050";
}

TEST(QuorvexScreening, PostsTheCompactBodyAndDeliversTheStocks)
{
    DialogFixture f("tok");
    ASSERT_TRUE(f.loadTemplates());
    f.addCondition(0, 0, {"3"});
    f.addCondition(0, 1, {"5", "20"}, 6);
    f.receiver.seen.clear();
    f.http.set(kScreenPath, CannedAnswer{200,
                                         R"({"code":"0000","msg":"success","result":[
        {"stock_code":"600000","exchange_type":"1"},{"stock_code":"000001","exchange_type":"0"}]})",
                                         0});
    auto* button = f.dialog->findChild<QPushButton*>(QStringLiteral("1009"));
    f.dialog->Screen();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ("Quorvex中...", button->text());
    ASSERT_TRUE(waitUntil([&] { return button->isEnabled(); }));
    EXPECT_EQ("选股", button->text());

    ASSERT_EQ(2, f.http.seen().size());
    const SeenRequest& r = f.http.seen()[1];
    EXPECT_EQ("POST", r.method);
    EXPECT_EQ(kScreenPath, r.path);
    EXPECT_EQ(QByteArray(R"({"conditions":[{"fml_name":"ZF","fml_params":"3","fml_peroid":8,"fml_type":1},)"
                         R"({"fml_name":"MA","fml_params":"5;20","fml_peroid":9,"fml_type":2}]})"),
              r.body);
    EXPECT_EQ("Tarvolin|u1|tok", r.header("Access-Token"));

    ASSERT_EQ(2u, f.receiver.seen.size());
    const SeenNotify& conditions = f.receiver.seen[0];
    EXPECT_EQ(NotifyConditions, conditions.type);
    EXPECT_EQ(2, conditions.count);
    EXPECT_EQ((std::vector<std::string>{"涨幅大于", "均线"}), utf8(conditions.titles));
    EXPECT_EQ((std::vector<std::string>{"ZF", "MA"}), conditions.keys);
    EXPECT_EQ((std::vector<std::string>{"3", "5;20"}), conditions.params);
    EXPECT_EQ((std::vector<int>{8, 9}), conditions.periods);
    EXPECT_EQ((std::vector<int>{1, 2}), conditions.fmlTypes);
    const SeenNotify& stocks = f.receiver.seen[1];
    EXPECT_EQ(NotifyStocks, stocks.type);
    EXPECT_EQ((std::vector<std::string>{"600000", "000001"}), stocks.codes);
    EXPECT_EQ((std::vector<int>{1, 0}), stocks.markets);
    EXPECT_TRUE(f.messages.texts.isEmpty());
}

TEST(QuorvexScreening, StockItemsAreCheckedBeforeCopying)
{
    DialogFixture f;
    ASSERT_TRUE(f.loadTemplates());
    f.addCondition(0, 0, {"3"});
    f.http.set(kScreenPath, CannedAnswer{200, R"({"code":"0000","result":[
        {"stock_code":"","exchange_type":"1"},
        {"stock_code":"12345678901","exchange_type":"2"},
        {"stock_code":"123456789012","exchange_type":"1"},
        {"stock_code":"600519","exchange_type":1},
        {"stock_code":600519,"exchange_type":"1"},
        {"exchange_type":"1"},
        "600000",
        {"stock_code":"300750","exchange_type":"0x"},
        {"stock_code":"60\u00000","exchange_type":"1"},
        {"stock_code":"000002","exchange_type":"99999999999"},
        {"stock_code":"000003","exchange_type":"-2147483648"},
        {"stock_code":"000005","exchange_type":"2147483648"},
        {"stock_code":"000004","exchange_type":" +7abc"}]})",
                                         0});
    f.receiver.seen.clear();
    ASSERT_TRUE(f.screenAndWait());
    ASSERT_EQ(2u, f.receiver.seen.size());
    // A code with a NUL inside and a number past int32 are skipped.
    EXPECT_EQ((std::vector<std::string>{"12345678901", "300750", "000003", "000004"}), f.receiver.seen[1].codes);
    EXPECT_EQ((std::vector<int>{2, 0, INT32_MIN, 7}), f.receiver.seen[1].markets);
}

TEST(QuorvexScreening, FailuresShowTheirMessages)
{
    const quint16 refusing = closedPort();
    const struct {
        const char* what;
        CannedAnswer answer;
        const char* expected;
    } cases[] = {
        {"refused", {}, "调用选股服务失败,请检查网络设置"},
        {"500", {500, "{}", 0}, "调用选股服务失败, 错误代码: 500"},
        {"403", {403, "{}", 0}, "调用选股服务失败, 错误代码: 403"},
        {"short body",
         {200, R"({"code":"0000","result":[{"stock_code":"600000","exchange_type":"1"}]})", 9},
         "调用选股服务失败,请检查网络设置"},
        {"bad JSON", {200, "{\"code\":", 0}, "解析结果错误"},
        {"not an object", {200, "[1]", 0}, "解析结果错误"},
        {"code failure", {200, R"({"code":"1001","msg":"没有选股条件","result":[]})", 0}, "执行选股失败:没有选股条件"},
        {"numeric code", {200, R"({"code":0,"msg":"m","result":[]})", 0}, "执行选股失败:m"},
        {"msg not text", {200, R"({"code":"9","msg":5})", 0}, "执行选股失败:"},
        {"no result", {200, R"({"code":"0000"})", 0}, "无选股结果"},
        {"result not array", {200, R"({"code":"0000","result":{}})", 0}, "无选股结果"},
        {"empty result", {200, R"({"code":"0000","result":[]})", 0}, "无选股结果"},
        {"no stock codes", {200, R"({"code":"0000","result":[{"exchange_type":"1"}]})", 0}, "无选股结果"},
    };
    for (const auto& c : cases) {
        DialogFixture f;
        ASSERT_TRUE(f.loadTemplates());
        f.addCondition(0, 0, {"3"});
        f.http.set(kScreenPath, c.answer);
        if (std::string(c.what) == "refused")
            f.dialog->SetTexts("Tarvolin", QStringLiteral("http://127.0.0.1:%1").arg(refusing), "u1", "");
        f.receiver.seen.clear();
        ASSERT_TRUE(f.screenAndWait()) << c.what;
        EXPECT_EQ(QStringList{QString::fromUtf8(c.expected)}, f.messages.texts) << c.what;
        EXPECT_EQ(0, countType(f.receiver.seen, NotifyStocks)) << c.what;
        EXPECT_EQ(1, f.dialog->Conditions().size()) << c.what << ": the conditions stay";
    }
}

TEST(QuorvexScreening, HostMayCancelAndAnEmptyListSendsNothing)
{
    DialogFixture f;
    ASSERT_TRUE(f.loadTemplates());
    auto* button = f.dialog->findChild<QPushButton*>(QStringLiteral("1009"));
    f.dialog->Screen();
    EXPECT_EQ(QStringList{"请先添加选股条件"}, f.messages.texts);
    EXPECT_EQ(0, countType(f.receiver.seen, NotifyConditions));

    f.addCondition(0, 0, {"3"});
    f.receiver.answer = [](const NotifyMsg* m) { return intptr_t{m->type == NotifyConditions ? 1 : 0}; };
    f.dialog->Screen();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(1, countType(f.receiver.seen, NotifyConditions));
    EXPECT_EQ(1, f.http.seen().size()) << "only the template download";

    // Any answer but exactly 1 lets the request go.
    f.receiver.answer = [](const NotifyMsg*) { return intptr_t{2}; };
    f.http.set(kScreenPath, CannedAnswer{200, R"({"code":"0000","result":[]})", 0});
    ASSERT_TRUE(f.screenAndWait());
    EXPECT_EQ(2, f.http.seen().size());
}

TEST(QuorvexScreening, TokenHeaderOnlyWhenSafeAndNotEmpty)
{
    const struct {
        QByteArray token;
        QByteArray expected;
    } cases[] = {{"", ""}, {"abc", "Tarvolin|u1|abc"}, {"abc\r\nX-Evil: 1", ""}, {"a\nb", ""}};
    for (const auto& c : cases) {
        DialogFixture f(c.token);
        ASSERT_TRUE(f.loadTemplates());
        const SeenRequest& r = f.http.seen().last();
        EXPECT_EQ(c.expected, r.header("Access-Token")) << c.token.toStdString();
        EXPECT_EQ(QByteArray(), r.header("X-Evil"));
    }
}

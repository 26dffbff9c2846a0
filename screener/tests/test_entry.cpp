// The two entry points: one dialog per process, the first callback, option
// and favourites file kept, the QObject target's answers read back.
#include <gtest/gtest.h>

#include <QPushButton>

#include "dialogfixture.h"
#include "quorvexapp.h"

namespace {

std::vector<SeenNotify> g_first, g_second;
int32_t g_answer = 1;

int32_t firstCallback(NotifyMsg* m)
{
    g_first.push_back(copyNotify(m));
    return g_answer;
}

int32_t secondCallback(NotifyMsg* m)
{
    g_second.push_back(copyNotify(m));
    return 1;
}

struct EntryFixture {
    EntryFixture()
    {
        http.set("/condition-template.json", CannedAnswer{200, kTemplates, 0});
        http.set("/api/230050",
                 CannedAnswer{200, R"({"code":"0000","result":[{"stock_code":"600000","exchange_type":"1"}]})", 0});
        g_first.clear();
        g_second.clear();
        g_answer = 1;
    }
    ~EntryFixture() { CQuorvexApp::Shutdown(); }
    CQuorvexDialog* dialog() const { return CQuorvexApp::Instance()->Dialog(); }
    bool templatesIn() const
    {
        return waitUntil([this] { return dialog()->Templates().size() == 2; });
    }
    QByteArray host() const { return http.base().toUtf8(); }

    LoopbackHttp http;
    RecordedMessages messages;
};

}  // namespace

TEST(QuorvexEntry, Show1KeepsTheFirstCallbackOptionAndFavouritesFile)
{
    EntryFixture f;
    quorvex_show1("Tarvolin", f.host(), "u1", "", 1, firstCallback);
    CQuorvexDialog* d = f.dialog();
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(1, d->Option());
    EXPECT_FALSE(d->findChild<QPushButton*>("1011")->isVisibleTo(d)) << "option 1 hides the scope button";
    ASSERT_TRUE(f.templatesIn());
    EXPECT_EQ(2, countType(g_first, NotifyTemplate));
    const QString firstFile = d->FavouritesPath();
    EXPECT_TRUE(firstFile.endsWith("/Quorvex/Tarvolin-u1.dat"));

    d->hide();
    quorvex_show1("Tarvolin", f.host(), "u2", "tok", 0, secondCallback);
    EXPECT_EQ(d, f.dialog()) << "no second dialog";
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(1, d->Option());
    EXPECT_EQ(firstFile, d->FavouritesPath());
    EXPECT_EQ(1, f.http.seen().size()) << "templates are loaded once";

    // The first callback still hears everything; the texts are the second call's.
    DialogFixture::addConditionTo(d, 0, 0, {"3"});
    d->Screen();
    ASSERT_TRUE(waitUntil([&] { return countType(g_first, NotifyStocks) == 1; }));
    EXPECT_TRUE(g_second.empty());
    EXPECT_EQ("Tarvolin|u2|tok", f.http.seen().last().header("Access-Token"));
    EXPECT_EQ((std::vector<std::string>{"600000"}), g_first.back().codes);
}

TEST(QuorvexEntry, CallbackAnswersForTheConditions)
{
    EntryFixture f;
    quorvex_show1("Tarvolin", f.host(), "u1", "", 0, firstCallback);
    ASSERT_TRUE(f.templatesIn());
    CQuorvexDialog* d = f.dialog();
    EXPECT_TRUE(d->findChild<QPushButton*>("1011")->isVisibleTo(d));
    DialogFixture::addConditionTo(d, 0, 0, {"3"});
    for (int32_t answer : {0, 2}) {
        g_answer = answer;
        d->Screen();
        EXPECT_EQ(1, f.http.seen().size()) << "answer " << answer << " cancels";
    }
    g_answer = 1;
    d->Screen();
    ASSERT_TRUE(waitUntil([&] { return countType(g_first, NotifyStocks) == 1; }));
    EXPECT_EQ(2, f.http.seen().size());
}

TEST(QuorvexEntry, RejectedTemplatesThroughTheCallbackAreLeftOut)
{
    EntryFixture f;
    g_answer = 0;
    quorvex_show1("Tarvolin", f.host(), "u1", "", 0, firstCallback);
    ASSERT_TRUE(waitUntil([&] { return countType(g_first, NotifyTemplate) == 2; }));
    ASSERT_TRUE(waitUntil([&] { return f.dialog()->TemplateTask() >= 100 && f.http.seen().size() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.dialog()->Templates().isEmpty());
    EXPECT_EQ(0, f.dialog()->Tree()->topLevelItem(0)->childCount());
}

TEST(QuorvexEntry, ShowSendsEventsToAQObjectAndReadsTheResult)
{
    EntryFixture f;
    NotifyReceiver receiver(kNotifyType);
    receiver.answer = [](const NotifyMsg* m) {
        return intptr_t{m->type == NotifyTemplate &&
                        std::string(static_cast<const NotifyTemplateItem*>(m->items)->key) == "MA"};
    };
    quorvex_show("应用", f.host(), "用户", "tok", &receiver, kNotifyType);
    ASSERT_TRUE(waitUntil([&] { return f.dialog()->Templates().size() == 1; }));
    EXPECT_EQ(2, countType(receiver.seen, NotifyTemplate));
    EXPECT_EQ(QByteArray("ZF"), f.dialog()->Templates()[0].key);
    EXPECT_TRUE(f.dialog()->findChild<QPushButton*>("1011")->isVisibleTo(f.dialog())) << "quorvex_show: option 0";
    // UTF-8 arguments, sent as UTF-8 in the token header; the file name is encoded.
    EXPECT_EQ(QByteArray("应用|用户|tok"), f.http.seen()[0].header("Access-Token"));
    EXPECT_TRUE(f.dialog()->FavouritesPath().endsWith("/Quorvex/%E5%BA%94%E7%94%A8-%E7%94%A8%E6%88%B7.dat"))
        << f.dialog()->FavouritesPath().toStdString();

    DialogFixture::addConditionTo(f.dialog(), 0, 0, {"3"});
    f.dialog()->Screen();
    ASSERT_TRUE(waitUntil([&] { return countType(receiver.seen, NotifyStocks) == 1; }));
    EXPECT_EQ(1, countType(receiver.seen, NotifyConditions));
}

TEST(QuorvexEntry, NoReceiverMeansNotificationsAreSkippedAndAccepted)
{
    EntryFixture f;
    NotifyReceiver receiver(5);
    // An event type outside Qt's user range, then a null target.
    quorvex_show("Tarvolin", f.host(), "u1", "", &receiver, 5);
    ASSERT_TRUE(f.templatesIn());
    EXPECT_TRUE(receiver.seen.empty());
    quorvex_show("Tarvolin", f.host(), "u1", "", nullptr, kNotifyType);
    DialogFixture::addConditionTo(f.dialog(), 0, 0, {"3"});
    f.dialog()->Screen();
    ASSERT_TRUE(waitUntil(
        [&] { return f.http.seen().size() == 2 && f.dialog()->findChild<QPushButton*>("1009")->isEnabled(); }));
    EXPECT_TRUE(f.messages.texts.isEmpty());

    // A later quorvex_show1 still gets a receiver of its own.
    CQuorvexApp::Shutdown();
    quorvex_show1("Tarvolin", f.host(), "u1", "", 0, firstCallback);
    ASSERT_TRUE(waitUntil([&] { return countType(g_first, NotifyTemplate) == 2; }));
}

// The whole flow against the local back end: templates, a condition, the
// screening and its stocks, a failing service, and the dialog's screenshot.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QWindow>

#include "dialogfixture.h"
#include "favouritesarchive.h"
#include "quorvexapp.h"
#include "serverprocess.h"

namespace {

std::vector<SeenNotify> g_seen;

int32_t hostCallback(NotifyMsg* m)
{
    g_seen.push_back(copyNotify(m));
    return 1;
}

// The back end's own answer to a body, read without the dialog.
std::vector<std::string> backendCodes(const QString& host, const QByteArray& body)
{
    QNetworkAccessManager nam;
    QNetworkRequest request(QUrl(host + "/api/230050"));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply* reply = nam.post(request, body);
    waitUntil([reply] { return reply->isFinished(); });
    std::vector<std::string> codes;
    for (const QJsonValue& v : QJsonDocument::fromJson(reply->readAll()).object().value("result").toArray())
        codes.push_back(v.toObject().value("stock_code").toString().toStdString());
    reply->deleteLater();
    return codes;
}

struct BackendFlow {
    BackendFlow() : host(QStringLiteral("http://127.0.0.1:%1").arg(backend.port()).toUtf8()) { g_seen.clear(); }
    ~BackendFlow() { CQuorvexApp::Shutdown(); }
    CQuorvexDialog* dialog() const { return CQuorvexApp::Instance()->Dialog(); }

    ServerProcess backend{"backend", {}};
    QByteArray host;
    RecordedMessages messages;
};

}  // namespace

TEST(QuorvexFlow, ScreensAgainstTheLocalBackEnd)
{
    BackendFlow f;
    ASSERT_GT(f.backend.port(), 0);
    quorvex_show1("Tarvolin", f.host, "demo", "", 1, hostCallback);
    CQuorvexDialog* d = f.dialog();
    ASSERT_TRUE(waitUntil([&] { return !d->Templates().isEmpty(); })) << f.messages.texts.join('|').toStdString();
    CTreeCtrlEx* tree = d->Tree();
    ASSERT_EQ(3, tree->topLevelItemCount());
    EXPECT_EQ("行情条件", tree->topLevelItem(0)->text(0));
    EXPECT_EQ(2, tree->topLevelItem(0)->childCount());
    EXPECT_EQ(0, tree->topLevelItem(2)->childCount());
    EXPECT_EQ(QColor(255, 0, 0), tree->StyleFor(tree->topLevelItem(0), false, false)->color);
    EXPECT_EQ(QColor(0, 255, 0), tree->StyleFor(tree->topLevelItem(0)->child(1), false, false)->color);
    EXPECT_EQ(countType(g_seen, NotifyTemplate), d->Templates().size());

    d->SelectTemplateItem(tree->topLevelItem(0)->child(0));
    EXPECT_EQ("1", d->Panel()->child(0)->GetText());
    d->AddCondition();
    ASSERT_EQ(1, d->Conditions().size());

    d->Screen();
    auto* button = d->findChild<QPushButton*>("1009");
    EXPECT_EQ("Quorvex中...", button->text());
    ASSERT_TRUE(waitUntil([&] { return button->isEnabled(); }));
    const QByteArray body = R"({"conditions":[{"fml_name":"ZF","fml_params":"1","fml_peroid":8,"fml_type":1}]})";
    EXPECT_EQ(body, d->RequestBody());
    const std::vector<std::string> expected = backendCodes(QString::fromUtf8(f.host), body);
    ASSERT_FALSE(expected.empty()) << "the back end lists stocks rising more than 1%";
    ASSERT_EQ(1, countType(g_seen, NotifyStocks)) << f.messages.texts.join('|').toStdString();
    EXPECT_EQ(expected, g_seen.back().codes);

    // The service failing.
    f.backend.control("fail /api/230050");
    ASSERT_TRUE(f.backend.wait_line("ok fail /api/230050"));
    d->Screen();
    ASSERT_TRUE(waitUntil([&] { return !f.messages.texts.isEmpty(); }));
    EXPECT_EQ(QStringList{"调用选股服务失败, 错误代码: 500"}, f.messages.texts);
}

TEST(QuorvexScreenshot, DialogWithTemplatesAndConditions)
{
    // A favourite saved earlier, so the list shows one.
    quorvex::ArchivedCondition c;
    c.fmlName = "ZF";
    c.period = 8;
    c.fmlType = 1;
    c.fmlParams = "3";
    c.values = {u"3"};
    const std::string file = quorvex::writeFavourites({{u"短线强势", {c}}});
    {
        QSaveFile out(favouritesPathFor("Tarvolin", "demo"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(file.data(), static_cast<qint64>(file.size()));
        ASSERT_TRUE(out.commit());
    }

    BackendFlow f;
    quorvex_show1("Tarvolin", f.host, "demo", "", 0, hostCallback);
    CQuorvexDialog* d = f.dialog();
    ASSERT_TRUE(waitUntil([&] { return !d->Templates().isEmpty(); }));
    DialogFixture::addConditionTo(d, 0, 0, {"3"});
    DialogFixture::addConditionTo(d, 0, 1, {"8", "30"}, 6);
    d->Tree()->setCurrentItem(d->Tree()->topLevelItem(0)->child(1));
    d->findChild<QListWidget*>("1003")->setCurrentRow(1);
    ASSERT_TRUE(waitUntil([&] { return d->windowHandle() && d->windowHandle()->isExposed(); }));
    QCoreApplication::processEvents();  // layouts and pending paints
    const QImage shot = d->grab().toImage();
    const QString path = QStringLiteral(QUORVEX_SCREENSHOT);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(shot.save(path));
    EXPECT_GT(shot.width(), 600);
    EXPECT_EQ(1, d->findChild<QListWidget*>("1016")->count());
}

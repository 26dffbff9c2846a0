// The dialog against a hostile service on loopback: endless bodies, huge
// failure texts, redirected templates; and the dialog's icon.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "dialogfixture.h"

namespace {
const QByteArray kTemplatePath = "/condition-template.json";
const QByteArray kScreenPath = "/api/230050";
}  // namespace

// A body past the cap fails the request with the usual network message
// instead of growing the host; the server is cut off on the way.
TEST(QuorvexHostile, EndlessBodiesFailWithTheNetworkMessages)
{
    constexpr qint64 endless = FCHttpRequestManager::kMaxBody * 3;
    CannedAnswer flood;
    flood.endless = endless;
    {
        DialogFixture f;
        f.http.set(kTemplatePath, flood);
        EXPECT_FALSE(f.loadTemplates());
        EXPECT_EQ(QStringList{"获取选股模板失败,请检查网络设置"}, f.messages.texts);
        EXPECT_LT(f.http.fillerSent(), endless);
    }
    DialogFixture f;
    ASSERT_TRUE(f.loadTemplates());
    f.addCondition(0, 0, {"3"});
    f.http.set(kScreenPath, flood);
    ASSERT_TRUE(f.screenAndWait());
    EXPECT_EQ(QStringList{"调用选股服务失败,请检查网络设置"}, f.messages.texts);
    EXPECT_LT(f.http.fillerSent(), endless);
}

// A failure text of megabytes is cut before the box lays it out.
TEST(QuorvexHostile, HugeFailureTextsAreCut)
{
    DialogFixture f;
    ASSERT_TRUE(f.loadTemplates());
    f.addCondition(0, 0, {"3"});
    const QByteArray huge(2 << 20, 'm');
    f.http.set(kScreenPath, CannedAnswer{200, R"({"code":"9999","msg":")" + huge + R"("})", 0});
    ASSERT_TRUE(f.screenAndWait());
    ASSERT_EQ(1, f.messages.texts.size());
    const QString& text = f.messages.texts[0];
    EXPECT_EQ(CQuorvexDialog::kMaxShownText + 1, text.size());
    EXPECT_TRUE(text.startsWith("执行选股失败:mmm")) << text.left(20).toStdString();
    EXPECT_TRUE(text.endsWith("m…"));
}

// Template downloads follow redirects (relative and absolute, up to five);
// a loop fails with the status.
TEST(QuorvexHostile, TemplateRequestsFollowRedirects)
{
    {
        DialogFixture f;
        f.http.set(kTemplatePath, CannedAnswer{302, "moved", 0, false, "/t1"});
        f.http.set("/t1", CannedAnswer{301, "", 0, false, f.http.base().toUtf8() + "/real/templates.json"});
        f.http.set("/real/templates.json", CannedAnswer{200, kTemplates, 0});
        ASSERT_TRUE(f.loadTemplates()) << f.messages.texts.join(";").toStdString();
        EXPECT_EQ(2, f.dialog->Templates().size());
        EXPECT_TRUE(f.messages.texts.isEmpty());
    }
    DialogFixture f;
    f.http.set(kTemplatePath, CannedAnswer{302, "", 0, false, kTemplatePath});
    EXPECT_FALSE(f.loadTemplates());
    ASSERT_EQ(1, f.messages.texts.size());
    EXPECT_TRUE(f.messages.texts[0].startsWith("获取选股")) << f.messages.texts[0].toStdString();
}

TEST(QuorvexHostile, DialogHasItsIcon)
{
    DialogFixture f;
    const QIcon icon = f.dialog->windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    const QString path = QFileInfo(QStringLiteral(QUORVEX_SCREENSHOT)).path() + "/quorvex_icon.png";
    QDir().mkpath(QFileInfo(path).path());
    EXPECT_TRUE(icon.pixmap(32, 32).save(path));
}

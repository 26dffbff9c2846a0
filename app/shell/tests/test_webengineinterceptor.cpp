// The web views' requests carry SoftwareFlags and the fixed user agent, as the
// local back end receives them. WebEngine needs a real window: the ctest entry
// shell.webengine_interceptor runs this under the display of the test run
// (xcb, sandbox off); under the offscreen platform it is skipped.
#include <gtest/gtest.h>

#include <QQmlApplicationEngine>
#include <QtTest/QTest>
#include <QtWebEngine/QQuickWebEngineProfile>
#include <QtWebEngine/qtwebengineglobal.h>

#include <chrono>

#include "ownprocess.h"
#include "serverprocess.h"
#include "shell/web/hwebengineurlrequestinterceptor.h"

namespace {

TEST(WebEngineInterceptor, PageRequestsCarryTheEditionAndTheUserAgent)
{
    RUN_IN_OWN_PROCESS();
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        GTEST_SKIP() << "needs a real window; run by shell.webengine_interceptor";
    ServerProcess server("backend", {});
    ASSERT_GT(server.port(), 0);
    QtWebEngine::initialize();
    HWebEngineUrlRequestInterceptor interceptor;
    QQuickWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor);
    {
        QQmlApplicationEngine engine;
        const QString page = QStringLiteral("http://127.0.0.1:%1/f10?code=600000&market=1").arg(server.port());
        engine.loadData(QStringLiteral("import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport QtWebEngine 1.10\n"
                                       "Window { visible: true; width: 400; height: 300\n"
                                       "  WebEngineView { anchors.fill: parent; url: \"%1\" } }\n")
                            .arg(page)
                            .toUtf8());
        ASSERT_FALSE(engine.rootObjects().isEmpty());
        // The page request shows up as one line of the back end's log.
        std::string line;
        const auto isPage = [](const std::string& l) { return l.rfind("GET /f10?", 0) == 0; };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!server.wait_for(isPage, &line, std::chrono::milliseconds(0)) &&
               std::chrono::steady_clock::now() < deadline)
            QTest::qWait(20);
        EXPECT_EQ(line, std::string("GET /f10?code=600000&market=1 SoftwareFlags=") +
                            HWebEngineUrlRequestInterceptor::kSoftwareFlags +
                            " User-Agent=" + HWebEngineUrlRequestInterceptor::kUserAgent);
    }
    QQuickWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
}

}  // namespace

#include "shell/startup.h"
#include "shell/stockdictionary.h"

#include <QDir>
#include <QJsonValue>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QTranslator>
#include <QUrl>
#include <QWindow>

#include <iostream>
#include <memory>

#include "formulas/formulaservice.h"
#include "installjournal.h"
#include "platform/crashreporter.h"
#include "platform/library.h"
#include "quote.h"
#include "shell/controlurl.h"
#include "shell/core/glrenderer.h"
#include "shell/core/webengineswitches.h"
#include "shell/datadir.h"
#include "shell/hfileio.h"
#include "shell/qbaseservice.h"
#include "shell/qmltypes.h"
#include "shell/qroot.h"
#include "shell/quotetables.h"
#include "shell/quotethread.h"
#include "shell/settingsstores.h"
#include "shell/singleapplication.h"
#include "shell/testhooks.h"
#include "shell/windowplacer.h"

namespace {

// Ends the engine's event loop (code -1) when its root document could not be
// created, and hands the created window (or null) to the application.
void connectExitRule(QQmlApplicationEngine& engine, SingleApplication& app, const QUrl& url, const TestHooks& hooks)
{
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreated, &app,
        [&app, url, hooks](QObject* object, const QUrl& objectUrl) {
            if (!object && objectUrl == url)
                QCoreApplication::exit(-1);
            QWindow* window = qobject_cast<QWindow*>(object);
            app.setWindow(window);
            if (window) {
                hooks.report("window");
                hooks.watchFirstExpose(window);
            }
        },
        Qt::QueuedConnection);
}

// A sign-in left a session id (a missing, null or empty one is none).
bool hasSession()
{
    const QVariant value = QBaseService().getLoginValue("user.sessionId");
    if (value.isNull())
        return false;
    const QJsonValue json = value.value<QJsonValue>();
    return !(json.isUndefined() || json.isNull() || (json.isString() && json.toString().isEmpty()));
}

// The stock dictionary (the quick-command box's table of every code) plugs in
// here: StockDictionary::instance() connects itself to QuoteProxy::quoteCodes.
// It must exist before the quote thread starts, or a code list that arrives
// early is lost.
void createStockDictionary()
{
    StockDictionary::instance();
}

// The web views' profile, set up through libTarvolinWeb.so (shell/web/
// webprofile.h): the program itself does not link the web engine, so its
// libraries are not loaded before the sign-in window shows.
class WebProfile {
public:
    WebProfile() = default;
    WebProfile(const WebProfile&) = delete;
    WebProfile& operator=(const WebProfile&) = delete;
    // The profile outlives this object: it must not keep the interceptor.
    ~WebProfile()
    {
        if (auto release = symbol<void (*)()>("tarvolin_web_release_profile"))
            release();
    }

    // GUI thread: marks every request of the embedded web views with the
    // client's edition (header and the "SoftwareFlags" cookie for the back
    // end's host). Once; without the library the pages go unmarked, and say so.
    void prepare()
    {
        if (tried_)
            return;
        tried_ = true;
        library_ = platform::load_library("TarvolinWeb.dll");
        const auto prepareProfile = symbol<void (*)(const char*)>("tarvolin_web_prepare_profile");
        if (!prepareProfile) {
            std::cerr << "web pages are not marked with the edition: " << platform::last_library_error() << std::endl;
            return;
        }
        prepareProfile(QUrl(controlEndpoint()).host().toUtf8().constData());
    }

private:
    template <typename Fn>
    Fn symbol(const char* name) const
    {
        return library_ ? reinterpret_cast<Fn>(platform::library_symbol(library_, name)) : nullptr;
    }

    bool tried_ = false;
    platform::LibraryHandle library_ = nullptr;  // kept loaded: the web engine stays too
};

// GUI thread: the renderer string of a valid context, made current on an
// offscreen surface for the question; empty when it cannot be made current.
QByteArray openGlRenderer(QOpenGLContext* context)
{
    QOffscreenSurface surface;
    surface.setFormat(context->format());
    surface.create();
    if (!surface.isValid() || !context->makeCurrent(&surface))
        return QByteArray();
    const auto* text = reinterpret_cast<const char*>(context->functions()->glGetString(GL_RENDERER));
    const QByteArray renderer(text ? text : "");
    context->doneCurrent();
    return renderer;
}

// GUI thread, before the first window: without OpenGL (no display to get it
// from, a remote desktop without it) Qt Quick would abort creating its first
// window; it draws in software instead, and says so. The application already
// tried to create the shared context the web views need: whether that worked
// answers the question without making another context. With OpenGL drawn on
// the CPU it draws in software too, silently.
void fallBackToSoftwareWithoutOpenGl()
{
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") || !qEnvironmentVariableIsEmpty("QMLSCENE_DEVICE"))
        return;  // chosen by the user
    QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    if (shared && shared->isValid()) {
        // OpenGL rasterised on the CPU redraws and copies the whole window at
        // every frame (a core's worth with live quotes): Qt Quick's software
        // renderer redraws only what changed.
        if (shellcore::isSoftwareRasterizer(openGlRenderer(shared).constData()))
            QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        return;
    }
    std::cerr << "OpenGL is not available: drawing in software; web pages may stay empty" << std::endl;
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}

// Runs prepare once, after the first frame of the engine's first window has
// been shown (queued to the GUI thread: the frame may be swapped on the
// render thread). Without a window prepare waits for the caller's own call.
template <typename Prepare>
void prepareWebProfileAfterFirstFrame(QQmlApplicationEngine& engine, QObject& receiver, const Prepare& prepare)
{
    const QList<QObject*> roots = engine.rootObjects();
    QQuickWindow* window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
    if (!window)
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        window, &QQuickWindow::frameSwapped, &receiver,
        [connection, prepare] {
            QObject::disconnect(*connection);
            prepare();
        },
        Qt::QueuedConnection);
}

}  // namespace

void startFramesAtOnce()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
}

int runTarvolin(int argc, char** argv, const StartupOptions& options)
{
    const QJsonObject base = settings::baseInfo();
    const QString appName = base.value("appName").toString();

    // Failure to install is not fatal: the program runs without reports.
    platform::install_crash_reporter(
        {appName.toStdString(), base.value("appVer").toString().toStdString(),
         QUrl(controlEndpoint()).resolved(QUrl("/crash-reporter/")).toString().toStdString(),
         dataDirectory().toStdString()});

    const auto versionCheck = options.versionCheck ? options.versionCheck : &__quote_version_check;
    if (!versionCheck(1, 19, 0)) {
        std::cerr << "Pelmar version error" << std::endl;
        return 1;
    }

    shellcore::ExtendedArguments args(
        argc, argv, shellcore::webEngineSwitches(qEnvironmentVariableIntValue("TARVOLIN_DISABLE_WEB_SECURITY") == 1));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // The shared OpenGL context the web views draw with: the application
    // makes it, so the web engine need not be loaded this early.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);

    startFramesAtOnce();
    SingleApplication app(args.argc(), args.argv(), appName);
    if (!app.startFailure().isEmpty()) {
        // Nothing else keeps this start out: the user is told why.
        std::cerr << app.startFailure().toStdString() << std::endl;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("无法启动"), app.startFailure(), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.setInformativeText(QStringLiteral("请检查数据文件夹及其中文件的权限，然后重新启动。"));
        box.show();
        TestHooks::fromEnvironment().watchFirstExpose(box.windowHandle());
        box.exec();
        return 1;
    }
    if (app.isRunning())
        return 0;
    // An update the updater could not finish (it was killed while putting the
    // files in place, in the folder it was started in) is finished or undone
    // before anything of the installation is loaded.
    QString installError;
    if (!updater::recoverInstall(QDir::cleanPath(QDir::currentPath()), &installError))
        std::cerr << "the last update could not be settled: " << installError.toStdString() << std::endl;
    HFileIO::removeStaleTempFiles();
    fallBackToSoftwareWithoutOpenGl();
    const TestHooks hooks = TestHooks::fromEnvironment();
    QObject::connect(&app, &SingleApplication::activated, &app,
                     [&app, &hooks] { hooks.report(app.window() ? "activated window=1" : "activated window=0"); });

    QTranslator translator;
    if (translator.load(":/cn.qm", QString(), QString(), QString()))
        app.installTranslator(&translator);
    // Creating the default web profile takes most of a second: it is made
    // once the sign-in window has shown its first frame (that window holds no
    // web view), and at the latest before the main phase creates any.
    WebProfile webProfile;
    const auto prepareWebProfile = [&webProfile] { webProfile.prepare(); };
    registerQmlTypes();
    hooks.fillStores();
    // Secondary windows open over the window of the phase: the sign-in window,
    // then the main window.
    QPointer<QWindow> phaseWindow;
    WindowPlacer placer([&phaseWindow] { return phaseWindow ? phaseWindow.data() : QRoot::instance()->window(); });
    app.installEventFilter(&placer);

    // Login phase.
    {
        const QUrl url = hooks.loginDocument.isValid() ? hooks.loginDocument : QUrl("qrc:/qml/LoginView.qml");
        QQmlApplicationEngine engine;
        engine.setOfflineStoragePath(dataDirectory());
        connectExitRule(engine, app, url, hooks);
        // The sign-in window asks this endpoint for every other address.
        engine.rootContext()->setContextProperty("controlUrl", controlEndpoint());
        hooks.publishInput(engine.rootContext());
        engine.load(url);
        if (!engine.rootObjects().isEmpty())
            phaseWindow = qobject_cast<QWindow*>(engine.rootObjects().first());
        hooks.watchStalls(engine.rootObjects().isEmpty() ? nullptr : engine.rootObjects().first());
        prepareWebProfileAfterFirstFrame(engine, app, prepareWebProfile);
        app.exec();
        hooks.reportStalls("login");
    }
    if (!hasSession())
        return 0;
    hooks.report("main phase");
    prepareWebProfile();

    // Main phase: the indicator catalogue and the user's parameter values.
    formula::FormulaService& formulas = formula::FormulaService::instance();
    formula::registerStandardFormulas(formulas);
    formula::registerOwnFormulas(formulas);
    HFileIO::writeData("formula.json", QString());
    formulas.loadParams(QBaseService::formulaParamFile());

    QObject receivers;  // outlives the main window, like the stock dictionary
    createStockDictionary();
    hooks.prepareMainPhase(&receivers);
    QuoteEngineThread quoteThread;
    quoteThread.start();
    size_t tableCount = 0;
    const QuoteTableFile* tables = quoteTableFiles(&tableCount);
    loadQuoteTables(tables, tableCount);

    {
        const QUrl url = hooks.mainDocument.isValid() ? hooks.mainDocument : QUrl("qrc:/qml/main.qml");
        QQmlApplicationEngine engine;
        engine.setOfflineStoragePath(dataDirectory());
        connectExitRule(engine, app, url, hooks);
        // Set before loading, so the document's first bindings already see it.
        engine.rootContext()->setContextProperty("QRoot", QRoot::instance());
        hooks.publishInput(engine.rootContext());
        engine.load(url);
        const QList<QObject*> roots = engine.rootObjects();
        if (!roots.isEmpty())
            QRoot::instance()->setWindow(roots.first());
        hooks.watchStalls(roots.isEmpty() ? nullptr : roots.first());
        QRoot::instance()->setApp(&app);
        hooks.armMainPhaseQuit();
        app.exec();
        hooks.reportStalls("main");
    }
    QRoot::instance()->setApp(nullptr);
    // The bridge loses its receivers before the engine stops, and deliveries
    // already waiting are served, so the engine thread never waits forever.
    quoteThread.stop();
    hooks.report("engine stopped");
    // The saves still on the writer thread land before the program ends.
    HFileIO::finishSaves();
    return 0;
}

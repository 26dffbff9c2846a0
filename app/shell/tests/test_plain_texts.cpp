#include <gtest/gtest.h>

#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlNetworkAccessManagerFactory>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QTest>

#include <memory>

#include "livetest.h"
#include "shell/datadir.h"
#include "shell/qmltypes.h"

// Texts from replies and files are shown as written: a news title, a notice
// title, a mark's tip, a marquee item, a message, a group name, a tab title
// and a window title holding markup show the markup as text, and an <img> in
// them fetches nothing.
namespace {

// Every address the engine's network managers are asked for (the image
// reader asks on a thread of its own).
struct RequestLog {
    QMutex mutex;  // guards urls
    QStringList urls;
    void add(const QUrl& url)
    {
        QMutexLocker lock(&mutex);
        urls << url.toString();
    }
    QStringList all()
    {
        QMutexLocker lock(&mutex);
        return urls;
    }
};

class LoggingManager : public QNetworkAccessManager {
public:
    LoggingManager(RequestLog* log, QObject* parent) : QNetworkAccessManager(parent), log_(log) {}

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* data) override
    {
        log_->add(request.url());
        return QNetworkAccessManager::createRequest(op, request, data);
    }

private:
    RequestLog* log_;
};

class LoggingFactory : public QQmlNetworkAccessManagerFactory {
public:
    explicit LoggingFactory(RequestLog* log) : log_(log) {}
    // Any thread of the engine.
    QNetworkAccessManager* create(QObject* parent) override { return new LoggingManager(log_, parent); }

private:
    RequestLog* log_;
};

// The markup sent through a document: bold text and an image on a closed
// local port, named after the document.
QString markup(const QString& name)
{
    return QStringLiteral("<b>粗</b><img src=\"http://127.0.0.1:9/%1.png\">").arg(name);
}

// The text items (Text, TextEdit and the controls built on them) among the
// object's children and its items' children, popups and delegates included.
void collectTexts(QObject* o, QSet<QObject*>* seen, QList<QObject*>* out)
{
    if (!o || seen->contains(o))
        return;
    seen->insert(o);
    if (o->inherits("QQuickText") || o->inherits("QQuickTextEdit"))
        out->append(o);
    for (QObject* c : o->children())
        collectTexts(c, seen, out);
    if (auto* item = qobject_cast<QQuickItem*>(o))
        for (QQuickItem* c : item->childItems())
            collectTexts(c, seen, out);
    if (auto* window = qobject_cast<QQuickWindow*>(o))
        collectTexts(window->contentItem(), seen, out);
}

QList<QObject*> textsShowing(QObject* root, const QString& text)
{
    QSet<QObject*> seen;
    QList<QObject*> all;
    collectTexts(root, &seen, &all);
    QList<QObject*> out;
    for (QObject* t : all)
        if (t->property("text").toString().contains(text))
            out << t;
    return out;
}

struct Case {
    const char* name;
    // A document that shows M (the markup) through its ordinary input.
    const char* source;
};

const Case kCases[] = {
    {"QNewsList",
     "Window { visible: true; width: 500; height: 200\n"
     "  W.QNewsList { id: l; anchors.fill: parent\n"
     "    Component.onCompleted: l.model_.append({ id: \"1\", title: M, pubdate: M }) } }"},
    {"QPopupNotice",
     "W.QPopupNotice { Component.onCompleted: setData({ notices: [{ title: M }, { title: \"二\" }] }) }"},
    {"qchart",
     "Window { visible: true; width: 800; height: 400\n"
     "  Component.onCompleted: { var p = Qt.createComponent(\"qrc:/qml/qchart.qml\").createObject(contentItem,"
     " { width: 800, height: 400 }); p.loadQChartExtend();"
     " p.showTip(10, 10, [{ time: 1718366400, detailed: M, url: \"\" }]); } }"},
    {"QMarquee",
     "Window { visible: true; width: 500; height: 30\n"
     "  W.QMarquee { width: 500\n"
     "    Component.onCompleted: takeReply({ result: \"true\", marquee: [{ title: M, author: M, date: M,"
     " content: M, url: \"\" }] }) } }"},
    {"QMsgBox", "W.QMsgBox { visible: true; title_: \"详情\"; title1_: M; title2_: M; text_: M }"},
    {"QToolsBar",
     "Window { visible: true; width: 300; height: 30\n"
     "  W.QToolsBar { width: 150; height: 30; item_width: 100\n"
     "    Component.onCompleted: { model_.append({ name: M, select: false });"
     " model_.append({ name: M + \"2\", select: false }); updateShowCount(); } } }"},
    {"Hbtn",
     "Window { visible: true; width: 400; height: 30\n"
     "  W.Hbtn { width: 400; style: 2\n"
     "    Component.onCompleted: datamodel.append({ name: M, flag: \"a\", show: true }) } }"},
    {"QTabView",
     "Window { visible: true; width: 600; height: 300\n"
     "  W.QTabView { anchors.fill: parent\n"
     "    Component.onCompleted: onAddModel(M, \"app://qml/qml/NotYetBuilt.qml\", false) } }"},
    {"QTitleView2", "Window { visible: true; width: 400; height: 30\n  W.QTitleView2 { width: 400; title: M } }"},
};

}  // namespace

TEST(PlainTexts, MarkupFromRepliesShowsAsWrittenAndFetchesNothing)
{
    registerQmlTypes();
    RequestLog log;
    LoggingFactory factory(&log);
    QQmlEngine engine;
    engine.setOfflineStoragePath(dataDirectory());
    engine.setNetworkAccessManagerFactory(&factory);

    std::vector<std::unique_ptr<QQmlContext>> contexts;
    std::vector<std::unique_ptr<QObject>> objects;
    for (const Case& c : kCases) {
        const QString m = markup(c.name);
        const QByteArray text =
            QByteArray("import QtQuick 2.15\nimport QtQuick.Window 2.15\nimport \"qrc:/qml/\" as W\n") +
            QByteArray(c.source);
        // M: the markup, as the document's context gives it.
        auto context = std::make_unique<QQmlContext>(engine.rootContext());
        context->setContextProperty(QStringLiteral("M"), m);
        QQmlComponent component(&engine);
        component.setData(text, QUrl(QStringLiteral("qrc:/qml/test_plain_%1.qml").arg(c.name)));
        std::unique_ptr<QObject> object(component.create(context.get()));
        ASSERT_TRUE(object) << c.name << ": " << component.errorString().toStdString() << "\n" << text.toStdString();
        // Delegates and popups come with the first layout.
        ASSERT_TRUE(testsupport::waitFor([&] { return !textsShowing(object.get(), m).isEmpty(); }, 30000))
            << c.name << " shows no text holding the markup";
        for (QObject* t : textsShowing(object.get(), m)) {
            EXPECT_EQ(t->property("textFormat").toInt(), int(Qt::PlainText))
                << c.name << ": a text item (" << t->metaObject()->className() << " " << t->objectName().toStdString()
                << ") shows a reply's text as markup: " << t->property("text").toString().toStdString();
        }
        objects.push_back(std::move(object));
        contexts.push_back(std::move(context));
    }

    // A rich text's image, made last: once it is asked for, every image the
    // documents above would have fetched has been asked for too.
    QQmlComponent control(&engine);
    control.setData(
        "import QtQuick 2.15\nimport QtQuick.Window 2.15\nWindow { visible: true; width: 100; height: 100\n"
        "  Text { textFormat: Text.RichText; text: '<img src=\"http://127.0.0.1:9/control.png\">' } }",
        QUrl(QStringLiteral("qrc:/qml/test_plain_control.qml")));
    std::unique_ptr<QObject> controlObject(control.create());
    ASSERT_TRUE(controlObject) << control.errorString().toStdString();
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return log.all().contains(QStringLiteral("http://127.0.0.1:9/control.png")); }, 30000))
        << "the control image was never asked for: " << log.all().join(", ").toStdString();
    QStringList images;
    for (const QString& u : log.all())
        if (u.endsWith(QLatin1String(".png")) && u != QLatin1String("http://127.0.0.1:9/control.png"))
            images << u;
    EXPECT_TRUE(images.isEmpty()) << "images fetched for texts from replies: " << images.join(", ").toStdString();
}

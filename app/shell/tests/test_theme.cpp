#include <gtest/gtest.h>

#include <QColor>
#include <QMetaProperty>
#include <QQmlComponent>
#include <QQmlEngine>

#include <map>
#include <memory>
#include <string>

#include "shell/core/theme.h"

namespace {

// The singleton as a document reaches it, through the theme's import.
class Theme : public ::testing::Test {
protected:
    void SetUp() override
    {
        QQmlComponent component(&engine_);
        component.setData(
            "import QtQuick 2.15\nimport \"qrc:/qml/theme\"\nQtObject { property QtObject theme: Theme }\n",
            QUrl("qrc:/qml/test_theme.qml"));
        holder_.reset(component.create());
        ASSERT_TRUE(holder_) << component.errorString().toStdString();
        qml_ = holder_->property("theme").value<QObject*>();
        ASSERT_TRUE(qml_);
    }

    QQmlEngine engine_;
    std::unique_ptr<QObject> holder_;
    QObject* qml_ = nullptr;
};

}  // namespace

// The QML theme and the C++ one hold the same roles with the same values:
// every colour of one is in the other, and the fonts agree.
TEST_F(Theme, QmlAndCppAgree)
{
    QObject* qml = qml_;

    std::map<std::string, uint32_t> cpp;
    for (const auto& r : theme::kColourRoles)
        cpp[r.name] = r.argb;

    int qmlColours = 0;
    const QMetaObject* mo = qml->metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        if (p.userType() != QMetaType::QColor)
            continue;
        ++qmlColours;
        const auto it = cpp.find(p.name());
        if (it == cpp.end()) {
            ADD_FAILURE() << "QML role " << p.name() << " is missing from theme.h";
            continue;
        }
        const QColor c = p.read(qml).value<QColor>();
        EXPECT_EQ(c.rgba(), it->second) << p.name() << ": QML " << theme::hexName(c.rgba()) << ", C++ "
                                        << theme::hexName(it->second);
    }
    for (const auto& r : cpp)
        EXPECT_GE(mo->indexOfProperty(r.first.c_str()), 0) << "C++ role " << r.first << " is missing from Theme.qml";
    EXPECT_EQ(qmlColours, int(cpp.size()));

    EXPECT_EQ(qml->property("fontFamily").toString(), QString::fromUtf8(theme::kFontFamily));
    EXPECT_EQ(qml->property("fontFamilyCn").toString(), QString::fromUtf8(theme::kFontFamilyCn));
    EXPECT_EQ(qml->property("songFontFamily").toString(), QString::fromUtf8(theme::kSongFontFamily));
}

// Every font size the C++ code shares is a QML role of the same value: the
// painted tables, lists and chart titles keep the documents' sizes.
TEST_F(Theme, SharedFontSizesAgree)
{
    QObject* qml = qml_;

    // Hand-checked against the documents that show them.
    const std::map<std::string, int> expected = {
        {"listFontSize", 12},
        {"chartTitleFontSize", 13},
        {"tableFontSize", 16},
    };
    std::map<std::string, int> cpp;
    for (const auto& r : theme::kFontSizeRoles)
        cpp[r.name] = r.pixels;
    EXPECT_EQ(cpp, expected);
    for (const auto& r : theme::kFontSizeRoles) {
        const QVariant v = qml->property(r.name);
        ASSERT_TRUE(v.isValid()) << "C++ size " << r.name << " is missing from Theme.qml";
        EXPECT_EQ(v.toInt(), r.pixels) << r.name;
    }
}

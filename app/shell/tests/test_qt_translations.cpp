// The translator the program loads at start (":/cn.qm") puts Qt's own dialog
// texts into Chinese: the drawing tools' colour dialog and the dialog buttons.
#include <gtest/gtest.h>

#include <QString>
#include <QTranslator>

TEST(QtTranslations, DialogTextsOfQtComeInChinese)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(":/cn.qm", QString(), QString(), QString()))
        << "the resources carry no :/cn.qm (Qt's translations were not installed when the build was configured)";
    EXPECT_EQ(translator.translate("QPlatformTheme", "OK"), QString::fromUtf8("确定"));
    EXPECT_EQ(translator.translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
    EXPECT_TRUE(translator.translate("QColorDialog", "&Basic colors").startsWith(QString::fromUtf8("基本颜色")))
        << translator.translate("QColorDialog", "&Basic colors").toStdString();
}

// Template download, the tree, the parameter panel and the conditions list.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QTcpServer>

#include "dialogfixture.h"

TEST(QuorvexTemplates, FillTheTreeSkippingRefusedAndMalformedItems)
{
    DialogFixture f("tok");
    f.receiver.answer = [](const NotifyMsg* m) {
        const auto* item = static_cast<const NotifyTemplateItem*>(m->items);
        return intptr_t{std::string(item->key) == "MA" ? 2 : 0};
    };
    ASSERT_TRUE(f.loadTemplates()) << f.messages.texts.join('|').toStdString();
    // Offered: ZF and MA, the malformed two never are.
    ASSERT_EQ(2u, f.receiver.seen.size());
    EXPECT_EQ("涨幅大于", utf8(f.receiver.seen[0].titles[0]));
    EXPECT_EQ("ZF", f.receiver.seen[0].keys[0]);
    EXPECT_EQ("MA", f.receiver.seen[1].keys[0]);
    ASSERT_EQ(1, f.dialog->Templates().size());
    const ConditionTemplate& t = f.dialog->Templates()[0];
    EXPECT_EQ(QByteArray("ZF"), t.key);
    EXPECT_EQ(-1, t.color);
    ASSERT_EQ(1, t.argRanges.size());
    EXPECT_EQ("1", t.argRanges[0].value);
    EXPECT_EQ("-10", t.argRanges[0].minimum);

    CTreeCtrlEx* tree = f.dialog->Tree();
    ASSERT_EQ(2, tree->topLevelItemCount());
    EXPECT_EQ(1, tree->topLevelItem(0)->childCount());
    EXPECT_EQ(0, tree->topLevelItem(1)->childCount()) << "an empty group has no children";
    ASSERT_NE(nullptr, tree->Record(tree->topLevelItem(0)));
    EXPECT_EQ(255, tree->Record(tree->topLevelItem(0))->color);
    EXPECT_EQ(nullptr, tree->Record(tree->topLevelItem(1)));
    EXPECT_TRUE(f.messages.texts.isEmpty());

    ASSERT_EQ(1, f.http.seen().size());
    EXPECT_EQ("GET", f.http.seen()[0].method);
    EXPECT_EQ("Tarvolin|u1|tok", f.http.seen()[0].header("Access-Token"));

    // Loaded once: a second start asks nothing.
    f.dialog->StartTemplateDownload();
    EXPECT_EQ(1, f.http.seen().size());
}

TEST(QuorvexTemplates, FailuresShowTheirMessagesAndTheNextShowTriesAgain)
{
    const quint16 refusing = closedPort();

    const struct {
        const char* what;
        CannedAnswer answer;
        bool refused;
        QStringList expected;
    } cases[] = {
        {"refused", {}, true, {"获取选股模板失败,请检查网络设置"}},
        {"500", {500, "{}", 0}, false, {"获取选股模板错误, 错误代码: 500"}},
        {"404", {404, "{}", 0}, false, {"获取选股模板错误, 错误代码: 404"}},
        {"bad JSON", {200, "[{", 0}, false, {"解析条件模板错误", "解析选股模板失败"}},
        {"not an array", {200, "{\"a\":1}", 0}, false, {"解析条件模板错误", "解析选股模板失败"}},
        {"short body", {200, kTemplates, 40}, false, {"获取选股模板失败,请检查网络设置"}},
    };
    for (const auto& c : cases) {
        DialogFixture f;
        f.http.set("/condition-template.json", c.answer);
        if (c.refused)
            f.dialog->SetTexts("Tarvolin", QStringLiteral("http://127.0.0.1:%1").arg(refusing), "u1", "");
        EXPECT_FALSE(f.loadTemplates()) << c.what;
        EXPECT_EQ(c.expected, f.messages.texts) << c.what;
        EXPECT_EQ(0, f.dialog->TemplateTask()) << c.what;

        // Fixed service: the next show downloads again and succeeds.
        f.http.set("/condition-template.json", CannedAnswer{200, kTemplates, 0});
        f.dialog->SetTexts("Tarvolin", f.http.base(), "u1", "");
        EXPECT_TRUE(f.loadTemplates()) << c.what;
        EXPECT_EQ(2, f.dialog->Templates().size()) << c.what;
    }
}

TEST(QuorvexTemplates, PanelConditionsAndTheirLines)
{
    DialogFixture f;
    ASSERT_TRUE(f.loadTemplates());
    auto* list = f.dialog->findChild<QListWidget*>(QStringLiteral("1003"));
    auto* group = f.dialog->findChild<QGroupBox*>(QStringLiteral("1010"));
    auto* period = f.dialog->findChild<QComboBox*>(QStringLiteral("1012"));
    ASSERT_TRUE(list && group && period);
    EXPECT_EQ(9, period->count());
    EXPECT_EQ("日线", period->currentText());

    // A group item changes nothing.
    f.dialog->SelectTemplateItem(f.dialog->Tree()->topLevelItem(0));
    EXPECT_EQ(-1, f.dialog->CurrentTemplate());
    f.dialog->AddCondition();
    EXPECT_EQ(0, list->count());

    f.dialog->SelectTemplateItem(f.templateItem(0, 1));
    EXPECT_EQ(1, f.dialog->CurrentTemplate());
    EXPECT_EQ("参数设置 - 均线", group->title());
    EXPECT_EQ("5", f.dialog->Panel()->child(0)->GetText());
    EXPECT_EQ("10", f.dialog->Panel()->child(1)->GetText());

    f.addCondition(0, 1, {"5.50", "abc"}, 6);
    f.addCondition(0, 0, {"3"});
    f.addCondition(0, 0, {"3"});
    ASSERT_EQ(3, list->count());
    EXPECT_EQ("均线 周线 (5.5;0)", list->item(0)->text());
    EXPECT_EQ("涨幅大于 日线 (3)", list->item(1)->text());
    EXPECT_EQ(list->item(1)->text(), list->item(2)->text()) << "the same template twice gives two conditions";
    const ScreeningCondition& c = f.dialog->Conditions()[0];
    EXPECT_EQ(QByteArray("MA"), c.fmlName);
    EXPECT_EQ(QByteArray("5.5;0"), c.fmlParams);
    EXPECT_EQ(9, c.period);
    EXPECT_EQ(2, c.fmlType);
    EXPECT_EQ("5.5", c.tmpl.argRanges[0].value);

    // Showing a condition brings back its values and period.
    list->setCurrentRow(0);
    EXPECT_EQ("5.5", f.dialog->Panel()->child(0)->GetText());
    EXPECT_EQ(6, period->currentIndex());
    EXPECT_EQ("参数设置 - 均线", group->title());

    // Deleting: panel cleared, caption reset, adding does nothing until a template is clicked.
    list->setCurrentRow(1);
    f.dialog->DeleteCondition();
    EXPECT_EQ(2, list->count());
    EXPECT_EQ(2, f.dialog->Conditions().size());
    EXPECT_EQ("参数设置", group->title());
    EXPECT_EQ(5, period->currentIndex());
    EXPECT_FALSE(f.dialog->Panel()->HasTemplate());
    f.dialog->AddCondition();
    EXPECT_EQ(2, list->count());
}

TEST(QuorvexTemplates, ScopeButtonNotifiesWithoutItems)
{
    DialogFixture f;
    f.dialog->findChild<QPushButton*>(QStringLiteral("1011"))->click();
    ASSERT_EQ(1u, f.receiver.seen.size());
    EXPECT_EQ(NotifyScope, f.receiver.seen[0].type);
    EXPECT_EQ(0, f.receiver.seen[0].count);
    EXPECT_TRUE(f.receiver.seen[0].itemsNull);
}

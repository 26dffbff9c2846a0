// A dialog made directly, talking to a LoopbackHttp, with its notifications
// going to a NotifyReceiver and its message boxes recorded.
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <memory>

#include "editspin.h"
#include "formulaparameditor.h"
#include "helpers.h"
#include "quorvexdialog.h"
#include "testhttp.h"
#include "treectrlex.h"

// Two groups: two well-formed items and two malformed ones, then an empty group.
inline const QByteArray kTemplates = R"([
 {"title":"行情","color":255,"items":[
  {"title":"涨幅大于","content":"当日涨幅大于{}%","key":"ZF","fml_type":1,"argRanges":["1,-10,10"]},
  {"title":"坏键","content":"x","key":7,"fml_type":1,"argRanges":[]},
  {"title":"均线","content":"MA{}上穿MA{}","key":"MA","fml_type":2,"argRanges":["5,1,250","10,,250"],"color":65280},
  {"title":"无类型","content":"x","key":"NT","argRanges":[]}]},
 {"title":"空组","items":[]}])";

constexpr int kNotifyType = 1000 + 7;  // QEvent::User + 7

struct DialogFixture {
    explicit DialogFixture(const QByteArray& token = QByteArray())
    {
        http.set("/condition-template.json", CannedAnswer{200, kTemplates, 0});
        dialog = std::make_unique<CQuorvexDialog>(dir.path() + QStringLiteral("/Tarvolin-u1.dat"), 0);
        dialog->SetTexts(QStringLiteral("Tarvolin"), http.base(), QStringLiteral("u1"), QString::fromUtf8(token));
        dialog->SetNotifyTarget(&receiver, kNotifyType);
    }
    bool loadTemplates()
    {
        dialog->StartTemplateDownload();
        return waitUntil([this] { return dialog->TemplateTask() == 0 || !dialog->Templates().isEmpty(); }) &&
               !dialog->Templates().isEmpty();
    }
    QTreeWidgetItem* templateItem(int group, int child) const
    {
        return dialog->Tree()->topLevelItem(group)->child(child);
    }
    // Picks a template, types values into its boxes and adds the condition.
    static void addConditionTo(CQuorvexDialog* d, int group, int child, const QStringList& values,
                               int periodPosition = 5)
    {
        d->SelectTemplateItem(d->Tree()->topLevelItem(group)->child(child));
        for (int i = 0; i < values.size(); ++i)
            d->Panel()->child(i)->Set(values[i], QString(), QString());
        d->findChild<QComboBox*>(QStringLiteral("1012"))->setCurrentIndex(periodPosition);
        d->AddCondition();
    }
    void addCondition(int group, int child, const QStringList& values, int periodPosition = 5)
    {
        addConditionTo(dialog.get(), group, child, values, periodPosition);
    }
    bool screenAndWait()
    {
        const int before = http.seen().size();
        dialog->Screen();
        return waitUntil([this] { return dialog->findChild<QPushButton*>(QStringLiteral("1009"))->isEnabled(); }) &&
               http.seen().size() >= before;
    }

    QTemporaryDir dir;
    LoopbackHttp http;
    RecordedMessages messages;
    NotifyReceiver receiver{kNotifyType};
    std::unique_ptr<CQuorvexDialog> dialog;
};

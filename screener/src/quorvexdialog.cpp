#include "quorvexdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidgetItem>

#include "formulaparameditor.h"
#include "messageboxes.h"
#include "treectrlex.h"

// The dialog's icon 1001 lives in the library's resources.
static void initResources()
{
    Q_INIT_RESOURCE(quorvex);
}

namespace {

constexpr int kTemplateIndexRole = Qt::UserRole;

enum class Kind { Tree, GroupBox, Static, Combo, Panel, ListBox, Button, ListView, OkButton };

struct ControlEntry {
    int id;  // -1: none
    Kind kind;
    const char* caption;
    int x, y, w, h;  // dialog units
};

// Dialog template 1000, 478 by 290 dialog units.
const ControlEntry kControls[] = {
    {1000, Kind::Tree, "", 6, 6, 132, 276},
    {1010, Kind::GroupBox, "参数设置", 144, 6, 210, 126},
    {-1, Kind::Static, "数据周期", 150, 18, 36, 12},
    {1012, Kind::Combo, "", 192, 18, 48, 30},
    {1007, Kind::Panel, "自定义1", 150, 36, 198, 90},
    {-1, Kind::GroupBox, "选股条件", 144, 138, 210, 120},
    {1003, Kind::ListBox, "", 150, 150, 198, 84},
    {1005, Kind::Button, "加入条件", 180, 240, 50, 14},
    {1006, Kind::Button, "删除条件", 240, 240, 50, 14},
    {-1, Kind::GroupBox, "我的收藏", 360, 6, 114, 276},
    {1016, Kind::ListView, "", 366, 18, 102, 240},
    {1017, Kind::Button, "收藏", 298, 240, 50, 14},
    {1018, Kind::Button, "删除", 366, 264, 50, 14},
    {1019, Kind::Button, "重命名", 420, 264, 50, 14},
    {1011, Kind::Button, "选股范围", 180, 264, 50, 14},
    {1009, Kind::Button, "选股", 240, 264, 50, 14},
    {1, Kind::OkButton, "确定", 298, 264, 50, 14},
};
constexpr int kDialogWidth = 478, kDialogHeight = 290;
// The height a drop-down list takes closed, in dialog units.
constexpr int kComboClosedHeight = 12;

// Dialog units to pixels: horizontal units are a quarter of the font's
// average character width, vertical units an eighth of its height.
struct DialogUnits {
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics fm(font);
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
        baseY = fm.height();
    }
    int x(int units) const { return units * baseX / 4; }
    int y(int units) const { return units * baseY / 8; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }
    int baseX, baseY;
};

QString controlName(int id)
{
    return id < 0 ? QString() : QString::number(id);
}

}  // namespace

CQuorvexDialog::CQuorvexDialog(const QString& favouritesPath, int option, const QString& legacyPath)
    : QDialog(nullptr), option_(option), favouritesPath_(favouritesPath), legacyPath_(legacyPath)
{
    setObjectName(QStringLiteral("1000"));
    setWindowTitle(QStringLiteral("Quorvex"));
    initResources();
    setWindowIcon(QIcon(QStringLiteral(":/quorvex/1001.png")));
    setModal(false);
    buildControls();
    loadFavourites();
    if (option_ & 1)
        scopeButton_->hide();
}

CQuorvexDialog::~CQuorvexDialog() = default;

void CQuorvexDialog::buildControls()
{
    const DialogUnits du(font());
    for (const ControlEntry& entry : kControls) {
        const QString caption = QString::fromUtf8(entry.caption);
        const QRect r = du.rect(entry.x, entry.y, entry.w, entry.h);
        QWidget* w = nullptr;
        switch (entry.kind) {
        case Kind::Tree:
            tree_ = new CTreeCtrlEx(this);
            connect(tree_, &QTreeWidget::itemClicked, this,
                    [this](QTreeWidgetItem* item) { SelectTemplateItem(item); });
            w = tree_;
            break;
        case Kind::GroupBox: {
            auto* box = new QGroupBox(caption, this);
            if (entry.id == 1010)
                paramGroup_ = box;
            w = box;
            break;
        }
        case Kind::Static:
            w = new QLabel(caption, this);
            break;
        case Kind::Combo:
            period_ = new QComboBox(this);
            for (int i = 0; i < kPeriodCount; ++i)
                period_->addItem(periodText(i));
            period_->setCurrentIndex(kDefaultPeriodPosition);
            w = period_;
            break;
        case Kind::Panel:
            panel_ = new CFormulaParamEditor(this);
            panel_->setWindowTitle(caption);
            panel_->SetFont(font());  // a copy of the dialog's font
            w = panel_;
            break;
        case Kind::ListBox:
            conditionList_ = new QListWidget(this);
            connect(conditionList_, &QListWidget::currentRowChanged, this, [this](int row) { ShowCondition(row); });
            w = conditionList_;
            break;
        case Kind::ListView:
            favouriteList_ = new QListWidget(this);
            favouriteList_->setViewMode(QListView::ListMode);
            favouriteList_->setSelectionMode(QAbstractItemView::SingleSelection);
            favouriteList_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
            connect(favouriteList_, &QListWidget::itemClicked, this,
                    [this](QListWidgetItem* item) { ApplyFavourite(favouriteList_->row(item)); });
            connect(favouriteList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
                const int row = favouriteList_->row(item);
                if (row >= 0 && row < favourites_.size())
                    favourites_[row].name = item->text();
            });
            w = favouriteList_;
            break;
        case Kind::Button:
        case Kind::OkButton: {
            auto* button = new QPushButton(caption, this);
            button->setAutoDefault(false);
            switch (entry.id) {
            case 1005:
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::AddCondition);
                break;
            case 1006:
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::DeleteCondition);
                break;
            case 1009:
                screenButton_ = button;
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::Screen);
                break;
            case 1011:
                scopeButton_ = button;
                connect(button, &QPushButton::clicked, this, [this] { Notify(NotifyScope, 0, nullptr); });
                break;
            case 1017:
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::AddFavourite);
                break;
            case 1018:
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::DeleteFavourite);
                break;
            case 1019:
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::RenameFavourite);
                break;
            case 1:
                button->setDefault(true);
                connect(button, &QPushButton::clicked, this, &CQuorvexDialog::accept);
                break;
            }
            w = button;
            break;
        }
        }
        w->setObjectName(controlName(entry.id));
        w->setGeometry(entry.kind == Kind::Combo ? du.rect(entry.x, entry.y, entry.w, kComboClosedHeight) : r);
    }
    setFixedSize(du.x(kDialogWidth), du.y(kDialogHeight));
}

void CQuorvexDialog::SetTexts(const QString& appName, const QString& host, const QString& user, const QString& token)
{
    appName_ = appName;
    host_ = host;
    user_ = user;
    token_ = token;
}

void CQuorvexDialog::SetNotifyTarget(QObject* target, int eventType)
{
    notifyTarget_ = target;
    notifyType_ = eventType;
}

bool CQuorvexDialog::HasNotifyTarget() const
{
    return notifyTarget_ && notifyType_ >= QEvent::User && notifyType_ <= QEvent::MaxUser;
}

// GUI thread. The receiver runs inside this call.
intptr_t CQuorvexDialog::Notify(int type, int count, void* items)
{
    if (!HasNotifyTarget())
        return 0;
    NotifyMsg msg{type, count, count > 0 ? items : nullptr};
    QuorvexNotifyEvent event(notifyType_, &msg);
    QCoreApplication::sendEvent(notifyTarget_, &event);
    return event.result;
}

QString CQuorvexDialog::tokenHeader() const
{
    if (token_.isEmpty())
        return {};
    const QString value = appName_ + QLatin1Char('|') + user_ + QLatin1Char('|') + token_;
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))) {
        qWarning("Quorvex: the access token holds a line break; the request goes without it");
        return {};
    }
    return QStringLiteral("Access-Token: ") + value + QStringLiteral("\r\n");
}

void CQuorvexDialog::message(const QString& text)
{
    // A server's text of megabytes would freeze the window while the box
    // lays it out.
    if (text.size() <= kMaxShownText) {
        MessageBoxes::instance().show(this, text);
        return;
    }
    const int cut = text.at(kMaxShownText - 1).isHighSurrogate() ? kMaxShownText - 1 : kMaxShownText;
    MessageBoxes::instance().show(this, text.left(cut) + QStringLiteral("…"));
}

void CQuorvexDialog::StartTemplateDownload()
{
    if (templateTask_ >= 1)
        return;
    FCHttpRequestHeader h;
    h.verb = FCHttpRequestHeader::Get;
    h.url = host_ + QStringLiteral("/condition-template.json");
    h.headers = tokenHeader();
    templateTask_ = AddRequest(h);
}

void CQuorvexDialog::OnRequestFinished(FCHttpRequest& request)
{
    if (request.taskId() == templateTask_)
        finishTemplates(request);
    else if (request.taskId() == screenTask_)
        finishScreening(request);
}

int CQuorvexDialog::FinishedStatus(const FCHttpRequest& r)
{
    const int status = r.response().status;
    return status == 200 && !r.response().readOk ? -1 : status;
}

void CQuorvexDialog::finishTemplates(FCHttpRequest& request)
{
    const int status = FinishedStatus(request);
    if (status == 200) {
        if (!parseTemplates(ReceiveBody(request))) {
            message(QStringLiteral("解析选股模板失败"));
            templateTask_ = 0;
        }
    } else if (status == -1) {
        message(QStringLiteral("获取选股模板失败,请检查网络设置"));
        templateTask_ = 0;
    } else {
        message(QStringLiteral("获取选股模板错误, 错误代码: %1").arg(status));
        templateTask_ = 0;
    }
}

bool CQuorvexDialog::parseTemplates(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) {
        message(QStringLiteral("解析条件模板错误"));
        return false;
    }
    const auto colorOf = [](const QJsonObject& o) {
        const QJsonValue c = o.value(QLatin1String("color"));
        return c.isDouble() ? c.toInt(-1) : -1;
    };
    templates_.clear();
    current_ = -1;
    tree_->clear();
    tree_->clearRecords();
    for (const QJsonValue& g : doc.array()) {
        const QJsonObject group = g.toObject();
        const QJsonValue title = group.value(QLatin1String("title"));
        if (!g.isObject() || !title.isString()) {
            qWarning("Quorvex: a template group without a title text is skipped");
            continue;
        }
        const int groupColor = colorOf(group);
        auto* root = new QTreeWidgetItem(tree_, QStringList(title.toString()));
        root->setData(0, kTemplateIndexRole, -1);
        if (groupColor != -1)
            tree_->SetItemColor(root, groupColor);
        for (const QJsonValue& i : group.value(QLatin1String("items")).toArray()) {
            const QJsonObject item = i.toObject();
            const QJsonValue t = item.value(QLatin1String("title")), content = item.value(QLatin1String("content")),
                             key = item.value(QLatin1String("key")), type = item.value(QLatin1String("fml_type")),
                             ranges = item.value(QLatin1String("argRanges"));
            bool wellFormed = t.isString() && content.isString() && key.isString() && type.isDouble() &&
                              (ranges.isUndefined() || ranges.isArray());
            for (const QJsonValue& r : ranges.toArray())
                wellFormed = wellFormed && r.isString();
            if (!wellFormed) {
                qWarning("Quorvex: a malformed template item is skipped");
                continue;
            }
            ConditionTemplate tmpl;
            tmpl.title = t.toString();
            tmpl.content = content.toString();
            tmpl.key = key.toString().toUtf8();
            tmpl.fmlType = type.toInt();
            NotifyTemplateItem offered{reinterpret_cast<const char16_t*>(tmpl.title.utf16()), tmpl.key.constData()};
            if (Notify(NotifyTemplate, 1, &offered) != 0)
                continue;
            tmpl.color = colorOf(item);
            for (const QJsonValue& r : ranges.toArray())
                tmpl.argRanges.append(ArgRange::FromText(r.toString()));
            auto* child = new QTreeWidgetItem(root, QStringList(tmpl.title));
            child->setData(0, kTemplateIndexRole, templates_.size());
            if (tmpl.color != -1)
                tree_->SetItemColor(child, tmpl.color);
            templates_.append(std::move(tmpl));
        }
    }
    tree_->expandAll();
    relinkFavourites();
    const QSignalBlocker block(conditionList_);
    conditionList_->clear();
    conditions_.clear();
    return true;
}

void CQuorvexDialog::setParamCaption(const QString* title)
{
    paramGroup_->setTitle(title ? QStringLiteral("参数设置 - ") + *title : QStringLiteral("参数设置"));
}

void CQuorvexDialog::SelectTemplateItem(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const int index = item->data(0, kTemplateIndexRole).toInt();
    if (index < 0 || index >= templates_.size())
        return;
    current_ = index;
    panel_->ShowTemplate(templates_[index]);
    period_->setCurrentIndex(kDefaultPeriodPosition);
    setParamCaption(&templates_[index].title);
}

void CQuorvexDialog::appendCondition(const ScreeningCondition& c)
{
    conditions_.append(c);
    const QSignalBlocker block(conditionList_);
    conditionList_->addItem(conditionLine(c));
}

void CQuorvexDialog::AddCondition()
{
    if (current_ < 0 || current_ >= templates_.size() || !panel_->HasTemplate())
        return;
    const QStringList values = panel_->ReadValues();
    ScreeningCondition c;
    c.tmpl = templates_[current_];
    c.fmlName = c.tmpl.key;
    c.period = period_->currentIndex() + 3;
    c.fmlType = c.tmpl.fmlType;
    c.fmlParams = values.join(QLatin1Char(';')).toUtf8();
    for (int i = 0; i < values.size() && i < c.tmpl.argRanges.size(); ++i)
        c.tmpl.argRanges[i].value = values[i];
    appendCondition(c);
}

void CQuorvexDialog::DeleteCondition()
{
    const int row = conditionList_->currentRow();
    if (row < 0 || row >= conditions_.size() || conditionList_->selectedItems().isEmpty())
        return;
    panel_->ShowTemplate(std::nullopt);
    period_->setCurrentIndex(kDefaultPeriodPosition);
    setParamCaption(nullptr);
    {
        const QSignalBlocker block(conditionList_);
        delete conditionList_->takeItem(row);
        conditionList_->setCurrentRow(-1);
    }
    conditions_.remove(row);
    current_ = -1;
}

void CQuorvexDialog::ShowCondition(int row)
{
    if (row < 0 || row >= conditions_.size())
        return;
    const ScreeningCondition& c = conditions_[row];
    panel_->ShowTemplate(c.tmpl);
    // A period outside 3..11 (from a damaged file) shows the default position.
    const int position = c.period - 3;
    period_->setCurrentIndex(position >= 0 && position < kPeriodCount ? position : kDefaultPeriodPosition);
    setParamCaption(&c.tmpl.title);
}

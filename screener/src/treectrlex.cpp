#include "treectrlex.h"

#include <QApplication>
#include <QStyledItemDelegate>

namespace {
constexpr int kBoldRole = Qt::UserRole + 1;
}

QColor colorFromRef(int color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

class CTreeCtrlEx::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(CTreeCtrlEx* tree) : QStyledItemDelegate(tree), tree_(tree) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        QTreeWidgetItem* item = tree_->itemFromIndex(index);
        const bool selected = option->state & QStyle::State_Selected;
        if (const auto style = tree_->StyleFor(item, selected, tree_->hasFocus())) {
            option->font = style->font;
            option->palette.setColor(QPalette::Text, style->color);
            option->palette.setColor(QPalette::HighlightedText, style->color);
            // Selected in an unfocused tree: the record's colour on the window colour.
            if (selected) {
                option->state &= ~QStyle::State_Selected;
                option->backgroundBrush = option->palette.base();
            }
        }
    }

private:
    CTreeCtrlEx* tree_;
};

CTreeCtrlEx::CTreeCtrlEx(QWidget* parent) : QTreeWidget(parent)
{
    setItemDelegate(new Delegate(this));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    QTreeWidgetItem* item = itemFromIndex(model()->index(row, 0, parent));
                    records_.remove(item);
                }
            });
}

void CTreeCtrlEx::SetItemColor(QTreeWidgetItem* item, int color)
{
    Color_Font& r = records_[item];  // a new record starts without a face name
    r.color = color;
    viewport()->update();
}

void CTreeCtrlEx::SetItemBold(QTreeWidgetItem* item, bool bold)
{
    item->setData(0, kBoldRole, bold);
    QFont f = item->font(0);
    f.setBold(bold);
    item->setFont(0, f);
}

bool CTreeCtrlEx::IsItemBold(QTreeWidgetItem* item) const
{
    return item->data(0, kBoldRole).toBool();
}

const CTreeCtrlEx::Color_Font* CTreeCtrlEx::Record(QTreeWidgetItem* item) const
{
    const auto it = records_.constFind(item);
    return it == records_.constEnd() ? nullptr : &it.value();
}

std::optional<CTreeCtrlEx::TextStyle> CTreeCtrlEx::StyleFor(QTreeWidgetItem* item, bool selected, bool focused) const
{
    const Color_Font* r = Record(item);
    if (!r || (selected && focused))
        return std::nullopt;
    TextStyle s;
    s.font = r->hasFont ? r->font : font();
    s.font.setWeight(IsItemBold(item) ? QFont::Bold : s.font.weight());
    s.color = r->color == -1 ? palette().color(QPalette::WindowText) : colorFromRef(r->color);
    return s;
}

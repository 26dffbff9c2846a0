// CTreeCtrlEx: the template tree, with a text colour and font per item. An
// item with a record is drawn in its colour (bold when the item is bold),
// except while it is selected in the focused tree.
#ifndef QUORVEX_TREECTRLEX_H
#define QUORVEX_TREECTRLEX_H

#include <QColor>
#include <QFont>
#include <QHash>
#include <QTreeWidget>
#include <optional>

class CTreeCtrlEx : public QTreeWidget {
    Q_OBJECT
public:
    struct Color_Font {
        int color = -1;  // 0x00BBGGRR; -1: the system's window-text colour
        QFont font;      // used when its family is set, else the tree's font
        bool hasFont = false;
    };

    explicit CTreeCtrlEx(QWidget* parent = nullptr);

    void SetItemColor(QTreeWidgetItem* item, int color);
    void SetItemBold(QTreeWidgetItem* item, bool bold);
    bool IsItemBold(QTreeWidgetItem* item) const;
    const Color_Font* Record(QTreeWidgetItem* item) const;

    // What painting uses for an item: none when the default look stays.
    struct TextStyle {
        QColor color;
        QFont font;
    };
    std::optional<TextStyle> StyleFor(QTreeWidgetItem* item, bool selected, bool focused) const;

    void clearRecords() { records_.clear(); }

private:
    class Delegate;
    QHash<QTreeWidgetItem*, Color_Font> records_;
};

QColor colorFromRef(int color);

#endif

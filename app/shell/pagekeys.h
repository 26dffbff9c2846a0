// Keys typed while a web page inside the tab area has the keyboard. The page
// takes a key only after its own round trip to the engine, and gives back
// none the tab area needs in time, so those the page does not use go straight
// to the tab area's items (from the page's parent up), as if the page had no
// keyboard: digits and letters outside an editable field (the quick-command
// box), Esc and the program's keys (Ctrl+W, Ctrl+Tab, Ctrl+Shift+Tab). A key
// nobody there takes still reaches the page.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QQuickItem;
class QQuickWindow;

class PageKeys : public QObject {
    Q_OBJECT
    // The tab area: keys go to it only from pages inside it.
    Q_PROPERTY(QQuickItem* area READ area WRITE setArea NOTIFY areaChanged)
public:
    explicit PageKeys(QObject* parent = nullptr);
    ~PageKeys() override;

    QQuickItem* area() const;
    void setArea(QQuickItem* area);

    // Whether the tab area takes a pressed key from a page, by the key, its
    // modifiers, its text and whether the page's focus is an editable field.
    static bool tabAreaTakes(int key, Qt::KeyboardModifiers modifiers, const QString& text, bool editable);

    // GUI thread: the area's window's key presses.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void areaChanged();

private:
    void watchWindow();

    QPointer<QQuickItem> area_;
    QPointer<QQuickWindow> window_;
};

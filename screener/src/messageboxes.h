// Every message box of the library goes through one MessageBoxes object, so
// tests can read the texts instead of blocking in a modal loop.
#ifndef QUORVEX_MESSAGEBOXES_H
#define QUORVEX_MESSAGEBOXES_H

#include <QString>

class QWidget;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // GUI thread. Shows text in a modal box owned by parent.
    virtual void show(QWidget* parent, const QString& text) = 0;

    // The process-wide instance (a QMessageBox one by default). Setting null
    // restores the default; the caller keeps ownership of what it sets.
    static MessageBoxes& instance();
    static void setInstance(MessageBoxes* boxes);
};

#endif

// The one way the updater shows a message box, so tests can read the texts
// instead of blocking on a modal window.
#pragma once

#include <QString>

class QWidget;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A critical message box with one OK button; returns when it is closed.
    virtual void critical(QWidget* parent, const QString& title, const QString& text) = 0;
};

// The real boxes (QMessageBox).
class WidgetMessageBoxes : public MessageBoxes {
public:
    void critical(QWidget* parent, const QString& title, const QString& text) override;
};

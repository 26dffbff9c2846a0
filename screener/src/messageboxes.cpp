#include "messageboxes.h"

#include <QMessageBox>

namespace {

class WidgetMessageBoxes : public MessageBoxes {
public:
    void show(QWidget* parent, const QString& text) override
    {
        QMessageBox::information(parent, QStringLiteral("Quorvex"), text);
    }
};

WidgetMessageBoxes g_default;
MessageBoxes* g_current = &g_default;

}  // namespace

MessageBoxes& MessageBoxes::instance()
{
    return *g_current;
}

void MessageBoxes::setInstance(MessageBoxes* boxes)
{
    g_current = boxes ? boxes : &g_default;
}

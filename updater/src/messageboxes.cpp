#include "messageboxes.h"

#include <QMessageBox>

void WidgetMessageBoxes::critical(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

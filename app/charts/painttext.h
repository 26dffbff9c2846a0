// The text note and its editor.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include "charts/paintmethods.h"

class CPaintText : public CPaintMethodBase, public IPaintTextEditor {
public:
    CPaintText();
    void setStartPoint(int x, int y) override;
    bool hitShape(int x, int y) override;
    void drawShape(int x1, int y1, int x2, int y2) override;
    void drawLabels(int, int, int, int) override {}
    json_node* toJson() const override;
    void loadJson(const json_node* obj) override;
    IPaintTextEditor* textEditor() override { return this; }
    void openEditor() override;
    uint editId() const override { return editId_; }
    void setEditText(const QString& text, const QFont& font) override;

    QString text;
    QFont font;
    QRect textRect;

private:
    uint editId_ = 0;
};

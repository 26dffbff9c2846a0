// CPaintBoard: the drawing tools of one chart. It creates a tool on the press
// after one was chosen, lets the user drag its points, selects tools under
// the hovering mouse, carries out the tool menu's commands, paints every tool
// and turns them into the chart's drawing-tool document.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "charts/painttoolfactory.h"

class QChart;
class QPainter;

class CPaintBoard : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<std::unique_ptr<CPaintMethodBase>()>;

    explicit CPaintBoard(QObject* parent = nullptr);
    ~CPaintBoard() override;

    // GUI thread, as every operation.
    void attachChart(QChart* chart);
    // The board takes ownership of tools added here (not of the full-rectangle tool).
    void addTool(CPaintMethodBase* tool);
    void setFullRectTool(CPaintMethodBase* tool);
    void clear();
    void setIdentity(const QString& code, int market, int cycle);
    bool hasIdentity(const QString& code, int market, int cycle) const;
    void paintAll(QPainter* painter);
    // The document object {"paintArray": [...]}: the tools, then the
    // elements kept as read; the caller frees it.
    json_node* toJson() const;
    // Restores the tools of a document's "paintArray". An element this
    // version cannot make a tool of (a type it does not know) is kept as it
    // was read and goes back into the file. False when the document holds no
    // "paintArray" array: it is not a drawing file.
    bool loadJson(const json_node* root);

    // x moved to the centre of the bar under it; the raw point is kept.
    int snapX(int x, int y);

    bool mouseDown(uint flags, int x, int y);
    bool mouseUp(uint flags, int x, int y);
    bool mouseLeave(uint flags, int x, int y);
    bool mouseMove(uint buttons, int x, int y);
    bool rightButtonDown(uint flags, int x, int y);
    void styleCommand(int type, int value);
    void setEditText(uint editId, const QString& text, const QString& color, const QString& font);

    // Choosing a tool also leaves the last tool menu behind: with a menu
    // target kept, a press would not create the chosen tool.
    void setPendingFactory(Factory f)
    {
        pending_ = std::move(f);
        if (pending_)
            menuTarget_ = nullptr;
    }
    bool hasPendingFactory() const { return bool(pending_); }
    // An inactive board shows no tool as hovered.
    void setActive(bool a)
    {
        active_ = a;
        if (!a && current_ && !waitThird_ && !creating_) {
            select(current_, false);
            current_ = nullptr;
        }
    }
    void deselect() { current_ = nullptr; }
    bool active() const { return active_; }

    const std::vector<CPaintMethodBase*>& tools() const { return tools_; }
    CPaintMethodBase* current() const { return current_; }
    CPaintMethodBase* menuTarget() const { return menuTarget_; }
    CPaintMethodBase* fullRectTool() const { return fullRect_; }
    bool waitingForThird() const { return waitThird_; }
    // Whether the tools changed since the last load or save.
    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }

signals:
    void paintComplete(void* tool);

private:
    bool press(uint flags, int x, int y);
    bool inPlot(const CPaintMethodBase* t, int x, int y) const;
    QRect layerRect() const;
    void select(CPaintMethodBase* t, bool on);
    void destroy(CPaintMethodBase* t);
    void finish();
    void repaint();

    bool creating_ = false, waitThird_ = false, active_ = false, modified_ = false;
    bool dragStart_ = false, dragMid_ = false, dragEnd_ = false;
    bool dragged_ = false;  // the held button moved a tool since the press
    bool pressed_ = false;  // the board took the press of the held button
    std::vector<CPaintMethodBase*> tools_;
    CPaintMethodBase* fullRect_ = nullptr;
    CPaintMethodBase* current_ = nullptr;
    Factory pending_;
    CPaintMethodBase* menuTarget_ = nullptr;
    std::vector<std::string> foreign_;  // file elements kept as read, as JSON text
    QPoint last_{-1, -1};
    QPoint raw_{-1, -1};
    QChart* chart_ = nullptr;
    QString code_;
    int market_ = 0, cycle_ = 0;
};

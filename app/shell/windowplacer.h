// Opens every secondary window over the main window: a window that is shown
// without a position of its own (news pages, message boxes, 详情, the small
// input windows) is centred on the window it belongs to, inside that window's
// screen, instead of wherever the window manager puts new windows.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

class QWindow;

class WindowPlacer : public QObject {
    Q_OBJECT
public:
    // owner names the main window of the moment (null while there is none).
    explicit WindowPlacer(std::function<QWindow*()> owner, QObject* parent = nullptr);

    // Where a window of size goes centred on owner, moved inside available
    // (its top-left corner wins when it is larger).
    static QPoint centredOver(const QRect& owner, const QSize& size, const QRect& available);

    // GUI thread: places a top-level window on its first show.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QWindow*()> owner_;
};

// QChart's drawing board, drawing file and interval statistics.
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "charts/core/intervalstats.h"
#include "charts/cpaintboard.h"
#include "charts/paintfullrect.h"
#include "charts/painttext.h"
#include "charts/qchart.h"
#include "shell/core/codefilename.h"
#include "shell/hfileio.h"
#include "shell/hutil.h"

// GUI thread. Called from the constructor.
void QChart::initPaintBoard()
{
    board_ = new CPaintBoard(this);
    fullRect_ = std::make_unique<CPaintFullRect>();
    fullRect_->setChart(this);
    board_->attachChart(this);
    connect(board_, &CPaintBoard::paintComplete, this, &QChart::onPaintComplete);
}

// GUI thread. Called from the destructor: unsaved drawings reach their file.
void QChart::closePaintBoard()
{
    if (board_ && board_->modified() && !paintCode_.isEmpty())
        savePaintData(paintCode_, paintMarket_, paintCycle_);
    delete board_;
    board_ = nullptr;
}

// GUI thread. The tools go into an image of the item's size (kept between
// paints) and only its plot part is drawn, so tools are clipped to the plot.
void QChart::paintDrawingTools(QPainter* painter, const QRect& plot)
{
    fullRect_->setRect(plot);
    if (!board_ || board_->tools().empty() || plot.isEmpty()) {
        if (!board_ || board_->tools().empty())
            toolImage_ = QImage();
        return;
    }
    const qreal dpr = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0;
    const QSize size(int(width() * dpr), int(height() * dpr));
    if (toolImage_.size() != size || toolImage_.devicePixelRatio() != dpr) {
        toolImage_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        toolImage_.setDevicePixelRatio(dpr);
    }
    toolImage_.fill(Qt::transparent);
    QImage& image = toolImage_;
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        // Tools take whole-pixel points: through the pixel centres a 1-pixel
        // line stays one crisp pixel under antialiasing instead of two grey ones.
        p.translate(0.5, 0.5);
        board_->paintAll(&p);
    }
    const QRectF source(plot.x() * dpr, plot.y() * dpr, plot.width() * dpr, plot.height() * dpr);
    painter->drawImage(QRectF(plot), image, source);
}

namespace {
// Hands a mouse event to the board at the snapped x; true when the board took it.
bool toBoard(CPaintBoard* b, bool (CPaintBoard::*event)(uint, int, int), uint flags, int x, int y)
{
    return b && (b->*event)(flags, b->snapX(x, y), y);
}

// As toBoard, repainting the chart when the board took the event.
bool toBoardUpdating(QChart* chart, CPaintBoard* b, bool (CPaintBoard::*event)(uint, int, int), uint flags, int x,
                     int y)
{
    const bool r = toBoard(b, event, flags, x, y);
    if (r)
        chart->update();
    return r;
}
}  // namespace

bool QChart::onLButtonDown(uint nFlags, int x, int y)
{
    return toBoardUpdating(this, board_, &CPaintBoard::mouseDown, nFlags, x, y);
}

bool QChart::onLButtonUp(uint nFlags, int x, int y)
{
    if (!board_)
        return false;
    const bool r = toBoard(board_, &CPaintBoard::mouseUp, nFlags, x, y);
    update();
    return r;
}

bool QChart::onLButtonLeave(uint nFlags, int x, int y)
{
    return toBoardUpdating(this, board_, &CPaintBoard::mouseLeave, nFlags, x, y);
}

bool QChart::onRButtonDown(uint nFlags, int x, int y)
{
    return toBoardUpdating(this, board_, &CPaintBoard::rightButtonDown, nFlags, x, y);
}

bool QChart::onMousePaintBoard(uint buttons, int x, int y)
{
    return toBoardUpdating(this, board_, &CPaintBoard::mouseMove, buttons, x, y);
}

void QChart::setPaintBoardActive(bool active)
{
    if (!board_)
        return;
    board_->setActive(active);
    // Before the bars arrive the drawings just read stay as they are.
    if (getFirstKLineSize() > 0)
        board_->attachChart(this);
    update();
}

void QChart::setPaintBoardEditText(uint editP, QString text, QString color, QString font)
{
    if (board_)
        board_->setEditText(editP, text, color, font);
}

// An empty name (the pointer) leaves no tool chosen; "clear" empties the board.
void QChart::setPaintBoardQChart(QString className)
{
    if (!board_)
        return;
    if (className == QLatin1String("clear")) {
        board_->clear();
        return;
    }
    if (!isPaintToolName(className) || className.endsWith(QLatin1String("FullRect"))) {
        board_->setPendingFactory(nullptr);
        return;
    }
    board_->setPendingFactory([className] { return createPaintTool(className); });
}

void QChart::setStyleCommand(int a_index, int c)
{
    if (board_)
        board_->styleCommand(a_index, c);
}

int QChart::getPaintMenuColor() const
{
    const CPaintMethodBase* t = board_ ? board_->menuTarget() : nullptr;
    return t ? int(t->pen.color & 0xFFFFFF) : -1;
}

void QChart::requestTextDialog(uint editId, const QString& text, const QString& color, const QString& font)
{
    emit showTextDlg(this, QVariant(editId), QVariant(text), QVariant(color), QVariant(font));
}

// GUI thread. Loads the file of another stock or cycle; the drawings of the
// one shown before are saved first when they changed.
void QChart::parsePaintData(QString code, int market, int cycle)
{
    if (!board_ || board_->hasIdentity(code, market, cycle))
        return;
    if (board_->modified() && !paintCode_.isEmpty())
        savePaintData(paintCode_, paintMarket_, paintCycle_);
    board_->clear();
    board_->setIdentity(code, market, cycle);
    board_->setModified(false);
    paintCode_ = code;
    paintMarket_ = market;
    paintCycle_ = cycle;
    paintFileUnreadable_ = false;
    const std::string name = shellcore::drawingFileName(code.toStdString(), market, cycle);
    if (name.empty())
        return;
    const QByteArray text = HFileIO::readData(QString::fromStdString(name)).toUtf8();
    if (text.isEmpty())
        return;
    json_node* root = nullptr;
    if (json_parse_text(text.constData(), &root) != JSON_OK) {
        std::fputs("some problem occurred\n", stdout);
        paintFileUnreadable_ = true;
        return;
    }
    board_->attachChart(this);
    paintFileUnreadable_ = !board_->loadJson(root);
    json_free_tree(&root);
    board_->setModified(false);
    update();
}

// GUI thread. Only a board that changed is written: viewing a chart leaves
// its file as it is. A file that could not be read is kept as ".bad" before
// the first drawing takes its place; a failed save keeps the board changed,
// so the next one tries again.
void QChart::savePaintData(QString code, int market, int cycle)
{
    if (!board_ || !board_->modified())
        return;
    const std::string name = shellcore::drawingFileName(code.toStdString(), market, cycle);
    if (name.empty())
        return;
    const QString file = QString::fromStdString(name);
    if (paintFileUnreadable_ && code == paintCode_ && market == paintMarket_ && cycle == paintCycle_) {
        if (QFile::exists(HFileIO::dataPath(file)) && HFileIO::keepBadCopy(file).isEmpty())
            return;
        paintFileUnreadable_ = false;
    }
    json_node* root = board_->toJson();
    char* text = nullptr;
    if (root && json_to_text(root, &text) == JSON_OK && text) {
        if (HFileIO::writeData(file, QString::fromUtf8(text)))
            board_->setModified(false);
    }
    std::free(text);
    json_free_tree(&root);
}

// GUI thread. A finished interval rectangle brings its statistics; a new
// text tool asks for its text at once.
void QChart::onPaintComplete(void* tool)
{
    if (!tool || !board_)
        return;
    if (tool == fullRect_.get()) {
        // A rectangle dragged leftwards spans the same bars.
        if (fullRect_->end.set())
            setISStartEndIndex(std::min(fullRect_->start.index, fullRect_->end.index),
                               std::max(fullRect_->start.index, fullRect_->end.index));
        return;
    }
    for (CPaintMethodBase* t : board_->tools()) {
        if (t != tool)
            continue;
        auto* text = dynamic_cast<CPaintText*>(t);
        if (text && text->text.isEmpty())
            text->openEditor();
        return;
    }
}

// ---- Interval statistics ----

void QChart::startIS()
{
    if (!board_)
        return;
    board_->setPendingFactory(nullptr);
    fullRect_->reset();
    fullRect_->setChart(this);
    board_->setFullRectTool(fullRect_.get());
    // The next press starts the rectangle rather than moving the empty tool.
    board_->deselect();
    board_->setActive(true);
    update();
}

void QChart::clearIS()
{
    if (!board_)
        return;
    board_->setPendingFactory(nullptr);
    fullRect_->reset();
    board_->setFullRectTool(nullptr);
    update();
}

QJsonObject QChart::intervalStatistics(int anStart, int anEnd) const
{
    if (barLayers_.empty() || formulas_->layers().empty() || formulas_->layers().front()->empty())
        return QJsonObject();
    const std::vector<ChartBar>& bars = barLayers_.front()->bars;
    const chartcore::IntervalStats s = chartcore::intervalStats(bars.data(), int(bars.size()), anStart, anEnd);
    if (!s.ok)
        return QJsonObject();
    const int d = formulas_->layers().front()->front()->codeInfo.decimal;
    auto price = [d](float v) { return HUtil::formatPriceText(v, d); };
    // Percentages go through the price formatter: an exact 0 prints "-%".
    auto percent = [](double v) { return HUtil::formatPriceText(float(v), 2) + QLatin1Char('%'); };
    auto ratio = [&s, &percent](double v) { return s.hasRatios ? percent(v) : QStringLiteral("-"); };
    auto count = [](int n) { return QStringLiteral("%1个").arg(n); };
    auto row = [](const QString& name, const QString& value) {
        return QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("vol"), value}};
    };
    QJsonArray a1{row("总数", count(s.count)),
                  row("阴线", count(s.falling)),
                  row("起始价", price(s.refClose)),
                  row("最高", price(s.highest)),
                  row("涨幅", ratio(s.rise)),
                  row("振幅", ratio(s.amplitude)),
                  row("成交量", HUtil::formatVolText(float(s.volume)))};
    QJsonArray a2{row("阳线", count(s.rising)),
                  row("平线", count(s.flat)),
                  row("终止价", price(s.endClose)),
                  row("最低", price(s.lowest)),
                  row("涨跌", price(s.change)),
                  row("换手率", percent(s.turnover)),
                  row("成交金额", HUtil::formatVolText(float(s.amount)))};
    QJsonArray dates;
    auto date = [](int32_t t) { return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd")); };
    for (const ChartBar& b : bars)
        dates.append(date(b.time));
    return QJsonObject{{"array1", a1},
                       {"array2", a2},
                       {"dates", dates},
                       {"sdate", date(bars[size_t(s.start)].time)},
                       {"edate", date(bars[size_t(s.end)].time)}};
}

void QChart::setISStartEndIndex(int anStart, int anEnd)
{
    const QJsonObject json = intervalStatistics(anStart, anEnd);
    if (!json.isEmpty())
        emit showIntervalStatistics(json);
}

void QChart::setISStartEnd(QString asStart, QString asEnd)
{
    if (barLayers_.empty() || barLayers_.front()->bars.empty())
        return;
    const std::vector<ChartBar>& bars = barLayers_.front()->bars;
    int start = -1, end = -1;
    for (int i = 0; i < int(bars.size()) && end < 0; ++i) {
        const QString d = QDateTime::fromSecsSinceEpoch(bars[size_t(i)].time).toString(QStringLiteral("yyyy-MM-dd"));
        if (d == asStart)
            start = i;
        if (d == asEnd)
            end = i;
    }
    if (start >= 0 && end >= 0) {
        fullRect_->setChart(this);
        fullRect_->setBars(start, end);
        setISStartEndIndex(start, end);
    }
    update();
}

// QChart: one pane of a minute or K-line chart. It holds a bar store per
// layer (layer 0 its own stock, shared with the panes bound to it; further
// layers overlay stocks aligned to layer 0's time stamps) and its formulas
// (PaneFormulas: the formula machine and the slots, evaluated over the
// layers' bars), and lays out bar widths and value ranges for the painters.
#pragma once

#include <QImage>
#include <QJsonObject>
#include <QPointer>
#include <QVariant>

#include <memory>
#include <vector>

#include "charts/core/barmerge.h"
#include "charts/core/barstore.h"
#include "charts/ctxdata.h"
#include "charts/paneformulas.h"
#include "charts/shownpainteditem.h"
#include "fml.h"
#include "quote.h"

namespace formula {
class Formula;
}
class QDividendProcesser;
class CPaintBoard;
class CPaintFullRect;
class ChartTitleView;

// The item takes part in QML's parser status through QQuickItem.
class QChart : public ShownPaintedItem {
    Q_OBJECT
    friend class HistoryLoad;

public:
    explicit QChart(QQuickItem* parent = nullptr);
    ~QChart() override;

    void paint(QPainter* painter) override;

    // Formula slots.
    Q_INVOKABLE void appendFormula(uint index, QString name, QString scales, QString crosshair, uint make_color = 0);
    Q_INVOKABLE bool removeFormula(int vIndex, int aIndex);
    Q_INVOKABLE void clearFormula(bool bSaveFirst);
    Q_INVOKABLE void clearFormula(QString name);
    Q_INVOKABLE void clearFormulaOther(QString name);
    Q_INVOKABLE void replaceFormula(QString oName, QString nName);
    Q_INVOKABLE void replaceFormula(QString nName);
    Q_INVOKABLE void reLoadFormula();
    Q_INVOKABLE QVariant getFormulas() const;
    Q_INVOKABLE int getKLineCount() const { return int(barLayers_.size()); }
    Q_INVOKABLE int getFirstKLineSize() const;
    Q_INVOKABLE int getPointCount(int index) const;
    Q_INVOKABLE QString getMainName() const;
    Q_INVOKABLE int getDecimal() const;
    CTXData* getCTXData(uint index) const;
    std::vector<ChartBar>* getKData(uint index) const;

    // Data slots.
    Q_INVOKABLE void bindDataSignal(QObject* obj, int maxIndex);
    Q_INVOKABLE void bindSyncDataSignal(QObject* obj, int maxIndex);
    Q_INVOKABLE void setDividendCmd(QString cmd) { dividendCmd_ = cmd; }
    Q_INVOKABLE void resetBeginEndState(bool b = true) { reset_ = b; }
    Q_INVOKABLE void setCycle(int cycle) { cycle_ = cycle; }
    Q_INVOKABLE int getCycle() const { return cycle_; }
    Q_INVOKABLE void setLineType(QString type) { lineType_ = type; }
    Q_INVOKABLE QString getLineType() const { return lineType_; }

    // GUI thread. Evaluates every slot, then lays out geometry and ranges.
    void relayout();
    // GUI thread. Points the title bars at layer 0's slots and bar x (-1: the last).
    void updateTitleBarCTXData(int x);

    // Visible range, crosshair and pixel conversions (layer 0's first slot).
    Q_INVOKABLE int getXPoint(double x) const;
    Q_INVOKABLE int getPointX(double x) const;
    Q_INVOKABLE double getYPoint(int y) const;
    Q_INVOKABLE double getPointY(double y) const;
    Q_INVOKABLE int updateMousePoint(QChart* src, double x, double y);
    Q_INVOKABLE void updateCrosshairPos(int x_pos);
    Q_INVOKABLE int getCrosshairPos() const { return range_.crosshair; }
    Q_INVOKABLE int getMousePosX() const { return mouseX_; }
    Q_INVOKABLE int getMousePosY() const { return mouseY_; }
    Q_INVOKABLE int getkShowNumber() const { return kShowNumber_; }
    Q_INVOKABLE int getBegin() const { return range_.begin; }
    Q_INVOKABLE int getEnd() const { return range_.end; }
    Q_INVOKABLE void setkShowNumber(int n, bool reset = true);
    Q_INVOKABLE void updateReCalcShow(int begin, int end, int showNumber, int x_pos);
    Q_INVOKABLE void changeShowCrosshairLine() { setShowCrosshairLine(!crosshairShown_); }
    Q_INVOKABLE void setShowCrosshairLine(bool show);
    Q_INVOKABLE bool getShowCrosshairLine() const { return crosshairShown_; }
    // The bars a zoom rectangle from pixel left to pixel right selects, at least 9;
    // emits reCalcShow. False without bars.
    Q_INVOKABLE bool zoomToPixels(double left, double right);
    // Drag-scroll by one bar: toLeft moves the window one bar later.
    Q_INVOKABLE void dragScroll(bool toLeft);
    ChartBar* getPosKData(int pos) const;
    Q_INVOKABLE double getPosDataF(int x_pos, QString tag) const;
    Q_INVOKABLE double getPosDataF(QString tag) const { return getPosDataF(range_.crosshair, tag); }
    Q_INVOKABLE QString getPosDataS(int x_pos, QString tag) const;
    Q_INVOKABLE QString getPosDataS(QString tag) const { return getPosDataS(range_.crosshair, tag); }
    Q_INVOKABLE QString getPosTitle(int x) const;
    Q_INVOKABLE int getPosTime(int x) const;
    Q_INVOKABLE int getCurPosTime() const { return getPosTime(range_.crosshair); }
    Q_INVOKABLE QList<int> getTimeBarTime(int n) const;
    // Copies aChart's first bar layer into layer index (a new last layer when
    // index is at or beyond the count); returns aChart's layer count.
    Q_INVOKABLE int setKData(QChart* aChart, uint index);
    // Lets every bar of every layer go but keeps the formula slots, whose
    // formulas are made anew: the pane then stands as a new one with the
    // same formulas, for another stock's bars.
    Q_INVOKABLE void clearKData();

    // Drawing board: mouse events (x snapped to a bar centre), the tool
    // chosen in the tool bar, menu commands, text edits and the drawing file.
    // Each mouse handler returns whether the board took the event.
    Q_INVOKABLE bool onLButtonDown(uint nFlags, int x, int y);
    Q_INVOKABLE bool onLButtonUp(uint nFlags, int x, int y);
    Q_INVOKABLE bool onLButtonLeave(uint nFlags, int x, int y);
    Q_INVOKABLE bool onRButtonDown(uint nFlags, int x, int y);
    Q_INVOKABLE bool onMousePaintBoard(uint buttons, int x, int y);
    Q_INVOKABLE void setPaintBoardActive(bool active);
    Q_INVOKABLE void setPaintBoardEditText(uint editP, QString text, QString color, QString font);
    Q_INVOKABLE void setPaintBoardQChart(QString className);
    Q_INVOKABLE void setStyleCommand(int a_index, int c);
    // The colour (0xRRGGBB) of the tool whose menu is open, -1 without one:
    // the colour dialog starts from it.
    Q_INVOKABLE int getPaintMenuColor() const;
    Q_INVOKABLE void parsePaintData(QString code, int market, int cycle);
    Q_INVOKABLE void savePaintData(QString code, int market, int cycle);
    // Interval statistics over a span of layer-0 bars.
    Q_INVOKABLE void startIS();
    Q_INVOKABLE void clearIS();
    Q_INVOKABLE void setISStartEndIndex(int anStart, int anEnd);
    Q_INVOKABLE void setISStartEnd(QString asStart, QString asEnd);
    // The statistics of a span as the dialog shows them; empty when there are none.
    QJsonObject intervalStatistics(int anStart, int anEnd) const;
    CPaintBoard* paintBoard() const { return board_; }
    CPaintFullRect* fullRectTool() const { return fullRect_.get(); }
    const QImage& drawingToolsImage() const { return toolImage_; }
    // The text tool asks for its dialog.
    void requestTextDialog(uint editId, const QString& text, const QString& color, const QString& font);

    // Accessors for the painters.
    FormulaVM* vm() const { return formulas_->vm(); }
    int formulaLayerCount() const { return formulas_->layerCount(); }
    CTXLayer* formulaLayer(int i) const { return formulas_->layer(i); }
    BarStore* barLayer(int i) const;
    // GUI thread. Title bars register to be shown layer 0's slots and the
    // crosshair bar (ChartTitleView::attachToChart).
    void addTitleView(ChartTitleView* view);
    void removeTitleView(ChartTitleView* view);
    int visibleBegin() const { return range_.begin; }
    int visibleEnd() const { return range_.end; }
    int crosshairPos() const { return range_.crosshair; }
    bool crosshairShown() const { return crosshairShown_; }
    int showNumber() const { return kShowNumber_; }
    int maxLayerIndex() const { return maxIndex_; }
    const std::vector<QuoteDividend>& dividends() const { return dividends_; }
    const QString& dividendCmd() const { return dividendCmd_; }
    const std::vector<std::shared_ptr<formula::Formula>>& formulas() const { return formulas_->instances(); }
    // Tests and the view: visible range and zoom without the mouse.
    void setVisibleRange(int begin, int end)
    {
        range_.begin = begin;
        range_.end = end;
    }
    void setShowNumberValue(int n) { kShowNumber_ = n; }
    void setCrosshairShown(bool shown) { crosshairShown_ = shown; }

signals:
    void crosshairChange(QChart* src, int x, int y);
    void mousePointChange(QChart* src, int x, int y);
    void doubleClicked(QChart* src, int x, int y);
    void clicked(QChart* src);
    void reCalcShow(int begin, int end, int showNumber, int x_pos);
    void syncUpdateKLine(const QuoteKPoints* k, int index);
    void syncUpdateMinute(const QuoteMinPoints* m, int index);
    void syncUpdateDividend(QJsonObject json);
    void syncUpdateKData();
    void dataUpdate();
    void showTextDlg(QObject* self, QVariant editP, QVariant text, QVariant color, QVariant font_str);
    void showPaintBoardMenu(QObject* self, QString type, int x, int y);
    void showIntervalStatistics(QJsonObject json);

public slots:
    void onUpdateKLine(const QuoteKPoints* k, int index);
    void onReplaceKLine(const QuoteKPoints* k, int index);
    void onSyncUpdateKLine(const QuoteKPoints* k, int index);
    void onUpdateMinute(const QuoteMinPoints* m, int index);
    void onSyncUpdateMinute(const QuoteMinPoints* m, int index);
    void onUpdateDividend(const QuoteDividendPoints* div);
    void onProcesserQuoteKPoint(QuoteCodeInfo* codeInfo, QuoteKPoint* kpoint, int length);
    void onWidthChanged();
    void onHeightChanged();
    void onPaintComplete(void* tool);

private:
    void initPaintBoard();
    void closePaintBoard();
    void paintDrawingTools(QPainter* painter, const QRect& plot);
    const CTXData* firstSlot() const { return formulas_->firstSlot(); }
    int lastBar() const;
    // GUI thread. Geometry, ranges and overlay scales from the current outputs.
    void layoutView();
    void pushToLayerViews();
    QList<QObject*> subFCharts() const;
    void detachTitleViews();
    // Layer for a record, or -1 when it is above the bound; makes the layers up to a new index.
    int layerForRecord(int index);
    // Merges bars into layer li, recomputes closes if asked, re-aligns overlays,
    // refreshes the slots' bars and code info. Returns the old bar count.
    // changedFrom: the first bar the store may change (0 when not known).
    int storeBars(int li, std::vector<ChartBar>&& bars, bool merge, bool recomputeCloses, const QuoteCodeInfo& info,
                  int changedFrom = 0);
    // Takes a K-line record into layer index's store by its push rule (pushBars).
    void storeKLine(const QuoteKPoint* points, int count, const QuoteCodeInfo& info, int index);
    // Layer 0 holds store (shared with the panes that hold it): its slots
    // point at it and take info, and the drawing board attaches once it has bars.
    void takeLayer0(const SharedBarStore& store, const QuoteCodeInfo* info);
    // The slots of layer li point at its bars and take info when it names a code.
    void pointSlots(int li, const QuoteCodeInfo* info);
    // After layer 0's bars changed: the range follows them, the view is laid
    // out again from the first changed bar, and the title bars follow.
    void afterLayer0Changed();
    void realign(int li);
    // GUI thread. Layer 0's store is taking older bars off the GUI thread
    // (HistoryLoad): this pane evaluates a fresh copy of its formulas for it
    // (again after they changed), or leaves it (it goes, or layer 0 becomes
    // another store).
    void joinHistoryLoad();
    void leaveHistoryLoad();
    // GUI thread. The load's end: layer 0 holds the longer bars, which were
    // the merged ones at version merged; evaluated ran over those (null, or
    // of formulas since changed: they are evaluated here).
    void takeHistory(std::unique_ptr<PaneFormulas> evaluated, unsigned merged);
    // Overlays aligned to an older version of layer 0 (another pane changed it) are aligned again.
    void alignOverlays();

    std::vector<SharedBarStore> barLayers_;
    std::vector<ChartBar> previousBars_;   // layer 0's bars before a store (storeBars)
    std::vector<ChartBar> alignedBefore_;  // an overlay's aligned bars before realign
    // The chart bound with bindSyncDataSignal, when it is a chart: the panes
    // of one view hold its layer-0 store, so a record it hands on was taken already.
    QPointer<QChart> syncSource_;
    // Layer 0's bar count when the range last followed it.
    int followedCount_ = 0;
    std::vector<ChartTitleView*> titleViews_;
    int maxIndex_ = 0;
    ChartRange range_;
    int kShowNumber_ = 120;
    int mouseX_ = 0, mouseY_ = 0;
    bool crosshairShown_ = false;
    // The mouse is over this pane: its value boxes read the price there even
    // while the crosshair is hidden.
    bool mouseOver_ = false;
    bool reset_ = true;
    std::unique_ptr<PaneFormulas> formulas_;
    int cycle_ = 0;
    QString lineType_;
    QDividendProcesser* processer_ = nullptr;
    std::vector<QuoteDividend> dividends_;
    QString dividendCmd_;
    CPaintBoard* board_ = nullptr;
    std::unique_ptr<CPaintFullRect> fullRect_;
    // The drawing tools' layer, the item's size: kept between paints, made
    // again on a resize, dropped when the last tool goes.
    QImage toolImage_;
    // Drawing file of the board's identity; set once a file was read or written.
    QString paintCode_;
    int paintMarket_ = -1, paintCycle_ = -1;
    bool paintFileUnreadable_ = false;  // the loaded file held no drawings this version reads
};

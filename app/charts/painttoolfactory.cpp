#include "charts/painttoolfactory.h"

#include "charts/paintarrow.h"
#include "charts/paintfan.h"
#include "charts/paintfibonacci.h"
#include "charts/paintfullrect.h"
#include "charts/paintratioline.h"
#include "charts/paintregression.h"
#include "charts/paintsegment.h"
#include "charts/paintshapes.h"
#include "charts/painttext.h"
#include "charts/paintthreepoint.h"
#include "charts/paintvelmora.h"

namespace {
template <class T>
std::unique_ptr<CPaintMethodBase> make()
{
    return std::make_unique<T>();
}

const PaintToolInfo* find(const QString& name)
{
    const QString type = name.startsWith("CPaint") ? name.mid(1) : name;
    for (const PaintToolInfo& t : paintTools())
        if (type == QLatin1String(t.type))
            return &t;
    return nullptr;
}
}  // namespace

const std::vector<PaintToolInfo>& paintTools()
{
    static const std::vector<PaintToolInfo> tools = {
        {"PaintSegment", "segment.png", "线段", make<CPaintSegment>},
        {"PaintLine", "line.png", "直线", make<CPaintLine>},
        {"PaintSpeedBlock", "speed_block.png", "速阻线", make<CPaintSpeedBlock>},
        {"PaintGannLine", "gann_line.png", "甘氏线", make<CPaintGannLine>},
        {"PaintGoldenSplit", "golden_line.png", "黄金分割线", make<CPaintGoldenSplit>},
        {"PaintGoldenPrice", "golden_price.png", "黄金价格线", make<CPaintGoldenPrice>},
        {"PaintBandLine", "band_line.png", "波段线", make<CPaintBandLine>},
        {"PaintPercentage", "percentage_line.png", "百分比线", make<CPaintPercentage>},
        {"PaintTrendLine", "trend_line.png", "大趋势线", make<CPaintTrendLine>},
        {"PaintLinerRegression", "linear_regression.png", "线性回归", make<CPaintLinerRegression>},
        {"PaintLinerRegressionBand", "linear_regression_band.png", "线性回归带", make<CPaintLinerRegressionBand>},
        {"PaintRegressionChannel", "regression_channel.png", "回归通道", make<CPaintRegressionChannel>},
        {"PaintCycleLine", "cycle_line.png", "周期线", make<CPaintCycleLine>},
        {"PaintFibonacci", "fibonacci_sequence.png", "裴波拉切线", make<CPaintFibonacci>},
        {"PaintText", "text.png", "文字工具", make<CPaintText>},
        {"PaintRect", "rect.png", "矩形", make<CPaintRect>},
        {"PaintEllipse", "circle.png", "圆形", make<CPaintEllipse>},
        {"PaintArcEllipse", "circular_arc.png", "圆弧", make<CPaintArcEllipse>},
        {"PaintUpArrow", "up.png", "上箭头", make<CPaintUpArrow>},
        {"PaintDownArrow", "down.png", "下箭头", make<CPaintDownArrow>},
        {"PaintVelmora", "velmora.png", "苍澜线", make<CPaintVelmora>},
        // Made by the chart and the file only: not on the palette.
        {"PaintThreePoint", "", "", make<CPaintThreePoint>},
        {"PaintFullRect", "", "", make<CPaintFullRect>},
    };
    return tools;
}

std::unique_ptr<CPaintMethodBase> createPaintTool(const QString& name)
{
    const PaintToolInfo* t = find(name);
    return t ? t->make() : nullptr;
}

bool isPaintToolName(const QString& name)
{
    return find(name) != nullptr;
}

// Records as the market-data library delivers them, built by hand, and the
// standard catalogue in the formula service for the chart's slots.
#pragma once

#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "charts/core/chartbar.h"
#include "charts/qchart.h"
#include "formulas/formulaservice.h"
#include "quote.h"

inline void ensureStandardCatalogue()
{
    auto& service = formula::FormulaService::instance();
    if (!service.find("KLINE"))
        formula::registerStandardFormulas(service);
}

// The standard catalogue and the program's own formulas, as the stock view
// finds them in the program (its volume pane draws one of its own).
inline void ensureProgramCatalogue()
{
    ensureStandardCatalogue();
    auto& service = formula::FormulaService::instance();
    if (!service.find("Sulvane"))
        formula::registerOwnFormulas(service);
}

// An 800 x 400 K-line pane (plot 60, 20, 680 x 379) with a KLINE slot in
// each of the first `layers` layers.
inline void setUpKLinePane(QChart& c, int layers)
{
    ensureStandardCatalogue();
    c.setSize(QSizeF(800, 400));
    for (int i = 0; i < layers; ++i)
        c.appendFormula(uint(i), "KLINE", "KSCALES", "KCROSSHAIR", 0);
}

// The stock view's default panes, bound as the view binds them: the candles
// with the Sulvane overlay, Lumeth and KD, each of its size, the lower ones
// holding the main pane's store; 300 bars shown.
inline std::vector<std::unique_ptr<QChart>> defaultLayoutPanes(const QSizeF (&sizes)[3])
{
    ensureProgramCatalogue();
    const std::vector<std::vector<const char*>> layout = {{"KLINE", "Sulvane"}, {"Lumeth"}, {"KD"}};
    std::vector<std::unique_ptr<QChart>> panes;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        auto c = std::make_unique<QChart>();
        c->setSize(sizes[i]);
        c->setLineType("kline");
        for (const char* name : layout[i])
            c->appendFormula(0, name, std::strcmp(name, "KLINE") == 0 ? "KSCALES" : "NO", "NO", 0);
        if (!panes.empty()) {
            c->bindSyncDataSignal(panes.front().get(), 0);
            c->setKData(panes.front().get(), 0);
        }
        panes.push_back(std::move(c));
    }
    for (auto& c : panes)
        c->setkShowNumber(300);
    return panes;
}

// K-line points at day n (n * 86400 after a fixed midnight), prices from close c:
// high c + 1, open c - 0.5, low c - 1, extra c / 10.
struct KRecord {
    std::vector<QuoteKPoint> points;
    QuoteKPoints record{};

    KRecord(const std::vector<std::pair<int, float>>& days, const char* code = "600001", uint8_t decimal = 2)
    {
        for (const auto& d : days) {
            QuoteKPoint p{};
            p.time = 1767225600LL + int64_t(d.first) * 86400;  // 2026-01-01 00:00 UTC
            p.close = d.second;
            p.high = d.second + 1.0f;
            p.open = d.second - 0.5f;
            p.low = d.second - 1.0f;
            p.extra = d.second / 10.0f;
            p.volume = 1000 + d.first;
            p.amount = 50000 + d.first;
            points.push_back(p);
        }
        record.period = 33;
        record.count = int32_t(points.size());
        record.points = points.data();
        std::strncpy(record.code_info.code, code, sizeof record.code_info.code - 1);
        record.code_info.market = 1;
        record.code_info.decimal = decimal;
    }
    const QuoteKPoints* get() const { return &record; }
};

// Minute points one minute apart from 09:30 of one day, with previous close p.
struct MinuteRecord {
    std::vector<QuoteMinPoint> points;
    QuoteMinPoints record{};

    MinuteRecord(std::initializer_list<float> prices, float p, std::initializer_list<float> avg = {})
    {
        int i = 0;
        for (float price : prices) {
            QuoteMinPoint m{};
            m.time = 1767260000LL + 60 * i;
            m.price = price;
            m.avg_price = i < int(avg.size()) ? avg.begin()[i] : price;
            m.volume = 100 * (i + 1);
            m.amount = 1000 * (i + 1);
            points.push_back(m);
            ++i;
        }
        record.price = p;
        record.count = int32_t(points.size());
        record.points = points.data();
        std::strncpy(record.code_info.code, "600001", 15);
        record.code_info.market = 1;
        record.code_info.decimal = 2;
    }
    const QuoteMinPoints* get() const { return &record; }
};

// Every named output's value at every bar and every line's whole array, slot by slot.
inline std::vector<float> drawn(QChart& c, int layer)
{
    std::vector<float> all;
    for (const auto& slot : *c.formulaLayer(layer)) {
        FormulaContext* ctx = slot->context;
        FMLSelectedValue sel[64];
        for (int bar = 0; bar < c.getPointCount(layer); ++bar) {
            const int n = fml_ctx_output_selected_value(ctx, unsigned(bar), sel, 64);
            for (int i = 0; i < n; ++i)
                all.push_back(sel[i].value);
        }
        auto add = [&all](const FMLOutputItem& item, std::initializer_list<const float*> arrays) {
            for (const float* a : arrays)
                if (a)
                    all.insert(all.end(), a, a + item.count);
        };
        for (int i = 0; i < fml_ctx_op_count(ctx, FML_DRAW_LINE); ++i) {
            FMLOutputItem item{};
            fml_ctx_op_line(ctx, &item, unsigned(i));
            add(item, {item.line.values});
        }
        for (int i = 0; i < fml_ctx_op_count(ctx, FML_DRAW_STICK); ++i) {
            FMLOutputItem item{};
            fml_ctx_op_stick(ctx, &item, unsigned(i));
            add(item, {item.stick.price1, item.stick.price2, item.stick.cond});
        }
        for (int i = 0; i < fml_ctx_op_count(ctx, FML_DRAW_KLINE); ++i) {
            FMLOutputItem item{};
            fml_ctx_op_k_line(ctx, &item, unsigned(i));
            add(item, {item.k_line.high, item.k_line.open, item.k_line.low, item.k_line.close});
        }
        all.push_back(slot->geometry.range.max);
        all.push_back(slot->geometry.range.min);
    }
    return all;
}

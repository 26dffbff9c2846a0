#include "charts/paneformulas.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "charts/core/chartgeometry.h"
#include "formulas/formulaservice.h"

namespace {

float* literal(FormulaArgument* arg, float v)
{
    fml_argument_literal(arg, 1);
    float* p = fml_argument_data(arg, 1);
    p[0] = v;
    return p;
}

// Fills a series of n floats from one field of every bar. In a run (the
// slot has the layer's columns) the column is first brought up to date from
// the first bar that changed since it was gathered; the engine hands back the
// series this slot's context kept (fml_ctx_keep_series), which is rewritten
// from the first bar that changed since the slot's last run only.
template <class Get>
void fillSeries(FormulaArgument* arg, const CTXData& slot, ChartColumns::Field field, Get get)
{
    const std::vector<ChartBar>& bars = *slot.bars;
    const int n = int(bars.size());
    const ChartBar* b = bars.data();
    ChartColumns* cols = slot.columns;
    if (!cols || !slot.changes) {
        fml_argument_literal(arg, 0);
        float* out = fml_argument_data(arg, n);
        for (int i = 0; i < n; ++i)
            out[i] = get(b[i]);
        return;
    }
    const BarChanges& changes = *slot.changes;
    std::vector<float>& column = cols->values[field];
    if (cols->built[field] != changes.version()) {
        const int from = std::min(changes.since(cols->built[field], n), int(column.size()));
        column.resize(bars.size());
        float* c = column.data();
        for (int i = from; i < n; ++i)
            c[i] = get(b[i]);
        cols->built[field] = changes.version();
    }
    const int had = fml_argument_data_literal(arg) ? 0 : fml_argument_data_size(arg);
    int from = 0;
    if (had > 0 && slot.seriesLayer && slot.seriesVersion != 0)
        from = std::min(changes.since(slot.seriesVersion, n), had);
    fml_argument_literal(arg, 0);
    float* out = fml_argument_data(arg, n);
    if (n > from)
        std::memcpy(out + from, column.data() + from, std::size_t(n - from) * sizeof(float));
    fml_argument_rewritten_from(arg, from);
}

}  // namespace

PaneFormulas::PaneFormulas()
{
    vm_ = fml_vm_create();
    fml_vm_reg_fn(vm_, &currentBars_, "DYNAINFO", &PaneFormulas::dynaInfo, 1);
    // A missing plug-in only leaves TDXDLL1 or TDXDLL3 out of the formulas.
    fml_vm_load_tdx_dll(vm_, "Ostrilug.dll", 1);
    fml_vm_load_tdx_dll(vm_, "cl.dll", 3);
}

PaneFormulas::~PaneFormulas()
{
    // Slots first: their contexts belong to the instances, which need the machine.
    layers_.clear();
    instances_.clear();
    fml_vm_release(vm_);
}

CTXLayer* PaneFormulas::layer(int i) const
{
    return i >= 0 && i < int(layers_.size()) ? layers_[std::size_t(i)].get() : nullptr;
}

CTXData* PaneFormulas::firstSlot() const
{
    return layers_.empty() || layers_.front()->empty() ? nullptr : layers_.front()->front().get();
}

std::shared_ptr<formula::Formula> PaneFormulas::instantiate(const QString& name) const
{
    auto entry = formula::FormulaService::instance().find(name.toStdString());
    if (!entry)
        return nullptr;
    return entry->create(vm_);
}

int PaneFormulas::addSlot(int index, std::unique_ptr<CTXData> slot, std::shared_ptr<formula::Formula> f)
{
    if (index < 0 || index >= int(layers_.size())) {
        layers_.push_back(std::make_unique<CTXLayer>());
        index = int(layers_.size()) - 1;
    }
    layers_[std::size_t(index)]->push_back(std::move(slot));
    instances_.push_back(std::move(f));
    ++edits_;
    return index;
}

void PaneFormulas::removeSlot(int vIndex, int aIndex)
{
    CTXLayer& l = *layers_[std::size_t(vIndex)];
    auto it = instanceOf(l[std::size_t(aIndex)]->context);
    l.erase(l.begin() + aIndex);
    if (it != instances_.end())
        instances_.erase(it);
    ++edits_;
}

void PaneFormulas::removeLayer(int vIndex)
{
    layers_.erase(layers_.begin() + vIndex);
    ++edits_;
}

PaneFormulas::Instances::iterator PaneFormulas::instanceOf(FormulaContext* ctx)
{
    return std::find_if(instances_.begin(), instances_.end(),
                        [ctx](const std::shared_ptr<formula::Formula>& f) { return f->context() == ctx; });
}

PaneFormulas::Instances::const_iterator PaneFormulas::instanceOf(FormulaContext* ctx) const
{
    return std::find_if(instances_.begin(), instances_.end(),
                        [ctx](const std::shared_ptr<formula::Formula>& f) { return f->context() == ctx; });
}

void PaneFormulas::replaceInstance(CTXData& slot, std::shared_ptr<formula::Formula> fresh)
{
    auto it = instanceOf(slot.context);
    slot.context = fresh->context();
    if (it != instances_.end())
        *it = std::move(fresh);
    else
        instances_.push_back(std::move(fresh));
    ++edits_;
}

// GUI thread.
void PaneFormulas::instantiateAgain()
{
    for (auto& layer : layers_) {
        for (auto& slot : *layer) {
            auto fresh = instantiate(slot->name);
            if (!fresh || !fresh->context())
                continue;
            // An overlay keeps its colour: the fresh instance takes the old one's "_color".
            auto it = instanceOf(slot->context);
            if (it != instances_.end()) {
                for (const formula::FormulaParam& p : (*it)->params) {
                    if (p.name == "_color") {
                        fresh->params.push_back(p);
                        fresh->updateTitle();
                        fresh->applyParams();
                        break;
                    }
                }
            }
            replaceInstance(*slot, std::move(fresh));
        }
    }
}

// GUI thread.
std::unique_ptr<PaneFormulas> PaneFormulas::freshCopy() const
{
    auto copy = std::make_unique<PaneFormulas>();
    for (const auto& layer : layers_) {
        copy->layers_.push_back(std::make_unique<CTXLayer>());
        for (const auto& slot : *layer) {
            auto it = instanceOf(slot->context);
            std::shared_ptr<formula::Formula> fresh = copy->instantiate(slot->name);
            if (it == instances_.end() || !fresh || !fresh->context())
                return nullptr;  // a slot that cannot be made again: the copy would not be the same
            fresh->params = (*it)->params;
            fresh->updateTitle();
            fresh->applyParams();
            auto s = std::make_unique<CTXData>(*slot);
            s->context = fresh->context();
            s->bars = nullptr;
            s->columns = nullptr;
            s->changes = nullptr;
            s->seriesLayer = nullptr;
            s->seriesVersion = 0;
            copy->layers_.back()->push_back(std::move(s));
            copy->instances_.push_back(std::move(fresh));
        }
    }
    return copy;
}

bool PaneFormulas::sameFormulas(const PaneFormulas& other) const
{
    if (layers_.size() != other.layers_.size())
        return false;
    for (std::size_t li = 0; li < layers_.size(); ++li) {
        const CTXLayer& a = *layers_[li];
        const CTXLayer& b = *other.layers_[li];
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            auto fa = instanceOf(a[i]->context);
            auto fb = other.instanceOf(b[i]->context);
            if (a[i]->name != b[i]->name || (fa == instances_.end()) != (fb == other.instances_.end()))
                return false;
            if (fa == instances_.end())
                continue;
            const auto& pa = (*fa)->params;
            const auto& pb = (*fb)->params;
            if (pa.size() != pb.size())
                return false;
            for (std::size_t k = 0; k < pa.size(); ++k)
                if (pa[k].name != pb[k].name || std::memcmp(&pa[k].value, &pb[k].value, sizeof(float)) != 0)
                    return false;
        }
    }
    return true;
}

void PaneFormulas::run(const std::vector<SharedBarStore>& stores)
{
    for (std::size_t i = 0; i < stores.size() && i < layers_.size(); ++i) {
        if (stores[i]->bars.empty())
            break;
        runLayer(i, *stores[i]);
    }
}

void PaneFormulas::runLayer(std::size_t li, BarStore& store)
{
    if (li >= layers_.size())
        return;
    std::vector<ChartBar>& bars = store.bars;
    for (auto& slot : *layers_[li]) {
        slot->bars = &bars;
        slot->columns = &store.columns;
        slot->changes = &store.changes;
        // A slot that last ran on another layer has no series of these bars.
        if (slot->seriesLayer != &store)
            slot->seriesVersion = 0;
        FormulaContext* ctx = slot->context;
        fml_ctx_clean(ctx);
        fml_ctx_data_length(ctx, int(bars.size()));
        fml_ctx_miss_callback(ctx, slot.get(), &PaneFormulas::provideSeries);
        fml_ctx_keep_series(ctx, 1);
        currentBars_ = &bars;
        const bool ok = fml_vm_run(vm_, ctx) == 1;
        if (!ok)
            std::fputs("index cacls error:\n", stdout);
        slot->seriesLayer = ok ? &store : nullptr;
        slot->seriesVersion = ok ? store.changes.version() : 0;
        slot->columns = nullptr;  // the bars may change before the next run
        slot->changes = nullptr;
    }
}

// GUI thread.
void PaneFormulas::layOut(const std::vector<SharedBarStore>& stores, double width, double height, int showNumber,
                          int begin, int end, bool minuteLine)
{
    const int n = end - begin + 1;
    const PlotRect pr = layerRect(width, height);
    const QRect rect(pr.x, pr.y, pr.width, pr.height);
    const BarGeometry g = barGeometry(pr.width, showNumber, n);
    for (std::size_t li = 0; li < layers_.size(); ++li) {
        const BarStore* bl = li < stores.size() ? stores[li].get() : nullptr;
        for (auto& slot : *layers_[li]) {
            CTXGeometry& geo = slot->geometry;
            geo.plot = rect;
            slot->layerRect = rect;
            geo.barWidth = g.width;
            geo.barGap = g.gap;
            ValueRange r;
            if (!pr.empty())
                fml_ctx_output_maxmin(slot->context, begin, n, &r.max, &r.min);
            if (r.valid()) {
                if (slot->name == "KLINE")
                    padKLineRange(r, pr.height);
                else if (slot->scales == "MSCALES" && bl && !bl->bars.empty())
                    centreOnPreviousClose(r, bl->bars.front().preClose);
                openFlatRange(r);
            }
            geo.range = r;
        }
    }
    // Overlay layers on layer 0's scale.
    const char* refName = minuteLine ? "_CC" : "_OO";
    std::vector<OverlayLayer> overlays;
    overlays.reserve(layers_.size());
    for (auto& layer : layers_) {
        if (layer->empty())
            continue;
        FormulaContext* ctx = layer->front()->context;
        FormulaArgument* ref = fml_get_argument(ctx, refName);
        FormulaArgument* oo = fml_get_argument(ctx, "_OO");
        OverlayLayer ol;
        ol.base = overlayBase(fml_argument_data_number(ref), fml_argument_data_size(ref), fml_argument_data_number(oo),
                              fml_argument_data_size(oo), begin, end);
        for (auto& slot : *layer)
            ol.ranges.push_back(&slot->geometry.range);
        overlays.push_back(std::move(ol));
    }
    normalizeOverlayRanges(overlays);
}

// The engine's missing-series callback: the chart's bar fields by name.
int PaneFormulas::provideSeries(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
{
    const CTXData* slot = static_cast<const CTXData*>(user);
    if (!slot || !slot->bars || !name)
        return 0;
    const std::vector<ChartBar>& bars = *slot->bars;
    const int n = int(bars.size());
    auto is = [name](const char* s) { return std::strcmp(name, s) == 0; };

    if (is("C"))
        fillSeries(arg, *slot, ChartColumns::Close, [](const ChartBar& b) { return b.close; });
    else if (is("H"))
        fillSeries(arg, *slot, ChartColumns::High, [](const ChartBar& b) { return b.high; });
    else if (is("L"))
        fillSeries(arg, *slot, ChartColumns::Low, [](const ChartBar& b) { return b.low; });
    else if (is("O"))
        fillSeries(arg, *slot, ChartColumns::Open, [](const ChartBar& b) { return b.open; });
    else if (is("V"))
        fillSeries(arg, *slot, ChartColumns::Volume, [](const ChartBar& b) { return b.volume; });
    else if (is("AMO") || is("AMT"))
        fillSeries(arg, *slot, ChartColumns::Amount, [](const ChartBar& b) { return b.amount; });
    else if (is("ZSTJJ"))
        fillSeries(arg, *slot, ChartColumns::AvgPrice, [](const ChartBar& b) { return b.avgPrice; });
    else if (is("DATE"))
        fillSeries(arg, *slot, ChartColumns::Date, [](const ChartBar& b) { return float(b.date); });
    else if (is("TIMESTAMP"))
        fillSeries(arg, *slot, ChartColumns::TimeBits, [](const ChartBar& b) {
            float f;
            std::memcpy(&f, &b.time, sizeof f);  // the bits, not the number
            return f;
        });
    else if (is("PERIOD"))
        literal(arg, 5.0f);
    else if (is("TOTALFZNUM") || is("FROMOPEN"))
        literal(arg, 240.0f);
    else if (is("DRAWNULL"))
        literal(arg, FMLInvalidValue);
    else if (is("ISLASTBAR") || is("BARSTATUS") || is("CURRBARSCOUNT")) {
        // Functions of the bar count alone: a series handed back over as
        // many bars (fml_ctx_keep_series) holds them already.
        const int had = fml_argument_data_literal(arg) ? 0 : fml_argument_data_size(arg);
        fml_argument_literal(arg, 0);
        float* out = fml_argument_data(arg, n);
        if (had == n && n > 0) {
            fml_argument_rewritten_from(arg, n);
            return 1;
        }
        if (is("CURRBARSCOUNT")) {
            for (int i = 0; i < n; ++i)
                out[i] = float(n - i);
        } else {
            std::fill(out, out + n, 0.0f);
            if (n > 0) {
                const bool status = is("BARSTATUS");
                out[n - 1] = status ? 2.0f : 1.0f;
                if (status)
                    out[0] = 1.0f;
            }
        }
        fml_argument_rewritten_from(arg, 0);
    } else if (is("CODE")) {
        const char* code = slot->codeInfo.code;
        fml_argument_string(arg, code, int(strnlen(code, 6)));
    } else {
        return 0;
    }
    return 1;
}

// Formula function DYNAINFO(code): 3 the previous close of the first bar,
// 11 the average price of the last bar.
int PaneFormulas::dynaInfo(void* user, FormulaVM*, FormulaContext*, const char*, FormulaArgument** args, int count)
{
    auto* const* current = static_cast<std::vector<ChartBar>* const*>(user);
    if (!current || !*current || (*current)->empty() || count < 2)
        return 0;
    const float* code = fml_argument_data_number(args[1]);
    if (!code)
        return 0;
    const std::vector<ChartBar>& bars = **current;
    const int c = int(code[0]);
    if (c == 3)
        literal(args[0], bars.front().preClose);
    else if (c == 11)
        literal(args[0], bars.back().avgPrice);
    else
        return 0;
    return 1;
}

// A stand-in for a chart's formula side: one virtual machine with DYNAINFO
// registered and a missing-series callback that serves the chart's names.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fml.h"
#include "formulas/formulaservice.h"

class ChartStub {
public:
    explicit ChartStub(bool registerDynainfo = true) : vm_(fml_vm_create())
    {
        if (registerDynainfo)
            fml_vm_reg_fn(vm_, this, "DYNAINFO", &ChartStub::dynainfo, 1);
    }
    // The indicator plug-in as plug-in 1, as every chart loads it; true when loaded.
    bool loadPlugin() { return fml_vm_load_tdx_dll(vm_, "Ostrilug.dll", 1) == 1; }
    ~ChartStub() { fml_vm_release(vm_); }
    ChartStub(const ChartStub&) = delete;
    ChartStub& operator=(const ChartStub&) = delete;

    FormulaVM* vm() const { return vm_; }

    void setSeries(const std::string& name, std::vector<float> v) { series_[upper(name)] = std::move(v); }

    // Bars from closes: high +0.4, low -0.5, open -0.1, volume 1000 + 100 i.
    void setCloses(const std::vector<float>& c)
    {
        std::vector<float> h, l, o, v, ts;
        for (std::size_t i = 0; i < c.size(); ++i) {
            h.push_back(c[i] + 0.4f);
            l.push_back(c[i] - 0.5f);
            o.push_back(c[i] - 0.1f);
            v.push_back(1000.0f + 100.0f * float(i));
            ts.push_back(1.7e9f + 86400.0f * float(i));
        }
        bars_ = int(c.size());
        setSeries("C", c);
        setSeries("H", h);
        setSeries("L", l);
        setSeries("O", o);
        setSeries("V", v);
        setSeries("AMO", v);
        setSeries("TIMESTAMP", ts);
        setSeries("ZSTJJ", c);
        setSeries("AMT", v);
        std::vector<float> last(c.size(), 0.0f), status(c.size(), 0.0f), left(c.size()), date(c.size());
        for (std::size_t i = 0; i < c.size(); ++i) {
            left[i] = float(c.size() - i);
            date[i] = 1260100.0f + float(i / 4);  // four bars a day
        }
        if (!c.empty()) {
            last.back() = 1.0f;
            status.back() = 2.0f;
            status.front() = 1.0f;
        }
        setSeries("ISLASTBAR", last);
        setSeries("BARSTATUS", status);
        setSeries("CURRBARSCOUNT", left);
        setSeries("DATE", date);
        literals_["DRAWNULL"] = FMLInvalidValue;
        literals_["PERIOD"] = 5.0f;
        literals_["TOTALFZNUM"] = 240.0f;
        literals_["FROMOPEN"] = 240.0f;
    }

    // A deterministic wavy series of n bars.
    void setSynthetic(int n)
    {
        std::vector<float> c;
        for (int i = 0; i < n; ++i)
            c.push_back(20.0f + 3.0f * std::sin(i * 0.13f) + 1.5f * std::sin(i * 0.71f) + 0.01f * i);
        setCloses(c);
    }

    int bars() const { return bars_; }

    // Keep the series in each context between runs (fml_ctx_keep_series):
    // a series handed back is rewritten from its first changed bar only.
    bool keep = false;
    int handedBack = 0;     // series handed back holding values
    int wrongHandOver = 0;  // of those, ones that did not hold what was written

    // Runs the instance over the bars set; the engine's result.
    int run(formula::Formula& f)
    {
        FormulaContext* ctx = f.context();
        fml_ctx_miss_callback(ctx, this, &ChartStub::onMiss);
        fml_ctx_keep_series(ctx, keep ? 1 : 0);
        fml_ctx_clean(ctx);
        fml_ctx_data_length(ctx, bars_);
        return fml_vm_run(vm_, ctx);
    }

    static std::vector<float> values(const formula::Formula& f, const char* name)
    {
        FormulaArgument* a = fml_get_argument(f.context(), name);
        const float* p = fml_argument_data_number(a);
        return p ? std::vector<float>(p, p + fml_argument_data_size(a)) : std::vector<float>();
    }

    float dynainfo3 = 9.5f;       // the previous close DYNAINFO(3) answers
    std::string code = "600000";  // CODE

private:
    static std::string upper(std::string s)
    {
        for (char& ch : s)
            ch = char(std::toupper(static_cast<unsigned char>(ch)));
        return s;
    }

    static int onMiss(void* user, FormulaContext* ctx, FormulaArgument* arg, const char* name)
    {
        auto* self = static_cast<ChartStub*>(user);
        const std::string key = upper(name);
        if (key == "CODE") {
            fml_argument_string(arg, self->code.data(), int(self->code.size()));
            return 1;
        }
        auto lit = self->literals_.find(key);
        if (lit != self->literals_.end()) {
            fml_argument_data(arg, 1)[0] = lit->second;
            fml_argument_literal(arg, 1);
            return 1;
        }
        auto it = self->series_.find(key);
        if (it == self->series_.end())
            return 0;
        const std::vector<float>& now = it->second;
        if (!self->keep) {
            float* out = fml_argument_data(arg, int(now.size()));
            std::copy(now.begin(), now.end(), out);
            fml_argument_literal(arg, 0);
            return 1;
        }
        std::vector<float>& was = self->written_[{ctx, key}];
        const std::size_t had = std::size_t(fml_argument_data_size(arg));
        std::size_t from = 0;
        if (had > 0) {
            ++self->handedBack;
            if (had != was.size() || !std::equal(was.begin(), was.end(), fml_argument_data_number(arg),
                                                 [](float a, float b) { return std::memcmp(&a, &b, 4) == 0; }))
                ++self->wrongHandOver;
            while (from < std::min(had, now.size()) && std::memcmp(&was[from], &now[from], sizeof(float)) == 0)
                ++from;
        }
        fml_argument_literal(arg, 0);
        float* out = fml_argument_data(arg, int(now.size()));
        std::copy(now.begin() + std::ptrdiff_t(from), now.end(), out + from);
        fml_argument_rewritten_from(arg, int(from));
        was = now;
        return 1;
    }

    static int dynainfo(void* user, FormulaVM*, FormulaContext*, const char*, FormulaArgument** args, int)
    {
        auto* self = static_cast<ChartStub*>(user);
        fml_argument_literal(args[0], 1);
        fml_argument_data(args[0], 1)[0] = self->dynainfo3;
        return 1;
    }

    FormulaVM* vm_;
    std::map<std::string, std::vector<float>> series_;
    std::map<std::string, float> literals_;
    std::map<std::pair<FormulaContext*, std::string>, std::vector<float>> written_;  // with keep
    int bars_ = 0;
};

// The drawn outputs of a run, in draw order: kind, name and colour word.
struct DrawnOutput {
    int kind;
    std::string name;
    uint32_t color;
};

inline std::vector<DrawnOutput> drawnOutputs(const formula::Formula& f)
{
    std::vector<DrawnOutput> out;
    FormulaContext* ctx = f.context();
    const int n = fml_ctx_op_count(ctx, -1);
    for (int i = 0; i < n; ++i) {
        int kind = -1, index = -1;
        fml_ctx_op_seq_get(ctx, unsigned(i), &kind, &index);
        FMLOutputItem item{};
        switch (kind) {
        case FML_DRAW_LINE:
            fml_ctx_op_line(ctx, &item, unsigned(index));
            break;
        case FML_DRAW_STICK:
            fml_ctx_op_stick(ctx, &item, unsigned(index));
            break;
        case FML_DRAW_LITERAL_NUMBER:
            fml_ctx_op_literal_number(ctx, &item, unsigned(index));
            break;
        case FML_DRAW_KLINE:
            fml_ctx_op_k_line(ctx, &item, unsigned(index));
            break;
        default:
            break;
        }
        out.push_back({kind, item.name ? item.name : "", item.color});
    }
    return out;
}

constexpr uint32_t rgbWord(uint32_t r, uint32_t g, uint32_t b)
{
    return r | g << 8 | b << 16;
}

// Cost of the standard catalogue on a chart's virtual machine: compiling all
// 23 programs from their static operation arrays (instances with parameters
// applied), and one relayout of the MACD, KDJ and BOLL instances over 5,000
// bars (clean, data length, callback supplying the bar series, run).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fml.h"
#include "formulas/formulaservice.h"

namespace {

struct Bars {
    std::vector<float> c, h, l, o, v;
    explicit Bars(int n) : c(n), h(n), l(n), o(n), v(n)
    {
        for (int i = 0; i < n; ++i) {
            c[i] = 20.0f + 3.0f * std::sin(float(i) * 0.013f) + 0.2f * float(i % 9);
            h[i] = c[i] + 0.4f;
            l[i] = c[i] - 0.5f;
            o[i] = c[i] - 0.1f;
            v[i] = 1000.0f + float(i % 50);
        }
    }
};

int supply(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
{
    const Bars& b = *static_cast<const Bars*>(user);
    const std::vector<float>* s = nullptr;
    if (name[0] && !name[1]) {
        switch (name[0] | 0x20) {
        case 'c':
            s = &b.c;
            break;
        case 'h':
            s = &b.h;
            break;
        case 'l':
            s = &b.l;
            break;
        case 'o':
            s = &b.o;
            break;
        case 'v':
            s = &b.v;
            break;
        default:
            break;
        }
    }
    if (!s)
        return 0;
    std::copy(s->begin(), s->end(), fml_argument_data(arg, int(s->size())));
    return 1;
}

int dynainfo(void*, FormulaVM*, FormulaContext*, const char*, FormulaArgument** args, int)
{
    fml_argument_literal(args[0], 1);
    fml_argument_data(args[0], 1)[0] = 20.0f;
    return 1;
}

formula::FormulaService& catalogue()
{
    static formula::FormulaService service;
    if (service.formulas().empty())
        formula::registerStandardFormulas(service);
    return service;
}

FormulaVM* chartVm()
{
    FormulaVM* vm = fml_vm_create();
    fml_vm_reg_fn(vm, nullptr, "DYNAINFO", dynainfo, 1);
    return vm;
}

void BM_BuildAll23(benchmark::State& state)
{
    FormulaVM* vm = chartVm();
    const auto& entries = catalogue().formulas();
    for (auto _ : state) {
        for (const auto& e : entries) {
            auto f = e->create(vm);
            benchmark::DoNotOptimize(f);
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(entries.size()));
    fml_vm_release(vm);
}
BENCHMARK(BM_BuildAll23)->Unit(benchmark::kMicrosecond);

void BM_RunMacdKdjBoll(benchmark::State& state)
{
    const int n = int(state.range(0));
    Bars bars(n);
    FormulaVM* vm = chartVm();
    std::vector<std::shared_ptr<formula::Formula>> slots;
    for (const char* name : {"MACD", "KDJ", "BOLL"})
        slots.push_back(catalogue().find(name)->create(vm));
    for (auto _ : state) {
        for (const auto& f : slots) {
            FormulaContext* ctx = f->context();
            fml_ctx_miss_callback(ctx, &bars, supply);
            fml_ctx_clean(ctx);
            fml_ctx_data_length(ctx, n);
            if (!fml_vm_run(vm, ctx))
                state.SkipWithError("run failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    slots.clear();
    fml_vm_release(vm);
}
BENCHMARK(BM_RunMacdKdjBoll)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace

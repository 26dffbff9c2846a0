// A small host for the tests: one VM, one context, a program builder and a
// missing-series callback that serves named series set by the test.
#pragma once

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "fml.h"
#include "fmlopchain.h"

class TestProgram : public FmlOpChain<TestProgram> {
public:
    TestProgram() : vm_(fml_vm_create()), ctx_(fml_ctx_create(vm_))
    {
        chainTo(ctx_);
        fml_ctx_miss_callback(ctx_, this, &TestProgram::onMiss);
    }
    ~TestProgram()
    {
        fml_ctx_release(ctx_);
        fml_vm_release(vm_);
    }
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    FormulaVM* vm() const { return vm_; }
    FormulaContext* ctx() const { return ctx_; }

    // Series served by name through the miss callback.
    // Names are matched without regard to case, as the engine does.
    void setSeries(const std::string& name, std::vector<float> values) { series_[upper(name)] = std::move(values); }
    void setLiteral(const std::string& name, float v) { literals_[upper(name)] = v; }
    int missCalls(const std::string& name) const
    {
        auto it = calls_.find(upper(name));
        return it == calls_.end() ? 0 : it->second;
    }

    // Cleans, sets the bar count and runs; the VM's result.
    int run(int bars)
    {
        fml_ctx_clean(ctx_);
        fml_ctx_data_length(ctx_, bars);
        return fml_vm_run(vm_, ctx_);
    }

    // The values of a variable after a run.
    std::vector<float> values(const char* n) const
    {
        FormulaArgument* a = fml_get_argument(ctx_, n);
        const float* p = fml_argument_data_number(a);
        return p ? std::vector<float>(p, p + fml_argument_data_size(a)) : std::vector<float>();
    }

private:
    static std::string upper(std::string s)
    {
        for (char& c : s)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        return s;
    }

    static int onMiss(void* user, FormulaContext*, FormulaArgument* arg, const char* name)
    {
        auto* self = static_cast<TestProgram*>(user);
        const std::string key = upper(name);
        ++self->calls_[key];
        auto s = self->series_.find(key);
        if (s != self->series_.end()) {
            float* p = fml_argument_data(arg, static_cast<int>(s->second.size()));
            for (std::size_t i = 0; i < s->second.size(); ++i)
                p[i] = s->second[i];
            return 1;
        }
        auto l = self->literals_.find(key);
        if (l != self->literals_.end()) {
            fml_argument_literal(arg, 1);
            fml_argument_data(arg, 1)[0] = l->second;
            return 1;
        }
        return 0;
    }

    FormulaVM* vm_;
    FormulaContext* ctx_;
    std::map<std::string, std::vector<float>> series_;
    std::map<std::string, float> literals_;
    std::map<std::string, int> calls_;
};

inline bool sameFloat(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

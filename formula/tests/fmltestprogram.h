// A small host for the tests: one VM, one context, a program builder and a
// missing-series callback that serves named series set by the test.
#pragma once

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "fml.h"

class TestProgram {
public:
    TestProgram() : vm_(fml_vm_create()), ctx_(fml_ctx_create(vm_)) { fml_ctx_miss_callback(ctx_, this, &TestProgram::onMiss); }
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

    TestProgram& num(float v)
    {
        FMLOpValue op{};
        op.number = v;
        fml_ctx_op_code_push(ctx_, FML_OP_PUSH_NUMBER, &op);
        return *this;
    }
    TestProgram& name(const char* n) { return push(FML_OP_PUSH_NAME, n); }
    TestProgram& str(const char* s) { return push(FML_OP_PUSH_STRING, s); }
    TestProgram& call(const char* f) { return push(FML_OP_CALL, f); }
    TestProgram& assign(const char* n) { return push(FML_OP_ASSIGN, n); }
    TestProgram& drop()
    {
        fml_ctx_op_code_push(ctx_, FML_OP_DROP, nullptr);
        return *this;
    }
    TestProgram& output(int kind, const char* outName, uint32_t color = 0, float width = 1.0f, int32_t style = 0)
    {
        FMLOutputAttr attr{color, width, style};
        FMLOpValue op{};
        op.kind = kind;
        op.output_name = outName;
        op.attr = &attr;
        fml_ctx_op_code_push(ctx_, FML_OP_OUTPUT, &op);
        return *this;
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

    TestProgram& push(int op, const char* text)
    {
        FMLOpValue v{};
        v.name = text;
        fml_ctx_op_code_push(ctx_, op, &v);
        return *this;
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

#include "formulacontext.h"

#include "formulavm.h"

bool FormulaContext::lookupLocal(const std::string& name, bool useShared)
{
    auto v = variables.find(name);
    if (v != variables.end()) {
        push(v->second);
        return true;
    }
    auto s = staticArgs.find(name);
    if (s != staticArgs.end()) {
        push(s->second);
        return true;
    }
    if (useShared && vm && vm->shared && vm->shared.get() != this) {
        FormulaContext& shared = *vm->shared;
        std::lock_guard<std::mutex> lock(shared.mutex);
        const std::size_t depth = shared.stack.size();
        if (shared.lookupLocal(name, false) && shared.stack.size() > depth) {
            ArgumentPtr found;
            shared.pop(found);
            variables[name] = found;
            push(std::move(found));
            return true;
        }
    }
    if (!miss)
        return false;
    auto arg = std::make_shared<FormulaArgument>();
    if (miss(this, name, arg) == 0)
        return false;
    variables[name] = arg;
    push(std::move(arg));
    return true;
}

bool FormulaContext::pushName(const std::string& name)
{
    return lookupLocal(name, true);
}

bool FormulaContext::fetchName(const std::string& name, ArgumentPtr& out)
{
    const std::size_t depth = stack.size();
    if (!pushName(name) || stack.size() <= depth)
        return false;
    return pop(out);
}

ArgumentPtr& FormulaContext::variable(const std::string& name)
{
    ArgumentPtr& slot = variables[name];
    if (!slot)
        slot = std::make_shared<FormulaArgument>();
    return slot;
}

ArgumentPtr& FormulaContext::staticArgument(const std::string& name)
{
    ArgumentPtr& slot = staticArgs[name];
    if (!slot)
        slot = std::make_shared<FormulaArgument>();
    return slot;
}

void FormulaContext::recordOutput(int kind, FormulaOutput out)
{
    std::vector<FormulaOutput>* list = outputList(kind);
    if (!list)
        return;
    list->push_back(std::move(out));
    drawOrder.push_back({kind, static_cast<int32_t>(list->size() - 1)});
}

void FormulaContext::clean()
{
    barCount = 0;
    stack.clear();
    variables.clear();
    for (auto& list : outputs)
        list.clear();
    drawOrder.clear();
}

bool FormulaContext::run()
{
    if (barCount > kMaxBars)
        return false;
    for (const FormulaFunction& step : code) {
        if (!step(this))
            return false;
    }
    return true;
}

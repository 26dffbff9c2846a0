#include "formulacontext.h"

#include <algorithm>

#include "formulavm.h"

bool FormulaContext::lookupLocal(const std::string& name, bool useShared, Source* source)
{
    auto v = variables.find(name);
    if (v != variables.end()) {
        push(v->second);
        if (source)
            *source = Source::Variable;
        return true;
    }
    auto s = staticArgs.find(name);
    if (s != staticArgs.end()) {
        push(s->second);
        if (source)
            *source = Source::Parameter;
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
            if (source)
                *source = Source::Shared;
            return true;
        }
    }
    if (!miss)
        return false;
    ArgumentPtr arg;
    if (keepSeries && memory.valid) {
        auto was = memory.series.find(name);
        // Held by the memory alone: no remembered result or other value
        // shares it. Literals and texts are small: they are compared.
        if (was != memory.series.end() && was->second.use_count() == 1 && !was->second->literal &&
            was->second->text.empty()) {
            arg = was->second;
            kept_ = {arg->firstValid, arg->endBar, arg->values.size()};
            arg->rewriteReported = false;
        }
    }
    const bool handedBack = arg != nullptr;
    if (!arg)
        arg = std::make_shared<FormulaArgument>();
    if (miss(this, name, arg) == 0)
        return false;
    variables[name] = arg;
    push(std::move(arg));
    if (source)
        *source = handedBack ? Source::HostKept : Source::Host;
    return true;
}

uint32_t FormulaContext::keptChange(const KeptShape& was, const FormulaArgument& now)
{
    // The same rules as firstDifference: a new shape recomputes everything, a
    // series that only grew keeps the status of its older bars.
    if (!now.rewriteReported || now.literal || !now.text.empty() || now.firstValid != was.firstValid ||
        now.endBar < was.endBar || now.values.size() < was.size)
        return 0;
    const bool sameShape = now.values.size() == was.size && now.endBar == was.endBar;
    uint32_t from = now.rewrittenFrom;
    if (!sameShape)
        from = std::min({from, was.endBar, static_cast<uint32_t>(was.size)});
    else if (from >= was.size)
        return kUnchanged;
    return from;
}

bool FormulaContext::pushName(const std::string& name)
{
    ++lookups_;
    Source source = Source::Variable;
    if (!lookupLocal(name, true, &source))
        return false;
    // Values of the shared context are never written here (other contexts
    // read them); theirs stays 0.
    FormulaArgument& top = *stack.back();
    if (source == Source::Host || source == Source::HostKept) {
        if (source == Source::HostKept) {
            top.changedFrom = keptChange(kept_, top);
        } else {
            auto was = memory.series.find(name);
            top.changedFrom = firstDifference(was == memory.series.end() ? nullptr : was->second.get(), top);
        }
        memory.seriesNow[name] = stack.back();
    } else if (source == Source::Parameter) {
        auto was = memory.params.find(name);
        top.changedFrom = firstDifference(was == memory.params.end() ? nullptr : &was->second, top);
        FormulaArgument& copy = memory.paramsNow[name];
        copy.values = top.values;
        copy.text = top.text;
        copy.firstValid = top.firstValid;
        copy.endBar = top.endBar;
        copy.literal = top.literal;
    }
    return true;
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
    // Variables left from a run without clean may have been changed by the
    // host in place: such a run recomputes everything.
    memory.valid = memory.valid && variables.empty() && memory.results.size() == code.size();
    memory.results.resize(code.size());
    memory.arity.resize(code.size());
    memory.lookedUp.resize(code.size(), 1);
    memory.seriesNow.clear();
    memory.paramsNow.clear();
    pending.clear();
    bool ok = true;
    for (const FormulaFunction& step : code) {
        if (!step(this)) {
            ok = false;
            break;
        }
    }
    resumeTarget_.reset();
    deferring_ = false;
    // Waiting loops are written even when a later step failed: the values
    // assigned before it stay readable.
    runPending();
    if (!ok) {
        memory = RunMemory();
        return false;
    }
    memory.series.swap(memory.seriesNow);
    memory.params.swap(memory.paramsNow);
    memory.seriesNow.clear();
    memory.paramsNow.clear();
    memory.valid = true;
    memory.bars = barCount;
    return true;
}

void FormulaContext::beginOutput(std::size_t slot)
{
    if (memory.valid && slot < memory.results.size() && memory.results[slot] && memory.results[slot].use_count() == 1)
        resumeTarget_ = std::move(memory.results[slot]);
}

void FormulaContext::endOutput(std::size_t slot, bool keep, bool compare)
{
    resumeTarget_.reset();
    if (slot >= memory.results.size()) {
        memory.results.resize(slot + 1);
        memory.arity.resize(slot + 1);
        memory.lookedUp.resize(slot + 1, 1);
    }
    ArgumentPtr& was = memory.results[slot];
    if (!keep || stack.empty() || stack.back()->hostWritten) {
        was.reset();
        return;
    }
    FormulaArgument& now = *stack.back();
    if (compare && memory.valid && was && was != stack.back() && !was->hostWritten && now.changedFrom == 0)
        now.changedFrom = firstDifference(was.get(), now);
    was = stack.back();
}

bool FormulaContext::callStep(const FormulaFunction& fn, std::size_t slot, bool pure, bool defers)
{
    if (!defers && !pending.empty()) {
        // The waiting loops run first when this call may read one: one is
        // among the values the call took in the last run, or the call is not
        // a builtin, looked names up itself or has not run yet.
        const std::size_t took = slot < memory.arity.size() ? memory.arity[slot] : 0;
        bool reads =
            !pure || took == 0 || took > stack.size() || slot >= memory.lookedUp.size() || memory.lookedUp[slot];
        if (!reads) {
            for (std::size_t i = stack.size() - took; i < stack.size() && !reads; ++i)
                reads = isPending(stack[i].get());
        }
        if (reads)
            runPending();
    }
    if (slot >= memory.results.size()) {
        memory.results.resize(slot + 1);
        memory.arity.resize(slot + 1);
        memory.lookedUp.resize(slot + 1, 1);
    }
    ArgumentPtr& remembered = memory.results[slot];
    const std::size_t arity = memory.arity[slot];
    if (pure && memory.valid && remembered && !remembered->hostWritten && memory.bars == barCount && arity != 0 &&
        !memory.lookedUp[slot] && stack.size() >= arity) {
        bool same = true;
        for (std::size_t i = stack.size() - arity; i < stack.size() && same; ++i)
            same = stack[i]->changedFrom == kUnchanged;
        if (same) {
            stack.erase(stack.end() - static_cast<std::ptrdiff_t>(arity), stack.end());
            remembered->changedFrom = kUnchanged;
            stack.push_back(remembered);
            return true;
        }
    }
    const std::size_t depth = stack.size();
    const uint64_t lookups = lookups_;
    // Only a value nothing else holds may be rewritten in place. The step's
    // last value is kept until the call returns: a result made anew is
    // compared with it, so that a step that cannot resume (its result made
    // again from the first bar) still tells the steps after it where its
    // values actually differ; a new bar at the end then reaches them as a
    // change at the end, not at bar 0.
    ArgumentPtr previous;
    if (memory.valid && remembered && remembered.use_count() == 1) {
        previous = remembered;
        resumeTarget_ = std::move(remembered);
    }
    remembered.reset();
    deferring_ = defers;
    const bool ok = fn(this);
    deferring_ = false;
    resumeTarget_.reset();
    if (ok && previous && !stack.empty() && stack.back() != previous && stack.back().use_count() == 1 &&
        stack.back()->changedFrom == 0 && !stack.back()->hostWritten && !isPending(stack.back().get()))
        stack.back()->changedFrom = firstDifference(previous.get(), *stack.back());
    previous.reset();
    if (ok && !stack.empty()) {
        // A value the host wrote (a host series a draw call hands on) is
        // neither reused nor resumed: keeping it would only stop the series
        // from being handed back to the host (keepSeries).
        if (!stack.back()->hostWritten)
            remembered = stack.back();
        // What the call took: every builtin takes a fixed number of values.
        const std::size_t took = depth + 1 >= stack.size() ? depth + 1 - stack.size() : 0;
        memory.arity[slot] = static_cast<uint16_t>(took <= 0xFFFF ? took : 0);
        memory.lookedUp[slot] = lookups_ != lookups;
    }
    return ok;
}

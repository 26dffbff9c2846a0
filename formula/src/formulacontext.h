// One compiled formula and everything one run of it needs: the compiled steps,
// the value stack, the static arguments (parameters), the variables of the
// current run, the drawn outputs and the host's missing-series callback.
//
// Builtin calling convention: a builtin is bool(FormulaContext*). It pops its
// fixed number of arguments, the last argument first (popArgs does this and
// hands them back in formula order), pushes exactly one new result and returns
// true; it returns false, pushing nothing, to stop the run. Every pop checks the
// stack: too few values fail the step instead of reading past it.
//
// Runs after the first re-evaluate only what changed. A context remembers the
// value each call step pushed, the host series and the parameters of its last
// run that succeeded. Every value carries changedFrom, the first bar where it
// may differ from the same step's value of that run: host series and
// parameters are compared with the remembered ones, compiled literals never
// change, and a builtin that can resume gets its previous result back
// (takeResumeTarget, through seriesToUpdate) and rewrites only the bars from
// the smallest changedFrom of its inputs on, which gives the same bits as a
// whole run because each bar is computed by the same operations in the same
// order. A builtin that cannot resume (it looks ahead, rewrites the past or
// carries state the result does not hold) makes a new result whose
// changedFrom is 0, and every step after it that reads it recomputes fully.
//
// With keepSeries on, a host series is not handed over anew on each run: the
// missing-series callback gets the argument it filled for that name in the
// last run, still holding its values, rewrites the bars that changed and says
// from which bar it rewrote (fml_argument_rewritten_from). That bar is the
// series' changedFrom, so neither the host nor the engine walks the unchanged
// bars. Only an argument nothing else holds is handed back: a value the run
// remembers (a step's result, a variable) never changes under it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ciless.h"
#include "formulaargument.h"
#include "formulaoutput.h"

struct FormulaContext;
struct FormulaVM;

// One compiled step of a program, and the function object of a table entry.
using FormulaFunction = std::function<bool(FormulaContext*)>;
// Names to arguments, ordered without regard to ASCII case.
using ArgumentMap = std::map<std::string, ArgumentPtr, CiLess>;
// Asks the host for a name; fills the argument and returns nonzero, or 0.
using MissCallback = std::function<int(FormulaContext*, const std::string&, const ArgumentPtr&)>;

struct FormulaContext {
    uint32_t barCount = 0;                                             // bars of the next run
    std::vector<FormulaFunction> code;                                 // the compiled program
    std::deque<ArgumentPtr> stack;                                     // operands and results; back is the top
    ArgumentMap staticArgs;                                            // parameters; survive clean
    ArgumentMap variables;                                             // assignments, named outputs, cached host series
    std::array<std::vector<FormulaOutput>, kOutputListCount> outputs;  // list k-1 holds draw kind k
    std::vector<DrawOrderEntry> drawOrder;                             // every recorded output, in order
    std::mutex mutex;          // guards the names of a VM's shared context during lookups
    MissCallback miss;         // empty until the host installs one
    FormulaVM* vm = nullptr;   // not owned; none for a VM's shared context
    void* userData = nullptr;  // the host's word
    bool keepSeries = false;   // hand host series back for rewriting (see the top)

    // What the last run that succeeded left for the next one (see the top).
    struct RunMemory {
        std::vector<ArgumentPtr> results;                          // per step: the value a call step pushed
        std::vector<uint16_t> arity;                               // per step: values the call took (0: not known)
        std::vector<char> lookedUp;                                // per step: the call looked names up itself
        uint32_t bars = 0;                                         // the run's bar count
        ArgumentMap series;                                        // host series by name
        ArgumentMap seriesNow;                                     // those of the running run
        std::map<std::string, FormulaArgument, CiLess> params;     // copies of the parameters read
        std::map<std::string, FormulaArgument, CiLess> paramsNow;  // those of the running run
        bool valid = false;                                        // the run may resume from results
    };
    RunMemory memory;

    // A step whose loop waits until a later step reads its result: runs of
    // element-wise operators and recursive averages then go through the bars
    // together, block by block, the data of a block still in the cache, and
    // two independent recursions advance interleaved so that their
    // bar-to-bar chains overlap. The call does everything but the loop (and
    // the recursions' carried states); the loop makes each bar with the same
    // operations in the same order as a call that runs at once.
    struct PendingJob {
        ArgumentPtr result;
        ArgumentPtr inputs[2];  // the series it reads, kept alive
        uint32_t from = 0;      // the bars [from, end) are written by run
        uint32_t end = 0;
        virtual ~PendingJob() = default;
        // Writes the bars of [b, e) within [from, end); blocks come in order.
        virtual void run(uint32_t b, uint32_t e) = 0;
        virtual void finish() {}
    };
    std::vector<std::unique_ptr<PendingJob>> pending;
    // Loops shorter than this run at once (a tick's few bars gain nothing).
    static constexpr uint32_t kDeferBars = 256;
    static constexpr std::size_t kMostPending = 64;
    // The element-wise loops of one round of the waiting loops that neither
    // read what the round's recursion group writes in it nor are read by it:
    // the group's loop runs them a slice at a time between its own slices of
    // bars, so that their work overlaps the group's bar-to-bar chain instead
    // of waiting for its end (the slices of each loop come in order, and the
    // loops in the order of the round). Slices of 128 bars measured best
    // (MACD): at 64 or 32 the calls of each step cost more than they hide.
    struct SlicedJobs {
        static constexpr uint32_t kSlice = 128;  // bars of each loop per step
        PendingJob* jobs[kMostPending] = {};
        uint32_t at[kMostPending] = {};   // the next bar of each loop's block
        uint32_t end[kMostPending] = {};  // the end of its block
        std::size_t count = 0;
        // The next slice of every loop.
        void step();
        // Every loop to the end of its block.
        void rest();
    };

    explicit FormulaContext(FormulaVM* owner = nullptr) : vm(owner) {}
    FormulaContext(const FormulaContext&) = delete;
    FormulaContext& operator=(const FormulaContext&) = delete;

    // ---- value stack ----

    // Pushes v (a null handle is ignored).
    void push(ArgumentPtr v)
    {
        if (v)
            stack.push_back(std::move(v));
    }

    // Pops the top value into out; false (and out untouched) on an empty stack.
    bool pop(ArgumentPtr& out)
    {
        if (stack.empty())
            return false;
        out = std::move(stack.back());
        stack.pop_back();
        return true;
    }

    // Pops n values, the last argument first, into out[0..n-1] in formula
    // order (out[0] is the first argument written). False, popping nothing,
    // when the stack holds fewer than n values.
    bool popArgs(ArgumentPtr* out, std::size_t n)
    {
        if (stack.size() < n)
            return false;
        for (std::size_t i = n; i-- > 0;) {
            out[i] = std::move(stack.back());
            stack.pop_back();
        }
        return true;
    }

    template <std::size_t N>
    bool popArgs(std::array<ArgumentPtr, N>& out)
    {
        return popArgs(out.data(), N);
    }

    // ---- names ----

    // The lookup of op 1: variables, static arguments, the VM's shared context
    // (under its lock), then the miss callback; pushes the value found and
    // caches a value fetched from outside in the variables. False when nobody
    // resolves the name (nothing pushed).
    bool pushName(const std::string& name);

    // pushName followed by a pop: the value of a name (for builtins that fetch
    // a price series such as "C" themselves). False when the lookup fails.
    bool fetchName(const std::string& name, ArgumentPtr& out);

    // The variable or static argument of that name, created empty when absent.
    ArgumentPtr& variable(const std::string& name);
    ArgumentPtr& staticArgument(const std::string& name);

    // ---- outputs ----

    // The list of draw kind k (1..11), or null for any other kind.
    std::vector<FormulaOutput>* outputList(int kind)
    {
        return (kind >= 1 && kind <= kOutputListCount) ? &outputs[static_cast<std::size_t>(kind - 1)] : nullptr;
    }
    const std::vector<FormulaOutput>* outputList(int kind) const
    {
        return (kind >= 1 && kind <= kOutputListCount) ? &outputs[static_cast<std::size_t>(kind - 1)] : nullptr;
    }

    // Appends out to the list of kind and an entry to the draw-order list.
    void recordOutput(int kind, FormulaOutput out);

    // ---- runs ----

    // Prepares a new run: bar count 0, stack, variables, outputs and the
    // draw-order list emptied. Code, static arguments, callback, VM and user
    // data stay.
    void clean();

    // Runs the steps in order; false at the first step that fails.
    bool run();

    // The step of a call: runs fn, offering it the value the step pushed in the
    // last run, and remembers what it pushes now. A builtin (pure: its result
    // depends on its arguments and the bar count only) whose arguments are
    // all unchanged over the same bar count is not run: its last value stands.
    // A step that may leave its loop waiting (defers: the element-wise
    // operators and the recursive averages) runs with mayDefer open; any
    // other step first runs the waiting loops it may read.
    bool callStep(const FormulaFunction& fn, std::size_t slot, bool pure, bool defers = false);

    // An output step at slot that keeps the value it pushes for the next run:
    // beginOutput offers the handler the value of the last run to resume
    // (takeResumeTarget); endOutput, after the handler, keeps the value
    // pushed (keep) and, for a value made anew (compare), sets its
    // changedFrom to the first bar where it differs from the last run's.
    void beginOutput(std::size_t slot);
    void endOutput(std::size_t slot, bool keep, bool compare);

    // The running builtin may leave its loop over that many bars waiting.
    bool mayDefer(uint32_t bars) const { return deferring_ && bars >= kDeferBars && pending.size() < kMostPending; }
    // Runs every waiting loop; every call step that may read one, every
    // output and the end of a run do it first.
    void runPending()
    {
        if (!pending.empty())
            runWaitingLoops();
    }
    // True when v is the result of a waiting loop.
    bool isPending(const FormulaArgument* v) const
    {
        for (const auto& p : pending)
            if (p->result.get() == v)
                return true;
        return false;
    }

    // The previous result offered to the running builtin (null when none);
    // the builtin takes it at most once.
    ArgumentPtr takeResumeTarget() { return std::move(resumeTarget_); }
    // Puts a taken target back for the next take (a builtin that looked at it).
    void offerResumeTarget(ArgumentPtr r) { resumeTarget_ = std::move(r); }

private:
    // Steps 1, 2 and the miss callback of a lookup, without the shared context.
    // HostKept: the callback rewrote the argument of the last run in place.
    enum class Source { Variable, Parameter, Shared, Host, HostKept };
    bool lookupLocal(const std::string& name, bool useShared, Source* source = nullptr);

    // The shape of a series handed back, as it was before the callback.
    struct KeptShape {
        uint32_t firstValid = 0, endBar = 0;
        std::size_t size = 0;
    };
    // The first bar where a series handed back may differ from what it held
    // (firstDifference's answer, from the host's word instead of a comparison).
    static uint32_t keptChange(const KeptShape& was, const FormulaArgument& now);

    void runWaitingLoops();

    ArgumentPtr resumeTarget_;
    bool deferring_ = false;
    KeptShape kept_;        // of the series the last lookup handed back
    uint64_t lookups_ = 0;  // names looked up so far (pushName)
};

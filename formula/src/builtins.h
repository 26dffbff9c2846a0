// The builtin functions of the formula language, one C++ function per builtin
// of the table (several names may share one function). Each follows the
// calling convention of FormulaContext: pop the fixed arguments (last first),
// push one new result and return true, or return false to stop the run.
#pragma once

#include <cstddef>

#include "formulacontext.h"

// ---- operators ----
bool builtinNotEqual(FormulaContext* ctx);      // "<>", "!="
bool builtinEqual(FormulaContext* ctx);         // "==", "="
bool builtinGreater(FormulaContext* ctx);       // ">"
bool builtinGreaterEqual(FormulaContext* ctx);  // ">="
bool builtinLess(FormulaContext* ctx);          // "<"
bool builtinLessEqual(FormulaContext* ctx);     // "<="
bool builtinAnd(FormulaContext* ctx);           // "and", "&&"
bool builtinOr(FormulaContext* ctx);            // "or", "||"
bool builtinAdd(FormulaContext* ctx);           // "+"
bool builtinSub(FormulaContext* ctx);           // "-"
bool builtinMul(FormulaContext* ctx);           // "*"
bool builtinDiv(FormulaContext* ctx);           // "/"
bool builtinMod(FormulaContext* ctx);           // "%", "mod"
bool builtinMin(FormulaContext* ctx);           // "min"
bool builtinMax(FormulaContext* ctx);           // "max"
bool builtinPow(FormulaContext* ctx);           // "pow"

// ---- unary mathematics ----
bool builtinNegate(FormulaContext* ctx);
bool builtinAbs(FormulaContext* ctx);
bool builtinCos(FormulaContext* ctx);
bool builtinSin(FormulaContext* ctx);
bool builtinTan(FormulaContext* ctx);
bool builtinAtan(FormulaContext* ctx);
bool builtinAcos(FormulaContext* ctx);
bool builtinAsin(FormulaContext* ctx);
bool builtinIntpart(FormulaContext* ctx);
bool builtinFloor(FormulaContext* ctx);
bool builtinNot(FormulaContext* ctx);
bool builtinLn(FormulaContext* ctx);
bool builtinLog(FormulaContext* ctx);
bool builtinExp(FormulaContext* ctx);
bool builtinSqrt(FormulaContext* ctx);

// ---- bar counting and event timing (builtins_barcount.cpp) ----
bool builtinBarscount(FormulaContext* ctx);
bool builtinBarslast(FormulaContext* ctx);
bool builtinBarslastcount(FormulaContext* ctx);
bool builtinBarsnext(FormulaContext* ctx);
bool builtinBarssince(FormulaContext* ctx);
bool builtinBarssincen(FormulaContext* ctx);
bool builtinCount(FormulaContext* ctx);
bool builtinCurrbarscount(FormulaContext* ctx);

// ---- recursive smoothing (builtins_smoothing.cpp) ----
bool builtinAma(FormulaContext* ctx);
bool builtinDma(FormulaContext* ctx);
bool builtinEma(FormulaContext* ctx);  // "ema", "expma"
bool builtinExpmema(FormulaContext* ctx);

// ---- window extremes, ranks and ranked searches (builtins_extremes.cpp) ----
bool builtinHhv(FormulaContext* ctx);
bool builtinHhvbars(FormulaContext* ctx);
bool builtinHod(FormulaContext* ctx);
bool builtinFindhigh(FormulaContext* ctx);
bool builtinFindhighbars(FormulaContext* ctx);
bool builtinFindlow(FormulaContext* ctx);
bool builtinFindlowbars(FormulaContext* ctx);

// ---- mean absolute deviation and covariance (builtins_deviation.cpp) ----
bool builtinAvedev(FormulaContext* ctx);
bool builtinCovar(FormulaContext* ctx);

// ---- sums, products and moving averages (builtins_sums.cpp) ----
bool builtinSum(FormulaContext* ctx);
bool builtinSumbars(FormulaContext* ctx);
bool builtinMular(FormulaContext* ctx);
bool builtinMa(FormulaContext* ctx);
bool builtinWma(FormulaContext* ctx);
bool builtinMema(FormulaContext* ctx);
bool builtinSma(FormulaContext* ctx);
bool builtinTma(FormulaContext* ctx);

// ---- window lows, low ranks and runs (builtins_lows.cpp) ----
bool builtinLlv(FormulaContext* ctx);
bool builtinLlvbars(FormulaContext* ctx);
bool builtinLod(FormulaContext* ctx);
bool builtinLowrange(FormulaContext* ctx);
bool builtinToprange(FormulaContext* ctx);

// ---- references to other bars (builtins_refs.cpp) ----
bool builtinRef(FormulaContext* ctx);
bool builtinRefv(FormulaContext* ctx);
bool builtinRefx(FormulaContext* ctx);
bool builtinRefxv(FormulaContext* ctx);
bool builtinLast(FormulaContext* ctx);

// ---- standard deviation, variance and correlation (builtins_stddev.cpp) ----
bool builtinStd(FormulaContext* ctx);
bool builtinVar(FormulaContext* ctx);
bool builtinRelate(FormulaContext* ctx);

// ---- conditions and signals (builtins_conditions.cpp) ----
bool builtinBetween(FormulaContext* ctx);
bool builtinIf(FormulaContext* ctx);
bool builtinCross(FormulaContext* ctx);
bool builtinExist(FormulaContext* ctx);
bool builtinFilter(FormulaContext* ctx);
bool builtinFilterx(FormulaContext* ctx);
bool builtinBackset(FormulaContext* ctx);

// ---- last-value constant and number to text (builtins_consttext.cpp) ----
bool builtinConst(FormulaContext* ctx);
bool builtinCon2str(FormulaContext* ctx);

// ---- zigzag line and turning points (builtins_zigzag.cpp) ----
bool builtinZig(FormulaContext* ctx);
bool builtinPeak(FormulaContext* ctx);
bool builtinPeakbars(FormulaContext* ctx);
bool builtinTrough(FormulaContext* ctx);
bool builtinTroughbars(FormulaContext* ctx);

// ---- stop and reverse (builtins_sar.cpp) ----
bool builtinSar(FormulaContext* ctx);
bool builtinSarturn(FormulaContext* ctx);

// ---- signals, colours, text and output renaming (builtins_signals.cpp) ----
bool builtinRange(FormulaContext* ctx);
bool builtinLongcross(FormulaContext* ctx);
bool builtinUpnday(FormulaContext* ctx);
bool builtinTfilter(FormulaContext* ctx);
bool builtinReverse(FormulaContext* ctx);
bool builtinRgb(FormulaContext* ctx);
bool builtinStrcat(FormulaContext* ctx);
bool builtinStrcmp(FormulaContext* ctx);
bool builtinOprename(FormulaContext* ctx);

// ---- the table ----

using BuiltinFn = bool (*)(FormulaContext*);

struct BuiltinEntry {
    const char* name;
    BuiltinFn fn;
};

// The 106 registrations of a new virtual machine's table, in order.
extern const BuiltinEntry kBuiltinList[];
extern const std::size_t kBuiltinListSize;

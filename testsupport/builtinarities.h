// Builtins with the number of arguments each pops, by family, for the tests
// and the benchmark that run every builtin of a family on odd arguments.
#pragma once

#include "builtins.h"

struct BuiltinArity {
    const char* name;
    BuiltinFn fn;
    int args;
};

// The window families: bar counts, averages, extremes, sums, references,
// deviations.
inline constexpr BuiltinArity kWindowBuiltins[] = {
    {"barscount", builtinBarscount, 1},
    {"barslast", builtinBarslast, 1},
    {"barslastcount", builtinBarslastcount, 1},
    {"barsnext", builtinBarsnext, 1},
    {"barssince", builtinBarssince, 1},
    {"barssincen", builtinBarssincen, 2},
    {"count", builtinCount, 2},
    {"currbarscount", builtinCurrbarscount, 0},
    {"ama", builtinAma, 2},
    {"dma", builtinDma, 2},
    {"ema", builtinEma, 2},
    {"expmema", builtinExpmema, 2},
    {"hhv", builtinHhv, 2},
    {"hhvbars", builtinHhvbars, 2},
    {"hod", builtinHod, 2},
    {"findhigh", builtinFindhigh, 4},
    {"findhighbars", builtinFindhighbars, 4},
    {"findlow", builtinFindlow, 4},
    {"findlowbars", builtinFindlowbars, 4},
    {"avedev", builtinAvedev, 2},
    {"covar", builtinCovar, 3},
    {"sum", builtinSum, 2},
    {"sumbars", builtinSumbars, 2},
    {"mular", builtinMular, 2},
    {"ma", builtinMa, 2},
    {"wma", builtinWma, 2},
    {"mema", builtinMema, 2},
    {"sma", builtinSma, 3},
    {"tma", builtinTma, 3},
    {"llv", builtinLlv, 2},
    {"llvbars", builtinLlvbars, 2},
    {"lod", builtinLod, 2},
    {"lowrange", builtinLowrange, 1},
    {"toprange", builtinToprange, 1},
    {"ref", builtinRef, 2},
    {"refv", builtinRefv, 2},
    {"refx", builtinRefx, 2},
    {"refxv", builtinRefxv, 2},
    {"last", builtinLast, 3},
    {"std", builtinStd, 2},
    {"var", builtinVar, 2},
    {"relate", builtinRelate, 3},
};

// Conditions, signals, patterns, trend lines and text.
inline constexpr BuiltinArity kSignalBuiltins[] = {
    {"between", builtinBetween, 3}, {"if", builtinIf, 3},
    {"cross", builtinCross, 2},     {"exist", builtinExist, 2},
    {"filter", builtinFilter, 2},   {"filterx", builtinFilterx, 2},
    {"backset", builtinBackset, 2}, {"const", builtinConst, 1},
    {"con2str", builtinCon2str, 2}, {"zig", builtinZig, 2},
    {"peak", builtinPeak, 3},       {"peakbars", builtinPeakbars, 3},
    {"trough", builtinTrough, 3},   {"troughbars", builtinTroughbars, 3},
    {"sar", builtinSar, 3},         {"sarturn", builtinSarturn, 3},
    {"range", builtinRange, 3},     {"longcross", builtinLongcross, 3},
    {"upnday", builtinUpnday, 2},   {"tfilter", builtinTfilter, 3},
    {"reverse", builtinReverse, 1}, {"rgb", builtinRgb, 3},
    {"strcat", builtinStrcat, 2},   {"strcmp", builtinStrcmp, 2},
};

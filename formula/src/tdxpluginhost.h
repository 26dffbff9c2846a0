// Host of TDX-interface plug-ins: loads a plug-in library, takes its table of
// numbered array functions and registers them in a virtual machine's function
// table as "TDXDLL<n>", called from formulas as TDXDLL<n>(number, a, b, c).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "formulacontext.h"
#include "tdxlibrary.h"
#include "tdxplugin.h"

struct FormulaVM;

// The functions of one registered plug-in and a share of its library. The
// function object stored in the table and every compiled call step hold it,
// so the library stays loaded while any of them refers to it.
struct TdxPlugin {
    std::map<int, TdxFunc> functions;
    std::shared_ptr<TdxLibrary> library;
};

// Runs on the thread that runs the context: the step of a TDXDLL<n> call. Pops
// c, b, a and number; calls function number (truncated toward zero) with the
// run's bar count, a result preset to +infinity and copies of a, b and c sized
// to the bar count, so the arguments themselves are never changed. Fails when
// number has no value or the plug-in has no such function.
class TdxPluginHost {
public:
    explicit TdxPluginHost(std::shared_ptr<const TdxPlugin> plugin) : plugin_(std::move(plugin)) {}
    bool operator()(FormulaContext* ctx) const;

    // Loads the library named path (a bare Windows file name is mapped and
    // searched beside the program first), calls its RegisterTdxFunc and stores
    // its functions in vm's table under "TDXDLL<n>", replacing a function of
    // that name. 1 when the library was loaded and accepted the call (an empty
    // table registers nothing and unloads it again), else 0 with the library
    // unloaded.
    static int load(FormulaVM& vm, const char* path, int n);

    // "TDXDLL" followed by n as an unsigned decimal number.
    static std::string functionName(int n);

private:
    std::shared_ptr<const TdxPlugin> plugin_;
};

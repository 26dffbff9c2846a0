// The exported loader of TDX-interface plug-ins.

#include "fml.h"
#include "formulavm.h"
#include "tdxpluginhost.h"

extern "C" {

FML_API int fml_vm_load_tdx_dll(FormulaVM* vm, const char* path, int n)
{
    if (!vm || !path)
        return 0;
    try {
        return TdxPluginHost::load(*vm, path, n);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"

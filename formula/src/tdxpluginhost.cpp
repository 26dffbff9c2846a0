#include "tdxpluginhost.h"

#include <algorithm>
#include <array>
#include <vector>

#include "formulavm.h"
#include "platform/library.h"
#include "seriesrules.h"

namespace {

// count floats of x: a literal's value repeated, a series' values cut or
// padded with 0.0. Storage is reserved even for no bars, so a plug-in never
// receives a null array.
void copyInput(const FormulaArgument& x, uint32_t count, std::vector<float>& out)
{
    out.reserve(count ? count : 1u);
    if (x.literal) {
        out.assign(count, x.literalValue());
        return;
    }
    const std::size_t n = std::min<std::size_t>(x.values.size(), count);
    out.assign(x.values.begin(), x.values.begin() + static_cast<std::ptrdiff_t>(n));
    out.resize(count, 0.0f);
}

}  // namespace

bool TdxPluginHost::operator()(FormulaContext* ctx) const
{
    std::array<ArgumentPtr, 4> args;
    if (!ctx->popArgs(args))
        return false;
    const FormulaArgument& number = *args[0];
    if (number.values.empty())
        return false;
    const auto fn = plugin_->functions.find(saturatingInt32(number.values[0]));
    if (fn == plugin_->functions.end())
        return false;

    const uint32_t count = std::min<uint32_t>(ctx->barCount, 0x7FFFFFFFu);
    std::array<std::vector<float>, 3> inputs;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        copyInput(*args[i + 1], count, inputs[i]);

    // Shaped like a after its widening to the bar count: a literal covers
    // [0, count), a series keeps its bar range cut to count.
    const FormulaArgument& a = *args[1];
    auto r = std::make_shared<FormulaArgument>();
    r->values.reserve(count ? count : 1u);
    r->values.assign(count, kInvalidValue);
    r->firstValid = a.literal ? 0u : a.firstValid;
    r->endBar = a.literal ? count : std::min(a.endBar, count);
    fn->second(static_cast<int>(count), r->values.data(), inputs[0].data(), inputs[1].data(), inputs[2].data());
    ctx->push(std::move(r));
    return true;
}

std::string TdxPluginHost::functionName(int n)
{
    return "TDXDLL" + std::to_string(static_cast<uint32_t>(n));
}

int TdxPluginHost::load(FormulaVM& vm, const char* path, int n)
{
    if (!path || !vm.functions)
        return 0;
    void* handle = platform::load_library(path);
    if (!handle)
        return 0;
    // From here on the library is unloaded when this share (and every later
    // one) goes, on every path out.
    std::shared_ptr<TdxLibrary> library;
    try {
        library = std::make_shared<TdxLibrary>(handle);
    } catch (...) {
        platform::free_library(handle);
        throw;
    }
    auto reg = reinterpret_cast<TdxRegisterFunc>(library->symbol(TDX_REGISTER_SYMBOL));
    if (!reg)
        return 0;
    TdxFuncEntry* table = nullptr;
    if (reg(&table) == 0)
        return 0;

    auto plugin = std::make_shared<TdxPlugin>();
    for (const TdxFuncEntry* e = table; e && e->number != 0 && e->function; ++e)
        plugin->functions[e->number] = e->function;
    if (plugin->functions.empty())
        return 1;
    plugin->library = std::move(library);
    (*vm.functions)[functionName(n)] = TdxPluginHost(std::move(plugin));
    return 1;
}

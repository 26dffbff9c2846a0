// A plug-in of the TDX interface for the host's tests, built in several
// variants chosen by TDX_TEST_VARIANT:
//   1 full:     functions 1, 2, 3 (twice: the later entry counts), 4, then an
//               entry {5, NULL} that ends the table before 6
//   2 empty:    an accepted table whose first entry is the end entry
//   3 refuse:   RegisterTdxFunc returns 0
//   4 noexport: no RegisterTdxFunc at all
#include <cstdint>

#include "tdxplugin.h"

#define TDX_TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int lastCount = -1;

// out := a + b + c
[[maybe_unused]] void addInputs(int count, float* out, float* a, float* b, float* c)
{
    lastCount = count;
    for (int i = 0; i < count; ++i)
        out[i] = a[i] + b[i] + c[i];
}

// out := the count at every bar
[[maybe_unused]] void writeCount(int count, float* out, float*, float*, float*)
{
    lastCount = count;
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<float>(count);
}

[[maybe_unused]] void writeOne(int count, float* out, float*, float*, float*)
{
    for (int i = 0; i < count; ++i)
        out[i] = 1.0f;
}

[[maybe_unused]] void writeTwo(int count, float* out, float*, float*, float*)
{
    for (int i = 0; i < count; ++i)
        out[i] = 2.0f;
}

// Scribbles over its inputs and leaves out at bar 0 as the host preset it.
[[maybe_unused]] void scribble(int count, float* out, float* a, float* b, float* c)
{
    lastCount = count;
    for (int i = 0; i < count; ++i) {
        a[i] = b[i] = c[i] = -7.0f;
        if (i > 0)
            out[i] = -7.0f;
    }
}

[[maybe_unused]] void unreachable(int count, float* out, float*, float*, float*)
{
    for (int i = 0; i < count; ++i)
        out[i] = 6.0f;
}

#if TDX_TEST_VARIANT == 1
[[maybe_unused]] TdxFuncEntry table[] = {
    {1, addInputs}, {2, writeCount}, {3, writeOne},    {3, writeTwo},
    {4, scribble},  {5, nullptr},    {6, unreachable}, {0, nullptr},
};
#else
[[maybe_unused]] TdxFuncEntry table[] = {{0, addInputs}, {7, unreachable}, {0, nullptr}};
#endif

}  // namespace

// The count of the last call of functions 1, 2 and 4 (-1 before any).
TDX_TEST_EXPORT int TdxTestLastCount()
{
    return lastCount;
}

#if TDX_TEST_VARIANT != 4
TDX_TEST_EXPORT int RegisterTdxFunc(TdxFuncEntry** out)
{
#if TDX_TEST_VARIANT == 3
    (void)out;
    return 0;
#else
    if (!out || *out)
        return 0;
    *out = table;
    return 1;
#endif
}
#endif

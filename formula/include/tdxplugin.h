/*
 * The TDX formula plug-in interface, shared by the formula engine's plug-in
 * host and the plug-ins built here.
 *
 * A plug-in exports one function by name, RegisterTdxFunc. The host sets a
 * table pointer to NULL and passes its address; the plug-in stores the address
 * of its own static table there and returns 1, or returns 0 to refuse. The
 * table is an array of entries ended by the first entry whose number is 0 or
 * whose function is NULL; it belongs to the plug-in.
 *
 * Each function takes (count, out, a, b, c): out, a, b and c each hold count
 * floats; the host presets out to +infinity and takes whatever the function
 * leaves there as the result series.
 */
#ifndef TDXPLUGIN_H
#define TDXPLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*TdxFunc)(int count, float* out, float* a, float* b, float* c);

/* One table entry, packed without gaps: the 16-bit function number directly
 * followed by the function's address (2 + 8 bytes on a 64-bit build). */
#pragma pack(push, 1)
typedef struct TdxFuncEntry {
    uint16_t number;
    TdxFunc function;
} TdxFuncEntry;
#pragma pack(pop)

/* Signature of the export RegisterTdxFunc. */
typedef int (*TdxRegisterFunc)(TdxFuncEntry** table);

#define TDX_REGISTER_SYMBOL "RegisterTdxFunc"

#ifdef __cplusplus
}
static_assert(sizeof(TdxFuncEntry) == 2 + sizeof(void*), "TdxFuncEntry is packed: number, then address");
static_assert(offsetof(TdxFuncEntry, function) == 2, "TdxFuncEntry: the address follows the number directly");
#else
_Static_assert(sizeof(TdxFuncEntry) == 2 + sizeof(void*), "TdxFuncEntry is packed: number, then address");
_Static_assert(offsetof(TdxFuncEntry, function) == 2, "TdxFuncEntry: the address follows the number directly");
#endif

#endif /* TDXPLUGIN_H */

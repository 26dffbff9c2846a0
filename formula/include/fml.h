/*
 * Fennodex: the formula engine.
 *
 * A host compiles a formula by pushing a postfix stream of operations into a
 * formula context (fml_ctx_op_code_push), sets its parameters as static
 * arguments, and runs it over bar series that it supplies on demand through a
 * missing-series callback (fml_vm_run). Every run leaves named variables and
 * drawn outputs that the host reads back through the fml_ctx_op_* readers.
 *
 * Every function is a plain C export with the prefix fml_. Virtual machines,
 * contexts and arguments cross as opaque handles. Nothing throws across this
 * interface except fml_ctx_op_code_push with op FML_OP_CALL and a function
 * name that the virtual machine does not hold (std::out_of_range).
 */
#ifndef FML_H
#define FML_H

#include <stddef.h>
#include <stdint.h>

#if defined(FML_BUILD)
#define FML_API __attribute__((visibility("default")))
#else
#define FML_API
#endif

#ifdef __cplusplus
#define FML_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define FML_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ---- Handles ---- */

typedef struct FormulaVM FormulaVM;             /* a virtual machine: function table and shared context */
typedef struct FormulaContext FormulaContext;   /* one compiled formula with its data and outputs */
typedef struct FormulaArgument FormulaArgument; /* one value: a float series, or a literal, with a text */

/* ---- Markers ---- */

/* No value at this bar: +infinity (bits 0x7F800000). */
FML_API extern const float FMLInvalidValue;
/* A second no-value marker: the smallest normal float (bits 0x00800000). */
FML_API extern const float FMLContinuousValue;

/* ---- Operations ---- */

typedef enum FMLOpCode {
    FML_OP_ASSIGN = 0,      /* store the top value under name (it stays on the stack) */
    FML_OP_PUSH_NAME = 1,   /* push the value of name */
    FML_OP_PUSH_NUMBER = 2, /* push number as a literal */
    FML_OP_PUSH_STRING = 3, /* push the string name as a literal */
    FML_OP_DROP = 4,        /* pop and discard the top value */
    FML_OP_CALL = 5,        /* call the function name */
    FML_OP_OUTPUT = 6       /* declare a drawn output of draw kind kind */
} FMLOpCode;

typedef enum FMLDrawKind {
    FML_DRAW_DATA = 0,
    FML_DRAW_LINE = 1,
    FML_DRAW_STICK = 2,
    FML_DRAW_NUMBER = 3,
    FML_DRAW_NONE = 4,
    FML_DRAW_TEXT = 5,
    FML_DRAW_BAND = 6,
    FML_DRAW_ICON = 7,
    FML_DRAW_LITERAL_NUMBER = 8,
    FML_DRAW_TEXT_FIX = 9,
    FML_DRAW_RECT = 10,
    FML_DRAW_KLINE = 11
} FMLDrawKind;

/* Pen styles. The engine acts on NODRAW (no part in value ranges) and
 * VOLSTICK (drawdata resolves "C" and "O"; a line's range includes 0);
 * every style is stored and returned unchanged. */
typedef enum FMLOutputPenStyle {
    FML_PEN_NODRAW = -1,
    FML_PEN_LINE = 0,
    FML_PEN_DOTLINE = 1,
    FML_PEN_COLORSTICK = 2,
    FML_PEN_STICK = 3,
    FML_PEN_VOLSTICK = 4,
    FML_PEN_LINESTICK = 5,
    FML_PEN_CROSSDOT = 6,
    FML_PEN_CIRCLEDOT = 7,
    FML_PEN_POINTDOT = 8
} FMLOutputPenStyle;

/* Style of a drawn output; read when op 6 is pushed. */
typedef struct FMLOutputAttr {
    uint32_t color; /* red bits 0-7, green 8-15, blue 16-23; 0 = palette colour */
    float width;
    int32_t style; /* FMLOutputPenStyle */
} FMLOutputAttr;

/* The record passed with each operation; read during the push only. */
typedef struct FMLOpValue {
    union {
        const char* name; /* ops 0, 1, 3, 5: name or string, NUL-terminated */
        float number;     /* op 2 */
        int32_t kind;     /* op 6: FMLDrawKind */
    };
    const char* output_name;   /* op 6 */
    const FMLOutputAttr* attr; /* op 6 */
} FMLOpValue;

/* ---- Callbacks ---- */

/* Asked for a name that neither the context nor the shared context holds.
 * Fills arg (fml_argument_data / _literal / _string) and returns nonzero, or
 * returns 0 when it does not know the name (the run then stops). arg is a new
 * empty argument, except for a context with fml_ctx_keep_series on. */
typedef int (*FMLMissCallback)(void* user, FormulaContext* ctx, FormulaArgument* arg, const char* name);

/* A host function: args[0] receives the result, args[1..count-1] are the
 * call's arguments in formula order. The step succeeds only on a result of 1. */
typedef int (*FMLFunctionCallback)(void* user, FormulaVM* vm, FormulaContext* ctx, const char* name,
                                   FormulaArgument** args, int count);

/* ---- Values ---- */

/* Resizes arg to n floats (kept values stay, added ones are 0.0; n < 0 is 0),
 * sets its bar range to [0, n) and returns its first float. */
FML_API float* fml_argument_data(FormulaArgument* arg, int n);
FML_API void fml_argument_literal(FormulaArgument* arg, int flag);
/* Text := the len bytes at s (len < 0 is 0), at most 64 KiB (cut at the start
 * of a UTF-8 character); a literal with the one value FMLInvalidValue. Texts
 * the engine makes (strcat) are cut at the same limit. */
FML_API float* fml_argument_string(FormulaArgument* arg, const char* s, int len);
/* Inside the missing-series callback of a context with fml_ctx_keep_series
 * on: the bars before bar (bar < 0 is 0) hold what they held when the
 * callback last filled arg; the engine re-evaluates from there. Without this
 * word a series handed back counts as changed from bar 0; for a new argument
 * the word is ignored (the engine compares it with the last run's). */
FML_API void fml_argument_rewritten_from(FormulaArgument* arg, int bar);
FML_API int fml_argument_data_literal(FormulaArgument* arg);
/* First float, or NULL when arg holds none. */
FML_API float* fml_argument_data_number(FormulaArgument* arg);
FML_API int fml_argument_data_size(FormulaArgument* arg);
FML_API const char* fml_argument_data_string(FormulaArgument* arg);

/* ---- Contexts ---- */

FML_API FormulaContext* fml_ctx_create(FormulaVM* vm);
FML_API void fml_ctx_release(FormulaContext* ctx);
/* Prepares a new run: bar count 0, stack, variables and outputs emptied. */
FML_API void fml_ctx_clean(FormulaContext* ctx);
/* Bar count of the next run (bars < 0 is 0). A run over more than 50,000,000
 * bars fails (fml_vm_run returns 0) before it allocates anything. */
FML_API void fml_ctx_data_length(FormulaContext* ctx, int bars);
FML_API void fml_ctx_set_user_data(FormulaContext* ctx, void* user);
FML_API void* fml_ctx_get_user_data(FormulaContext* ctx);
FML_API void fml_ctx_lock(FormulaContext* ctx);
FML_API void fml_ctx_unlock(FormulaContext* ctx);
FML_API void fml_ctx_miss_callback(FormulaContext* ctx, void* user, FMLMissCallback cb);
/* Off by default. On (on != 0): where a run that follows a successful one
 * and fml_ctx_clean asks the callback for a name it filled as a series in
 * that run, the callback gets
 * that same argument back, values and size as it left them, resizes it with
 * fml_argument_data (kept values stay), rewrites the bars that changed and
 * reports the first of them with fml_argument_rewritten_from. A literal or a
 * text, a name new to the run, and a series the engine still holds elsewhere
 * come as a new empty argument, as without this setting. Stays across
 * fml_ctx_clean. */
FML_API void fml_ctx_keep_series(FormulaContext* ctx, int on);
/* Always NULL. */
FML_API FormulaContext* fml_ctx_impl_create(void);
/* The variable (or static argument) of that name, created empty when absent.
 * Names compare without regard to ASCII case. */
FML_API FormulaArgument* fml_get_argument(FormulaContext* ctx, const char* name);
FML_API FormulaArgument* fml_get_static_argument(FormulaContext* ctx, const char* name);

/* ---- Operation stream and virtual machine ---- */

/* Compiles one operation (FMLOpCode) into ctx's program. Throws std::out_of_range
 * for op FML_OP_CALL with a name the VM's function table does not hold. */
FML_API void fml_ctx_op_code_push(FormulaContext* ctx, int op, const FMLOpValue* value);
FML_API FormulaVM* fml_vm_create(void);
FML_API void fml_vm_release(FormulaVM* vm);
/* 1 when every step succeeded, 0 at the first failing step. */
FML_API int fml_vm_run(FormulaVM* vm, FormulaContext* ctx);
/* 1 when added, 0 when the name exists (or an argument is unusable). */
FML_API int fml_vm_reg_fn(FormulaVM* vm, void* user, const char* name, FMLFunctionCallback cb, int nargs);
FML_API FormulaContext* fml_vm_shared_context(FormulaVM* vm);

/* ---- TDX plug-ins ---- */

/* Loads the plug-in library path (a bare Windows file name such as
 * "Ostrilug.dll" is found as libOstrilug.so beside the program, then along the
 * loader's path), calls its RegisterTdxFunc and registers its functions as
 * "TDXDLL<n>", replacing a function of that name; a formula then calls
 * TDXDLL<n>(number, a, b, c). The library stays loaded while the VM's table or
 * a formula compiled against it refers to it. 1 when the library was loaded and
 * accepted the call (an empty table registers nothing); 0 otherwise, with the
 * library unloaded. The table entry record is in tdxplugin.h. */
FML_API int fml_vm_load_tdx_dll(FormulaVM* vm, const char* path, int n);

/* ---- Reading drawn outputs ---- */

/* The kind's own fields of an FMLOutputItem, one record per reader. */
typedef struct FMLLineFields {
    const float* values;
} FMLLineFields;
typedef struct FMLStickFields {
    float width_factor;  /* 4th argument's value */
    float empty;         /* 5th argument's value */
    const float* price1; /* 2nd argument */
    const float* price2; /* 3rd argument */
    const float* cond;   /* 1st argument */
} FMLStickFields;
typedef struct FMLNumberFields {
    const float* values;   /* 3rd argument: the number shown */
    const float* position; /* the 2nd argument where the 1st is not 0 */
} FMLNumberFields;
typedef struct FMLStringFields {
    const float* values;
    const char* text;
} FMLStringFields;
typedef struct FMLBandFields {
    const float* series1;
    const float* series2;
    uint32_t color1;
    uint32_t color2;
} FMLBandFields;
typedef struct FMLIconFields {
    const float* values;
    int32_t icon;
} FMLIconFields;
typedef struct FMLLiteralNumberFields {
    float value;
} FMLLiteralNumberFields;
typedef struct FMLFixStringFields {
    float x;
    float y;
    int32_t value;
    const char* text;
} FMLFixStringFields;
typedef struct FMLRectFields {
    int32_t outline; /* 5th argument's value; 1 = outline */
    const float* cond;
    const float* span;
    const float* price1;
    const float* price2;
} FMLRectFields;
typedef struct FMLKLineFields {
    const float* high;
    const float* open;
    const float* low;
    const float* close;
} FMLKLineFields;

/* Filled by the fml_ctx_op_<kind> readers: the common fields, then the kind's
 * own fields in the member named after the reader. */
typedef struct FMLOutputItem {
    const char* name; /* out */
    uint32_t begin;   /* in: first bar to measure */
    uint32_t count;   /* in/out: bars to measure; begin 0 and count 0 ask for the whole output */
    float max;        /* in/out: widened by the output's maximum over the bars */
    float min;        /* in/out: widened by the output's minimum over the bars */
    uint32_t color;   /* out */
    float width;      /* out */
    int32_t style;    /* out: FMLOutputPenStyle */
    union {
        FMLLineFields line;
        FMLStickFields stick;
        FMLNumberFields number;
        FMLStringFields string;
        FMLBandFields band;
        FMLIconFields icon;
        FMLLiteralNumberFields literal_number;
        FMLFixStringFields fix_string;
        FMLRectFields rect;
        FMLKLineFields k_line;
    };
} FMLOutputItem;

typedef struct FMLSelectedValue {
    const char* name;
    float value;
    uint32_t color;
} FMLSelectedValue;

/* Outputs of draw kind 1-3 or 5-11; kind -1 counts the draw-order entries; 0 otherwise. */
FML_API int fml_ctx_op_count(FormulaContext* ctx, int kind);
/* The i-th draw-order entry; nothing is written when i is out of range. */
FML_API void fml_ctx_op_seq_get(FormulaContext* ctx, unsigned i, int* kind, int* index);
/* Output i of one kind. An index out of range leaves item unchanged. */
FML_API void fml_ctx_op_line(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_stick(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_number(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_string(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_band(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_icon(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_literal_number(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_fix_string(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_rect(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
FML_API void fml_ctx_op_k_line(FormulaContext* ctx, FMLOutputItem* item, unsigned i);
/* counts[0..2] := the numbers of outputs of kinds 1, 2 and 3. */
FML_API void fml_ctx_output(FormulaContext* ctx, int counts[3]);
/* Widens *max and *min over bars [begin, begin + count) of every output that has a range. */
FML_API void fml_ctx_output_maxmin(FormulaContext* ctx, unsigned begin, unsigned count, float* max, float* min);
/* Every named output's value at bar, at most capacity records; returns how many were filled. */
FML_API int fml_ctx_output_selected_value(FormulaContext* ctx, unsigned bar, FMLSelectedValue* out, int capacity);

/* ---- Record layouts ---- */

FML_STATIC_ASSERT(sizeof(FMLOutputAttr) == 12, "FMLOutputAttr is three 32-bit words");
FML_STATIC_ASSERT(offsetof(FMLOutputAttr, width) == 4 && offsetof(FMLOutputAttr, style) == 8,
                  "FMLOutputAttr field offsets");
FML_STATIC_ASSERT(sizeof(FMLOpValue) == 3 * sizeof(void*), "FMLOpValue is three pointer-size words");
FML_STATIC_ASSERT(offsetof(FMLOpValue, output_name) == sizeof(void*) && offsetof(FMLOpValue, attr) == 2 * sizeof(void*),
                  "FMLOpValue field offsets");
FML_STATIC_ASSERT(sizeof(FMLSelectedValue) == sizeof(void*) + 8, "FMLSelectedValue layout");
FML_STATIC_ASSERT(offsetof(FMLSelectedValue, value) == sizeof(void*) &&
                      offsetof(FMLSelectedValue, color) == sizeof(void*) + 4,
                  "FMLSelectedValue field offsets");
FML_STATIC_ASSERT(offsetof(FMLOutputItem, begin) == sizeof(void*) &&
                      offsetof(FMLOutputItem, style) == sizeof(void*) + 24,
                  "FMLOutputItem common field offsets");
FML_STATIC_ASSERT(offsetof(FMLOutputItem, line) % sizeof(void*) == 0 &&
                      offsetof(FMLOutputItem, line) >= sizeof(void*) + 28,
                  "FMLOutputItem kind fields follow the common ones");
FML_STATIC_ASSERT(sizeof(FMLOutputItem) == offsetof(FMLOutputItem, line) + 5 * sizeof(void*), "FMLOutputItem size");

#ifdef __cplusplus
}
#endif

#endif /* FML_H */

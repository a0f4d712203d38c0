// The special functions that methods call besides the language's own: their registration with the
// compiler when a compile opens, the compile-time checks of their arguments, the hidden record of
// a call site, and the run-time bodies of the frame functions that the generated glue calls.
#pragma once
#include <cstdint>

#include "engine/compiler/compile_control.h"
#include "host/compiler.h"

// Function kinds of the hidden record.
enum : int32_t {
    RSKLP_PMX_ROW = 50,              // PMXELEM: row given, column omitted
    RSKLP_PMX_COLUMN = 51,           // PMXELEM: row omitted, column given
    RSKLP_PMX_ELEMENT = 52,          // PMXELEM: both given
    RSKLP_CURVE = 53,                // RLAG, and the curve forms of PV_CASHFLOW and REGISTER_FX
};
// Row and column selectors of PMXELEM.
enum : int32_t { RSKLP_OMITTED = -1, RSKLP_BY_LABEL = -2, RSKLP_BY_NUMBER = -3 };

// The hidden argument of a call site: one per execution block, zeroed when the block's instance is
// made (the compiler passes it after the last visible argument). The compile-time part is what a
// check can know; the bodies of the pricing functions add their run-time fields after it.
struct RSKLPARGH {
    RSKCON* con;
    int32_t kind;                    // RSKLP_*
    void* storage;                   // the object's storage when fixed at compile time
    RSKVARIABLE* object;
    uint8_t per_type_reference;      // a reference variable resolved per instrument type
    int32_t row_selector;            // RSKLP_OMITTED, _BY_LABEL or _BY_NUMBER
    int32_t column_selector;
    double row_value;
    double column_value;
    char row_label[32];              // blank padded
    char column_label[32];
    int32_t dimension;               // declared dimension of the result (PMXELEM)
};

// Save slot of one updated argument of a method run by _RESET: the value before the call.
struct RSKRESETSAVE {
    double* buffer;
    int32_t size;                    // bytes in use
    int32_t capacity;                // bytes of buffer
    uint8_t partial;                 // an array restored element by element
};

// Names of the pricing functions (the cash-flow check compares against them).
constexpr int kRskPriceFunctionCount = 13;
inline constexpr char RSKPRCFUNCS[kRskPriceFunctionCount][14] = {
    "CASHFLOW", "N_CASH_FLOWS", "SET_DER", "CF_VERTICES", "CASH_FLOW", "PV_CASHFLOW", "REGISTER_FX",
    "ANALYSIS_INFO", "MLEVEL", "OUTV_ELEM", "MAT_POWER", "MAT_EXP", "GET_FX_SPOT"};

// Registers the 22 special functions in their groups, stopping at the first refusal (598/3410
// names the function): 0 or 1.
int install_special_functions(RSKCMPCON* handle);

// An environment variable of the expected class (the name then without a point) or a reference
// variable of the expected reference type; 598/3324 (parameter matrices) or 598/3321 unless quiet.
// 0 found, 1 not.
int checkArg(RSKCON* con, const char* name, int length, uint32_t expected_class, uint32_t expected_type,
             RSKVARIABLE** variable, int* reference, int quiet);
// A character literal naming a reference variable of reference type 60; else 598/3432. 0 or 1.
int checkRefArg(RSKCON* con, const cmp_arg_node* argument, const char* function, int number);

// The compile-time checks (context: the compile handle).
int rskpme0(void* context, cmp_call_node* call, char* message, int size);    // PMXELEM
int rsklgn0(void* context, cmp_call_node* call, char* message, int size);    // RLAG
int rskref0(void* context, cmp_call_node* call, char* message, int size);    // _RESET
int cshflw0(void* context, cmp_call_node* call, char* message, int size);    // cash-flow family
int rskder0(void* context, cmp_call_node* call, char* message, int size);    // SET_DER
int rskpvcf0(void* context, cmp_call_node* call, char* message, int size);   // PV_CASHFLOW
int rskregfx0(void* context, cmp_call_node* call, char* message, int size);  // REGISTER_FX
int rskgetfx0(void* context, cmp_call_node* call, char* message, int size);  // GET_FX_SPOT
int rskoutv0(void* context, cmp_call_node* call, char* message, int size);   // OUTV_ELEM
int rskant0(void* context, cmp_call_node* call, char* message, int size);    // ANALYSIS_INFO
int rskmlvl0(void* context, cmp_call_node* call, char* message, int size);   // MLEVEL
int rskmpw0(void* context, cmp_call_node* call, char* message, int size);    // MAT_POWER
int rskmexp0(void* context, cmp_call_node* call, char* message, int size);   // MAT_EXP

// The frame bodies.
int rsktrc(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // _TRACE
int rsktrcc(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // _TRACECHECK
int rskrset(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // _RESET
int rskarru(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // _ARRU

// 1 when the state lies in the trace window and the program's instrument is the one traced (or
// no per-block programs exist).
int trace_window(RSKCON* con, int block, double state);

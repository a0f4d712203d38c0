// Helpers the pricing built-ins share: the control structure of a call, missing values, the
// run's counters and flags (atomic: pricing threads update them), and labelled work memory.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/builtins/builtins.h"
#include "host/missing.h"

struct RSKCMPCON;

// The control structure of the registration context (the compile handle).
RSKCON* builtin_con(const cmp_function_record* fn);
// The run's counters, or null outside a run.
RSKBUILTINRUN* builtin_run(RSKCON* con);

// A block of `bytes` from the general pool (shared by threads) under the label; null after
// 598/2797 (once per run) with the byte count and the label, and the run's memory-failure flag.
void* builtin_alloc(RSKCON* con, size_t bytes, const char* label);
void builtin_free(void* block, size_t bytes);

// The argument was left out of the call.
inline bool builtin_omitted(const cmp_arg_value& a) { return a.kind == CMP_ARG_OMITTED; }
// A numeric argument's value; missing when it is absent or not numeric.
double builtin_number(const cmp_arg_value* args, int nargs, int i);

struct RSKVARIABLE;
struct RSKCASHFLOWS;

// The market vector of the execution block's current state (null outside a run).
const uint8_t* builtin_market(RSKCON* con, const cmp_exec_context* exec);
// A risk factor's value in the block's current state: from the state's market vector when the
// run placed it there, else the variable's own value (missing without one).
double builtin_factor_value(RSKCON* con, const cmp_exec_context* exec, const RSKVARIABLE* v);
// The date of the block's current state: the date in the state's market vector, else the value
// of the system variable DATE, else the run's state or base date.
double builtin_state_date(RSKCON* con, const cmp_exec_context* exec);
// The current instrument's cash-flow block, or null.
const RSKCASHFLOWS* builtin_flows(RSKCON* con);

// A cash-flow curve in the block's current state: its array variable, N points, their times in
// years and their values (up to kRskCurvePoints are read).
constexpr int kRskCurvePoints = 256;
struct RSKCURVEVIEW {
    RSKVARIABLE* array;
    int points;
    double times[kRskCurvePoints];
    double values[kRskCurvePoints];
};
// The curve of a cash-flow curve variable for a currency: for a reference variable of type 60,
// the array whose reference pairs name it with the currency as key; an array variable is its own
// curve. Null when none.
RSKVARIABLE* cshflwc(RSKCON* con, const char* name, int length, const char* currency);
// Fills the view from the array variable (points with elements; times from their maturities).
void builtin_curve_view(RSKCON* con, const cmp_exec_context* exec, RSKVARIABLE* array, RSKCURVEVIEW* view);
// Linear interpolation between (t_a, y_a) and (t_b, y_b) at t; missing with a missing value.
double interpolate(double y_a, double y_b, double t_a, double t_b, double t);
// The curve's value at time t: the first point's value at or before its time, the last one's at
// or beyond, else interpolated between the points that enclose t.
double builtin_curve_at(const RSKCURVEVIEW* view, double t);

// Text of a character argument (trailing blanks removed) into out; its length.
int builtin_text(const cmp_arg_value& a, char* out, int size);
// Writes text into a character argument, cut to its capacity and padded with blanks.
void builtin_set_text(cmp_arg_value& a, const char* text, int length);

// The compile handle a body was registered with.
const RSKCMPCON* builtin_handle(const cmp_function_record* fn);
// The engine variable an argument stands for: an array or parameter matrix by its symbol's
// name, a numeric variable by the storage it is bound to in the block (its value, instrument
// record, market vector or results row). Null for the program's own variables.
RSKVARIABLE* builtin_argument_variable(RSKCON* con, const cmp_exec_context* exec, const cmp_arg_value& a);
// The run's position counter (0 outside a run): registrations hold for one position.
int64_t builtin_position(RSKCON* con);
// A name record's (length, text) pair for a "%*s" directive.
#define RSK_NAMEREC(rec) static_cast<int>((rec).length), (rec).text

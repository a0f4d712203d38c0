// The run-time bodies of the pricing special functions (cash flows, references, exchange rates,
// delta-gamma values, matrix power and exponential), their call records and the run's counters.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/compiler.h"

struct RSKCON;

// Families whose failures are counted per run: the first 40 of a family are reported, the 41st
// gives 598/1974 instead, later ones are silent.
enum : int {
    RSKBIF_MATRIX = 0,               // parameter matrices, MAT_POWER, MAT_EXP
    RSKBIF_LAG = 1,
    RSKBIF_CURVE = 2,                // curves and cash flows
    RSKBIF_FX = 3,                   // exchange rates
    RSKBIF_FAMILIES = 4,
};
constexpr int kRskBuiltinMessageCap = 40;

// What the bodies keep for a run: the per-family failure counts and the capped counts of single
// messages, all updated atomically from the pricing threads.
struct RSKBUILTINRUN {
    int32_t failures[RSKBIF_FAMILIES];
    int32_t fx_rate_missing;         // GET_FX_SPOT without a rate (670/3808, then 598/1739)
    int32_t currency_mismatches;     // PV_CASHFLOW flows in another currency (670/3611, then 3610)
    uint8_t pricing_failed;          // a reference could not be resolved: the pass fails
    uint8_t memory_failed;           // a body could not have its memory (598/2797 given once)
    uint8_t collect_derivatives;     // an analysis of the run reads SET_DER deposits
    // OUTV_ELEM: the run's output-vector lists, filled by its post-pricing and post-valuation
    // steps, and the list that the methods now running read ('R' post-pricing, else
    // post-valuation).
    const struct RSKOUTVLIST* post_valuation;
    const struct RSKOUTVLIST* post_pricing;
    char outv_phase;
};

// Statistics of an output-vector element, in the order OUTV_ELEM names them.
enum : int {
    RSKOUTV_MTM = 0, RSKOUTV_VAR, RSKOUTV_VAR_L, RSKOUTV_VAR_U, RSKOUTV_MEAN, RSKOUTV_STD, RSKOUTV_MIN,
    RSKOUTV_MAX, RSKOUTV_MEDIAN, RSKOUTV_VALUE, RSKOUTV_STATISTICS
};
// One element of an output vector ("NAME_k") and where its statistics are (null: none; the
// post-pricing list has only VALUE and MTM).
struct RSKOUTVELEM {
    int16_t name_length;
    char name[32];
    const double* statistics[RSKOUTV_STATISTICS];
};
struct RSKOUTVLIST {
    const RSKOUTVELEM* elements;
    int32_t count;
};

// The call record of MAT_POWER and MAT_EXP: one per call site and execution block (the
// compiler's hidden record, zeroed when the instance is made). The buffers belong to the record
// and come from the general pool; they follow the order of the matrix from call to call.
struct RSKMATCALL {
    int32_t order;                   // n
    int32_t kind;                    // 1 MAT_POWER, 2 MAT_EXP
    double* matrix;                  // the n x n result and work matrices (2 for MAT_POWER, 3 for MAT_EXP)
    size_t matrix_bytes;
    double* gathered;                // the argument's values, and MAT_EXP's product buffer
    size_t gathered_bytes;
    int32_t* pivots;                 // MAT_EXP: n pivots
    size_t pivot_bytes;
};
enum : int { RSKMAT_POWER = 1, RSKMAT_EXP = 2 };

// Counts a failure of the family for the run; 1 when its message is to be given, 0 when the
// cap is reached (the 41st failure logs 598/1974 with the function's name).
int rskbif_count(RSKCON* con, int family, const char* function);

// Bodies, in the calling form of the compiler's special functions.
int rskmpw(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // MAT_POWER
int rskmexp(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // MAT_EXP

// Sizes the record for the array argument's order (its last extent; n x n values required, else
// a counted 670/3803) and gathers the values. 0, or 1 after a message.
int updateFromArray(RSKCON* con, RSKMATCALL* call, int kind, const cmp_arg_value& matrix);
// Binds the result argument to n x n and writes the values (row-major) into it: 0 or 1.
int builtin_store_matrix(cmp_instance* instance, cmp_arg_value& result, const double* values, int n);

int cshflw(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // N_CASH_FLOWS, CASHFLOW, CASH_FLOW, CF_VERTICES
int rskpvcf(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // PV_CASHFLOW
int rskgetfx(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
             cmp_instance* instance, void* hidden); // GET_FX_SPOT

int rskdgv(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // _DGVAL
// The delta-gamma value of the quadratic block in the block's state; the factors' changes go to
// `changes` (count entries). Missing when a factor or base value is missing or out of range.
double rskdgv_value(RSKCON* con, const cmp_exec_context* exec, const struct RSKQUADVALUE* quad, double* changes);

// ---- References, lags, exchange-rate curves, output vectors, analysis information ----

// The reference record of a PMXELEM, RLAG, REGISTER_FX or PV_CASHFLOW call site at run time: one
// per call site and execution block (the compiler's hidden record, zeroed when the instance is
// made), filled by the first call and re-resolved when the instrument type changes.
struct RSKREFCALL {
    RSKCON* con;                     // null until the first call resolved the record
    struct RSKINSTTYPE* type;        // the instrument type it was last resolved for
    struct RSKVARIABLE* variable;    // the variable named by argument 1
    struct RSKVARIABLE* object;      // the variable reached: itself, or what the reference gives
    uint8_t per_type;                // a reference variable: resolved per instrument type
};

// Resolves the record's object for the variable named by argument 1 (kept from the first
// call): the variable itself, or for a reference variable the variable its current instrument
// type gives, looked up again whenever the type changes. 0, or 1 when there is none.
int resolve_reference(RSKCON* con, RSKREFCALL* record, struct RSKINSTTYPE* type, struct RSKVARIABLE* variable);
// The same for the call record of MAT_POWER and MAT_EXP over a parameter matrix. 0 or 1.
int resolve_reference2(RSKCON* con, RSKREFCALL* record, struct RSKINSTTYPE* type, struct RSKVARIABLE* variable);

// The row or column index of a PMXELEM key: by position (a number from 1) or by label. 0 with
// *index set, or 1 after a counted message (598/3329 or 598/3322).
int get_pmx_index(RSKCON* con, const struct RSKPARMATRIX* matrix, int columns, const cmp_arg_value& key,
                  int* index);
// The loaded parameter matrix of a parameter variable, or null.
struct RSKPARMATRIX* builtin_matrix(RSKCON* con, const struct RSKVARIABLE* variable);

int rskpme(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // PMXELEM
int rsklgn(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // RLAG
int rskregfx(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
             cmp_instance* instance, void* hidden); // REGISTER_FX
int rskoutve(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
             cmp_instance* instance, void* hidden); // OUTV_ELEM
int rskant(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // ANALYSIS_INFO
int rskmlvl(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // MLEVEL

// The exchange-rate curve that execution block `block` registered for the current position, or
// null (none registered, or registered for an earlier position). The cash-flow evaluation
// converts with it.
struct RSKVARIABLE* rskbif_registered_fx(RSKCON* con, int block);

// ---- Linear transformations and derivatives ----

int rskltv(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance* instance, void* hidden);   // _LINTRANS
int rskderc(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void* hidden);  // SET_DER
// The value an analysis puts into a derivative slot before pricing a position: SET_DER's
// accumulation starts from 0 on it, not from missing.
double rskder_initial();

// P := A to the power p (n x n, row-major); X is overwritten, W is work. The answer points to
// the buffer that holds P (one of p_buffer, x, w).
double* mpower(double* x, double* p_buffer, double* w, int n, long p);
// exp(t A) of the record's gathered matrix into the record's first matrix buffer: 0, or 1 when
// the denominator cannot be factorised or the scaling is beyond its bound. *out is the result.
int mexp_pade(RSKMATCALL* call, double t, const double** out);

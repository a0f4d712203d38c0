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

// P := A to the power p (n x n, row-major); X is overwritten, W is work. The answer points to
// the buffer that holds P (one of p_buffer, x, w).
double* mpower(double* x, double* p_buffer, double* w, int n, long p);
// exp(t A) of the record's gathered matrix into the record's first matrix buffer: 0, or 1 when
// the denominator cannot be factorised or the scaling is beyond its bound. *out is the result.
int mexp_pade(RSKMATCALL* call, double t, const double** out);

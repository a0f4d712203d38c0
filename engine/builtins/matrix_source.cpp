// The matrix argument of MAT_POWER and MAT_EXP: the order it gives, the call record's buffers
// sized for that order (reallocated when it changes between calls), and its values gathered
// into the record, so that the computation never writes the method's own array.
#include <cmath>
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "host/print.h"

namespace {

const char* function_name(int kind) { return kind == RSKMAT_POWER ? "MAT_POWER" : "MAT_EXP"; }

void release_buffers(RSKMATCALL* call) {
    builtin_free(call->matrix, call->matrix_bytes);
    builtin_free(call->gathered, call->gathered_bytes);
    builtin_free(call->pivots, call->pivot_bytes);
    call->matrix = call->gathered = nullptr;
    call->pivots = nullptr;
    call->matrix_bytes = call->gathered_bytes = call->pivot_bytes = 0;
    call->order = 0;
}

// Buffers for order n: MAT_POWER keeps the result and one work matrix (16 n^2 bytes) and the
// gathered values; MAT_EXP the result and two work matrices (24 n^2), the gathered values with
// a product buffer, and n pivots (4 n). Byte counts are 64-bit before any allocation.
int size_buffers(RSKCON* con, RSKMATCALL* call, int kind, int n) {
    if (call->order == n && call->kind == kind && call->matrix != nullptr) return 0;
    release_buffers(call);
    const uint64_t square = static_cast<uint64_t>(n) * static_cast<uint64_t>(n);
    const uint64_t matrices = kind == RSKMAT_POWER ? 2 : 3;
    const uint64_t gathered = kind == RSKMAT_POWER ? 1 : 2;
    const char* label = kind == RSKMAT_POWER ? "matrix memory in MAT_POWER" : "matrix memory in MAT_EXP";
    const char* gathered_label = kind == RSKMAT_POWER ? "gathered values in MAT_POWER" : "gathered values in MAT_EXP";
    call->kind = kind;
    call->matrix = static_cast<double*>(builtin_alloc(con, 8 * matrices * square, label));
    if (call->matrix == nullptr) return 1;
    call->matrix_bytes = 8 * matrices * square;
    call->gathered = static_cast<double*>(builtin_alloc(con, 8 * gathered * square, gathered_label));
    if (call->gathered == nullptr) {
        release_buffers(call);
        return 1;
    }
    call->gathered_bytes = 8 * gathered * square;
    if (kind == RSKMAT_EXP) {
        call->pivots = static_cast<int32_t*>(builtin_alloc(con, 4 * static_cast<uint64_t>(n), "pivot info memory in MAT_EXP"));
        if (call->pivots == nullptr) {
            release_buffers(call);
            return 1;
        }
        call->pivot_bytes = 4 * static_cast<size_t>(n);
    }
    call->order = n;
    return 0;
}

}  // namespace

// The order of an array argument is its last extent; the array must hold n x n values (a 2 x 3
// array is refused rather than read beyond its end). 0 with the record sized and the values
// gathered; 1 after a message.
int updateFromArray(RSKCON* con, RSKMATCALL* call, int kind, const cmp_arg_value& matrix) {
    if (kind != RSKMAT_POWER && kind != RSKMAT_EXP) {
        xebug("updateFromArray: Not supported function type in updateFromArray.");
        return 1;
    }
    const int n = matrix.columns > 0 ? matrix.columns : matrix.rows;
    if (matrix.kind != CMP_ARG_ARRAY || matrix.elements == nullptr || n < 1 ||
        static_cast<int64_t>(n) * n != matrix.count) {
        if (rskbif_count(con, RSKBIF_MATRIX, function_name(kind)) != 0) xpmlog(670, 3803, function_name(kind));
        return 1;
    }
    if (size_buffers(con, call, kind, n) != 0) return 1;
    for (int i = 0; i < n * n; ++i) call->gathered[i] = *matrix.elements[i];
    return 0;
}

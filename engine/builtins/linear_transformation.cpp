// _LINTRANS: the outputs of a linear transformation of risk factors in the state being priced,
// y_i = (sum over inputs j of x_j A_ji) S_i + O_i, with A the pattern rows of the transformation's
// parameter matrix (row j for input j) and O, S its mean and standard-deviation vectors.
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/variables/variable_record.h"

namespace {

// Inputs copied at once (before any output is stored: an output may also be an input).
constexpr int kStackInputs = 512;

// Stores a factor's value where the block's state holds it, else in the variable's own value.
void store_factor(RSKCON* con, const cmp_exec_context* exec, RSKVARIABLE* v, double x) {
    const RSKRUNCOMPILE* run = con->run_compile;
    const int block = exec != nullptr ? exec->block : 0;
    double* market = run != nullptr && run->programs != nullptr && block >= 0 && block < run->execution_blocks
                         ? run->programs[block].market_vector
                         : nullptr;
    if (market != nullptr && v->run.state_offset >= 0) {
        std::memcpy(reinterpret_cast<uint8_t*>(market) + v->run.state_offset, &x, sizeof x);
        return;
    }
    if (v->value != nullptr && v->value_class != 2) std::memcpy(v->value, &x, sizeof x);
}

}  // namespace

int rskltv(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
           cmp_instance*, void*) {
    const RSKCMPCON* handle = builtin_handle(fn);
    if (handle == nullptr || nargs < 1 || exec == nullptr) return CMP_BODY_FAILED;
    const double r = builtin_number(args, nargs, 1);
    if (qor::is_missing(r)) return CMP_BODY_FAILED;
    const long index = static_cast<long>(r) + exec->block;
    if (index < 0 || index >= handle->reference_count || handle->references == nullptr) return CMP_BODY_FAILED;
    const auto* lt = static_cast<const RSKLINTRANS*>(handle->references[index].object);
    const RSKPARMATRIX* matrix = lt != nullptr ? lt->matrix : nullptr;
    if (matrix == nullptr || matrix->values == nullptr) return CMP_BODY_FAILED;
    const int m = lt->input_count;
    const int n = lt->output_count;
    if (m < 0 || m > kStackInputs || m > matrix->rows.count || n > matrix->columns.count) return CMP_BODY_FAILED;
    RSKCON* con = handle->con;
    double x[kStackInputs];
    for (int j = 0; j < m; ++j) x[j] = builtin_factor_value(con, exec, lt->inputs[j]);
    const int columns = matrix->columns.count;
    for (int i = 0; i < n; ++i) {
        double y = 0.0;
        for (int j = 0; j < m; ++j) {
            const double a = matrix->values[static_cast<long>(j) * columns + i];
            if (qor::is_missing(x[j]) || qor::is_missing(a)) {
                y = qor::missing();
                break;
            }
            y += x[j] * a;
        }
        const double scale = matrix->deviations != nullptr ? matrix->deviations[i] : 1.0;
        const double offset = matrix->means != nullptr ? matrix->means[i] : 0.0;
        if (qor::is_missing(y) || qor::is_missing(scale) || qor::is_missing(offset))
            y = qor::missing();
        else
            y = y * scale + offset;
        if (lt->outputs[i] != nullptr) store_factor(con, exec, lt->outputs[i], y);
    }
    return CMP_BODY_OK;
}

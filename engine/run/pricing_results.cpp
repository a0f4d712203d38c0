// The pricing results vector of a run: one row of doubles per state plus the base rows, laid
// out from the value, cash-flow and mode variables and the computed outputs; the post-processing
// flag vectors and the run's list of output elements in row order.
#include <algorithm>
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"

namespace {

constexpr uint32_t kRoleComputed = 204;
constexpr int kFlagVectors = 5;

// Doubles a variable takes in the row: an array its dimension, anything else one.
int32_t doubles_of(const RSKVARIABLE* v) {
    if (v->data_type != RSKDTYPE_ARRAY) return 1;
    const double n = v->element_count;
    return n > 0 && n < 65536 ? static_cast<int32_t>(n) : 0;
}

// Visits the row in order: each variable with whether its doubles are output elements, and
// null for a column without a variable (a value or second value column, the raw column).
template <typename Visit>
void walk_row(RSKCON* con, RSKRUNBLOCK* run, Visit&& visit) {
    RSKROWVARIABLES& rv = run->row_variables;
    visit(rv.value, false);
    if (run->second_value) visit(rv.second_value, false);
    if (run->cashflow_sums)
        for (RSKVARIABLE* v : rv.cashflow_sums) if (v != nullptr) visit(v, true);
    if (run->cashflow_derived)
        for (RSKVARIABLE* v : rv.cashflow_derived) if (v != nullptr) visit(v, true);
    if (run->cashflow_vector && rv.cashflow_vector != nullptr) visit(rv.cashflow_vector, true);
    if ((run->cashflow_mode == 1 || run->cashflow_mode == 3) && rv.mode_variables[0] != nullptr)
        visit(rv.mode_variables[0], true);
    if ((run->cashflow_mode == 2 || run->cashflow_mode == 3) && rv.mode_variables[1] != nullptr)
        visit(rv.mode_variables[1], true);
    RSKVARIABLE* added = rv.added_value;
    if (added != nullptr && (run->price_all_states || (added->dependencies.flags & RSKDEP_PRICE_ARG) != 0))
        visit(added, true);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->role != kRoleComputed) continue;
        if (run->price_all_states || (v->dependencies.flags & RSKDEP_PRICE_ARG) != 0 || v->varpost != 0)
            visit(v, true);
    }
    if (run->raw_value) visit(nullptr, false);
}

// Gives every row variable its offset (a variable named twice keeps its first); answers the
// row length in doubles.
int32_t lay_out_row(RSKCON* con, RSKRUNBLOCK* run) {
    RSKSYSVARS* sys = con->system_variables;
    if (run->row_variables.value == nullptr && sys != nullptr) run->row_variables.value = sys->value;
    RSKVARIABLE* added = run->row_variables.added_value;
    int32_t doubles = 0;
    walk_row(con, run, [&doubles, added](RSKVARIABLE* v, bool) {
        if (v == nullptr) {
            ++doubles;
            return;
        }
        if (v->run.row_offset >= 0) return;
        v->run.row_offset = doubles;
        v->run.placed_in_row = 1;
        if (v == added) v->run.counted = 1;   // its first use in the run
        doubles += doubles_of(v);
    });
    return doubles;
}

// Row addresses of every row variable and one cell per output element at the tail of the run's
// element list, in row order; cells come from the run pool, 3 x the element count at a time.
int bind_row(RSKCON* con, RSKRUNBLOCK* run) {
    const int chunk = std::max(3 * run->element_count, 1);
    int32_t at = 0;
    int rc = 0;
    walk_row(con, run, [&](RSKVARIABLE* v, bool element) {
        if (v == nullptr) {
            ++at;
            return;
        }
        if (v->run.row_offset != at || rc != 0) return;   // named earlier in the row
        const int32_t n = doubles_of(v);
        at += n;
        v->run.row_address[0] = run->row0 + v->run.row_offset;
        v->run.row_address[1] = run->row1 + v->run.row_offset;
        if (!element) return;
        for (int32_t i = 0; i < n && rc == 0; ++i) {
            size_t bytes = 0;
            RSKVARLINK* cell = rsk_take_free(run->free_lists.variable_links, con->run_pool, chunk, &bytes);
            if (cell == nullptr) {
                rskmem_no_memory(con, bytes, "add elements to a list");
                rc = 1;
                return;
            }
            run->memory[RSKMEM_POSTPROCESSING] += bytes;
            cell->variable = v;
            if (run->elements_last != nullptr) run->elements_last->next = cell;
            else run->elements_first = cell;
            run->elements_last = cell;
        }
    });
    return rc;
}

}  // namespace

int rskmem3(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const int32_t doubles = lay_out_row(con, run);
    run->row_doubles = doubles;
    run->compile.row_size = doubles * static_cast<int32_t>(sizeof(double));   // the compile declares the row
    run->row_count = std::max(run->state_count, 0) + 2;
    const size_t bytes = sizeof(double) * static_cast<size_t>(doubles) * static_cast<size_t>(run->row_count);
    void* results = con->kit_pool != nullptr ? con->kit_pool->allocate(con->kit_pool, bytes, QOR_ALLOC_ZERO) : nullptr;
    if (results == nullptr) {
        rskmem_no_memory(con, bytes, "pricing results vector");
        return 99;
    }
    run->memory[RSKMEM_PRICING_RESULTS] += bytes;
    run->results = static_cast<double*>(results);
    run->row0 = run->results;
    run->row1 = run->results + doubles;
    run->element_count = doubles - 1 - (run->second_value ? 1 : 0) - (run->raw_value ? 1 : 0);
    const size_t flag_bytes = static_cast<size_t>(std::max(run->element_count, 0) + (run->raw_value ? 1 : 0));
    auto* flags = static_cast<uint8_t*>(rskmem_alloc(con, std::max<size_t>(kFlagVectors * flag_bytes, 1),
                                                     "post-processing flags", RSKMEM_POSTPROCESSING, 1));
    if (flags == nullptr) return 1;
    for (int k = 0; k < kFlagVectors; ++k) run->postprocessing[k] = flags + k * flag_bytes;
    return bind_row(con, run);
}

// The services the finite-difference analyses share: shift options and sizes, factor values in
// the current market, appending and skipping states, part ranges and the price matrix.
#include "engine/analyses/sensitivity_shifts.h"

#include <cmath>
#include <cstring>

#include "engine/analyses/analysis_phases.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/market_state.h"
#include "engine/run/pricing.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/tables/free_lists.h"
#include "host/missing.h"
#include "common/memory/pool_memory.h"
#include "host/pool.h"

namespace {

// Missing, 0 and values above 1 take the default; a negative value keeps its magnitude.
double option_or_default(double value, double fallback) {
    if (qor::is_missing(value) || std::isnan(value) || value == 0 || value > 1) return fallback;
    return std::fabs(value);
}

const RSKOPTREC* run_options(RSKCON* con) {
    const RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr) return nullptr;
    return run->run_options != nullptr ? run->run_options : run->options;
}

double* numeric_slot(RSKVARIABLE* v) {
    if (v == nullptr || v->data_type == RSKDTYPE_ARRAY) return nullptr;
    void* slot = v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value;
    return static_cast<double*>(slot);
}

}  // namespace

RSKSHIFTOPTIONS rsa_shift_options(RSKCON* con) {
    const RSKOPTREC* options = run_options(con);
    RSKSHIFTOPTIONS s{kRskDefaultEpsilon, kRskDefaultLowerBound};
    if (options != nullptr) {
        s.epsilon = option_or_default(options->epsilon, kRskDefaultEpsilon);
        s.lower_bound = option_or_default(options->hlwbnd, kRskDefaultLowerBound);
    }
    return s;
}

double rsa_shift(const RSKSHIFTOPTIONS* options, double x) {
    if (qor::is_missing(x)) return qor::missing();
    const double relative = std::fabs(x * options->epsilon);
    return relative > options->lower_bound ? relative : options->lower_bound;
}

double rsa_factor_value(RSKVARIABLE* factor) {
    const double* slot = numeric_slot(factor);
    if (slot == nullptr) return qor::missing();
    double value;
    std::memcpy(&value, slot, sizeof value);
    return value;
}

void rsa_set_factor(RSKVARIABLE* factor, double value) {
    double* slot = numeric_slot(factor);
    if (slot != nullptr) std::memcpy(slot, &value, sizeof value);
}

int rsa_append_state(RSKCON* con, RSKVARIABLE* first, RSKVARIABLE* second, int32_t item, int reuse) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || run->market_vectors[0] == nullptr) return 1;
    RSKSTATEHEADER header;
    std::memcpy(&header, run->market_vectors[0], sizeof header);
    header.names[0] = first;
    header.names[1] = second;
    header.item = item;
    std::memcpy(run->market_vectors[0], &header, sizeof header);
    return rskmktu(con, reuse) != 0 ? 1 : 0;
}

void rsa_skip_states(RSKCON* con, int64_t count) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || count <= 0) return;
    const int64_t next = static_cast<int64_t>(run->state_buffer.append_index) + count;
    run->state_buffer.append_index = next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
}

void rsa_analysis_part(RSKCON* con, int32_t* part, int32_t* parts) {
    *part = 1;
    *parts = 1;
    const RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || run->parms == nullptr || run->parms->analysis_parts <= 1) return;
    const int32_t p = run->parms->analysis_part, n = run->parms->analysis_parts;
    if (p < 1 || p > n) return;
    *part = p;
    *parts = n;
}

void rsa_part_factors(int32_t m, int32_t part, int32_t parts, int32_t* first, int32_t* end) {
    if (parts <= 1) {
        *first = 0;
        *end = m;
        return;
    }
    *first = static_cast<int32_t>((static_cast<int64_t>(part) - 1) * m / parts);
    *end = static_cast<int32_t>(static_cast<int64_t>(part) * m / parts);
}

double rsa_state_value(RSKCON* con, int64_t state) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || run->results == nullptr || state < 0 || state + 2 >= run->row_count) return qor::missing();
    return get_state_value(run, static_cast<int32_t>(state + 2))[0];
}

void* rsa_run_alloc(RSKCON* con, size_t bytes, const char* label) {
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->current_pool;
    void* block = bytes > 0 ? vmalcp_handler(pool, bytes, 0) : nullptr;
    if (block == nullptr) {
        rsknomem(con, bytes, label);
        return nullptr;
    }
    std::memset(block, 0, bytes);
    if (con->run_block != nullptr) con->run_block->run_pool_bytes += bytes;
    return block;
}

int rsa_append_run_factor(RSKCON* con, RSKANLPROC* run, RSKVARIABLE* variable, int32_t index) {
    RSKRUNBLOCK* block = con->run_block;
    if (block == nullptr) return 1;
    size_t bytes = 0;
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->current_pool;
    RSKRUNFACTOR* factor = rsk_take_free(block->free_run_factors, pool, kRskRunFactorChunk, &bytes);
    if (factor == nullptr) {
        rsknomem(con, bytes, "run factor list");
        return 1;
    }
    factor->next = nullptr;
    factor->variable = variable;
    factor->index = index;
    if (run->run_factors_tail == nullptr) run->run_factors_head = factor;
    else run->run_factors_tail->next = factor;
    run->run_factors_tail = factor;
    ++run->run_factor_count;
    return 0;
}

double rsa_cell_get(const void* area, int64_t index) {
    double value;
    std::memcpy(&value, static_cast<const unsigned char*>(area) + index * static_cast<int64_t>(sizeof(double)),
                sizeof value);
    return value;
}

void rsa_cell_put(void* area, int64_t index, double value) {
    std::memcpy(static_cast<unsigned char*>(area) + index * static_cast<int64_t>(sizeof(double)), &value,
                sizeof value);
}

void rsa_cell_add(void* area, int64_t index, double value) {
    const double sum = rsa_cell_get(area, index);
    if (qor::is_missing(sum)) return;
    rsa_cell_put(area, index, qor::is_missing(value) ? qor::missing() : sum + value);
}

int rsa_analysis_name(const RSKANLPROC* run, const char** text) {
    if (run == nullptr || run->analysis == nullptr) {
        *text = "";
        return 0;
    }
    *text = run->analysis->name.name.text != nullptr ? run->analysis->name.name.text : "";
    return run->analysis->name.name.length;
}

int rsa_project_name(const RSKANLPROC* run, const char** text) {
    if (run == nullptr || run->project == nullptr) {
        *text = "";
        return 0;
    }
    *text = run->project->name.name.text != nullptr ? run->project->name.name.text : "";
    return run->project->name.name.length;
}

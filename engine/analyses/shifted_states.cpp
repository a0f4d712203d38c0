// What the scenario, P/L curve and P/L surface analyses share: reading and shifting a factor's
// value in the current market, the grid start and step, state numbering over the parts of a
// divided run, appending a state with its description, and the pricing results of a state.
#include <cmath>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/analyses/shifted_states.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/market_state.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

void* value_slot(const RSKVARIABLE* v) {
    if (v == nullptr) return nullptr;
    return v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value;
}

int name_length(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }
const char* name_text(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.text : ""; }

}  // namespace

double rsk_shift_get(const RSKVARIABLE* v) {
    const void* slot = value_slot(v);
    if (slot == nullptr) return qor::missing();
    double value;
    std::memcpy(&value, slot, sizeof value);
    return value;
}

void rsk_shift_set(RSKVARIABLE* v, double value) {
    void* slot = value_slot(v);
    if (slot != nullptr) std::memcpy(slot, &value, sizeof value);
}

int32_t rsk_shift_elements(const RSKVARIABLE* v) {
    if (v == nullptr || v->data_type != RSKDTYPE_ARRAY || v->elements == nullptr) return 0;
    return array_element_count(v);
}

double rsk_shift_exp(double x, double base) {
    if (qor::is_missing(x) || qor::is_missing(base) || !(x > kRskExpLow && x < kRskExpHigh)) return qor::missing();
    return std::exp(x) * base;
}

void* rsk_shift_alloc(RSKCON* con, size_t bytes, const char* label) {
    void* block = nullptr;
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->current_pool;
    if (pool != nullptr && bytes > 0) block = vmalcp_handler(pool, bytes, QOR_ALLOC_ZERO);
    if (block == nullptr) {
        rsknomem(con, bytes, label);
        return nullptr;
    }
    if (con->run_block != nullptr) con->run_block->run_pool_bytes += bytes;
    return block;
}

void rsk_shift_part(RSKCON* con, int32_t* part, int32_t* parts) {
    const RSKRUNBLOCK* run = con->run_block;
    const RSKRUNPARMS* parms = run != nullptr ? run->parms : nullptr;
    *part = 1;
    *parts = 1;
    if (parms == nullptr || parms->analysis_parts <= 1) return;
    *parts = parms->analysis_parts;
    *part = parms->analysis_part >= 1 && parms->analysis_part <= parms->analysis_parts ? parms->analysis_part : 1;
}

int64_t rsk_global_states(RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    return static_cast<int64_t>(run->state_buffer.append_index) + run->shifted_states.states_elsewhere;
}

void rsk_count_elsewhere(RSKCON* con, int64_t states) {
    if (states > 0) con->run_block->shifted_states.states_elsewhere += states;
}

void rsk_part_points(int32_t part, int32_t parts, int64_t n, int64_t* first, int64_t* end) {
    if (parts <= 1) {
        *first = 0;
        *end = n;
        return;
    }
    *first = static_cast<int64_t>(part - 1) * n / parts;
    *end = static_cast<int64_t>(part) * n / parts;
}

void rsk_note_factors(RSKCON* con, RSKANLPROC* run, RSKVARIABLE* first, RSKVARIABLE* second, int32_t index) {
    RSKRUNBLOCK* block = con->run_block;
    if (block->market_vectors[0] != nullptr) {
        RSKSTATEHEADER header;
        std::memcpy(&header, block->market_vectors[0], sizeof header);
        header.names[0] = first;
        header.names[1] = second;
        header.item = index;
        std::memcpy(block->market_vectors[0], &header, sizeof header);
    }
    RSKRUNRESULTS& results = block->result_sets;
    RSKRESDS* states = &results.descriptors[RSKRES_STATES_A];
    const RSKOPTREC* options = block->run_options;
    if (states->open == 0 || options == nullptr || options->allstates == 0) return;
    RSKSTATEDESC desc{};
    desc.index = block->state_buffer.append_index;
    if (run->analysis != nullptr) desc.analysis_name = run->analysis->name;
    desc.analysis_number = static_cast<int16_t>(run->ordinal);
    desc.label_number = static_cast<int16_t>(run->label);
    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    desc.part_index = part - 1;
    if (first != nullptr) desc.name = first->name;
    if (second != nullptr) desc.name2 = second->name;
    desc.coordinate1 = -1;
    desc.coordinate2 = index;
    desc.coordinate3 = -1;
    const RSKSTATEDESC* saved = results.context.states_a;
    results.context.states_a = &desc;
    rskput(con, states);
    results.context.states_a = saved;
}

int rsk_plan_states(RSKCON* con, const char* routine, int64_t states) {
    RSKRUNBLOCK* run = con->run_block;
    const int64_t total = static_cast<int64_t>(run->planned_states) + states;
    if (states < 0 || total > 0x7fffffff) {
        xebug("%s: %lld states pass the run's limit of 2147483647 states.", routine, static_cast<long long>(total));
        return 1;
    }
    run->planned_states = static_cast<int32_t>(total);
    return 0;
}

int rsk_append_state(RSKCON* con, int flag) { return rskmktu(con, flag) != 0 ? 1 : 0; }

const double* rsk_state_row(RSKCON* con, int64_t state) {
    const RSKRUNBLOCK* run = con->run_block;
    if (run->results == nullptr || state < 0 || state + 2 >= run->row_count) return nullptr;
    return run->results + static_cast<size_t>(state + 2) * static_cast<size_t>(run->row_doubles);
}

double rsk_position_base_value(RSKCON* con) { return con->run_block->loop.base_value_copy; }
double rsk_position_base_exposure(RSKCON* con) { return con->run_block->valuation.exposure; }

void rsk_report_volatility(RSKCON* con, const RSKANLPROC* run, const RSKVARIABLE* factor) {
    const char* type = "";
    const int kind = run->analysis != nullptr ? static_cast<int>(run->analysis->kind) : 0;
    if (rskcsat(con, kind, &type) != 0 || type == nullptr) type = "";
    const RSKOBJNAME empty{};
    const RSKOBJNAME& analysis = run->analysis != nullptr ? run->analysis->name : empty;
    const int flen = name_length(factor->name);
    const char* ftext = name_text(factor->name);
    xpmlog(598, 2690, static_cast<int>(std::strlen(type)), type, name_length(analysis), name_text(analysis), flen,
           ftext, flen, ftext, flen, ftext);
}

int check_missing_vol(RSKCON* con, const RSKANLPROC* run, const RSKVARIABLE* factor, double* volatility, int report) {
    double s = factor->std_address != nullptr ? *factor->std_address : qor::missing();
    if (!qor::is_missing(s) && s > 0) {
        *volatility = s;
        return 0;
    }
    if (report) rsk_report_volatility(con, run, factor);
    return 1;
}

int get_x_inc(RSKCON* con, const RSKANLPROC* run, const RSKVARIABLE* factor, uint32_t type, double a, double z,
              int64_t n, double base, double* start, double* step, int element) {
    // One grid point has no step: the point is the first amount.
    const double d = n > 1 ? static_cast<double>(n - 1) : 0.0;
    auto per_point = [d](double span) { return d > 0 ? span / d : 0.0; };
    switch (type) {
    case RSKSHIFT_VALUE:
        *start = a;
        *step = per_point(z - a);
        return 0;
    case RSKSHIFT_ABSOLUTE:
        *start = base + a;
        *step = per_point(z - a);
        return 0;
    case RSKSHIFT_RELATIVE:
        *start = base * (a + 1.0);
        *step = per_point(base * ((z + 1.0) - (a + 1.0)));
        return 0;
    case RSKSHIFT_VOLATILITY: {
        double s = 0;
        if (check_missing_vol(con, run, factor, &s, 1) != 0) {
            *start = base;
            *step = 0;
            return 1;
        }
        if (factor->measurement_level == 2) {
            *start = a * s + base;
            *step = per_point((z - a) * s);
        } else if (element) {
            *start = a * s;   // in log terms: the state takes exp(x) times the base
            *step = per_point((z - a) * s);
        } else {
            const double lo = rsk_shift_exp(a * s, 1.0);
            const double hi = rsk_shift_exp(z * s, 1.0);
            *start = qor::is_missing(lo) ? lo : base * lo;
            *step = qor::is_missing(lo) || qor::is_missing(hi) ? qor::missing() : per_point(base * (hi - lo));
        }
        return 0;
    }
    default:
        xebug("unsupported perturbation type %u.", type);
        return 2;
    }
}

int plgrid_rollup(RSKCON* con, RSKANLPROC* run, void* parent, void* child, int mode, int) {
    if (mode != 0) return 0;
    return rsasum(con, run, run != nullptr ? run->analysis : nullptr, parent, child);
}

int plgrid_positions(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last) {
    auto* work = static_cast<RSKGRIDWORK*>(run->work);
    if (work == nullptr || area == nullptr) return 1;
    int64_t state = run->first_state;
    first += state;
    last += state;
    for (int32_t i = 0; i < work->count; ++i)
        if (rsk_grid_range(con, run, work->items[i], first, last, area, &state) != 0) return 0;
    return 0;
}

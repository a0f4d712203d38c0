// Change masks: one bit per mask position (bit k in byte k / 8 under 128 >> (k mod 8)), sized in
// whole 32-bit words so that two masks are compared word by word without reading past either.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/model/variables/variables.h"
#include "host/missing.h"

namespace {

void set_bit(uint8_t* mask, int32_t position) { mask[position / 8] |= static_cast<uint8_t>(128u >> (position % 8)); }

bool in_mask(const RSKVARIABLE* v, const RSKRUNCOMPILE* run) {
    return (v->dependencies.flags & RSKDEP_PRICE_ARG) != 0 && v->dependencies.mask_position >= 0 &&
           v->dependencies.mask_position < run->mask_positions;
}

bool any_element(RSKCON* con, const RSKVARIABLE* array, bool (*test)(RSKCON*, RSKVARIABLE*, void*), void* arg) {
    for (int32_t i = 0, n = array_element_count(array); i < n; ++i)
        if (array->elements[i] != nullptr && test(con, array->elements[i], arg)) return true;
    return false;
}

bool changed(RSKCON* con, RSKVARIABLE* v, void*) { return rskrsvv(con, v) != 0; }

// The system variables that the market state carries; their bits are set when the state gives
// them a value (a non-zero change value).
void mark_system_variables(RSKCON* con, RSKRUNCOMPILE* run) {
    const RSKSYSVARS* sys = con->system_variables;
    if (sys == nullptr) return;
    RSKVARIABLE* const five[] = {sys->date, sys->base_date, sys->simulation_time, sys->simulation_horizon,
                                 sys->simulation_replication};
    for (RSKVARIABLE* v : five)   // check_system_var_in_ms
        if (v != nullptr && in_mask(v, run) && v->dependencies.change != 0)
            set_bit(run->change_mask, v->dependencies.mask_position);
}

struct StatePair {
    int32_t a, b;
    rsk_state_value_fn value;
    void* context;
};

bool state_value_changed(RSKCON*, RSKVARIABLE* v, void* arg) {
    const auto* p = static_cast<const StatePair*>(arg);
    double x = p->value(p->context, v, p->a);
    double y = p->value(p->context, v, p->b);
    bool mx = qor::is_missing(x), my = qor::is_missing(y);
    if (mx || my) return mx != my;
    return x != y;
}

// Unconditional masks: a variable keeps its bit unless it changed in the current state and has
// the same value in the two states.
bool uncond_bit(RSKCON* con, RSKVARIABLE* v, void* arg) {
    return !(rskrsvv(con, v) != 0 && !state_value_changed(con, v, arg));
}

int fill_mask(RSKCON* con, bool (*test)(RSKCON*, RSKVARIABLE*, void*), void* arg) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr || run->change_mask == nullptr) return 0;
    std::memset(run->change_mask, 0, static_cast<size_t>(run->change_mask_bytes));
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!in_mask(v, run)) continue;
        bool bit = is_array(v) != 0 ? (is_open_array(v) != 0 && any_element(con, v, test, arg)) : test(con, v, arg);
        if (bit) set_bit(run->change_mask, v->dependencies.mask_position);
    }
    return 0;
}

}  // namespace

int32_t change_mask_bytes(int32_t positions) {
    if (positions <= 0) return 0;
    return (positions + 31) / 32 * 4;
}

int allocate_change_mask(RSKCON* con, int32_t positions) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr) return 0;
    int32_t bytes = change_mask_bytes(positions);
    run->change_mask = nullptr;
    run->change_mask_bytes = 0;
    run->mask_positions = positions;
    if (bytes == 0) return 0;
    run->change_mask = static_cast<uint8_t*>(dependency_alloc(con, static_cast<size_t>(bytes), "change mask"));
    if (run->change_mask == nullptr) return 1;
    run->change_mask_bytes = bytes;
    return 0;
}

void setup_changemask(RSKCON* con) {
    fill_mask(con, changed, nullptr);
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run != nullptr && run->change_mask != nullptr) mark_system_variables(con, run);
}

int rskrsvf(RSKCON* con, RSKVARIABLE* const* variables, int count, int position) {
    bool any = false;
    for (int i = 0; i < count && i < 4 && !any; ++i) any = variables[i] != nullptr && rskrsvv(con, variables[i]) != 0;
    if (!any) return 0;
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run != nullptr && run->change_mask != nullptr && position >= 0 && position < run->mask_positions)
        set_bit(run->change_mask, position);
    return 1;
}

int rskrsvc(RSKCON* con, const uint8_t* a, const uint8_t* b, int word_count) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run != nullptr && run->run_everything != 0) return 1;
    if (a == nullptr || b == nullptr) return 0;
    for (int i = 0; i < word_count; ++i) {
        uint32_t x, y;
        std::memcpy(&x, a + 4 * i, 4);
        std::memcpy(&y, b + 4 * i, 4);
        if ((x & y) != 0) return 1;
    }
    return 0;
}

int set_rep_changemask(RSKCON* con, int32_t state_a, int32_t state_b, rsk_state_value_fn value, void* context) {
    StatePair pair{state_a, state_b, value, context};
    return fill_mask(con, state_value_changed, &pair);
}

int set_uncond_changemask(RSKCON* con, int32_t state_a, int32_t state_b, rsk_state_value_fn value, void* context) {
    StatePair pair{state_a, state_b, value, context};
    return fill_mask(con, uncond_bit, &pair);
}

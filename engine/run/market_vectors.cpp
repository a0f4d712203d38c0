// The market side of a run's storage: change-mask bits for the flagged exchange rates and the
// needed market and instrument variables, the two change masks, the six market vectors laid
// out state part first, and the project variables.
#include <algorithm>
#include <cstring>

#include "engine/model/fx/fx_matrix.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

constexpr char kStateCheck[4] = {'Z', 'O', 'Z', 'U'};

size_t align8(size_t offset) { return (offset + 7) / 8 * 8; }

bool is_market(const RSKVARIABLE* v) { return v->kind == RSKVKIND_FACTOR || v->kind == RSKVKIND_STATE; }

bool needed(const RSKRUNBLOCK* run, const RSKVARIABLE* v) {
    const uint32_t flags = v->dependencies.flags;
    return run->price_all_states || (flags & RSKDEP_PRICE_ARG) != 0 ||
           (run->valuation_summary && (flags & RSKDEP_USED_PRICE) != 0);
}

// Flags the run sets on a variable are remembered, so that the next run starts without them.
void add_flags(RSKVARIABLE* v, uint32_t flags) {
    v->run.flags_added |= flags & ~v->dependencies.flags;
    v->dependencies.flags |= flags;
}

void give_bit(RSKRUNBLOCK* run, RSKVARIABLE* v) {
    v->dependencies.mask_position = run->mask_bits++;
    add_flags(v, RSKDEP_PRICE_ARG);
    v->run.placed_in_state = 1;
}

void number_bits(RSKCON* con, RSKRUNBLOCK* run) {
    run->mask_bits = 0;
    run->mask_factors = 0;
    for (RSKFXENTRY* e = run->fx_first; e != nullptr; e = e->run.next_flagged) e->run.mask_position = run->mask_bits++;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!is_market(v) || !needed(run, v)) continue;
        give_bit(run, v);
        if (v->kind != RSKVKIND_STATE) ++run->mask_factors;
    }
    RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr && sys->date != nullptr && sys->date->dependencies.mask_position < 0) {
        add_flags(sys->date, RSKDEP_PRICE_ARG | RSKDEP_USED_PRICE);
        give_bit(run, sys->date);
        ++run->mask_factors;
    }
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_INSTRUMENT && v->run.placed_in_state && needed(run, v)) give_bit(run, v);
    if (sys != nullptr && sys->base_case != nullptr && sys->base_case->dependencies.mask_position < 0) {
        const uint32_t flags = sys->base_case->dependencies.flags;
        if ((flags & RSKDEP_PRICE_ARG) != 0 || ((flags & RSKDEP_USED_PRICE) != 0 && run->valuation_summary))
            give_bit(run, sys->base_case);
    }
}

void place(RSKVARIABLE* v, size_t& offset) {
    offset = align8(offset);
    v->run.state_offset = static_cast<int32_t>(offset);
    offset += v->storage_size;
}

// Offsets of the market vector: header, mask, rates, the variables with a bit (market ones in
// definition order, then the system variables outside that order, then instrument variables);
// then the market variables without a bit, two doubles per market variable and the constant 1.0.
void lay_out(RSKCON* con, RSKRUNBLOCK* run, size_t* state_size, size_t* constant_offset, size_t* vector_size) {
    size_t offset = align8(sizeof(RSKSTATEHEADER) + static_cast<size_t>(run->mask_bytes));
    for (RSKFXENTRY* e = run->fx_first; e != nullptr; e = e->run.next_flagged) {
        e->run.state_offset = static_cast<int32_t>(offset);
        offset += sizeof(double);
    }
    int32_t market_count = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (is_market(v)) {
            ++market_count;
            if (v->dependencies.mask_position >= 0) place(v, offset);
        }
    RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr)
        for (RSKVARIABLE* v : {sys->date, sys->base_case})
            if (v != nullptr && !is_market(v) && v->dependencies.mask_position >= 0 && v->run.state_offset < 0)
                place(v, offset);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_INSTRUMENT && v->dependencies.mask_position >= 0) place(v, offset);
    *state_size = align8(offset);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (is_market(v) && v->dependencies.mask_position < 0) place(v, offset);
    offset = align8(offset) + 2 * sizeof(double) * static_cast<size_t>(market_count);
    *constant_offset = offset;
    *vector_size = offset + sizeof(double);
}

int allocate_project_variables(RSKCON* con, RSKRUNBLOCK* run) {
    size_t offset = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_PROJECT) {
            offset = align8(offset);
            v->run.record_offset = static_cast<int32_t>(offset);
            offset += v->storage_size;
        }
    const size_t bytes = std::max<size_t>(align8(offset), 8);
    run->project_variables = static_cast<uint8_t*>(
        rskmem_alloc(con, bytes, "project variables", RSKMEM_PROJECT_VARIABLES, 1));
    if (run->project_variables == nullptr) return 1;
    run->project_variables_bytes = static_cast<int32_t>(bytes);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_PROJECT) v->run.record_address = run->project_variables + v->run.record_offset;
    return 0;
}

}  // namespace

int rskmem2(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    number_bits(con, run);
    run->mask_bytes = 4 * ((run->mask_bits + 31) / 32);
    const size_t mask_bytes = static_cast<size_t>(run->mask_bytes);
    auto* masks = static_cast<uint8_t*>(
        rskmem_alloc(con, std::max<size_t>(2 * mask_bytes, 8), "risk factor change flags", RSKMEM_CHANGE_MASKS, 1));
    if (masks == nullptr) return 1;
    run->masks[0] = masks;
    run->masks[1] = masks + mask_bytes;
    run->compile.change_mask = masks;
    run->compile.change_mask_bytes = run->mask_bytes;
    run->compile.mask_positions = run->mask_bits;

    size_t state_size = 0, constant_offset = 0, vector_size = 0;
    lay_out(con, run, &state_size, &constant_offset, &vector_size);
    if (vector_size < 1 || vector_size > INT32_MAX / kRskMarketVectors) {
        xebug("rskmema: allocate_pdvs: pdv size=%li", static_cast<long>(vector_size));
        return 1;
    }
    const size_t bytes = vector_size * kRskMarketVectors;
    auto* block = static_cast<uint8_t*>(rskmem_alloc(con, bytes, "market state vectors", RSKMEM_MARKET_VECTORS, 1));
    if (block == nullptr) return 1;
    run->state_size = static_cast<int32_t>(state_size);
    run->vector_size = static_cast<int32_t>(vector_size);
    for (int k = 0; k < kRskMarketVectors; ++k) {
        uint8_t* vector = block + k * vector_size;
        run->market_vectors[k] = vector;
        std::memcpy(vector, kStateCheck, sizeof kStateCheck);
        const double one = 1.0;
        std::memcpy(vector + constant_offset, &one, sizeof one);
    }
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->run.state_offset >= 0)
            for (int k = 0; k < kRskMarketVectors; ++k) v->run.state_address[k] = run->market_vectors[k] + v->run.state_offset;
    RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr)
        for (RSKVARIABLE* v : {sys->date, sys->base_case})
            if (v != nullptr && v->run.state_offset >= 0)
                for (int k = 0; k < kRskMarketVectors; ++k) v->run.state_address[k] = run->market_vectors[k] + v->run.state_offset;
    for (RSKFXENTRY* e = run->fx_first; e != nullptr; e = e->run.next_flagged)
        e->run.value_address = reinterpret_cast<double*>(run->market_vectors[0] + e->run.state_offset);
    run->compile.market_vector = reinterpret_cast<double*>(run->market_vectors[0]);
    run->compile.market_size = run->vector_size;
    // A market variable without storage of its own lives in its slot of the current vector while
    // the run lasts, so the methods compiled for the run read and write the market state itself
    // (the run storage's release takes the address back).
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if ((v->kind == RSKVKIND_FACTOR || v->kind == RSKVKIND_STATE) && v->data_type != RSKDTYPE_ARRAY &&
            v->value == nullptr && v->run.state_address[0] != nullptr) {
            v->value = v->run.state_address[0];
            v->pool_value = 1;
        }
    if (sys != nullptr && sys->date != nullptr && sys->date->run.state_offset < 0) {
        xebug("rskmem: bad _date_ offset.");
        return 1;
    }
    return allocate_project_variables(con, run);
}

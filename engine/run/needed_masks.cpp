// The needed-factor mask of a position: the market variables with a change-mask bit that its
// type's pricing reads, directly or through the actions it needs. Built once per type and run.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/model/types/instrument_types.h"
#include "engine/run/pricing.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"

namespace {

bool needs(const RSKDEPMATRIX& m, int32_t i, int32_t j) {
    if (m.bits == nullptr || i < 0 || j < 0 || i >= m.count || j >= m.count) return false;
    return (m.bits[static_cast<size_t>(i) * static_cast<size_t>(m.row_bytes) + static_cast<size_t>(j / 8)] &
            RSKRSV_BITS[j % 8]) != 0;
}

// Whether the type's pricing depends on the variable. A variable no action reads is taken as
// needed: the engine itself reads it for every position (exchange rates of the conversion,
// the factors of a quadratic approximation), so a change must always price again.
bool read_by(const RSKRUNCOMPILE& compile, const RSKACTION* price, const RSKVARIABLE* v) {
    const RSKREADERLINK* link = v->dependencies.readers_first;
    if (link == nullptr) return true;
    for (; link != nullptr; link = link->next) {
        const RSKACTION* reader = link->action;
        if (reader == nullptr) continue;
        if (reader == price || needs(compile.matrix, price->index, reader->index)) return true;
    }
    return false;
}

void set_bit(uint8_t* mask, int32_t bytes, int32_t position) {
    if (position < 0 || position / 8 >= bytes) return;
    mask[position / 8] |= static_cast<uint8_t>(128u >> (position % 8));
}

void build_mask(RSKCON* con, const RSKINSTTYPE* type, uint8_t* mask) {
    const RSKRUNBLOCK* run = con->run_block;
    std::memset(mask, 0, static_cast<size_t>(run->mask_bytes));
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if ((v->dependencies.flags & RSKDEP_PRICE_ARG) == 0 || v->dependencies.mask_position < 0) continue;
        if (read_by(run->compile, &type->price, v)) set_bit(mask, run->mask_bytes, v->dependencies.mask_position);
    }
}

}  // namespace

int rskex_needed_mask(RSKCON* con, const RSKINSTTYPE* type) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    if (type == nullptr || run->mask_bytes <= 0) {
        p.needed_mask = nullptr;
        return 0;
    }
    const int32_t types = run->type_count > 0 ? run->type_count : 1;
    if (p.type_masks == nullptr) {
        const size_t bytes = static_cast<size_t>(types) * (static_cast<size_t>(run->mask_bytes) + 1);
        p.type_masks = static_cast<uint8_t*>(rskmem_alloc(con, bytes, "pricing work vector", RSKMEM_PRICING_RESULTS, 1));
        if (p.type_masks == nullptr) {
            run->abort = 1;
            return 1;
        }
    }
    const int32_t number = type->run.number >= 0 && type->run.number < types ? type->run.number : 0;
    // Each type's entry is a built flag followed by its mask.
    uint8_t* entry = p.type_masks + static_cast<size_t>(number) * (static_cast<size_t>(run->mask_bytes) + 1);
    if (entry[0] == 0) {
        build_mask(con, type, entry + 1);
        entry[0] = 1;
    }
    p.needed_mask = entry + 1;
    return 0;
}

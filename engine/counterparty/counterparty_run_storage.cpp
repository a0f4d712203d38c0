// The counterparty run's storage: the value vector and value buffer given back, the state row
// length worked out and checked, the variables bound to their storage and cleared between
// counterparties, and the rows the pricing of positions reads.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/counterparty/counterparty_storage.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr uint32_t kTextValueClass = 2;

// An output variable's place in the row.
struct RowSlot {
    int64_t offset;
    int64_t end;
    const char* name;
};

// Bytes of the input block a variable takes: its value bytes rounded up to 8, so that every
// number in the block is aligned.
int64_t input_slot(const RSKCPTYVAR* v) { return (static_cast<int64_t>(cpty_value_bytes(v)) + 7) / 8 * 8; }

bool bindable(const RSKCPTYVAR* v) { return v != nullptr && v->variable != nullptr; }

}  // namespace

qor_pool* cpty_run_pool(RSKCON* con) { return con->kit_pool != nullptr ? con->kit_pool : con->current_pool; }

bool cpty_numeric_storage(const RSKCPTYVAR* v) {
    return v->variable == nullptr || v->variable->value_class != kTextValueClass;
}

int32_t cpty_value_bytes(const RSKCPTYVAR* v) {
    if (cpty_numeric_storage(v)) return static_cast<int32_t>(sizeof(double));
    return std::max<int32_t>(v->variable->length, 1);
}

int cpty_state_length(const RSKCPTYCON* c, int32_t* length) {
    std::vector<RowSlot> slots;
    for (const hash_item* item = enumerate_table(c->variables); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        if (!bindable(v) || v->role != RSKCPTYROLE_OUTPUT) continue;
        if (v->offset < 0) {
            xpslog("%1zThe counterparty variable %s has no place in the value vector.", v->name);
            return 1;
        }
        slots.push_back({v->offset, static_cast<int64_t>(v->offset) + cpty_value_bytes(v), v->name});
    }
    std::sort(slots.begin(), slots.end(), [](const RowSlot& a, const RowSlot& b) { return a.offset < b.offset; });
    int64_t end = std::max<int32_t>(c->statelength, 0);
    for (size_t i = 0; i < slots.size(); ++i) {
        if (i > 0 && slots[i].offset < slots[i - 1].end) {
            xpslog("%1zThe counterparty variables %s and %s overlap in the value vector.", slots[i - 1].name,
                   slots[i].name);
            return 1;
        }
        end = std::max(end, slots[i].end);
    }
    if (end > INT32_MAX) {
        xpslog("%1zThe counterparty variables need more than %d bytes per state.", INT32_MAX);
        return 1;
    }
    *length = static_cast<int32_t>(end);
    return 0;
}

int cpty_bind_variables(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    int64_t inputs = 0;
    for (const hash_item* item = enumerate_table(c->variables); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        if (bindable(v) && v->role != RSKCPTYROLE_OUTPUT) inputs += input_slot(v);
    }
    if (inputs > 0) {
        c->input_storage = vmalcp_handler(cpty_run_pool(con), static_cast<size_t>(inputs), QOR_ALLOC_ZERO);
        if (c->input_storage == nullptr) return 1;
        c->input_storage_bytes = inputs;
    }
    auto* vector = static_cast<uint8_t*>(c->value_vector);
    auto* block = static_cast<uint8_t*>(c->input_storage);
    for (const hash_item* item = enumerate_table(c->variables); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        if (!bindable(v)) continue;
        if (v->role == RSKCPTYROLE_OUTPUT) {
            v->variable->value = vector + v->offset;
        } else {
            v->variable->value = block;
            block += input_slot(v);
        }
        v->variable->pool_value = 0;
    }
    return 0;
}

int cpty_value_rows(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    const int32_t states = con->run_block != nullptr ? std::max<int32_t>(con->run_block->state_count, 0) : 0;
    if (c->value_buffer != nullptr && c->buffer_states == states) return 0;
    qor_pool* pool = cpty_run_pool(con);
    if (c->value_buffer != nullptr)
        vmfree_handler(pool, c->value_buffer, static_cast<size_t>(std::max<int64_t>(c->buffer_bytes, 8)), QOR_FREE_SIZED);
    c->value_buffer = nullptr;
    c->buffer_bytes = 0;
    // One row per state and one for the base case, and a spare row as the run lays it out.
    int64_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<int64_t>(states) + 2, static_cast<int64_t>(c->statelength), &bytes) ||
        static_cast<uint64_t>(bytes) > SIZE_MAX)
        return 1;
    c->value_buffer = vmalcp_handler(pool, static_cast<size_t>(std::max<int64_t>(bytes, 8)), QOR_ALLOC_ZERO);
    if (c->value_buffer == nullptr) return 1;
    c->buffer_bytes = bytes;
    c->buffer_states = states;
    c->state_count = states + 1;
    return 0;
}

void free_cpty_buffer(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    if (c == nullptr) return;
    qor_pool* pool = cpty_run_pool(con);
    // The variables stop pointing into what is given back.
    for (const hash_item* item = enumerate_table(c->variables); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        if (!bindable(v)) continue;
        const auto* at = static_cast<const uint8_t*>(v->variable->value);
        const auto* vector = static_cast<const uint8_t*>(c->value_vector);
        const auto* inputs = static_cast<const uint8_t*>(c->input_storage);
        const bool in_vector = vector != nullptr && at >= vector && at < vector + std::max<int32_t>(c->statelength, 8);
        const bool in_inputs = inputs != nullptr && at >= inputs && at < inputs + c->input_storage_bytes;
        if (in_vector || in_inputs) v->variable->value = nullptr;
    }
    if (c->value_vector != nullptr)
        vmfree_handler(pool, c->value_vector, static_cast<size_t>(std::max<int32_t>(c->statelength, 8)), QOR_FREE_SIZED);
    if (c->value_buffer != nullptr)
        vmfree_handler(pool, c->value_buffer, static_cast<size_t>(std::max<int64_t>(c->buffer_bytes, 8)), QOR_FREE_SIZED);
    if (c->input_storage != nullptr)
        vmfree_handler(pool, c->input_storage, static_cast<size_t>(c->input_storage_bytes), QOR_FREE_SIZED);
    c->value_vector = c->value_buffer = c->input_storage = nullptr;
    c->buffer_bytes = c->input_storage_bytes = 0;
    c->buffer_states = 0;
}

int cpty_zero_vars(RSKCPTYCON* c) {
    if (c == nullptr) return 0;
    const double missing = qor::missing();
    for (const hash_item* item = enumerate_table(c->variables); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        if (!bindable(v) || v->variable->value == nullptr) continue;
        // Dates and every other number become missing: 0.0 would be a valid date.
        if (cpty_numeric_storage(v))
            std::memcpy(v->variable->value, &missing, sizeof missing);
        else
            std::memset(v->variable->value, 0, static_cast<size_t>(cpty_value_bytes(v)));
    }
    return 0;
}

void* cpty_state_row(const RSKCPTYCON* c, int32_t state) {
    if (c == nullptr || c->value_buffer == nullptr || state < 0 || state >= c->state_count) return nullptr;
    return static_cast<uint8_t*>(c->value_buffer) + static_cast<int64_t>(state) * c->statelength;
}

// The instrument cache of the position loop: the key of the last fully priced position and the
// comparison that lets an identical following position re-use its prices.
#include <cstring>

#include "engine/model/types/instrument_types.h"
#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "host/missing.h"

namespace {

// The identifier slots (character values) and the numeric slots the key keeps beside the
// pricing inputs, and the further character slot.
constexpr int kIdentifierSlots[3] = {RSKTSLOT_COUNTERPARTY_ID, RSKTSLOT_NETTING_SET_ID, RSKTSLOT_CURRENCY};
constexpr int kNumberSlots[3] = {RSKTSLOT_MATURITY_DATE, RSKTSLOT_AL_POSITION, RSKTSLOT_COLLATERAL};
constexpr int kTextSlot = RSKTSLOT_AL_TYPE;

const RSKVARIABLE* slot(const RSKINSTTYPE* type, int which) {
    const RSKVARIABLE* v = type->system_slots[which];
    return v != nullptr && v->value != nullptr ? v : nullptr;
}

bool is_character(const RSKVARIABLE* v) { return v->value_class == 2; }

size_t text_length(const RSKVARIABLE* v) { return v->length > 256 ? 256 : v->length; }

double number_of(const RSKINSTTYPE* type, int which) {
    const RSKVARIABLE* v = slot(type, which);
    if (v == nullptr || is_character(v)) return qor::missing();
    double x;
    std::memcpy(&x, v->value, 8);
    return x;
}

// The character value of a slot into 256 blank-padded bytes; false when the type lacks it.
bool text_of(const RSKINSTTYPE* type, int which, char* out) {
    std::memset(out, ' ', 256);
    const RSKVARIABLE* v = slot(type, which);
    if (v == nullptr || !is_character(v)) return false;
    std::memcpy(out, v->value, text_length(v));
    return true;
}

// The quantity and the short-position flag are not part of the key: re-used prices are scaled
// and flipped to the current position's.
bool scaling_variable(const RSKINSTTYPE* type, const RSKVARIABLE* v) {
    return v != nullptr && (v == type->system_slots[RSKTSLOT_HOLDING] || v == type->system_slots[RSKTSLOT_SHORT_POSITION]);
}

bool same_number(double current, double cached) {
    if (qor::is_missing(current)) return qor::is_missing(cached);
    return !qor::is_missing(cached) && current == cached;
}

}  // namespace

int same_instru(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKINSTCACHE& key = run->loop.cache;
    const RSKINSTTYPE* type = run->pricing.type;
    if (!key.valid || type == nullptr) return 0;
    // 1. The type.
    if (type->name.name.length != key.type_name.name.length ||
        std::memcmp(type->name.name.text, key.type_name.buffer, type->name.name.length) != 0)
        return 0;
    // 2. A held quantity, and no cash-flow or delta-gamma buffers (their contents are not in the key).
    if (run->pricing.quantity == 0.0 || type->cash_flows || type->quadratic) return 0;
    // 3, 4. The identifiers byte for byte.
    char text[256];
    for (int i = 0; i < 3; ++i) {
        const bool present = text_of(type, kIdentifierSlots[i], text);
        if (present && std::memcmp(text, key.identifiers[i], 256) != 0) return 0;
        if (!present && key.identifiers[i][0] != ' ') return 0;
    }
    // 5. The numeric system variables: equal, or missing in both.
    for (int i = 0; i < 3; ++i)
        if (!same_number(number_of(type, kNumberSlots[i]), key.numbers[i])) return 0;
    // 6. The further character variable; a type without it needs a blank cached value.
    if (text_of(type, kTextSlot, text) ? std::memcmp(text, key.text, 256) != 0 : key.text[0] != ' ') return 0;
    // 7. Every pricing input of the type in the type's order.
    if (key.pointer_count != type->run.field_count) return 0;
    for (int32_t i = 0; i < type->run.field_count; ++i) {
        const RSKTYPEFIELD& f = type->run.fields[i];
        if (f.address == nullptr || scaling_variable(type, f.variable)) continue;
        if (std::memcmp(f.address, key.pointers[i], static_cast<size_t>(f.size)) != 0) return 0;
    }
    return 1;
}

void cache_instru(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKINSTCACHE& key = run->loop.cache;
    const RSKINSTTYPE* type = run->pricing.type;
    key.valid = 0;
    if (type == nullptr) return;
    size_t bytes = 0;
    for (int32_t i = 0; i < type->run.field_count; ++i)
        bytes += static_cast<size_t>(type->run.fields[i].size > 0 ? type->run.fields[i].size : 0);
    // The areas grow on demand and are never shrunk; a failed allocation leaves the key empty,
    // so nothing matches it and every position is priced.
    if (bytes > key.values_capacity) {
        auto* grown = static_cast<uint8_t*>(rskmem_alloc(con, bytes, "instrument cache values", RSKMEM_INSTRUMENTS, 0));
        if (grown == nullptr) return;
        key.values = grown;
        key.values_capacity = bytes;
    }
    if (type->run.field_count > key.pointer_capacity) {
        const size_t size = sizeof(uint8_t*) * static_cast<size_t>(type->run.field_count);
        auto** grown = static_cast<uint8_t**>(rskmem_alloc(con, size, "instrument cache pointers", RSKMEM_INSTRUMENTS, 0));
        if (grown == nullptr) return;
        key.pointers = grown;
        key.pointer_capacity = type->run.field_count;
    }
    size_t at = 0;
    for (int32_t i = 0; i < type->run.field_count; ++i) {
        const RSKTYPEFIELD& f = type->run.fields[i];
        key.pointers[i] = key.values + at;
        if (f.address != nullptr && f.size > 0) std::memcpy(key.values + at, f.address, static_cast<size_t>(f.size));
        at += static_cast<size_t>(f.size > 0 ? f.size : 0);
    }
    key.pointer_count = type->run.field_count;
    const int length = type->name.name.length > 32 ? 32 : type->name.name.length;
    std::memcpy(key.type_name.buffer, type->name.name.text, static_cast<size_t>(length));
    key.type_name.name.length = static_cast<uint16_t>(length);
    for (int i = 0; i < 3; ++i) text_of(type, kIdentifierSlots[i], key.identifiers[i]);
    for (int i = 0; i < 3; ++i) key.numbers[i] = number_of(type, kNumberSlots[i]);
    text_of(type, kTextSlot, key.text);
    key.quantity = run->pricing.quantity;
    key.short_position = run->pricing.short_position;
    key.sign = run->pricing.sign;
    key.valid = 1;
}

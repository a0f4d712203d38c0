// Operand values of statement nodes: texts, numbers, name lists and number lists, all allocated
// in the step pool and grown there; every size is computed in 64 bits and checked.
#include <cstdint>
#include <cstring>
#include <limits>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/parser/parser_internal.h"

namespace {

constexpr int kZero = QOR_ALLOC_ZERO;
constexpr int64_t kNameGrowth = 3300;      // name lists grow by this many bytes at least
constexpr int64_t kNumberGrowth = 64;      // number lists grow by this many values at least
constexpr int64_t kMaxBytes = std::numeric_limits<int32_t>::max();

void no_memory(int64_t bytes, const char* what) {
    xpslog("%1zOut of memory: %lli bytes could not be allocated for %s.",
           static_cast<long long>(bytes), what);
}

// Make room for `more` bytes after `used` in a growing block; false when it cannot.
bool reserve(qor_pool* pool, operand_field* f, int64_t more, int64_t unit, int64_t growth,
             const char* what) {
    int64_t need = static_cast<int64_t>(f->used) + more;
    if (need <= f->capacity) return true;
    // Grow by at least the fixed step and by half the capacity, so that long lists (ranges of
    // many thousand names) are appended in linear time rather than copied at every step.
    int64_t step = growth > f->capacity / 2 ? growth : f->capacity / 2;
    int64_t capacity = static_cast<int64_t>(f->capacity) + (more > step ? more : step);
    if (capacity * unit > kMaxBytes) {
        no_memory(capacity * unit, what);
        return false;
    }
    void* grown = xmrealc(pool, f->value, static_cast<size_t>(f->capacity) * unit,
                          static_cast<size_t>(capacity * unit), kZero);
    if (!grown) {
        no_memory(capacity * unit, what);
        return false;
    }
    f->value = grown;
    f->capacity = static_cast<int32_t>(capacity);
    return true;
}

}  // namespace

int qor_operand_append_name(qor_pool* pool, operand_field* f, const char* text, size_t length) try {
    if (!pool || !f) return 1;
    if (f->kind != QOR_OPERAND_NAMES) {
        f->kind = QOR_OPERAND_NAMES;
        f->value = nullptr;
        f->used = f->capacity = 0;
    }
    if (!reserve(pool, f, static_cast<int64_t>(length) + 1, 1, kNameGrowth, "a name list"))
        return 1;
    char* base = static_cast<char*>(f->value);
    if (length) std::memcpy(base + f->used, text, length);
    base[f->used + length] = '\0';
    f->used += static_cast<int32_t>(length + 1);
    f->given = 1;
    return 0;
}
QOR_SERVICE_CATCH(1)

namespace qor::parser {

operand_field* field_of(ParseState& s, int field) {
    operand_record& r = s.node->operands;
    if (field < 0 || field >= r.count) return nullptr;
    return &r.fields[field];
}

static bool missing_field(ParseState& s, int field) {
    // A grammar that names a field beyond its statement's count is a fault of the grammar.
    xebug("xsproc: statement %.32s has no operand field %i.", s.node->name, field);
    s.stop_code = QOR_PARSE_NO_MEMORY;
    return false;
}

bool set_text(ParseState& s, int field, const char* text, size_t length) {
    operand_field* f = field_of(s, field);
    if (!f) return missing_field(s, field);
    qor_pool* pool = s.request->pool;
    char* copy = static_cast<char*>(pool->allocate(pool, length + 1, kZero));
    if (!copy) {
        no_memory(static_cast<int64_t>(length) + 1, "an operand text");
        s.stop_code = QOR_PARSE_NO_MEMORY;
        return false;
    }
    if (length) std::memcpy(copy, text, length);
    f->kind = QOR_OPERAND_TEXT;
    f->given = 1;
    f->value = copy;
    f->used = static_cast<int32_t>(length);
    f->capacity = static_cast<int32_t>(length + 1);
    semantic_trace(s, "field %i := \"%.*s\"", field, static_cast<int>(length), text);
    return true;
}

bool set_number(ParseState& s, int field, double value) {
    operand_field* f = field_of(s, field);
    if (!f) return missing_field(s, field);
    if (f->kind != QOR_OPERAND_NUMBER || !f->value) {
        qor_pool* pool = s.request->pool;
        void* cell = pool->allocate(pool, sizeof(double), kZero);
        if (!cell) {
            no_memory(sizeof(double), "an operand value");
            s.stop_code = QOR_PARSE_NO_MEMORY;
            return false;
        }
        f->value = cell;
    }
    f->kind = QOR_OPERAND_NUMBER;
    f->given = 1;
    f->used = 1;
    f->capacity = 1;
    *static_cast<double*>(f->value) = value;
    semantic_trace(s, "field %i := %g", field, value);
    return true;
}

bool append_number(ParseState& s, int field, double value) {
    operand_field* f = field_of(s, field);
    if (!f) return missing_field(s, field);
    if (f->kind != QOR_OPERAND_NUMBERS) {
        f->kind = QOR_OPERAND_NUMBERS;
        f->value = nullptr;
        f->used = f->capacity = 0;
    }
    if (!reserve(s.request->pool, f, 1, sizeof(double), kNumberGrowth, "a list of values")) {
        s.stop_code = QOR_PARSE_NO_MEMORY;
        return false;
    }
    static_cast<double*>(f->value)[f->used++] = value;
    f->given = 1;
    semantic_trace(s, "field %i += %g", field, value);
    return true;
}

bool append_name(ParseState& s, int field, const char* text, size_t length) {
    operand_field* f = field_of(s, field);
    if (!f) return missing_field(s, field);
    if (qor_operand_append_name(s.request->pool, f, text, length) != 0) {
        s.stop_code = QOR_PARSE_NO_MEMORY;
        return false;
    }
    semantic_trace(s, "field %i += \"%.*s\"", field, static_cast<int>(length), text);
    return true;
}

void set_bit(ParseState& s, int bit) {
    if (bit < 1 || bit > 64) return;
    s.node->options[(bit - 1) / 8] |= static_cast<uint8_t>(0x80u >> ((bit - 1) % 8));
    semantic_trace(s, "option bit %i", bit);
}

}  // namespace qor::parser

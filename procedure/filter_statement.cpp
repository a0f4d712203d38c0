// The FILTER statement: a named where-clause over positions. The clause text is kept with the
// positions of its line breaks, so that the filter can be shown as it was written.
#include <cstring>
#include <vector>

#include "host/pool.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/operand_reading.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

constexpr int kWhereField = 4;

// Gives a block back to the pool it came from.
void give_back(qor_pool* pool, void* block, size_t bytes) {
    if (block != nullptr) pool->release(pool, block, bytes, QOR_FREE_SIZED);
}

}  // namespace

int filter_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    int name_length = 0;
    const char* name = field_text(node, kFieldName, &name_length);
    int text_length = 0;
    const char* where = field_text(node, kWhereField, &text_length);

    qor_pool* pool = con->general_pool;
    if (pool == nullptr) {
        xebug("filter_stmt: no pool.");
        return 1;
    }
    // The clause and the offsets of its line breaks (one more piece than breaks).
    size_t text_bytes = static_cast<size_t>(text_length) + 1;
    auto* text = static_cast<char*>(xmalloc_labelled(pool, text_bytes, QOR_ALLOC_PLAIN, "filter string"));
    if (text == nullptr) {
        xpmlog(598, 2797, static_cast<long>(text_bytes), "filter string");
        return 1;
    }
    std::memcpy(text, where, text_bytes);
    int64_t breaks = 0;
    for (int i = 0; i < text_length; ++i)
        if (text[i] == '\n') ++breaks;
    size_t break_bytes = static_cast<size_t>(breaks + 1) * sizeof(int32_t);
    auto* offsets = static_cast<int32_t*>(xmalloc_labelled(pool, break_bytes, QOR_ALLOC_PLAIN, "line breaks"));
    if (offsets == nullptr) {
        xpmlog(598, 2797, static_cast<long>(break_bytes), "line breaks");
        give_back(pool, text, text_bytes);
        return 1;
    }
    int32_t count = 0;
    for (int i = 0; i < text_length; ++i)
        if (text[i] == '\n') offsets[count++] = i;
    offsets[count] = text_length;

    // Filters are defined, validated and stored by the engine's filter routines.
    int result = 0;
    if (rskwhrd(con) != 0) {
        xpmlog(670, 1082, name_length, name);
        result = 1;
    }
    give_back(pool, offsets, break_bytes);
    give_back(pool, text, text_bytes);
    return result;
}

}  // namespace zozu

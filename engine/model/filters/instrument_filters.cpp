// Instrument filter expressions: the combined filter text of a run compiled once, with a
// reference per variable name it reads, evaluated per instrument record and freed. Every block
// comes from the host's global pool and goes back to it on every path, failures included.
#include "engine/model/filters/instrument_filters.h"

#include <cstring>

#include "engine/model/control/global_blocks.h"
#include "engine/model/filters/filters.h"
#include "engine/model/filters/where_adapter.h"
#include "engine/run/run_block.h"

namespace {

// Appends a reference to the variable: one per occurrence of a name in the text.
int add_reference(void* user, RSKVARIABLE* variable) {
    auto* filter = static_cast<RSKINSTFILTER*>(user);
    auto* ref = static_cast<RSKFILTERREF*>(rskgalloc(sizeof(RSKFILTERREF)));
    if (ref == nullptr) return QOR_WHERE_NO_MEMORY;
    ref->variable = variable;
    if (filter->tail != nullptr) filter->tail->next = ref;
    else filter->head = ref;
    filter->tail = ref;
    ++filter->count;
    return 0;
}

void free_references(RSKINSTFILTER* filter) {
    while (filter->head != nullptr) {
        RSKFILTERREF* ref = filter->head;
        filter->head = ref->next;
        rskgfree(ref, sizeof *ref);
    }
    filter->tail = nullptr;
    filter->count = 0;
}

}  // namespace

int rskpsfo(RSKCON* con, const char* text, int length, RSKINSTFILTER** out) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || text == nullptr || out == nullptr) return kRskFilterFailed;
    const size_t bytes = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    if (bytes > kRskFilterTextLimit) return kRskFilterFailed;

    auto* filter = static_cast<RSKINSTFILTER*>(rskgalloc(sizeof(RSKINSTFILTER)));
    if (filter == nullptr) return kRskFilterFailed;
    filter->con = con;
    filter->text = static_cast<char*>(rskgalloc(bytes + 1));
    if (filter->text == nullptr) {
        rskpsfc(filter);
        return kRskFilterFailed;
    }
    std::memcpy(filter->text, text, bytes);
    filter->text[bytes] = '\0';
    filter->text_length = static_cast<uint32_t>(bytes);
    filter->text_capacity = static_cast<uint32_t>(bytes + 1);

    bool names_failed = false;
    int rc = rsk_where_compile(con, filter->text, static_cast<int>(bytes), RskWhereValues::current, add_reference,
                               filter, &filter->where, &names_failed);
    if (rc != 0) {
        rskpsfc(filter);
        // A name that cannot be bound gives the resolution's code; anything else (no memory,
        // not an expression) the filter's own failure.
        return names_failed && rc != QOR_WHERE_NO_MEMORY ? rc : kRskFilterFailed;
    }
    filter->context = con->run_block != nullptr ? con->run_block->filter_context : nullptr;
    *out = filter;
    return 0;
}

int rskpsfe(RSKINSTFILTER* filter) {
    if (filter == nullptr || filter->where == nullptr) return QOR_WHERE_BAD_ARGUMENT;
    return rsk_where_evaluate(filter->where);
}

int rskpsfc(RSKINSTFILTER* filter) {
    if (filter == nullptr) return 0;
    if (filter->text != nullptr) rskgfree(filter->text, filter->text_capacity);
    rsk_where_free(filter->where);
    free_references(filter);
    rskgfree(filter, sizeof *filter);
    return 0;
}

int rskpsfv(RSKCON* con, const char* text) {
    if (con == nullptr || text == nullptr) return kRskFilterFailed;
    const size_t bytes = std::strlen(text);
    if (bytes > kRskFilterTextLimit) return kRskFilterFailed;
    // A where-clause record of its own, as the filter routines check one.
    RSKFILTER clause{};
    clause.text = static_cast<char*>(rskgalloc(bytes + 1));
    if (clause.text == nullptr) return kRskFilterFailed;
    std::memcpy(clause.text, text, bytes + 1);
    clause.text_length = static_cast<uint32_t>(bytes);
    clause.text_capacity = static_cast<uint32_t>(bytes + 1);
    int rc = rskwhrv(con, &clause);
    rskgfree(clause.text, clause.text_capacity);
    return rc != 0 ? kRskFilterFailed : 0;
}

// Position filter objects: look-up in the filter table, definition on a catalog object of kind
// 10, setting the expression from copies the filter owns, emptying, release and listing.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/definition_objects.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/filters/filter_text.h"
#include "engine/model/filters/filters.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kFilterChunk = 10;

}  // namespace

RSKCATOBJ* rskwhr(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_FILTERS], name));
}

int rskwhrd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr) return 1;
    // The name may be the filter's own: copy it before the filter is emptied.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    RSKCATOBJ* header = nullptr;
    RSKFILTER* filter = nullptr;
    bool reused = false;
    if (rsk_definition_object(con, object, name, catalog_argument, RSKKIND_FILTER, con->free_lists->filters,
                              kFilterChunk, "filters", &header, &filter, &reused) != 0)
        return 1;
    if (reused) rskwhrc(con, filter);
    rskname(con, &filter->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rskwhru(RSKCON* con, RSKFILTER* filter, const RSKNAMEREC* expression, const int32_t* ends, int end_count) {
    if (con == nullptr || filter == nullptr) return 1;
    const size_t length = expression != nullptr && expression->text != nullptr ? expression->length : 0;
    if (length > kRskFilterTextLimit) {
        rsk_filter_too_long(con, filter);
        return 1;
    }
    if (ends == nullptr || end_count < 0) end_count = 0;
    // Listings and the stored form cut the text at the end offsets: they must rise and stay in it.
    for (int i = 0; i < end_count; ++i) {
        const int32_t floor = i == 0 ? 0 : ends[i - 1];
        if (ends[i] < floor || static_cast<size_t>(ends[i]) > length) {
            xebug("rskwhru: the end offsets do not fit the expression of filter %*s.",
                  static_cast<int>(filter->name.name.length), filter->name.name.text);
            return 1;
        }
    }

    // Both copies are made before the filter lets go of what it holds: a failure leaves it as it was.
    char* text = nullptr;
    if (length > 0) {
        text = rsk_filter_block(con, length + 1, "filter expression");
        if (text == nullptr) return 1;
        std::memcpy(text, expression->text, length);
        text[length] = '\0';
    }
    int32_t* own_ends = nullptr;
    const size_t end_bytes = sizeof(int32_t) * static_cast<size_t>(end_count);
    if (end_count > 0) {
        own_ends = reinterpret_cast<int32_t*>(rsk_filter_block(con, end_bytes, "filter expression ends"));
        if (own_ends == nullptr) {
            if (text != nullptr) vmfree_handler(con->current_pool, text, length + 1, QOR_FREE_SIZED);
            return 1;
        }
        std::memcpy(own_ends, ends, end_bytes);
    }
    rskwhrc(con, filter);
    filter->text = text;
    filter->text_length = static_cast<uint32_t>(length);
    filter->text_capacity = text != nullptr ? static_cast<uint32_t>(length + 1) : 0;
    filter->ends = own_ends;
    filter->end_count = static_cast<uint32_t>(end_count);
    return 0;
}

int rskwhrc(RSKCON* con, RSKFILTER* filter) {
    if (con == nullptr || filter == nullptr) return 0;
    if (filter->text != nullptr && filter->text_capacity > 0)
        vmfree_handler(con->current_pool, filter->text, filter->text_capacity, QOR_FREE_SIZED);
    if (filter->ends != nullptr && filter->end_count > 0)
        vmfree_handler(con->current_pool, filter->ends, sizeof(int32_t) * filter->end_count, QOR_FREE_SIZED);
    filter->text = nullptr;
    filter->text_capacity = 0;
    filter->text_length = 0;
    filter->ends = nullptr;
    filter->end_count = 0;
    return 0;
}

int rskwhrf(RSKCON* con, RSKFILTER* filter) {
    if (con == nullptr || filter == nullptr) return 0;
    rskwhrc(con, filter);
    std::memset(static_cast<void*>(filter), 0, sizeof *filter);
    rsk_give_free(con->free_lists->filters, filter);
    return 0;
}

int rskwhrp(RSKCON*, const RSKFILTER* filter) {
    if (filter == nullptr) return 0;
    xpmout(598, 2181, static_cast<int>(filter->name.name.length), filter->name.name.text);
    xpmout(598, 2183, static_cast<int>(filter->text_length), filter->text != nullptr ? filter->text : "");
    xpoflsh(0);
    return 0;
}

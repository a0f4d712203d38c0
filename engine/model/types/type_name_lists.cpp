// Type-name lists: names appended in order and addressed by 1-based code, found again by name
// ignoring case; the buffer doubles (at least 10 entries) in the general pool as it fills.
#include "engine/model/types/type_name_lists.h"

#include <cstring>

#include "common/strings/fields.h"
#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "host/print.h"

namespace {

int cut_length(const RSKTYPELIST* list, const char* text, int length) {
    if (text == nullptr) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    return length < list->width ? length : list->width;
}

char* entry(const RSKTYPELIST* list, int index) {
    return list->buffer + static_cast<size_t>(index) * static_cast<size_t>(list->width + 1);
}

bool grow(RSKCON* con, RSKTYPELIST* list) {
    int capacity = list->capacity * 2 > 10 ? list->capacity * 2 : 10;
    size_t entry_bytes = static_cast<size_t>(list->width + 1);
    size_t old_bytes = entry_bytes * static_cast<size_t>(list->capacity);
    size_t new_bytes = entry_bytes * static_cast<size_t>(capacity);
    void* grown = list->buffer == nullptr
                      ? vmalcp_handler(con->general_pool, new_bytes, QOR_ALLOC_PLAIN)
                      : xmrealc(con->general_pool, list->buffer, old_bytes, new_bytes, QOR_ALLOC_PLAIN);
    if (grown == nullptr) {
        rsknomem(con, new_bytes, "type name list");
        con->error = 1;
        return false;
    }
    list->buffer = static_cast<char*>(grown);
    list->capacity = capacity;
    return true;
}

}  // namespace

int rskgtyi(RSKCON*, RSKTYPELIST* list, int width) {
    list->buffer = nullptr;
    list->width = width < 1 ? 1 : (width > 255 ? 255 : width);
    list->capacity = 0;
    list->count = 0;
    return 0;
}

int rskgtya(RSKCON* con, RSKTYPELIST* list, const char* text, int length, int* code) {
    int n = cut_length(list, text, length);
    if (list->count >= list->capacity && !grow(con, list)) return 1;
    char* e = entry(list, list->count);
    e[0] = static_cast<char>(n);
    if (n > 0) std::memcpy(e + 1, text, static_cast<size_t>(n));
    ++list->count;
    if (code != nullptr) *code = list->count;
    return 0;
}

int rskgtys(RSKCON*, const RSKTYPELIST* list, const char* text, int length) {
    int n = cut_length(list, text, length);
    for (int i = 0; i < list->count; ++i) {
        const char* e = entry(list, i);
        if (wzsteqn(e + 1, static_cast<unsigned char>(e[0]), text, n) == 1) return i + 1;
    }
    return 0;
}

int rskgtyg(RSKCON*, const RSKTYPELIST* list, int code, RSKNAMEREC* out) {
    if (code < 1 || code > list->count) {
        xebug("rskgtyg: wrong type code %i.", code);
        return 1;
    }
    char* e = entry(list, code - 1);
    out->capacity = static_cast<uint16_t>(list->width);
    out->length = static_cast<unsigned char>(e[0]);
    out->text = e + 1;
    return 0;
}

int rskgtyc(RSKCON*, RSKTYPELIST* list) {
    list->count = 0;
    return 0;
}

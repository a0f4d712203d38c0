// Combining a further WHERE expression into a filter: "(old) AND (new)", "old new" or
// "(old) OR (new)", sized in size_t and refused past the filter's length limit.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/filters/filter_text.h"
#include "engine/model/filters/filters.h"

namespace {

// Appends `length` bytes of `text` at `at`; the position after them.
char* put(char* at, const char* text, size_t length) {
    std::memcpy(at, text, length);
    return at + length;
}

}  // namespace

int rskwhra(RSKCON* con, RSKFILTER* filter, const RSKNAMEREC* expression, int mode) {
    if (con == nullptr || filter == nullptr) return 1;
    if (expression == nullptr || expression->text == nullptr || expression->length == 0) return 0;
    const size_t added = expression->length;

    if (filter->text_length == 0 || filter->text == nullptr) {
        if (added > kRskFilterTextLimit) {
            rsk_filter_too_long(con, filter);
            return 1;
        }
        char* text = rsk_filter_block(con, added + 1, "filter expression");
        if (text == nullptr) return 1;
        *put(text, expression->text, added) = '\0';
        rskwhrc(con, filter);
        filter->text = text;
        filter->text_length = static_cast<uint32_t>(added);
        filter->text_capacity = static_cast<uint32_t>(added + 1);
        return 0;
    }

    const size_t old = filter->text_length;
    const size_t extra = mode == RSKWHR_AND ? 9 : mode == RSKWHR_APPEND ? 1 : 8;
    const size_t length = old + added + extra;
    if (length > kRskFilterTextLimit) {
        rsk_filter_too_long(con, filter);
        return 1;
    }
    char* text = rsk_filter_block(con, length + 1, "filter expression");
    if (text == nullptr) return 1;
    char* at = text;
    if (mode == RSKWHR_APPEND) {
        at = put(at, filter->text, old);
        at = put(at, " ", 1);
        at = put(at, expression->text, added);
    } else {
        at = put(at, "(", 1);
        at = put(at, filter->text, old);
        at = mode == RSKWHR_AND ? put(at, ") AND (", 7) : put(at, ") OR (", 6);
        at = put(at, expression->text, added);
        at = put(at, ")", 1);
    }
    *at = '\0';
    // The combined text is one expression now: the old end offsets no longer describe it.
    rskwhrc(con, filter);
    filter->text = text;
    filter->text_length = static_cast<uint32_t>(length);
    filter->text_capacity = static_cast<uint32_t>(length + 1);
    return 0;
}

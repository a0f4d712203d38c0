// Fillers of name records: object names, paths and library references copied into the record's
// own buffer, with truncation reported; name comparison and heap copies of strings.
#include "engine/model/names/name_records.h"

#include <cstring>

#include "common/strings/fields.h"
#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "host/files.h"
#include "host/kernel.h"

namespace {

// Shared body of the fillers: `buffer` of `capacity` bytes follows the record's head.
int fill_name(RSKNAMEREC* rec, char* buffer, int capacity, const char* text, int length) {
    rec->capacity = static_cast<uint16_t>(capacity);
    rec->text = buffer;
    if (length < 0) length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
    if (length <= 0 || text == nullptr) {
        rec->length = 0;
        return 1;
    }
    int kept = length < capacity ? length : capacity;
    std::memcpy(buffer, text, static_cast<size_t>(kept));
    rec->length = static_cast<uint16_t>(kept);
    if (length > capacity) {
        xpmlog(598, 97, length, text, length, capacity);
        return 1;
    }
    return 0;
}

}  // namespace

int rskname(RSKCON*, RSKOBJNAME* rec, const char* text, int length) {
    return fill_name(&rec->name, rec->buffer, kRskObjectNameCapacity, text, length);
}

int rsknamx(RSKCON* con, RSKOBJNAME* rec, const char* text, int length) {
    int rc = rskname(con, rec, text, length);
    if (rec->name.length > 0) {
        wzstrlo(rec->buffer, rec->buffer, rec->name.length);
        wzstrup(rec->buffer, 1);
    }
    return rc;
}

int rskpnam(RSKCON*, RSKPATHNAME* rec, const char* text, int length) {
    return fill_name(&rec->name, rec->buffer, kRskPathCapacity, text, length);
}

int copy_cmrname(RSKCON* con, RSKOBJNAME* rec, const char* text, int length) {
    return rskname(con, rec, text, length);
}

int copy_libname(RSKCON*, RSKLIBNAME* rec, const char* text, int length) {
    return fill_name(&rec->name, rec->buffer, kRskLibrefCapacity, text, length);
}

int rsknamc(RSKCON*, const RSKNAMEREC* a, const RSKNAMEREC* b) {
    if (a->length != b->length) return 1;
    return wzstcom(a->text, a->length, b->text, b->length) == 0 ? 0 : 1;
}

int rskstr(RSKCON* con, RSKNAMEREC* rec, const char* text, int length) {
    rec->capacity = 0;
    rec->length = 0;
    rec->text = nullptr;
    if (length < 0) length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
    // The record's fields are 16 bits wide: a longer text cannot be described by it.
    if (length <= 0 || text == nullptr || length > 0xFFFF) return 1;
    auto* copy = static_cast<char*>(vmalcp_handler(con->general_pool, static_cast<size_t>(length),
                                                   QOR_ALLOC_PLAIN));
    if (copy == nullptr) {
        rsknomem(con, static_cast<size_t>(length), "string");
        return 1;
    }
    std::memcpy(copy, text, static_cast<size_t>(length));
    rec->capacity = static_cast<uint16_t>(length);
    rec->length = static_cast<uint16_t>(length);
    rec->text = copy;
    return 0;
}

// The library references the engine assigned: remembered in a growing array of 8-character
// entries (a blank first character marks a free entry) and de-assigned at termination.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/paths/search_path.h"
#include "host/files.h"
#include "host/pool.h"

namespace {

int find(const RSKCON* con, const char* libref) {
    for (int i = 0; i < con->libref_count; ++i) {
        if (std::memcmp(con->librefs[i], libref, 8) == 0) return i;
    }
    return -1;
}

}  // namespace

int rskpths(RSKCON* con, const char* libref) {
    if (libref == nullptr || libref[0] == ' ') return 1;
    // Remembering a reference twice would de-assign it twice.
    if (find(con, libref) >= 0) return 0;
    if (con->libref_free > 0) {
        for (int i = 0; i < con->libref_count; ++i) {
            if (con->librefs[i][0] != ' ') continue;
            std::memcpy(con->librefs[i], libref, 8);
            --con->libref_free;
            return 0;
        }
    }
    if (con->libref_count == con->libref_capacity) {
        int capacity = con->libref_capacity * 2 > 10 ? con->libref_capacity * 2 : 10;
        size_t old_bytes = static_cast<size_t>(con->libref_capacity) * 8;
        size_t new_bytes = static_cast<size_t>(capacity) * 8;
        void* grown = xmrealc(con->general_pool, con->librefs, old_bytes, new_bytes, QOR_ALLOC_PLAIN);
        if (grown == nullptr) {
            rsknomem(con, new_bytes, "library references");
            return 1;
        }
        con->librefs = static_cast<char(*)[8]>(grown);
        con->libref_capacity = capacity;
    }
    std::memcpy(con->librefs[con->libref_count++], libref, 8);
    return 0;
}

int rskptlr(RSKCON* con, const char* libref) {
    if (libref == nullptr) return 0;
    int i = find(con, libref);
    if (i < 0 || libref[0] == ' ') return 0;
    xhldas2(con->librefs[i]);
    std::memset(con->librefs[i], ' ', 8);
    ++con->libref_free;
    return 0;
}

void rskptla(RSKCON* con) {
    for (int i = 0; i < con->libref_count; ++i) {
        if (con->librefs[i][0] == ' ') continue;
        xhldas2(con->librefs[i]);
        std::memset(con->librefs[i], ' ', 8);
        ++con->libref_free;
    }
}

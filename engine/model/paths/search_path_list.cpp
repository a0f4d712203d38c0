// The search path list: adding a directory (with its library reference), removing one,
// emptying the list and printing it. Entries come from a free list refilled in chunks.
#include <cstring>

#include "common/files/names.h"
#include "common/strings/fields.h"
#include "common/memory/pool_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/paths/search_path.h"
#include "engine/tables/free_lists.h"
#include "host/print.h"

namespace {

// A cleared entry from the free list, refilled from the general pool; null when out of memory.
RSKPATHENTRY* take_entry(RSKCON* con) {
    size_t bytes = 0;
    RSKPATHENTRY* entry = rsk_take_free(con->free_path_entries, con->general_pool, kRskPathEntryChunk, &bytes);
    if (entry == nullptr) rsknomem(con, bytes, "search path entries");
    return entry;
}

void give_back(RSKCON* con, RSKPATHENTRY* entry) { rsk_give_free(con->free_path_entries, entry); }

bool listed(const RSKCON* con, const char* path, int length) {
    for (const RSKPATHENTRY* e = con->search_path_head; e != nullptr; e = e->next) {
        if (zfphcom(e->path.name.text, e->path.name.length, path, length) == 0) return true;
    }
    return false;
}

}  // namespace

int rskpthd(RSKCON* con, const char* path, int length, int append, const char* libref) {
    if (path == nullptr) return 1;
    if (length < 0) length = static_cast<int>(std::strlen(path));
    if (length == 0) return 1;
    if (append && listed(con, path, length)) return 0;
    if (length >= kRskPathCapacity || zfexist(path, length) != 0) {
        xpmlog(598, 1458, length, path);
        return 1;
    }
    RSKPATHENTRY* entry = take_entry(con);
    if (entry == nullptr) return 1;
    if (libref != nullptr) {
        std::memset(entry->libref, ' ', 8);
        int n = static_cast<int>(strnlen(libref, 8));
        std::memcpy(entry->libref, libref, static_cast<size_t>(n));
    } else {
        int fresh = 0;
        if (zlibnam(path, length, entry->libref, nullptr, nullptr, &fresh, nullptr) != 0) {
            xpmlog(598, 1453, length, path);
            give_back(con, entry);
            return 1;
        }
        // The engine owns a reference it made: it is de-assigned at termination.
        if (fresh && rskpths(con, entry->libref) != 0) {
            xhldas2(entry->libref);
            give_back(con, entry);
            return 1;
        }
    }
    rskpnam(con, &entry->path, path, length);
    if (append) {
        if (con->search_path_tail != nullptr) con->search_path_tail->next = entry;
        else con->search_path_head = entry;
        con->search_path_tail = entry;
    } else {
        entry->next = con->search_path_head;
        con->search_path_head = entry;
        if (con->search_path_tail == nullptr) con->search_path_tail = entry;
    }
    return 0;
}

int rskpthf(RSKCON* con) {
    RSKPATHENTRY* entry = con->search_path_head;
    while (entry != nullptr) {
        RSKPATHENTRY* next = entry->next;
        give_back(con, entry);
        entry = next;
    }
    con->search_path_head = nullptr;
    con->search_path_tail = nullptr;
    return 0;
}

int rskpthr(RSKCON* con, const char* path, int length) {
    if (path == nullptr) return 1;
    if (length < 0) length = static_cast<int>(std::strlen(path));
    char wanted[QOR_PATH_MAX];
    int wanted_length = 0;
    if (zfulpth(path, length, wanted, &wanted_length) != 0) return 1;
    RSKPATHENTRY* previous = nullptr;
    for (RSKPATHENTRY* e = con->search_path_head; e != nullptr; previous = e, e = e->next) {
        char full[QOR_PATH_MAX];
        int full_length = 0;
        if (zfulpth(e->path.name.text, e->path.name.length, full, &full_length) != 0) continue;
        if (wzstcom(full, full_length, wanted, wanted_length) != 0) continue;
        if (previous != nullptr) previous->next = e->next;
        else con->search_path_head = e->next;
        if (con->search_path_tail == e) con->search_path_tail = previous;
        give_back(con, e);
        return 0;
    }
    return 1;
}

int rskpthp(RSKCON* con) {
    xpmout(598, 94);
    int ordinal = 0;
    for (const RSKPATHENTRY* e = con->search_path_head; e != nullptr; e = e->next) {
        ++ordinal;
        const char* libref = e->libref;
        int libref_length = wzstrip(e->libref, 8);
        const char* path = e->path.name.text;
        int path_length = e->path.name.length;
        if (con->generic) {
            // Listings under GENERIC must not depend on the machine or on generated names.
            path = "<System-specific pathname>";
            path_length = -1;
            if (libref_length == 8 && libref[0] == 'X') {
                libref = "<TEMPLIB>";
                libref_length = -1;
            }
        }
        xpmout(598, 98, ordinal, libref_length, libref, path_length, path);
    }
    return 0;
}

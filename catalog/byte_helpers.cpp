// Small helpers kept with the list layer: the last-modification time (or another information
// item) of a file through a temporary file reference, a byte search and a forward byte copy.
#include <cstring>

#include "catalog/catalog_lists.h"
#include "host/files.h"
#include "host/save_support.h"

int zlastmt(const char* path, int length, int item, double* value) {
    *value = 0;
    char fileref[8];
    std::memset(fileref, ' ', sizeof fileref);   // blank: the host chooses a name
    if (path == nullptr || xxrasgn(fileref, path, length, "DISK") != 0) return 1;
    char buffer[512];
    int got = 0;
    if (xxrfinf(fileref, item, buffer, sizeof buffer, &got) == 0 && got >= 8) std::memcpy(value, buffer, 8);
    xxrdasg(fileref);
    return 0;
}

int64_t vzsetl(const void* bytes, int64_t n, int c) {
    if (bytes == nullptr || n < 1) return -1;
    const auto* field = static_cast<const unsigned char*>(bytes);
    for (int64_t i = 0; i < n; ++i)
        if (field[i] == static_cast<unsigned char>(c)) return i;
    return -1;
}

void wzbmdi(const void* source, void* destination, int64_t n) {
    // One byte at a time, forward: an overlapping copy repeats the leading bytes, as callers
    // that fill a field from its own start expect.
    const auto* from = static_cast<const unsigned char*>(source);
    auto* to = static_cast<unsigned char*>(destination);
    for (int64_t i = 0; i < n; ++i) to[i] = from[i];
}

// Library references as the engine sees them: generated names, the directory and engine of an
// assigned library, another library on the same directory, and whether a member exists.
#include <cstring>

#include "common/files/generic_off.h"
#include "common/files/names.h"
#include "common/files/names_internal.h"
#include "common/strings/fields.h"

using qor::files::field8;
using qor::files::measured;

void znammgl(char* out, int width, char first, const char* text, int length, int digits_only,
             uint32_t bias) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static const char kDigits[] = "0123456789";
    if (!out || width < 1) return;
    uint32_t h = bias;
    int n = measured(text, length);
    for (int i = 0; i < n; ++i) h = h * 1021u + static_cast<unsigned char>(text[i]);
    out[0] = first;
    for (int i = 1; i < width; ++i) {
        h = (h * 1021u) % 1000003u;
        out[i] = digits_only ? kDigits[h % 10] : kAlphabet[h % 36];
    }
}

int checkLibAssigned(const qor_library_info* info, char* other_libref) {
    if (!info || !info->path) return 0;
    int cursor = 0;
    qor_library_info other;
    while (xhlnxt2(&cursor, &other) == 0) {
        if (std::memcmp(other.libref, info->libref, 8) == 0) continue;
        if (!other.path || other.path_length == 0) continue;
        if (zfphcom(other.path, other.path_length, info->path, info->path_length) != 0) continue;
        if (std::memcmp(other.engine, info->engine, 8) != 0) continue;
        if (other_libref) std::memcpy(other_libref, other.libref, 8);
        return 1;
    }
    return 0;
}

int zlib2ph(const char* libref, const char** path, int* path_length) {
    if (!libref) return 1;
    qor::files::GenericOff generic_off;
    char wanted[8];
    field8(libref, wanted);
    int cursor = 0;
    qor_library_info info;
    while (xhlnxt2(&cursor, &info) == 0) {
        if (std::memcmp(info.libref, wanted, 8) != 0) continue;
        if (path) *path = info.path;
        if (path_length) *path_length = info.path_length;
        return 0;
    }
    return 1;
}

int zlibeng(const char* libref, char* engine) {
    if (!libref) return 1;
    qor_library_info info;
    if (xhlinf2(libref, &info) != 0) return 1;
    if (engine) std::memcpy(engine, info.engine, 8);
    return 0;
}

int zdfxst(const char* libref, const char* member, int length, const char* member_type) {
    if (!member_type) return ZN_BAD_TYPE;
    char type[8];
    field8(member_type, type);
    bool data = wzbcup(type, "DATA", 4) == 0;
    if (data) std::memcpy(type, "DATA    ", 8);
    int n = measured(member, length);
    if (n > 32) n = 32;
    int rc = xdfxst2(libref, member, n, type);
    if (data && rc != 0) rc = xdfxst2(libref, member, n, "VIEW    ");
    return rc;
}

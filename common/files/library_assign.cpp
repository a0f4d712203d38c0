// Assigning a library reference to a directory: a generated name (zlibnam) or one made from the
// directory's own name (zlibnm2); an existing reference to the same place is reused.
#include <cctype>
#include <cstring>

#include "common/files/generic_off.h"
#include "common/files/names.h"
#include "common/files/names_internal.h"
#include "host/print.h"

using qor::files::field8;
using qor::files::measured;

namespace {

bool not_assigned(const char* candidate) {
    qor_library_info info;
    int rc = xhlinf2(candidate, &info);
    return (static_cast<unsigned>(rc) & 0x803FFFFFu) == 0x80003806u;
}

// The first of the 100 generated names that is free: 0, or 1 after an internal error.
int generated_name(const char* routine, const char* directory, int length, char* candidate) {
    for (uint32_t bias = 0; bias < 100; ++bias) {
        znammgl(candidate, 8, 'X', directory, length, 0, bias);
        if (not_assigned(candidate)) return 0;
    }
    xebug("%s: bias=%i directory=%*s", routine, 100, length, directory);
    return 1;
}

// A name from the last component of the path, or one with a digit in place; only names that
// can be library references count (a component such as "2024-q1" cannot).
bool component_name(const char* path, int length, char* candidate) {
    const char* name = nullptr;
    int name_length = 0;
    zchopst(path, length, nullptr, nullptr, &name, &name_length, nullptr, nullptr);
    if (name_length < 1) return false;
    int n = name_length > 8 ? 8 : name_length;
    if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
    for (int i = 0; i < 8; ++i) {
        if (i >= n) { candidate[i] = ' '; continue; }
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (!std::isalnum(c) && c != '_') return false;
        candidate[i] = static_cast<char>(std::toupper(c));
    }
    if (not_assigned(candidate)) return true;
    int digit_at = n < 8 ? n : 7;
    for (char digit = '0'; digit <= '9'; ++digit) {
        candidate[digit_at] = digit;
        if (not_assigned(candidate)) return true;
    }
    return false;
}

// Steps shared by both routines once a free candidate is known: assign, read back, reuse an
// existing reference to the same place.
int assign_candidate(const char* directory, int length, const char* candidate, const char* engine,
                     char* libref, char* path_out, int* path_length, int* new_assignment) {
    int rc = xhlasn2(candidate, directory, length, engine);
    if (rc != 0) {
        xprrlog(1, rc);
        xpslog("%1zCannot assign libname to %*s.", length, directory);
        return 1;
    }
    qor_library_info info;
    rc = xhlinf2(candidate, &info);
    if (rc != 0) {
        xprrlog(1, rc);
        xpslog("%1zCannot get library properties for %*s.", length, directory);
        xhldas2(candidate);
        return 1;
    }
    if (path_out && path_length) {
        std::memcpy(path_out, info.path, static_cast<size_t>(info.path_length) + 1);
        *path_length = info.path_length;
    }
    char existing[8];
    if (checkLibAssigned(&info, existing)) {
        xhldas2(candidate);
        std::memcpy(libref, existing, 8);
        return 0;
    }
    std::memcpy(libref, candidate, 8);
    if (new_assignment) *new_assignment = 1;
    return 0;
}

// The engine to assign with: the given one, or "V9" when none is given.
void engine_of(const char* engine, char* out) {
    if (!engine || engine[0] == ' ' || engine[0] == '\0') std::memcpy(out, "V9      ", 8);
    else field8(engine, out);
}

}  // namespace

int zlibnam(const char* directory, int length, char* libref, char* path_out, int* path_length,
            int* new_assignment, const char* engine) {
    int n = measured(directory, length);
    if (new_assignment) *new_assignment = 0;
    if (!libref || n == 0) return 1;
    qor::files::GenericOff generic_off;
    char eng[8], candidate[8];
    engine_of(engine, eng);
    if (generated_name("zlibnam", directory, n, candidate) != 0) return 1;
    return assign_candidate(directory, n, candidate, eng, libref, path_out, path_length, new_assignment);
}

int zlibnm2(const char* path, int length, char* libref, char* path_out, int* path_length,
            int* new_assignment, const char* engine) {
    int n = measured(path, length);
    if (new_assignment) *new_assignment = 0;
    if (!libref || n == 0) return 1;
    qor::files::GenericOff generic_off;
    char eng[8], candidate[8];
    engine_of(engine, eng);
    if (!component_name(path, n, candidate) && generated_name("zlibnm2", path, n, candidate) != 0)
        return 1;
    return assign_candidate(path, n, candidate, eng, libref, path_out, path_length, new_assignment);
}

// Member types and physical file names: the extension of each member type, changing the
// extension of a path, and the physical name of a member in a directory.
#include <cstring>

#include "common/files/names.h"
#include "common/files/names_internal.h"
#include "common/strings/fields.h"

using qor::files::field8;
using qor::files::measured;

namespace {

struct type_extension {
    const char* type;
    const char* extension;
};

// Exact comparison of the 8 characters: a lower-case "data" is not a member type.
const type_extension kTypes[] = {
    {"CATALOG ", "qor7bcat"}, {"DATA    ", "qor7bdat"}, {"DATASET ", "qor7bdat"},
    {"UTILITY ", "qor7butl"}, {"PUTILITY", "qor7bput"}, {"INDEX   ", "qor7bndx"},
    {"MDDB    ", "qor7bmdb"}, {"VIEW    ", "qor7bvew"}, {"DATAVIEW", "qor7bvew"},
};

// A type that asks for no extension: null, blank or "*".
bool no_type(const char* member_type) {
    if (!member_type) return true;
    char f[8];
    field8(member_type, f);
    return vzabl(' ', f, 8) || (f[0] == '*' && vzabl(' ', f + 1, 7));
}

}  // namespace

int zfilext(const char* member_type, char* extension) {
    if (!member_type || !extension) return ZN_BAD_TYPE;
    char f[8];
    field8(member_type, f);
    for (const type_extension& t : kTypes) {
        if (std::memcmp(f, t.type, 8) == 0) {
            std::memcpy(extension, t.extension, 8);
            return 0;
        }
    }
    return ZN_BAD_TYPE;
}

int zchfext(char* path, int* length, const char* member_type) {
    char extension[8];
    if (no_type(member_type) || zfilext(member_type, extension) != 0) return ZN_BAD_TYPE;
    if (!path || !length) return 1;
    int n = measured(path, *length);
    const char* name = nullptr;
    const char* ext = nullptr;
    int name_length = 0, ext_length = 0;
    zchopst(path, n, nullptr, nullptr, &name, &name_length, &ext, &ext_length);
    if (name_length == 0 || path[n - 1] == '/') return 1;   // nothing to give an extension to
    int base = static_cast<int>(name - path) + name_length;  // the name without its extension
    int ext_size = wzstrip(extension, 8);
    int total = base + 1 + ext_size;
    if (total >= QOR_PATH_MAX) return ZN_TOO_LONG;
    path[base] = '.';
    std::memcpy(path + base + 1, extension, static_cast<size_t>(ext_size));
    path[total] = '\0';
    *length = total;
    return 0;
}

int zxname(char* out, int* out_length, const char* name, int name_length, const char* member_type,
           const char* directory, int directory_length) {
    if (!out) return 86;
    out[0] = '\0';
    char extension[8];
    bool with_type = !no_type(member_type);
    if (with_type && zfilext(member_type, extension) != 0) return ZN_BAD_TYPE;
    int nl = measured(name, name_length);
    if (nl == 0) return ZN_EMPTY_NAME;
    int dl = directory_length < 0 ? wzstrip(directory, measured(directory, -1))
                                  : measured(directory, directory_length);
    bool slash = dl > 0 && directory[dl - 1] != '/';
    int ext_size = with_type ? wzstrip(extension, 8) : 0;
    int total = dl + (slash ? 1 : 0) + nl + (with_type ? 1 + ext_size : 0);
    if (total >= QOR_PATH_MAX) return ZN_TOO_LONG;
    int at = 0;
    if (dl > 0) std::memmove(out, directory, static_cast<size_t>(dl));
    at = dl;
    if (slash) out[at++] = '/';
    wzstrlo(name, out + at, nl);
    at += nl;
    if (with_type) {
        out[at++] = '.';
        std::memcpy(out + at, extension, static_cast<size_t>(ext_size));
        at += ext_size;
    }
    out[at] = '\0';
    if (out_length) *out_length = at;
    return 0;
}

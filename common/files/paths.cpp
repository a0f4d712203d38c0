// Path texts: joining a directory and a name, splitting a path into directory, name and
// extension, comparing paths, and the checks of names.
#include <cstring>

#include "common/files/names.h"
#include "common/files/names_internal.h"
#include "common/strings/fields.h"

using qor::files::measured;

int zlnknam(char* out, const char* directory, int directory_length, const char* name, int name_length) {
    if (!out) return -1;
    int dl = measured(directory, directory_length);
    int nl = measured(name, name_length);
    bool slash = dl > 0 && directory[dl - 1] != '/';
    int total = dl + (slash ? 1 : 0) + nl;
    if (total >= QOR_PATH_MAX) {   // a cut path would name another file
        out[0] = '\0';
        return -1;
    }
    if (dl > 0) std::memmove(out, directory, static_cast<size_t>(dl));
    if (slash) out[dl] = '/';
    if (nl > 0) std::memmove(out + dl + (slash ? 1 : 0), name, static_cast<size_t>(nl));
    out[total] = '\0';
    return total;
}

int zchopst(const char* spec, int length, const char** directory, int* directory_length,
            const char** name, int* name_length, const char** extension, int* extension_length) {
    int n = measured(spec, length);
    int dir_len = 0, name_start = 0, name_len = 0, ext_start = -1, ext_len = 0;
    if (n > 0 && spec[n - 1] == '/') {
        // "a/b/": the name is the last component before the final "/", without an extension.
        int end = n - 1;
        int start = end;
        while (start > 0 && spec[start - 1] != '/') --start;
        dir_len = start;
        name_start = start;
        name_len = end - start;
    } else {
        int slash = n - 1;
        while (slash >= 0 && spec[slash] != '/') --slash;
        dir_len = slash + 1;
        name_start = dir_len;
        int dot = name_start;
        while (dot < n && spec[dot] != '.') ++dot;
        name_len = dot - name_start;
        if (dot < n) {
            ext_start = dot + 1;
            ext_len = n - ext_start;
        }
    }
    if (directory) *directory = spec;
    if (directory_length) *directory_length = dir_len;
    if (name) *name = spec ? spec + name_start : nullptr;
    if (name_length) *name_length = name_len;
    if (extension) *extension = ext_start >= 0 ? spec + ext_start : nullptr;
    if (extension_length) *extension_length = ext_len;
    return 0;
}

int zfphcom(const char* a, int length_a, const char* b, int length_b) {
    if (!a || !b) return 1;
    int la = measured(a, length_a);
    int lb = measured(b, length_b);
    if (la > 0 && a[la - 1] == '/') --la;
    if (lb > 0 && b[lb - 1] == '/') --lb;
    return la == lb && std::memcmp(a, b, static_cast<size_t>(la)) == 0 ? 0 : 1;
}

int zdhpth(const char* path, int length) {
    int n = measured(path, length);
    if (n == 0) return 1;
    if (path[0] == '/') return 0;
    for (int i = 0; i < n - 1; ++i)
        if (path[i] == '/') return 0;
    return 1;
}

int zcomstr(const char* a, const char* b, int n) {
    if (n < 1) return 0;
    if (!a || !b) return 1;
    return wzbcup(a, b, n) == 0 ? 0 : 1;
}

int check_name(const char* name, int length) {
    int n = measured(name, length);
    if (n < 1 || n > 32) return 1;
    for (int i = 0; i < n; ++i) {
        char c = name[i];
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return 1;
    }
    return 0;
}

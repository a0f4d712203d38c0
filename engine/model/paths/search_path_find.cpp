// Look-ups along the search path: the first directory that holds a library member of a type
// (a data set may also be found as a view), or a plain file.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/paths/search_path.h"
#include "host/print.h"

namespace {

bool is_data_type(const char* type) {
    return std::memcmp(type, "DATASET ", 8) == 0 || std::memcmp(type, "DATA    ", 8) == 0;
}

void copy_out(char* out, const char* text, int length) {
    if (out == nullptr) return;
    std::memcpy(out, text, static_cast<size_t>(length));
    out[length] = '\0';
}

}  // namespace

RSKPATHENTRY* rskpth(RSKCON* con, const char* member, int length, char* type, char* out) {
    if (member == nullptr || type == nullptr) return nullptr;
    if (length < 0) length = static_cast<int>(std::strlen(member));
    char name[QOR_PATH_MAX];
    int name_length = 0;
    for (RSKPATHENTRY* e = con->search_path_head; e != nullptr; e = e->next) {
        int rc = zxname(name, &name_length, member, length, type, e->path.name.text, e->path.name.length);
        if (rc != 0) {
            xprrlog(1, rc);
            return nullptr;
        }
        if (zfexist(name, name_length) == 0) {
            copy_out(out, name, name_length);
            return e;
        }
        if (is_data_type(type) && zchfext(name, &name_length, "DATAVIEW") == 0 &&
            zfexist(name, name_length) == 0) {
            std::memcpy(type, "DATAVIEW", 8);
            copy_out(out, name, name_length);
            return e;
        }
    }
    if (out != nullptr && zxname(name, &name_length, member, length, type, "", 0) == 0)
        copy_out(out, name, name_length);
    else if (out != nullptr)
        out[0] = '\0';
    return nullptr;
}

RSKPATHENTRY* rskpthz(RSKCON* con, const char* file, char* out) {
    if (file == nullptr) return nullptr;
    char name[QOR_PATH_MAX];
    for (RSKPATHENTRY* e = con->search_path_head; e != nullptr; e = e->next) {
        int n = zlnknam(name, e->path.name.text, e->path.name.length, file, -1);
        if (n < 0 || zfexist(name, n) != 0) continue;
        copy_out(out, name, n);
        return e;
    }
    if (out != nullptr) copy_out(out, file, static_cast<int>(strnlen(file, QOR_PATH_MAX - 1)));
    return nullptr;
}

// Resolution of file specifications for the engine: a data set for reading (library member,
// directory member or a member along the search path), a plain file, an output file.
#include <cstring>
#include <initializer_list>

#include "common/files/names.h"
#include "common/strings/fields.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/paths/search_path.h"
#include "host/print.h"

namespace {

bool search_on(const RSKCON* con) { return con->options != nullptr && con->options->current.search != 0; }

void copy_out(char* out, const char* text, int length) {
    if (out == nullptr) return;
    if (length > QOR_PATH_MAX - 1) length = QOR_PATH_MAX - 1;
    std::memcpy(out, text, static_cast<size_t>(length));
    out[length] = '\0';
}

bool blank(const char* libref) { return libref[0] == ' ' || libref[0] == '\0'; }

// The member in a directory: a library assigned now (engine V9, then V612) or an existing one.
// 0 when found (the library in libref), 2 when not.
int in_directory(RSKCON* con, const char* dir, int dir_length, const char* member, int member_length,
                 const char* type, char* libref) {
    if (zfexist(dir, dir_length) != 0 || zisdir(dir, dir_length) != 0) return 2;
    for (const char* engine : {"V9      ", "V612    "}) {
        int fresh = 0;
        if (zlibnam(dir, dir_length, libref, nullptr, nullptr, &fresh, engine) != 0) continue;
        if (zdfxst(libref, member, member_length, type) == 0) {
            if (fresh && rskpths(con, libref) != 0) xhldas2(libref);
            return 0;
        }
        if (fresh) xhldas2(libref);
    }
    return 2;
}

}  // namespace

int rskpthg(RSKCON* con, const RSKNAMEREC* spec_name, const char* member_type, int for_read,
            char* library_out, member_name* member_out, char* path_out, int report) {
    if (spec_name == nullptr || member_type == nullptr) return 1;
    const char* spec = spec_name->text;
    int length = spec != nullptr ? spec_name->length : 0;
    // The caller's type may be a constant: a view found along the path changes only this copy.
    char type[8];
    std::memset(type, ' ', 8);
    std::memcpy(type, member_type, strnlen(member_type, 8));
    const char *dir = nullptr, *member = nullptr;
    int dir_length = 0, member_length = 0;
    char libref[8];
    if (process_file_name(spec, length, &dir, &dir_length, &member, &member_length, libref, type) != 0) {
        xpmlog(598, 1457, length, spec, 4, "read");
        copy_out(path_out, spec, length);
        return 1;
    }
    if (check_name(member, member_length) != 0) {
        xpmlog(598, 1456, member_length, member, 6, "member");
        copy_out(path_out, spec, length);
        return 1;
    }
    if (member_out != nullptr) {
        member_out->length = static_cast<int16_t>(member_length);
        std::memcpy(member_out->text, member, static_cast<size_t>(member_length));
    }
    if (!for_read) {
        xebug("Should not use rskpthg for write data set.");
        return 1;
    }
    int result = 2;
    bool search = false;
    if (!blank(libref)) {
        if (zdfxst(libref, member, member_length, type) == 0) {
            char text[QOR_PATH_MAX];
            int n = xpsstr(text, sizeof text, "%*s.%*s", wzstrip(libref, 8), libref, member_length, member);
            copy_out(path_out, text, n);
            result = 0;
        } else if (search_on(con)) {
            if (report) xpmlog(598, 1460, member_length, member, wzstrip(libref, 8), libref);
            search = true;
        } else if (report) {
            xpmlog(598, 1459, member_length, member, wzstrip(libref, 8), libref);
        }
    } else if (dir_length > 0) {
        char name[QOR_PATH_MAX];
        int name_length = 0;
        if (zxname(name, &name_length, member, member_length, type, dir, dir_length) == 0)
            copy_out(path_out, name, name_length);
        result = in_directory(con, dir, dir_length, member, member_length, type, libref);
        if (result != 0 && search_on(con)) {
            if (report) xpmlog(598, 1454, member_length, member, dir_length, dir);
            search = true;
        } else if (result != 0 && report) {
            xpmlog(598, 1452, member_length, member, dir_length, dir);
        }
    } else {
        search = true;
    }
    if (search) {
        RSKPATHENTRY* entry = rskpth(con, member, member_length, type, path_out);
        if (entry != nullptr) {
            std::memcpy(libref, entry->libref, 8);
            result = 0;
        } else {
            if (report) xpmlog(598, 1451, member_length, member);
            result = 2;
        }
    }
    if (library_out != nullptr && result == 0) std::memcpy(library_out, libref, 8);
    return result;
}

int rskpthy(RSKCON* con, const char* spec, char* out, int report) {
    if (spec == nullptr) return 1;
    int length = static_cast<int>(strnlen(spec, QOR_PATH_MAX));
    if (length == 0 || length >= QOR_PATH_MAX) return 1;
    if (zfexist(spec, length) == 0) {
        copy_out(out, spec, length);
        return 0;
    }
    if (search_on(con) && rskpthz(con, spec, out) != nullptr) return 0;
    if (report) {
        const char *dir = nullptr, *name = nullptr;
        int dir_length = 0, name_length = 0;
        zchopst(spec, length, &dir, &dir_length, &name, &name_length, nullptr, nullptr);
        if (dir_length == 0) {
            dir = ".";
            dir_length = 1;
        }
        xpmlog(598, 1452, length - dir_length, spec + dir_length, dir_length, dir);
    }
    return 1;
}

int rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
            member_name* member, char* physical, int report) {
    int fresh = 0;
    int rc = zoutfil(spec, length, type, libref, member, physical, &fresh, report);
    if (rc == 0 && fresh && rskpths(con, libref) != 0) {
        xhldas2(libref);
        return 1;
    }
    return rc;
}

// Output specifications: "libref.member", "member", "member.<own extension>" or a path, resolved
// to a library reference, a member name and the member's physical file name.
#include <cstring>

#include "common/files/names.h"
#include "common/files/names_internal.h"
#include "common/strings/fields.h"
#include "host/print.h"

using qor::files::is_blank_field;
using qor::files::measured;

namespace {

void report_not_assigned(const char* libref) { xpmlog(598, 1455, wzstrip(libref, 8), libref); }

// The extension of the member type without its blanks; length 0 for an unknown type.
int type_extension(const char* member_type, char* extension) {
    return zfilext(member_type, extension) == 0 ? wzstrip(extension, 8) : 0;
}

}  // namespace

int process_file_name(const char* spec, int length, const char** directory, int* directory_length,
                      const char** member, int* member_length, char* libref,
                      const char* member_type) {
    int n = measured(spec, length);
    const char *dir = nullptr, *name = nullptr, *ext = nullptr;
    int dl = 0, nl = 0, el = 0;
    zchopst(spec, n, &dir, &dl, &name, &nl, &ext, &el);
    std::memset(libref, ' ', 8);
    char own[8];
    int own_length = type_extension(member_type, own);
    bool own_extension = el == own_length && wzbcup(ext, own, el) == 0;
    if (dl == 0 && ext && el > 0 && !own_extension) {
        // "libref.member": the part before the dot names an assigned library.
        if (check_name(name, nl) != 0) {
            xpmlog(598, 1456, nl, name, 7, "library");
            return 1;
        }
        int ll = nl > 8 ? 8 : nl;
        wztxxlt(2, name, libref, ll);
        const char* path = nullptr;
        int path_length = 0;
        if (zlib2ph(libref, &path, &path_length) != 0) {
            report_not_assigned(libref);
            return 1;
        }
        *directory = path;
        *directory_length = path_length;
        *member = ext;
        *member_length = el;
        return 0;
    }
    *directory = dir;
    *directory_length = dl;
    *member = name;
    *member_length = nl;
    return 0;
}

int zoutfil(const char* spec, int length, const char* member_type, char* libref,
            member_name* member, char* physical, int* new_assignment, int report) {
    int n = measured(spec, length);
    if (new_assignment) *new_assignment = 0;
    if (!libref || !member) return 1;
    const char *dir = nullptr, *name = nullptr;
    int dl = 0, nl = 0;
    char lib[8];
    if (process_file_name(spec, n, &dir, &dl, &name, &nl, lib, member_type) != 0) {
        if (report) xpmlog(598, 1457, n, spec, 5, "write");
        return 1;
    }
    if (check_name(name, nl) != 0) {
        if (report) xpmlog(598, 1456, nl, name, 6, "member");
        return 1;
    }
    member->length = static_cast<int16_t>(nl);
    std::memcpy(member->text, name, static_cast<size_t>(nl));
    char upper[32];
    wztxxlt(2, name, upper, nl);
    if (is_blank_field(lib) && dl == 0) {
        std::memcpy(lib, "WORK    ", 8);
        if (physical) {
            const char* path = nullptr;
            int path_length = 0;
            if (zlib2ph(lib, &path, &path_length) != 0) {
                if (report) report_not_assigned(lib);
                return 1;
            }
            if (zxname(physical, nullptr, upper, nl, member_type, path, path_length) != 0) return 1;
        }
    } else if (is_blank_field(lib)) {
        if (zfexist(dir, dl) != 0 || zisdir(dir, dl) != 0) {
            xpmlog(598, 1458, dl, dir);
            return 1;
        }
        char path[QOR_PATH_MAX];
        int path_length = 0, fresh = 0;
        if (zlibnam(dir, dl, lib, path, &path_length, &fresh, nullptr) != 0) return 1;
        if (physical && zxname(physical, nullptr, upper, nl, member_type, path, path_length) != 0) {
            if (fresh) xhldas2(lib);   // nothing will use the library the caller would own
            return 1;
        }
        if (new_assignment) *new_assignment = fresh;
    } else if (physical && zxname(physical, nullptr, upper, nl, member_type, dir, dl) != 0) {
        return 1;
    }
    std::memcpy(libref, lib, 8);
    return 0;
}

// SETPATH/PATH and FINDFILE: define and remove search-path directories (and save them in the
// user's profile), and say where a data set or other member is found along the search path.
#include <initializer_list>
#include <cstring>
#include <string>

#include "common/files/names.h"
#include "host/files.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/operand_reading.h"

namespace zozu {

namespace {

// SETPATH fields: directories to add, directories to remove; SAVE stores them.
constexpr int kPathAddField = 1, kPathRemoveField = 2, kPathSaveBit = 2;
constexpr int kActionAppend = 1, kActionRemove = 2;
// FINDFILE fields: the name and the member type code.
constexpr int kFindNameField = 1, kFindTypeField = 2;

const char* const kGenericPath = "<System-specific pathname>";

// A path without leading and trailing blanks.
std::string stripped(const char* text, int length) {
    std::string s(text, static_cast<size_t>(length));
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// One path with its action: 0 done, 1 failed (reported).
int apply_path(RSKCON* con, const std::string& path, int action) {
    int length = static_cast<int>(path.size());
    // Only a directory being added must exist: a stale directory can still be removed.
    if (action != kActionRemove && zfexist(path.c_str(), length) != 0) {
        xpmlog(670, 1035, length, path.c_str());
        return 1;
    }
    if (action == kActionRemove) {
        if (rskpthr(con, path.c_str(), length) == 0) return 0;
        xpmlog(670, 1176, length, path.c_str());
        return 1;
    }
    if (rskpthd(con, path.c_str(), length, action, nullptr) == 0) return 0;
    xpmlog(670, 1036, length, path.c_str());
    return 1;
}

}  // namespace

// Problems of the input are reported and the statement succeeds; with SAVE, a path that failed
// keeps the paths from being stored, and a store that fails is the result.
int setpath_stmt(RSKCON* con, statement_node* node) {
    int failed = 0;
    for (int field : {kPathAddField, kPathRemoveField}) {
        int action = field == kPathRemoveField ? kActionRemove : kActionAppend;
        for_each_name(node, field, [&](const char* text, int length) {
            std::string path = stripped(text, length);
            if (!path.empty()) failed |= apply_path(con, path, action);
        });
    }
    if (!qor_option_bit(node, kPathSaveBit)) return 0;
    if (failed) {
        xpmlog(670, 1177);
        return 0;
    }
    if (rsspths(con) == 0) return 0;
    xpmlog(670, 1178);
    return 1;
}

int findfile_stmt(RSKCON* con, statement_node* node) {
    static const char* const kTypes[] = {"CATALOG ", "DATASET ", "DATAVIEW", "INDEX   ", "MDDB    ", "UTILITY "};
    const double* code = nullptr;
    int type = field_numbers(node, kFindTypeField, &code) > 0 && code[0] >= 1 && code[0] <= 6
                   ? static_cast<int>(code[0]) : 2;
    const char* member_type = kTypes[type - 1];
    int type_length = static_cast<int>(std::strcspn(member_type, " "));
    int length = 0;
    const char* name = field_text(node, kFindNameField, &length);
    RSKNAMEREC spec{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    char library[9] = {};
    member_name member{};
    char path[QOR_PATH_MAX] = {};
    if (rskpthg(con, &spec, member_type, 1, library, &member, path, 0) == 0) {
        const char* shown = con->generic ? kGenericPath : path;
        xpmlog(670, 1057, type_length, member_type, length, name, static_cast<int>(std::strlen(shown)), shown);
    } else {
        xpmlog(670, 1056, type_length, member_type, length, name);
    }
    return 0;
}

}  // namespace zozu

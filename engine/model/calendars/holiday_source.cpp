// Where a holiday data set lives: a "library.member" specification whose member exists is
// taken as it stands; every other form is resolved along the engine's search path.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/calendars/calendars.h"

namespace {

// A "library.member" specification split into a blank-padded reference and the member; false
// for any other form (a directory, no point, an invalid name).
bool split_two_level(const RSKNAMEREC* spec, char* libref, const char** member, int* length) {
    const char* text = spec->text;
    int n = spec->length;
    while (n > 0 && text[n - 1] == ' ') --n;
    if (text == nullptr || n <= 0 || std::memchr(text, '/', static_cast<size_t>(n)) != nullptr) return false;
    const char* point = static_cast<const char*>(std::memchr(text, '.', static_cast<size_t>(n)));
    if (point == nullptr) return false;
    int lib_length = static_cast<int>(point - text);
    *member = point + 1;
    *length = n - lib_length - 1;
    if (lib_length < 1 || lib_length > 8 || check_name(text, lib_length) != 0) return false;
    if (check_name(*member, *length) != 0) return false;
    std::memset(libref, ' ', 8);
    std::memcpy(libref, text, static_cast<size_t>(lib_length));
    return true;
}

}  // namespace

int rskcal_resolve(RSKCON* con, const RSKNAMEREC* spec, char* libref, char* member, int* member_length) {
    const char* two_level_member = nullptr;
    int length = 0;
    if (split_two_level(spec, libref, &two_level_member, &length) &&
        zdfxst(libref, two_level_member, length, "DATA    ") == 0) {
        std::memcpy(member, two_level_member, static_cast<size_t>(length));
        *member_length = length;
        return 0;
    }
    auto resolver = own_engine_routine<EngineSlot::rskpthg>();
    member_name found{};
    char path[1025] = {};
    int rc = resolver(con, spec, "DATASET ", 1, libref, &found, path, 1);
    if (rc != 0) return rc;
    int kept = found.length < 0 ? 0 : (found.length > 32 ? 32 : found.length);
    std::memcpy(member, found.text, static_cast<size_t>(kept));
    *member_length = kept;
    return kept > 0 ? 0 : 1;
}

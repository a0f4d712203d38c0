// The search paths saved in and loaded from the user profile list
// QORUSER.PROFILE.RISKPATH.SLIST: one character item per path, named by its library reference.
#include <cstring>

#include "catalog/catalog_settings.h"
#include "common/files/names.h"
#include "common/strings/fields.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/settings_records.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

constexpr char kProfileEntry[] = "QORUSER.PROFILE.RISKPATH.SLIST";

// Defines one path through the engine: 0, else non-zero.
int define_path(RSKCON* con, const char* path, int length, const char* libref) {
    auto define = engine_routine<EngineSlot::rskpthd>();
    return define != nullptr ? define(con, path, length, 1, libref) : 1;
}

// A library the host has assigned now, defined under its own reference; skipped (0) when the
// library is not assigned.
int define_assigned(RSKCON* con, const char* libref, const char* padded) {
    const char* path = nullptr;
    int length = 0;
    if (zlib2ph(libref, &path, &length) != 0 || path == nullptr) return 0;
    return define_path(con, path, length, padded);
}

}  // namespace

int rsspthg(RSKCON* con, qor_list_id list_id) {
    qor_list* list = slistp(list_id);
    if (list == nullptr) return 1;
    slclear(list);
    for (const RSKPATHENTRY* entry = con->search_path_head; entry != nullptr; entry = entry->next) {
        std::string_view libref(entry->libref, static_cast<size_t>(wzstrip(entry->libref, 8)));
        std::string_view path(entry->path.name.text, entry->path.name.length);
        if (slinsc(list, path, QOR_SL_APPEND, libref) != 0) return 1;
    }
    return 0;
}

int rsspths(RSKCON* con) {
    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, 84) == 0) {
        xpmlog(598, 113, 7, "rsspths");
        return -1;
    }
    int result = rsspthg(con, slid(list));
    if (result == 0 && slofile(list, kProfileEntry, 'W') != 0) result = 1;
    sldel(list, 0);
    return result;
}

int rsspthl(RSKCON* con) {
    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, 84) == 0) {
        xpmlog(598, 113, 7, "rsspthl");
        return -1;
    }
    int code = slofile(list, kProfileEntry, 'R');
    if (code != 0) {
        sldel(list, 0);
        // The paths stay as they are. Never saved is no failure; a damaged profile is.
        return code == static_cast<int>(QOR_C_NOT_FOUND) || code == static_cast<int>(QOR_C_NO_LIBRARY) ? 0 : 1;
    }
    const int count = slcnt(list);
    // Only a profile holding at least one path replaces the search path.
    bool any_path = false;
    for (int i = 1; i <= count && !any_path; ++i) {
        char type = 0;
        any_path = slityp(list, i, &type) == 0 && type == QOR_SL_CHAR;
    }
    int result = 0;
    if (any_path) {
        auto free_paths = engine_routine<EngineSlot::rskpthf>();
        if (free_paths != nullptr) free_paths(con);
        for (int i = 1; i <= count; ++i) {
            std::string_view name;
            std::string_view path;
            slni(list, i, &name);
            if (slitmc(list, i, &path) != 0) {
                result = 1;   // not a path: the others are still defined
                continue;
            }
            code = 0;
            if (name.size() == 4 && wzbcup(name.data(), "WORK", 4) == 0)
                code = define_assigned(con, "WORK", "WORK    ");   // WORK of this run, not the stored one
            else if (name.size() == 8 && wzbcup(name.data(), "RISKSAMP", 8) == 0)
                code = define_assigned(con, "RISKSAMP", "RISKSAMP");
            else
                code = define_path(con, path.data(), static_cast<int>(path.size()), nullptr);
            if (code != 0) result = 1;
        }
    }
    sldel(list, 0);
    return result;
}

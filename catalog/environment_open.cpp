// Opening and creating environments, records for conversion, deleting an environment's files,
// telling whether an environment changed on disk (by its catalog's change stamp) and checking
// an environment that a DELETE statement names.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "catalog/engine_calls.h"
#include "catalog/entry_table.h"
#include "catalog/environment.h"
#include "common/files/names.h"
#include "engine/model/options/engine_options.h"
#include "host/files.h"
#include "host/print.h"

namespace {

constexpr uint32_t kSecurityOn = 0x200;

// Releases the record registered under the two-level name of libref and member, when any.
void release_registered(RSKCON* con, const char* libref, std::string_view member) {
    std::string symbol = env_upper(std::string_view(libref, strnlen(libref, 8)));
    while (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
    symbol += "." + env_upper(member);
    RSKENV* old = rssenvs(con, symbol.data(), static_cast<int>(symbol.size()));
    if (old != nullptr && old != con->current_environment && old != con->held_environment) rssenvf(con, old);
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && zcomstr(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

// Each given name that the stored list lacks is inserted at its position.
void merge_parents(qor_list* stored, const qor_list* given) {
    for (int i = 1; i <= slcnt(given); ++i) {
        std::string_view name;
        if (slitmc(given, i, &name) != 0) continue;
        bool found = false;
        for (int j = 1; j <= slcnt(stored) && !found; ++j) {
            std::string_view have;
            found = slitmc(stored, j, &have) == 0 && same_name(have, name);
        }
        if (!found) slinsc(stored, std::string(name), std::min(i, slcnt(stored) + 1), "");
    }
}

bool user_is_owner(const RSKCON* con, const RSKSEC& security) {
    return security.owner_length > 0 && security.owner_length == con->user_name_length &&
           zcomstr(security.owner, con->user_name, static_cast<int>(security.owner_length)) == 0;
}

void remove_file(const char* directory, int directory_length, const char* name, int name_length, const char* type,
                 int* result) {
    char file[QOR_PATH_MAX];
    int length = 0;
    if (zxname(file, &length, name, name_length, type, directory, directory_length) != 0) return;
    if (zfexist(file, length) != 0) return;
    if (zfildel(file, length) != 0) {
        xpmlog(598, 3076, length, file);
        *result = 1;
    }
}

// Where a new environment's catalog goes: its library (created when the path names a new
// directory), member and directory. 0; 1 after 598/3053, or 598/3083 for a library of another engine.
int locate_new_environment(RSKCON* con, const char* name, int name_length, char* libref, member_name* member,
                           char* physical, std::string* directory) {
    if (engine_rskpthw(con, name, name_length, "CATALOG ", libref, member, physical, 1) != 0 ||
        !library_directory(libref, directory)) {
        xpmlog(598, 3053, name_length, name);
        return 1;
    }
    char engine[9] = "        ";
    zlibeng(libref, engine);
    if (std::memcmp(engine, "V9 ", 3) != 0) {
        xpmlog(598, 3083, name_length, name, 8, engine);
        return 1;
    }
    return 0;
}


}  // namespace

int resolve_environment(RSKCON* con, const char* name, int name_length, char* libref, std::string* member,
                        int report) {
    if (name == nullptr || name_length <= 0) return 1;
    RSKNAMEREC spec{0, static_cast<uint16_t>(name_length), const_cast<char*>(name)};
    member_name found{};
    char path[QOR_PATH_MAX];
    std::memset(libref, ' ', 8);
    if (engine_rskpthg(con, &spec, "CATALOG ", libref, &found, path, report) != 0) return 1;
    member->assign(found.text, static_cast<size_t>(found.length));
    return 0;
}

int catalog_stamp_of(const RSKENV* environment, int64_t* stamp) {
    *stamp = 0;
    qor_catalog* catalog = nullptr;
    int rc = xlopen(libref_of(environment), name_of(environment), QOR_CO_INPUT, &catalog);
    if (rc != 0) return rc;
    rc = qor_catalog_stamp(catalog, stamp);
    xlclose(catalog, 0);
    return rc;
}

void record_catalog_state(RSKENV* environment) {
    int64_t stamp = 0;
    environment->stamp_recorded = catalog_stamp_of(environment, &stamp) == 0 ? 1 : 0;
    environment->stamp = stamp;
}

int rssenvo(RSKCON* con, const char* name, int name_length, const char* description, int description_length,
            qor_list* parents, int parent_mode, const char* outpath, int outpath_length) {
    ensure_list_workspace(con);
    char libref[9] = "        ";
    std::string member, directory;
    if (resolve_environment(con, name, name_length, libref, &member, 1) != 0 || !library_directory(libref, &directory)) {
        xpmlog(598, 3053, name_length, name);
        return 1;
    }
    release_registered(con, libref, member);
    RSKENV* environment = nullptr;
    if (rssenvi(con, directory.data(), static_cast<int>(directory.size()), libref, member.data(),
                static_cast<int>(member.size()), nullptr, 0, nullptr, 0, &environment) != 0)
        return 1;
    qor_list* stored = nullptr;
    std::string stored_outpath, stored_description;
    bool has_outpath = false;
    int rc = get_inherit(con, environment, &stored, &stored_outpath, &has_outpath, &stored_description);
    if (rc != 0) {
        xpmlog(598, 3053, name_length, name);
        rssenvf(con, environment);
        return 1;
    }
    // The catalog is committed whole: what a killed save left is only files to switch.
    finish_interrupted_save(con, environment);
    if (!rsssec(con, &environment->rights, 4, environment, "INHERIT", 7, 11, 2)) {
        xpmlog(598, 3804, 11, "environment", "read", static_cast<int>(member.size()), member.data());
        if (stored != nullptr) sldel(stored, 0);
        rssenvf(con, environment);
        return 1;
    }
    bool write_back = false;
    RSKPROPS& properties = environment->properties;
    std::string_view chosen = description != nullptr && description_length > 0
                                  ? std::string_view(description, static_cast<size_t>(description_length))
                                  : std::string_view(stored_description);
    write_back = description != nullptr && description_length > 0;
    size_t n = std::min(chosen.size(), static_cast<size_t>(kRskDescriptionLimit));
    std::memcpy(environment->description_buffer, chosen.data(), n);
    properties.description_length = static_cast<int16_t>(n);
    std::string outpath_item = stored_outpath;
    bool outpath_item_given = has_outpath;
    if (outpath != nullptr && outpath_length > 0) {
        set_environment_outpath(con, environment, outpath, outpath_length);
        outpath_item.assign(outpath, static_cast<size_t>(outpath_length));
        outpath_item_given = true;
        write_back = true;
    } else if (has_outpath && !stored_outpath.empty()) {
        set_environment_outpath(con, environment, stored_outpath.data(), static_cast<int>(stored_outpath.size()));
    }
    record_catalog_state(environment);
    RSKSEC& security = environment->rights.security;
    if ((con->default_rights & kSecurityOn) != 0 && security.rights != con->default_rights &&
        user_is_owner(con, security)) {
        // Only the owner's own default code is written back: opening by anyone else changes nothing.
        security.rights = con->default_rights;
        environment->rights.cache = 0;
        write_back = true;
    }
    if (option_envcopy(con) && !con->look_up_only) {
        con->held_environment = environment;
        if (make_working_copy(con, environment, 1) != 0) {
            con->held_environment = nullptr;
            if (stored != nullptr) sldel(stored, 0);
            rssenvf(con, environment);
            return 1;
        }
    } else {
        con->held_environment = nullptr;
        con->current_environment = environment;
    }
    qor_list* chain = stored;
    if (parent_mode == 1 && parents != nullptr) {
        if (chain == nullptr) chain = new_list(con);
        if (chain != nullptr) merge_parents(chain, parents);
        write_back = true;
    } else if (parent_mode == 2) {
        chain = parents;
        write_back = true;
    }
    RSKENV* current = con->current_environment;
    add_inherit(con, current, chain);
    rc = 0;
    if (write_back && !con->look_up_only)
        rc = save_inherit_to(con, current, environment, chain, outpath_item_given ? outpath_item.data() : nullptr,
                             static_cast<int>(outpath_item.size()));
    if (chain != parents && chain != nullptr) sldel(chain, 0);
    if (stored != nullptr && stored != chain) sldel(stored, 0);
    return rc;
}

int rssenvn(RSKCON* con, const char* name, int name_length, const char* description, int description_length,
            qor_list* parents, const char* outpath, int outpath_length) {
    ensure_list_workspace(con);
    char libref[9] = "        ";
    member_name member{};
    char physical[QOR_PATH_MAX];
    std::string directory;
    if (locate_new_environment(con, name, name_length, libref, &member, physical, &directory) != 0) return 1;
    std::string_view member_text(member.text, static_cast<size_t>(member.length));
    release_registered(con, libref, member_text);
    RSKENV* environment = nullptr;
    if (rssenvi(con, directory.data(), static_cast<int>(directory.size()), libref, member.text, member.length,
                description, description_length, outpath, outpath_length, &environment) != 0)
        return 1;
    if (zfexist(environment->catalog_file.buffer, environment->catalog_file.name.length) == 0) {
        xpmlog(598, 3052, member.length, member.text, static_cast<int>(shown_directory(con, environment).size()),
               shown_directory(con, environment).data());
        // An environment that NEW= replaces keeps its last version in the backup directory.
        if (option_backsave(con) && backup_environment(con, environment) != 0) {
            xpmlog(598, 3221, member.length, member.text);
            rssenvf(con, environment);
            return 1;
        }
    }
    if (rssenvz(con, environment->path.buffer, environment->path.name.length, member.text, member.length, nullptr, 0,
                0, 0) != 0)
        xpmlog(598, 3078, member.length, member.text);
    RSKSEC& security = environment->rights.security;
    std::memcpy(security.owner, con->user_name, sizeof security.owner);
    security.owner_length = con->user_name_length;
    std::memcpy(security.group, con->group_name, sizeof security.group);
    security.group_length = con->group_name_length;
    security.rights = con->default_rights;
    security.read = 1;
    environment->stamp_recorded = 0;
    environment->modified = 0;
    const char* outpath_item = outpath;
    int outpath_item_length = outpath_length;
    if (outpath == nullptr || outpath_length <= 0) outpath_item = nullptr;
    // The environment exists on disk from here: its catalog with the INHERIT entry.
    if (save_inherit_to(con, environment, environment, parents, outpath_item, outpath_item_length) != 0) {
        rssenvf(con, environment);
        return 1;
    }
    record_catalog_state(environment);
    if (option_envcopy(con) && !con->look_up_only) {
        con->held_environment = environment;
        if (make_working_copy(con, environment, 1) != 0) {
            con->held_environment = nullptr;
            rssenvf(con, environment);
            return 1;
        }
    } else {
        con->held_environment = nullptr;
        con->current_environment = environment;
    }
    add_inherit(con, con->current_environment, parents);
    return 0;
}

int rssenvu(RSKCON* con, const char* name, int name_length, int read, RSKENV** out) {
    *out = nullptr;
    ensure_list_workspace(con);
    char libref[9] = "        ";
    std::string member, directory;
    if (read) {
        if (resolve_environment(con, name, name_length, libref, &member, 1) != 0 ||
            !library_directory(libref, &directory)) {
            xpmlog(598, 3053, name_length, name);
            return 1;
        }
        RSKENV* environment = nullptr;
        if (rssenvi(con, directory.data(), static_cast<int>(directory.size()), libref, member.data(),
                    static_cast<int>(member.size()), nullptr, 0, nullptr, 0, &environment) != 0)
            return 1;
        std::string stored_outpath, description;
        bool has_outpath = false;
        if (get_inherit(con, environment, nullptr, &stored_outpath, &has_outpath, &description) != 0) {
            xpmlog(598, 3053, name_length, name);
            rssenvf(con, environment);
            return 1;
        }
        size_t n = std::min(description.size(), static_cast<size_t>(kRskDescriptionLimit));
        std::memcpy(environment->description_buffer, description.data(), n);
        environment->properties.description_length = static_cast<int16_t>(n);
        if (has_outpath && !stored_outpath.empty())
            set_environment_outpath(con, environment, stored_outpath.data(), static_cast<int>(stored_outpath.size()));
        *out = environment;
        return 0;
    }
    member_name target{};
    char physical[QOR_PATH_MAX];
    if (locate_new_environment(con, name, name_length, libref, &target, physical, &directory) != 0) return 1;
    std::string symbol = env_upper(std::string_view(libref, strnlen(libref, 8)));
    while (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
    symbol += "." + env_upper(std::string_view(target.text, static_cast<size_t>(target.length)));
    RSKENV* old = rssenvs(con, symbol.data(), static_cast<int>(symbol.size()));
    if (old != nullptr) {
        if (old->use_count > 0 || old == con->current_environment || old == con->held_environment) {
            xpmlog(598, 3856, target.length, target.text);
            return 1;
        }
        rssenvf(con, old);
    }
    RSKENV* environment = nullptr;
    if (rssenvi(con, directory.data(), static_cast<int>(directory.size()), libref, target.text, target.length,
                nullptr, 0, nullptr, 0, &environment) != 0)
        return 1;
    rssenvz(con, environment->path.buffer, environment->path.name.length, target.text, target.length, nullptr, 0, 1, 0);
    *out = environment;
    return 0;
}

int rssenvz(RSKCON* con, const char* directory, int directory_length, const char* name, int name_length,
            const char* outpath, int outpath_length, int report, int with_outpath) {
    (void)con;
    int result = 0;
    char file[QOR_PATH_MAX];
    int length = 0;
    if (zxname(file, &length, name, name_length, "CATALOG", directory, directory_length) == 0 &&
        zfexist(file, length) == 0) {
        if (report) xpmlog(598, 3052, name_length, name, directory_length, directory);
        if (zfildel(file, length) != 0) {
            xpmlog(598, 3076, length, file);
            result = 1;
        }
    }
    // The catalog's log files go with it: a log left behind would be replayed into a new
    // catalog of the same name.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::string side = std::string(file, static_cast<size_t>(length)) + suffix;
        if (length > 0 && zfexist(side.data(), static_cast<int>(side.size())) == 0)
            zfildel(side.data(), static_cast<int>(side.size()));
    }
    remove_file(directory, directory_length, name, name_length, "DATA", &result);
    remove_file(directory, directory_length, name, name_length, "INDEX", &result);
    if (with_outpath && outpath != nullptr && outpath_length > 0 && zfexist(outpath, outpath_length) == 0) {
        int rc = zisdir(outpath, outpath_length) == 0 ? zrmdir(outpath, outpath_length) : zfildel(outpath, outpath_length);
        if (rc != 0) {
            xpmlog(598, 3077, outpath_length, outpath);
            result = 1;
        }
    }
    return result;
}

int rssench(RSKCON* con, int which) {
    RSKENV* environment = which == 0 ? con->current_environment : con->held_environment;
    if (environment == nullptr) return 0;
    int64_t stamp = 0;
    bool later = environment->stamp_recorded && catalog_stamp_of(environment, &stamp) == 0 && stamp != environment->stamp;
    if (which == 0) return later || con->environment_changed ? 1 : 0;
    return later ? 1 : 0;
}

int rssenvc(RSKCON* con, const char* name, int name_length) {
    ensure_list_workspace(con);
    RSKOPTREC* options = current_options(con);
    uint8_t search = options != nullptr ? options->search : 0;
    if (options != nullptr) options->search = 0;
    char libref[9] = "        ";
    std::string member, directory;
    int found = resolve_environment(con, name, name_length, libref, &member, 0) == 0 &&
                library_directory(libref, &directory);
    if (options != nullptr) options->search = search;
    if (!found) {
        xpmlog(598, 3073, name_length, name);
        return 0;
    }
    std::string symbol = env_upper(std::string_view(libref, strnlen(libref, 8)));
    while (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
    symbol += "." + env_upper(member);
    RSKENV* old = rssenvs(con, symbol.data(), static_cast<int>(symbol.size()));
    if (old != nullptr) {
        if (old->use_count > 0 || old == con->current_environment || old == con->held_environment) {
            xpmlog(598, 3074, name_length, name);
            return 0;
        }
        rssenvf(con, old);
    }
    uint8_t registration = con->no_registration;
    con->no_registration = 1;
    RSKENV* environment = nullptr;
    int rc = rssenvi(con, directory.data(), static_cast<int>(directory.size()), libref, member.data(),
                     static_cast<int>(member.size()), nullptr, 0, nullptr, 0, &environment);
    con->no_registration = registration;
    if (rc != 0) return -1;
    std::string stored_outpath, description;
    bool has_outpath = false;
    if (get_inherit(con, environment, nullptr, &stored_outpath, &has_outpath, &description) != 0) {
        rssenvf(con, environment);
        return 0;
    }
    int result = 0;
    if (!rsssec(con, &environment->rights, 2, environment, "INHERIT", 7, 11, 2)) {
        xpmlog(598, 3079, name_length, name);
        result = 1;
    } else {
        // The environment goes: catalog, data set and index, and its default output directory
        // (an output path of the user's choosing may hold more than this environment's files).
        std::string outpath(outpath_of(environment));
        if (rssenvz(con, environment->path.buffer, environment->path.name.length, member.data(),
                    static_cast<int>(member.size()), outpath.data(), static_cast<int>(outpath.size()), 1, 1) != 0) {
            xpmlog(598, 3079, name_length, name);
            result = 1;
        }
        (void)has_outpath;
    }
    rssenvf(con, environment);
    return result;
}

// Working copies and saving: the working copy in WORK that stands for the held environment,
// saving it back (save), saving the current environment as another one (save as) and saving a
// copy under another name. Every save holds the environment's save lock, finishes an earlier
// interrupted save, and copies through the atomic copy of environment_copy.cpp.
#include <cctype>
#include <cstring>
#include <string>

#include "catalog/access_rights.h"
#include "catalog/engine_calls.h"
#include "catalog/environment.h"
#include "catalog/variable_storage.h"
#include "common/files/names.h"
#include "host/kernel.h"
#include "host/print.h"
#include "host/save_support.h"

namespace {

bool work_directory(std::string* directory) {
    const char* path = nullptr;
    int length = 0;
    if (zlib2ph("WORK", &path, &length) != 0 || path == nullptr) return false;
    directory->assign(path, static_cast<size_t>(length));
    return true;
}

// Closes a catalog when the holder goes.
struct OpenCatalog {
    qor_catalog* catalog = nullptr;
    ~OpenCatalog() {
        if (catalog != nullptr) xlclose(catalog, 0);
    }
};

// The environment's save lock, released when the holder goes.
struct SaveLock {
    qor_env_lock* lock = nullptr;
    int take(const RSKENV* environment) {
        return qor_lock_environment(libref_of(environment), name_of(environment), -1, &lock);
    }
    ~SaveLock() {
        if (lock != nullptr) qor_unlock_environment(lock);
    }
};

void note_saving(RSKCON* con, const RSKENV* environment) {
    std::string_view directory = shown_directory(con, environment);
    xpmlog(598, 3047, static_cast<int>(name_of(environment).size()), name_of(environment).data(),
           static_cast<int>(directory.size()), directory.data());
}

// Rewrites the variable entries of the environment a save copies from (when they changed); a
// failure fails the save before anything of the destination is written.
int store_variables_of(RSKCON* con, RSKENV* source) {
    if (rssvarx(con, source) == 0) return 0;
    xpmlog(598, 3048, static_cast<int>(name_of(source).size()), name_of(source).data());
    return 1;
}

bool v9(const RSKENV* environment) { return std::memcmp(environment->engine, "V9 ", 3) == 0; }

bool catalog_exists(const RSKENV* environment) {
    return zfexist(environment->catalog_file.buffer, environment->catalog_file.name.length) == 0;
}

void empty_scratch(RSKCON* con) {
    if (con->pending_files && con->scratch_length > 0) zclrdir(con->scratch_path, con->scratch_length);
    con->pending_files = 0;
}

void report_elapsed(RSKCON* con, int number, const RSKENV* environment, double start) {
    if (!con->timing) return;
    double elapsed = (wttinfo(0) - start) / 1000.0;
    xpmlog(598, number, static_cast<int>(name_of(environment).size()), name_of(environment).data(), elapsed);
}

// The save itself, with the destination's lock held: backup, atomic copy, restore on failure.
int save_locked(RSKCON* con, RSKENV* destination, RSKENV* source, RSKENV* second, const SaveInheritFix* fix,
                bool backup) {
    bool backed_up = false;
    if (backup && option_backsave(con) && catalog_exists(destination)) {
        if (backup_environment(con, destination) != 0) {
            xpmlog(598, 3221, static_cast<int>(name_of(destination).size()), name_of(destination).data());
            return 1;
        }
        backed_up = true;
    }
    int committed = 0;
    if (copy_environment_files(con, destination, source, second, fix, &committed) == 0) return 0;
    xpmlog(598, 3048, static_cast<int>(name_of(destination).size()), name_of(destination).data());
    // Before the commit nothing of the destination changed; after it only a switch can have
    // failed, and the backup puts the whole previous version back.
    if (committed && backed_up && restore_from_backup(con, destination) == 0) {
        OpenCatalog open;
        if (xlopen(libref_of(destination), name_of(destination), QOR_CO_UPDATE, &open.catalog) == 0)
            xlmdele(open.catalog, kSaveIntentName, kSaveIntentType);
    }
    return 1;
}

// The target of a save as or save a copy: 0 and its record (registered or new); 2 when the
// target is the held environment (a plain save); 1 after a message.
int target_record(RSKCON* con, const char* name, int name_length, const char* outpath, int outpath_length,
                  RSKENV** out) {
    *out = nullptr;
    char libref[9] = "        ";
    member_name member{};
    char physical[QOR_PATH_MAX];
    const char* dir = nullptr;
    int dir_length = 0;
    if (engine_rskpthw(con, name, name_length, "CATALOG ", libref, &member, physical, 1) != 0 || zlib2ph(libref, &dir, &dir_length) != 0) {
        xpmlog(598, 3053, name_length, name);
        return 1;
    }
    std::string symbol = env_upper(std::string_view(libref, strnlen(libref, 8)));
    while (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
    symbol += "." + env_upper(std::string_view(member.text, static_cast<size_t>(member.length)));
    RSKENV* registered = rssenvs(con, symbol.data(), static_cast<int>(symbol.size()));
    if (registered != nullptr) {
        if (registered == con->held_environment ||
            (registered == con->current_environment && !option_envcopy(con)))
            return 2;
        if (is_env_inherited(con, registered, name, name_length)) {
            xpmlog(598, 3035, name_length, name);
            return 1;
        }
        if (registered->use_count > 0 || rssenvf(con, registered) != 0) {
            xpmlog(598, 3035, name_length, name);
            return 1;
        }
    } else if (is_env_inherited(con, nullptr, name, name_length)) {
        xpmlog(598, 3035, name_length, name);
        return 1;
    }
    const RSKENV* current = con->current_environment;
    if (rssenvi(con, dir, dir_length, libref, member.text, member.length, current->properties.description,
                current->properties.description_length, outpath, outpath_length, out) != 0)
        return 1;
    // An existing target keeps its own rights (read from its INHERIT entry when checked); a new
    // one takes the current environment's.
    if (zfexist((*out)->catalog_file.buffer, (*out)->catalog_file.name.length) != 0) (*out)->rights = current->rights;
    return 0;
}

}  // namespace

int make_working_copy(RSKCON* con, RSKENV* held, int copy) {
    std::string work;
    if (!work_directory(&work)) return 1;
    std::string base = "_" + env_lower(name_of(held).substr(0, 31));
    std::string chosen;
    for (int n = 0; n < 100 && chosen.empty(); ++n) {
        std::string digits = std::to_string(n);
        std::string candidate = base + digits;
        if (candidate.size() > 32) candidate = base.substr(0, 32 - digits.size()) + digits;
        std::string file = work + "/" + candidate;
        if (zdfxst("WORK", candidate.data(), static_cast<int>(candidate.size()), "CATALOG ") == 0 ||
            zdfxst("WORK", candidate.data(), static_cast<int>(candidate.size()), "DATA    ") == 0 ||
            zfexist(file.data(), static_cast<int>(file.size())) == 0)
            continue;
        chosen = candidate;
    }
    if (chosen.empty()) {
        xebug("Fail to find a name for backup environment.");
        return 1;
    }
    RSKENV* working = nullptr;
    if (rssenvi(con, work.data(), static_cast<int>(work.size()), "WORK", chosen.data(), static_cast<int>(chosen.size()),
                held->properties.description, held->properties.description_length, nullptr, 0, &working) != 0)
        return 1;
    working->rights = held->rights;
    if (copy) {
        // The held catalog as it stands at one instant, and its data set and index.
        qor_catalog* source = nullptr;
        qor_catalog* target = nullptr;
        int rc = xlopen(libref_of(held), name_of(held), QOR_CO_INPUT, &source);
        if (rc == 0) rc = xlopen("WORK", chosen, QOR_CO_UPDATE, &target);
        if (rc == 0) rc = qor_catalog_replace(target, source);
        if (target != nullptr) xlclose(target, 0);
        if (source != nullptr) xlclose(source, 0);
        for (const char* type : {"DATA", "INDEX"}) {
            char from[QOR_PATH_MAX], to[QOR_PATH_MAX];
            int from_length = 0, to_length = 0;
            if (rc != 0 ||
                zxname(from, &from_length, held->name.buffer, held->name.name.length, type, held->path.buffer,
                       held->path.name.length) != 0 ||
                zfexist(from, from_length) != 0)
                continue;
            if (zxname(to, &to_length, chosen.data(), static_cast<int>(chosen.size()), type, work.data(),
                       static_cast<int>(work.size())) == 0)
                rc = qor_copy_into_place(std::string_view(from, static_cast<size_t>(from_length)),
                                         std::string_view(to, static_cast<size_t>(to_length)));
        }
        if (rc != 0) {
            const char* why = qor_catalog_error_text();
            xpmlog(598, 3222, 7, "catalog", static_cast<int>(name_of(held).size()), name_of(held).data());
            if (why != nullptr && *why != '\0') xpslog("%s", why);
            rssenvz(con, work.data(), static_cast<int>(work.size()), chosen.data(), static_cast<int>(chosen.size()),
                    nullptr, 0, 0, 0);
            rssenvf(con, working);
            return 1;
        }
    }
    con->current_environment = working;
    record_catalog_state(working);
    return 0;
}

int fix_outpath(RSKCON* con, qor_catalog* catalog, const RSKENV* environment, const SaveInheritFix* fix) {
    qor_list* list = new_list(con);
    if (list == nullptr) return 1;
    qor_entry* entry = nullptr;
    std::string description(environment->properties.description != nullptr ? environment->properties.description : "",
                            static_cast<size_t>(environment->properties.description_length));
    if (xlmopen(catalog, "INHERIT", kEnvListType, QOR_CO_INPUT, &entry) == 0) {
        qor_member_info info;
        if (xlminfo(entry, &info) == 0) description = info.description;
        afrdlst(entry, list);
        xlmclos(entry, 0);
    }
    int position = slsrchn(list, "OUTPATH");
    int rc = 0;
    if (fix->has_outpath) rc = slsnc(list, "OUTPATH", fix->outpath);
    else if (position > 0) rc = slditm(list, position);
    if (rc == 0) rc = write_entry_list(catalog, "INHERIT", kEnvListType, list, description);
    sldel(list, 0);
    return rc == 0 ? 0 : 1;
}

int rssenva(RSKCON* con) {
    RSKENV* held = con->held_environment;
    RSKENV* current = con->current_environment;
    if (current == nullptr) return 1;
    double start = con->timing ? wttinfo(0) : 0;
    if (held == nullptr) {
        // Everything is written straight into the environment; only the variables remain.
        con->temporary_environment = 0;
        note_saving(con, current);
        if (con->variables_dirty && rssseck(con, current) != 0) return 1;
        return store_variables_of(con, current);
    }
    if (!v9(held)) {
        xpmlog(598, 3083, static_cast<int>(name_of(held).size()), name_of(held).data(), 8, held->engine);
        return 1;
    }
    SaveLock lock;
    if (lock.take(held) != 0) {
        xpmlog(598, 3048, static_cast<int>(name_of(held).size()), name_of(held).data());
        return 1;
    }
    settle_environment(con, held);
    // The working copy's variable entries first: the copy below takes them with the rest.
    if (store_variables_of(con, current) != 0) return 1;
    int64_t stamp = 0;
    if (held->stamp_recorded && catalog_stamp_of(held, &stamp) == 0 && stamp != held->stamp)
        xpmlog(598, 3075, static_cast<int>(name_of(held).size()), name_of(held).data());
    int64_t working_stamp = 0;
    if (catalog_stamp_of(current, &working_stamp) == 0 && current->stamp_recorded && working_stamp == current->stamp &&
        !con->environment_changed)
        return 0;
    // The user needs the write right on the environment before anything of it is written.
    if (rssseck(con, held) != 0) return 1;
    note_saving(con, held);
    if (!is_catalog_writable(held)) {
        xpmlog(598, 3084, static_cast<int>(name_of(held).size()), name_of(held).data());
        return 1;
    }
    if (save_locked(con, held, current, nullptr, nullptr, true) != 0) return 1;
    record_catalog_state(held);
    record_catalog_state(current);
    con->environment_changed = 0;
    con->temporary_environment = 0;
    empty_scratch(con);
    report_elapsed(con, 3903, held, start);
    return 0;
}

namespace {

int save_as(RSKCON* con, const char* name, int name_length, const char* outpath, int outpath_length, bool copy_only) {
    RSKENV* current = con->current_environment;
    if (current == nullptr || name == nullptr || name_length <= 0) return 1;
    double start = con->timing ? wttinfo(0) : 0;
    if (outpath != nullptr && std::string_view(outpath, static_cast<size_t>(outpath_length > 0 ? outpath_length : 0)) ==
                                  kDefaultOutpath)
        outpath = nullptr;
    RSKENV* target = nullptr;
    int rc = target_record(con, name, name_length, outpath, outpath_length, &target);
    if (rc == 2) return rssenva(con);
    if (rc != 0) return 1;
    RSKENV* previous = con->held_environment;
    if (!is_catalog_writable(target)) {
        xpmlog(598, 3084, static_cast<int>(name_of(target).size()), name_of(target).data());
        rssenvf(con, target);
        return 1;
    }
    SaveLock lock;
    if (lock.take(target) != 0) {
        xpmlog(598, 3048, static_cast<int>(name_of(target).size()), name_of(target).data());
        rssenvf(con, target);
        return 1;
    }
    settle_environment(con, target);
    if (catalog_exists(target) && rssseck(con, target) != 0) {
        rssenvf(con, target);
        return 1;
    }
    if (!copy_only && option_backsave(con) && catalog_exists(target)) {
        // The backup keeps the target's own output path, which its INHERIT entry names.
        RSKENV saved = *target;
        std::string stored;
        bool has_outpath = false;
        if (get_inherit(con, target, nullptr, &stored, &has_outpath, nullptr) == 0 && has_outpath && !stored.empty())
            set_environment_outpath(con, target, stored.data(), static_cast<int>(stored.size()));
        rc = backup_environment(con, target);
        target->outpath = saved.outpath;
        target->outpath.name.text = target->outpath.buffer;
        if (rc != 0) {
            xpmlog(598, 3221, static_cast<int>(name_of(target).size()), name_of(target).data());
            rssenvf(con, target);
            return 1;
        }
    }
    note_saving(con, target);
    if (store_variables_of(con, current) != 0) {
        rssenvf(con, target);
        return 1;
    }
    SaveInheritFix fix;
    fix.has_outpath = outpath != nullptr && outpath_length > 0;
    if (fix.has_outpath) fix.outpath.assign(outpath, static_cast<size_t>(outpath_length));
    // A copy takes the held environment's files where the working copy lacks them.
    RSKENV* second = previous != nullptr ? previous : nullptr;
    if (save_locked(con, target, current, second, &fix, false) != 0) {
        rssenvf(con, target);
        return 1;
    }
    record_catalog_state(target);
    if (copy_only) {
        rssenvf(con, target);
        report_elapsed(con, 3902, current, start);
        return 0;
    }
    record_catalog_state(current);
    con->environment_changed = 0;
    if (option_envcopy(con) && previous != nullptr) {
        // The working copy now stands for the target: its INHERIT entry names the target's path.
        OpenCatalog open;
        if (xlopen(libref_of(current), name_of(current), QOR_CO_UPDATE, &open.catalog) == 0)
            fix_outpath(con, open.catalog, current, &fix);
        record_catalog_state(current);
        rssenvx(con);
        con->held_environment = target;
        if (previous->use_count == 0) rssenvf(con, previous);
        con->held_environment = target;
    } else {
        // Without a working copy the target takes the current environment's place and parents.
        target->parents_head = current->parents_head;
        target->parents_tail = current->parents_tail;
        target->stored_parent_count = current->stored_parent_count;
        current->parents_head = current->parents_tail = nullptr;
        if (con->inherit_first != nullptr) con->inherit_first->environment = target;
        rss_variables_change_owner(con, current, target);
        con->current_environment = target;
        if (current->use_count == 0) rssenvf(con, current);
        con->current_environment = target;
        con->held_environment = nullptr;
    }
    report_elapsed(con, 3902, target, start);
    return 0;
}

}  // namespace

int rssensa(RSKCON* con, const char* name, int name_length, const char* outpath, int outpath_length) {
    return save_as(con, name, name_length, outpath, outpath_length, false);
}

int rsswebr(RSKCON* con, const char* name, int name_length, const char* outpath, int outpath_length) {
    return save_as(con, name, name_length, outpath, outpath_length, true);
}

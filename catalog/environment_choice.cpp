// Choosing an environment: saving and ending the one in use, clearing the in-memory
// environment, opening or creating the named one with its parents and flattening its chain;
// the look-up-only open, the temporary environment TEMP___ in WORK (a real catalog) and
// rebuilding the current environment with new parents.
#include <cstring>
#include <string>

#include "catalog/engine_calls.h"
#include "catalog/catalog_objects.h"
#include "catalog/environment.h"
#include "catalog/variable_storage.h"
#include "common/files/names.h"
#include "common/memory/pool_memory.h"
#include "engine/model/options/engine_options.h"
#include "engine/tables/object_tables.h"
#include "host/kernel.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr size_t kPoolSize = 16384;

// Appends the NUL-separated names of a text to a list.
bool add_names(qor_list* list, const char* names, int length) {
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i == length || names[i] == '\0') {
            if (i > start && slinsc(list, std::string_view(names + start, static_cast<size_t>(i - start)),
                                    QOR_SL_APPEND, "") != 0)
                return false;
            start = i + 1;
        }
    }
    return true;
}

void set_identity(RSKCON* con, RSKSEC* security) {
    std::memcpy(security->owner, con->user_name, sizeof security->owner);
    security->owner_length = con->user_name_length;
    std::memcpy(security->group, con->group_name, sizeof security->group);
    security->group_length = con->group_name_length;
    security->rights = con->default_rights;
    security->read = 1;
}

void report_chosen(RSKCON* con, double start) {
    if (!con->timing) return;
    const RSKENV* shown = con->held_environment != nullptr ? con->held_environment : con->current_environment;
    if (shown == nullptr) return;
    std::string_view directory = shown_directory(con, shown);
    xpmlog(598, 3904, static_cast<int>(name_of(shown).size()), name_of(shown).data(),
           static_cast<int>(directory.size()), directory.data(), (wttinfo(0) - start) / 1000.0);
}

}  // namespace

int clear_symbols(RSKCON* con) {
    engine_rskecmp(con);
    qor_pool* fresh = xmpoolc(kPoolSize, kPoolSize, 2);
    if (fresh == nullptr) {
        xpmlog(598, 500, static_cast<long>(kPoolSize));
        xexit(1012);
    }
    // Records and cells of the old pool go with it; nothing may point into it afterwards.
    qor_pool* old = con->environment_pool;
    con->environment_pool = fresh;
    con->current_pool = fresh;
    if (con->free_lists != nullptr) std::memset(con->free_lists, 0, sizeof *con->free_lists);
    if (con->object_tables != nullptr) std::memset(con->object_tables, 0, sizeof *con->object_tables);
    con->free_environments = nullptr;
    con->free_environment_cells = nullptr;
    con->current_environment = nullptr;
    con->held_environment = nullptr;
    con->inherit_first = con->inherit_last = nullptr;
    con->variables_head = con->variables_tail = nullptr;
    con->variables_count = 0;
    con->environment_changed = 0;
    con->variables_dirty = 0;
    con->environment_changed2 = 0;
    con->temporary_environment = 0;
    // The counterparty and mitigation containers live in the old pool too.
    con->cpty_container = nullptr;
    con->cpty_container_state = 0;
    con->mit_container = nullptr;
    con->mit_container_state = 0;
    if (old != nullptr) xmpoold(old);
    int rc = engine_rskaltb(con, 6);
    engine_fill_currency_table(con);
    engine_rskgtyi(con);
    return rc == 0 ? 0 : 1;
}

int rssenvl(RSKCON* con, const char* name, int name_length, const char* description, int description_length,
            const char* set_names, int set_length, const char* add_names_text, int add_length, uint32_t parent_list,
            int create, const char* outpath, int outpath_length) {
    ensure_list_workspace(con);
    double start = con->timing ? wttinfo(0) : 0;
    qor_list* request = nullptr;
    bool owned = false;
    int mode = 0;
    if (!con->look_up_only && !con->importing) {
        if (option_autosave(con) && con->current_environment != nullptr && con->held_environment != nullptr) {
            rssenva(con);
            if (con->client_kind == 1) rssenla(con);   // a component client sees the saved one
        }
        rssenvx(con);
        RSKENV* current = con->current_environment;
        if (current != nullptr) {
            if (option_envcopy(con) && con->held_environment != nullptr)
                rssenvz(con, current->path.buffer, current->path.name.length, current->name.buffer,
                        current->name.name.length, current->outpath.buffer, current->outpath.name.length, 0, 1);
            if (clear_symbols(con) != 0) return 1;
        }
        if (parent_list != 0) {
            request = slistp(parent_list);
            mode = 2;
        } else if ((set_names != nullptr && set_length > 0) || (add_names_text != nullptr && add_length > 0)) {
            request = new_list(con);
            if (request == nullptr) return 1;
            owned = true;
            if (add_names_text != nullptr && add_length > 0) {
                add_names(request, add_names_text, add_length);
                mode = 1;
            }
            if (set_names != nullptr && set_length > 0) {
                add_names(request, set_names, set_length);
                mode = 2;
            }
        }
        con->environment_changed = 0;
        con->variables_dirty = 0;
    }
    int rc = create ? rssenvn(con, name, name_length, description, description_length, request, outpath, outpath_length)
                    : rssenvo(con, name, name_length, description, description_length, request, mode, outpath,
                              outpath_length);
    if (owned) sldel(request, 0);
    if (rc == 0) {
        uint32_t changed = con->environment_changed;
        uint8_t changed2 = con->environment_changed2;
        const uint8_t dirty = con->variables_dirty;   // system variables are never stored
        engine_rskvar1(con);
        con->environment_changed = changed;
        con->environment_changed2 = changed2;
        con->variables_dirty = dirty;
        rc = build_inherit_list(con);
        if (rc == 0) {
            // Every environment of the chain is indexed; the indexing's own failures are
            // reported by it and do not undo the choice.
            rssofli(con);
            con->environment_changed = changed;
            con->environment_changed2 = changed2;
        }
    }
    if (rc != 0) {
        xpmlog(598, 3055, name_length, name);
        if (!con->importing) rssenvt(con);
        con->environment_changed = 0;
        con->environment_changed2 = 0;
        con->variables_dirty = 0;
        return 1;
    }
    report_chosen(con, start);
    return 0;
}

int rssenvy(RSKCON* con, const char* name, int name_length) {
    con->look_up_only = 1;
    if (RSKOPTREC* options = current_options(con)) options->envcopy = 0;
    int rc = rssenvl(con, name, name_length, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0, nullptr, 0);
    con->look_up_only = 0;
    return rc;
}

int rssenvt(RSKCON* con) {
    ensure_list_workspace(con);
    const char* work = nullptr;
    int work_length = 0;
    if (zlib2ph("WORK", &work, &work_length) != 0 || work == nullptr) {
        xpmlog(598, 3049);
        xexit(1012);
    }
    // A record left from an earlier temporary environment (or environment) goes first.
    RSKENV* current = con->current_environment;
    clear_inherit_list(con);
    if (current != nullptr) {
        con->current_environment = nullptr;
        if (current->use_count == 0) rssenvf(con, current);
    }
    if (RSKENV* old = rssenvs(con, "WORK.TEMP___", 12)) rssenvf(con, old);
    static const char kDescription[] = "Temporary environment";
    RSKENV* environment = nullptr;
    if (rssenvi(con, work, work_length, "WORK", "TEMP___", 7, kDescription, sizeof kDescription - 1, nullptr, 0,
                &environment) != 0) {
        xpmlog(598, 3049);
        xexit(1012);
    }
    set_identity(con, &environment->rights.security);
    rssenvz(con, environment->path.buffer, environment->path.name.length, "TEMP___", 7, environment->outpath.buffer,
            environment->outpath.name.length, 0, 1);
    con->current_environment = environment;
    con->held_environment = nullptr;
    uint32_t changed = con->environment_changed;
    uint8_t changed2 = con->environment_changed2;
    const uint8_t dirty = con->variables_dirty;   // system variables are never stored
    engine_rskvar1(con);
    con->environment_changed = changed;
    con->environment_changed2 = changed2;
    con->variables_dirty = dirty;
    con->temporary_environment = 1;
    engine_rskvar0(con);
    qor_list* probe = new_list(con);   // a list must be possible for the INHERIT entry
    if (probe == nullptr) xexit(1012);
    sldel(probe, 0);
    if (save_inherit_to(con, environment, environment, nullptr, nullptr, 0) != 0) xexit(1012);
    con->environment_changed = changed;
    record_catalog_state(environment);
    build_inherit_list(con);
    return 0;
}

int rssenve(RSKCON* con, const char* description, int description_length, qor_list* parents) {
    if (con->current_environment == nullptr) return 1;
    RSKENV current = *con->current_environment;
    bool has_held = con->held_environment != nullptr;
    RSKENV held = has_held ? *con->held_environment : RSKENV{};
    // The in-memory environment is made again from the catalogs: variables defined since the
    // last save are stored first (into the working copy when there is one), or they would be lost.
    if (rssvarx(con, con->current_environment) != 0) return 1;
    if (clear_symbols(con) != 0) return 1;
    auto remake = [con](const RSKENV& copy, RSKENV** out) {
        std::string libref(copy.libref, 8);
        int rc = rssenvi(con, copy.path.buffer, copy.path.name.length, libref.c_str(), copy.name.buffer,
                         copy.name.name.length, copy.description_buffer, copy.properties.description_length,
                         copy.outpath.buffer, copy.outpath.name.length, out);
        if (rc == 0) {
            (*out)->rights = copy.rights;
            (*out)->stamp = copy.stamp;
            (*out)->stamp_recorded = copy.stamp_recorded;
        }
        return rc;
    };
    RSKENV* new_current = nullptr;
    if (remake(current, &new_current) != 0) return 1;
    con->current_environment = new_current;
    if (has_held) {
        RSKENV* new_held = nullptr;
        if (remake(held, &new_held) != 0) return 1;
        con->held_environment = new_held;
    }
    if (description != nullptr && description_length >= 0) {
        int n = description_length < kRskDescriptionLimit ? description_length : kRskDescriptionLimit;
        std::memcpy(new_current->description_buffer, description, static_cast<size_t>(n));
        new_current->properties.description_length = static_cast<int16_t>(n);
    }
    add_inherit(con, new_current, parents);
    const RSKENV* content = has_held ? con->held_environment : new_current;
    if (save_inherit_to(con, new_current, content, parents, nullptr, 0) != 0) return 1;
    if (build_inherit_list(con) != 0) return 1;
    uint32_t changed = con->environment_changed;
    int rc = rssofli(con);
    con->environment_changed = changed;
    return rc == 0 ? 0 : 1;
}

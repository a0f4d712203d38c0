// Packed variable entries of an environment's catalog: loading one RISK13 entry while the
// environment is indexed (rssvarl), and rewriting all of them in one transaction (rssvarx).
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_objects.h"
#include "catalog/environment.h"
#include "catalog/object_frame.h"
#include "catalog/variable_storage.h"
#include "engine/model/variables/variables.h"
#include "host/catalog.h"
#include "host/lists.h"
#include "host/print.h"

namespace {

constexpr int kVariablesPerEntry = 100;
constexpr const char* kVariableType = "RISK13  ";
constexpr std::string_view kVariableTypeName = "RISK13";
constexpr std::string_view kEntryDescription = "Variable Definitions List";
constexpr const char* kStoreLabel = "Storing_VARLIST";

std::string_view text_of(const RSKNAMEREC* name) {
    return name != nullptr && name->text != nullptr ? std::string_view(name->text, name->length) : std::string_view();
}

// Variables the control structure holds for itself (the system variables) are made anew by every
// open and are never stored.
bool is_system_variable(const RSKCON* con, const RSKVARIABLE* v) {
    if (v->kind == RSKVKIND_SYSTEM) return true;
    if ((v->flags3 & (RSKF3_INTERNAL_REFERENCE | RSKF3_REBUILD_MADE)) != 0) return true;
    if (con->system_variables == nullptr) return false;
    constexpr size_t count = sizeof(RSKSYSVARS) / sizeof(RSKVARIABLE*);
    RSKVARIABLE* held[count];
    std::memcpy(held, con->system_variables, sizeof held);
    for (RSKVARIABLE* h : held)
        if (h == v) return true;
    return false;
}

// A variable defined without a defining environment belongs to the current one.
bool owned_by(const RSKCON* con, const RSKVARIABLE* v, const RSKENV* environment) {
    const RSKENV* owner = v->environment != nullptr ? v->environment : con->current_environment;
    return owner == environment && !is_system_variable(con, v);
}

// Defines one variable of an entry; its PROPERTIES give the variable's modification time.
int load_variable(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, std::string_view entry, RSKENV* environment,
                  const char* label) {
    RSKVARIABLE* v = nullptr;
    if (rssvars(con, list, workspace, label, -1, &v, environment) != 0 || v == nullptr) {
        xpmlog(598, 3144, static_cast<int>(entry.size()), entry.data());
        return 1;
    }
    // The label text is the variable's own (from LABEL); the stored properties give its time.
    const qor_list* l = slistp(list);
    qor_list* properties = nullptr;
    double modified = 0;
    if (slsrchn(l, "PROPERTIES") > 0 && slgnl(l, "PROPERTIES", &properties) == 0 && properties != nullptr &&
        slgnd(properties, "MODIFIED", &modified) == 0 && !qor::is_missing(modified)) {
        v->properties.modified = modified;
        v->properties.state = 2;
    }
    return 0;
}

// The packed list of the entry numbered `number`: the own variables from *cursor on, at most 100.
// 0 with the list in *entry (0 when the rest holds no own variable) and *cursor at the first
// variable not taken; 1 after its message.
int pack_variables(RSKCON* con, RSKENV* environment, int64_t number, RSKVARIABLE** cursor, qor_list_id* entry) {
    *entry = 0;
    RSKLISTWS* workspace = rss_list_workspace(con);
    qor_list_id packed = rss_new_list(workspace, kStoreLabel);
    if (packed == 0) return 1;
    qor_list_id variables = rss_new_list(workspace, kStoreLabel);
    if (variables == 0) {
        rss_free_list(packed);
        return 1;
    }
    int rc = rsoinsl(packed, variables, "_VARLIST", -1);
    if (rc == 0) rc = rsoinsd(packed, static_cast<double>(number), "_LISTNO_", -1);
    int added = 0;
    RSKVARIABLE* v = *cursor;
    for (; rc == 0 && v != nullptr && added < kVariablesPerEntry; v = v->next) {
        if (!owned_by(con, v, environment)) continue;
        qor_list_id one = rss_new_list(workspace, kStoreLabel);
        if (one == 0) {
            rc = 1;
            break;
        }
        rc = rssvarg(con, v, one, workspace, kStoreLabel, -1);
        if (rc == 0 && (v->properties.state != 0 || v->properties.description_length > 0)) rc = rssvara(con, v, one);
        if (rc == 0) rc = rsoinsl(variables, one, v->name.name.text, v->name.name.length);
        rss_free_list(one);
        ++added;
    }
    rss_free_list(variables);   // the entry list holds it
    if (rc != 0 || added == 0) {
        rss_free_list(packed);
        return rc != 0 ? 1 : 0;
    }
    *entry = packed;
    *cursor = v;
    return 0;
}

// One packed entry written into the catalog (its transaction) under the next list number,
// starting at *cursor and leaving *cursor at the first variable not examined. 0 (also when the
// rest holds no own variable, and then nothing is written), or 1 after its message.
int store_variables(RSKCON* con, RSKENV* environment, qor_catalog* catalog, RSKVARIABLE** cursor) {
    const int64_t number = static_cast<int64_t>(con->variable_list_number) + 1;
    RSKVARIABLE* next = *cursor;
    qor_list_id entry = 0;
    if (pack_variables(con, environment, number, &next, &entry) != 0) return 1;
    if (entry == 0) {
        *cursor = nullptr;   // no own variable is left
        return 0;
    }
    char name[32];
    const int length = rss_varlist_name(number, name);
    const int written = write_entry_list(catalog, std::string_view(name, static_cast<size_t>(length)),
                                         kVariableTypeName, slistp(entry), kEntryDescription);
    rss_free_list(entry);
    if (written != 0) {
        xpmlog(598, 3145, length, name);
        return 1;
    }
    con->variable_list_number = static_cast<int32_t>(number);
    *cursor = next;
    return 0;
}

// The list number an entry's name carries ("_VARLIST" and digits); -1 for another name.
int64_t number_of_entry(std::string_view name) {
    constexpr std::string_view prefix = "_VARLIST";
    if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size() || name.size() > prefix.size() + 18)
        return -1;
    int64_t number = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

// Whether the stored bytes of an entry are exactly those of the list's encoding.
bool stored_as(qor_catalog* catalog, const std::string& name, qor_list_id list) {
    std::string encoded, stored;
    if (qor_list_encode(slistp(list), &encoded) != 0) return false;
    qor_entry* entry = nullptr;
    if (xlmopen(catalog, name, kVariableTypeName, QOR_CO_INPUT, &entry) != 0) return false;
    qor_member_info info;
    bool same = xlminfo(entry, &info) == 0 && static_cast<size_t>(info.size) == encoded.size();
    if (same) {
        stored.resize(encoded.size());
        size_t got = 0;
        same = xcread(entry, stored.data(), stored.size(), &got) == 0 && got == stored.size() && stored == encoded;
    }
    xlmclos(entry, 0);
    return same;
}

// The names of every RISK13 entry of the catalog; false when the directory cannot be read.
bool variable_entries(RSKCON* con, qor_catalog* catalog, std::vector<std::string>* names) {
    qor_member_dir* directory = nullptr;
    if (xldopen(catalog, kVariableTypeName, &directory) != 0) return false;
    int rc = 0;
    try {
        qor_member_info info;
        while ((rc = xldread(directory, &info)) == 0) names->push_back(info.name);
    } catch (const std::bad_alloc&) {
        report_no_memory(con, static_cast<long>(sizeof(std::string)), "add elements to a list");
        rc = 1;
    }
    xldclos(directory);
    return rc == static_cast<int>(QOR_C_END);
}

}  // namespace

void rss_variables_change_owner(RSKCON* con, const RSKENV* from, RSKENV* to) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->environment == from) v->environment = to;
}

int rss_varlist_name(int64_t number, char (&out)[32]) {
    return std::snprintf(out, sizeof out, "_VARLIST%08" PRId64, number);
}

int rssvarl(RSKCON* con, const RSKNAMEREC*, const RSKNAMEREC* member, RSKENV* environment) {
    if (con == nullptr || environment == nullptr) return 1;
    const std::string_view entry = text_of(member);
    RSKLISTWS* workspace = rss_list_workspace(con);
    qor_list_id list = rss_new_list(workspace, "LOAD_VAR");
    if (list == 0) return 1;
    // While the environment is indexed its catalog is open; otherwise it is opened here.
    qor_catalog* catalog = environment->open_catalog;
    qor_catalog* opened = nullptr;
    if (catalog == nullptr && xlopen(rss_env_libref(environment), rss_env_catalog(environment), QOR_CO_INPUT,
                                     &opened) == 0)
        catalog = opened;
    const int read = catalog != nullptr ? rssoflr(workspace, catalog, list, member, kVariableType, 0) : 1;
    if (opened != nullptr) xlclose(opened, 0);
    if (read != 0) {
        xpmlog(598, 3143, static_cast<int>(entry.size()), entry.data());
        rss_free_list(list);
        return 1;
    }
    const qor_list* l = slistp(list);
    qor_list* packed = nullptr;
    if (slsrchn(l, "_VARLIST") <= 0 || slgnl(l, "_VARLIST", &packed) != 0 || packed == nullptr) {
        // An older entry: one variable.
        load_variable(con, list, workspace, entry, environment, "Loading_One_Variable");
        rss_free_list(list);
        return 0;
    }
    double number = 0;
    if (rsogetd(list, "_LISTNO_", -1, &number) != 0 || qor::is_missing(number)) {
        rss_free_list(list);
        return 1;
    }
    if (number > con->variable_list_number && number < INT32_MAX)
        con->variable_list_number = static_cast<int32_t>(number);
    const int count = slcnt(packed);
    for (int i = 1; i <= count; ++i) {
        qor_list* one = nullptr;
        if (slitml(packed, i, &one) != 0 || one == nullptr) continue;   // not a variable: skipped
        load_variable(con, slid(one), workspace, entry, environment, "Loading_VARLIST");
    }
    rss_free_list(list);
    return 0;
}

int rssvarx(RSKCON* con, RSKENV* environment) {
    if (con == nullptr || !con->variables_dirty) return 0;
    if (environment == nullptr) {
        xebug("rskvarx: con->current_env == NULL");
        return 1;
    }
    const std::string_view env_name = name_of(environment);
    qor_catalog* catalog = nullptr;
    if (xlopen(rss_env_libref(environment), rss_env_catalog(environment), QOR_CO_UPDATE, &catalog) != 0 ||
        qor_catalog_begin(catalog) != 0) {
        xpslog("%1zCannot open \"%*s\" to rewrite variable definitions.", static_cast<int>(env_name.size()),
               env_name.data());
        if (catalog != nullptr) xlclose(catalog, 0);
        return 1;
    }
    // One transaction: a failure anywhere leaves the catalog as it was, the list number as it was,
    // and the variables still to be stored. The leading entries whose packed form is unchanged
    // stay as they are (a change near the end rewrites little); from the first that differs on,
    // the old entries go and new ones, numbered after the highest, come in, so the variables keep
    // their order when read back.
    const int32_t first_number = con->variable_list_number;
    std::vector<std::string> old_entries;
    int rc = variable_entries(con, catalog, &old_entries) ? 0 : 1;
    RSKVARIABLE* cursor = con->variables_head;
    size_t kept = 0;
    for (; rc == 0 && kept < old_entries.size(); ++kept) {
        const int64_t number = number_of_entry(old_entries[kept]);
        if (number < 0) break;
        RSKVARIABLE* next = cursor;
        qor_list_id entry = 0;
        if (pack_variables(con, environment, number, &next, &entry) != 0) {
            rc = 1;
            break;
        }
        const bool same = entry != 0 && stored_as(catalog, old_entries[kept], entry);
        rss_free_list(entry);
        if (!same) break;
        cursor = next;
    }
    for (size_t i = kept; rc == 0 && i < old_entries.size(); ++i)
        if (xlmdele(catalog, old_entries[i], kVariableTypeName) != 0) rc = 1;
    if (rc != 0)
        xpslog("%2zCannot delete the variable definitions of \"%*s\".", static_cast<int>(env_name.size()),
               env_name.data());
    while (rc == 0 && cursor != nullptr) rc = store_variables(con, environment, catalog, &cursor);
    if (rc == 0) rc = qor_catalog_commit(catalog) != 0 ? 1 : 0;
    else qor_catalog_rollback(catalog);
    xlclose(catalog, 0);
    if (rc != 0) {
        con->variable_list_number = first_number;
        return 1;
    }
    con->variables_dirty = 0;
    con->environment_changed = 1;
    return 0;
}

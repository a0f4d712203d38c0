// Library and member directory services over catalog files: open and close a catalog, walk its
// directory, open, describe, find, copy, delete and rename entries, and write text records.
#include <memory>
#include <new>
#include <string>

#include "runtime/core/service_guard.h"
#include "runtime/storage/catalog_internal.h"

using namespace qor::runtime;

namespace qor::runtime {
int open_entry(const qor_entry_request& request, const std::shared_ptr<catalog_db>* db, qor_entry** out);
}

namespace {

int bad_name(std::string_view what, std::string_view text) {
    return catalog_fail(QOR_C_BAD_REQUEST, std::string(what) + " \"" + shown_name(text) + "\" is not valid.");
}

}  // namespace

int xlopen(std::string_view libref, std::string_view catalog, int mode, qor_catalog** out) try {
    if (!out) return static_cast<int>(QOR_C_NULL);
    *out = nullptr;
    int access = mode & 0xFF;
    if (access != QOR_CO_INPUT && access != QOR_CO_UPDATE && access != QOR_CO_OUTPUT)
        return catalog_fail(QOR_C_BAD_REQUEST, "Open mode " + std::to_string(access) + " is not known.");
    std::string path;
    int code = catalog_file_path(libref, catalog, &path);
    if (code == 0 && access != QOR_CO_INPUT) code = refuse_read_only_library(libref);
    std::shared_ptr<catalog_db> db;
    if (code == 0) code = open_catalog_db(path, access != QOR_CO_INPUT, &db);
    if (code != 0) return code;
    qor_catalog* c = new (std::nothrow) qor_catalog;
    if (!c) return catalog_fail(QOR_C_NO_MEMORY, "Out of memory opening catalog " + path + ".");
    c->db = std::move(db);
    catalog_clear_error();
    *out = c;
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlclose(qor_catalog* catalog, int) {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    // A transaction left open is taken back: only a commit makes a caller's writes stand.
    if (catalog->db->in_transaction) catalog_rollback(*catalog->db);
    delete catalog;   // entries still open keep the connection alive
    return 0;
}

int xldopen(qor_catalog* catalog, std::string_view type, qor_member_dir** out) try {
    if (!catalog || !out) return static_cast<int>(QOR_C_NULL);
    *out = nullptr;
    std::string wanted;
    if (type.find_first_not_of(' ') != std::string_view::npos) {
        wanted = catalog_type(type);
        if (wanted.empty()) return bad_name("Member type", type);
    }
    // Held by its owner until it is handed out, so a listing that runs out of memory frees it.
    std::unique_ptr<qor_member_dir> dir(new (std::nothrow) qor_member_dir);
    if (!dir) return catalog_fail(QOR_C_NO_MEMORY, "Out of memory listing a catalog.");
    int code = catalog_list_entries(*catalog->db, wanted, &dir->entries);
    if (code != 0) return code;
    *out = dir.release();
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xldread(qor_member_dir* dir, qor_member_info* out) try {
    if (!dir || !out) return static_cast<int>(QOR_C_NULL);
    if (dir->next >= dir->entries.size()) return static_cast<int>(QOR_C_END);
    *out = dir->entries[dir->next++];
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xldclos(qor_member_dir* dir) {
    if (!dir) return static_cast<int>(QOR_C_NULL);
    delete dir;
    return 0;
}

int xlmopen(qor_catalog* catalog, std::string_view name, std::string_view type, int mode, qor_entry** out,
            std::string_view description) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    qor_entry_request request;
    request.name = name;
    request.type = type;
    request.description = description;
    request.mode = static_cast<uint32_t>(mode) & ~static_cast<uint32_t>(QOR_CO_TEMP);
    return open_entry(request, &catalog->db, out);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlminfo(qor_entry* e, qor_member_info* out) try {
    if (!e || !out) return static_cast<int>(QOR_C_NULL);
    out->name = e->stored.name;
    out->type = e->stored.type;
    out->description = e->stored.description;
    out->size = e->is_file ? e->size : static_cast<int64_t>(e->stored.data.size());
    out->created = host_datetime_of_us(e->stored.created_us);
    out->modified = host_datetime_of_us(e->stored.modified_us);
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlmfind(qor_catalog* catalog, std::string_view name, std::string_view type) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    std::string n = catalog_name(name), t = catalog_type(type);
    if (n.empty()) return bad_name("Entry name", name);
    if (t.empty()) return bad_name("Member type", type);
    stored_entry ignored;
    return catalog_read_entry(*catalog->db, n, t, &ignored);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlmcopy(qor_catalog* from, std::string_view name, std::string_view type, qor_catalog* to,
            std::string_view new_name, int options) try {
    if (!from || !to) return static_cast<int>(QOR_C_NULL);
    std::string n = catalog_name(name), t = catalog_type(type), target = catalog_name(new_name);
    if (n.empty()) return bad_name("Entry name", name);
    if (target.empty()) return bad_name("Entry name", new_name);
    if (t.empty()) return bad_name("Member type", type);
    stored_entry entry;
    int code = catalog_read_entry(*from->db, n, t, &entry);
    if (code != 0) return code;
    if (from->db == to->db && n == target) return 0;   // copying an entry onto itself
    if (!(options & QOR_LM_REPLACE)) {
        stored_entry existing;
        code = catalog_read_entry(*to->db, target, t, &existing);
        if (code == 0) return static_cast<int>(QOR_C_EXISTS);
        if (code != static_cast<int>(QOR_C_NOT_FOUND)) return code;
    }
    entry.name = target;
    entry.created_us = entry.modified_us = clock_now_us();
    return catalog_write_entry(*to->db, entry);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlmwrit(qor_entry* e, std::string_view record) try {
    if (!e) return static_cast<int>(QOR_C_NULL);
    int code = xcwrite(e, record.data(), record.size());
    if (code == 0) code = xcwrite(e, "\n", 1);
    return code;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlmclos(qor_entry* e, int flags) try { return xcclose(e, flags); }
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlmdele(qor_catalog* catalog, std::string_view name, std::string_view type) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    std::string n = catalog_name(name), t = catalog_type(type);
    if (n.empty()) return bad_name("Entry name", name);
    if (t.empty()) return bad_name("Member type", type);
    return catalog_delete_entry(*catalog->db, n, t);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xlmrenm(qor_catalog* catalog, std::string_view name, std::string_view type, std::string_view new_name) try {
    if (!catalog) return static_cast<int>(QOR_C_NULL);
    std::string n = catalog_name(name), t = catalog_type(type), target = catalog_name(new_name);
    if (n.empty()) return bad_name("Entry name", name);
    if (target.empty()) return bad_name("Entry name", new_name);
    if (t.empty()) return bad_name("Member type", type);
    return catalog_rename_entry(*catalog->db, n, t, target);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int afzopen(std::string_view libref, std::string_view catalog, char mode, qor_catalog** out, bool* update_refused) try {
    if (update_refused) *update_refused = false;
    if (mode == 'B' || mode == 'b') return xlopen(libref, catalog, QOR_CO_INPUT, out);
    int code = xlopen(libref, catalog, QOR_CO_UPDATE, out);
    if (code == static_cast<int>(QOR_C_READ_ONLY) || code == static_cast<int>(QOR_C_IO)) {
        int input = xlopen(libref, catalog, QOR_CO_INPUT, out);
        if (input == 0) {
            if (update_refused) *update_refused = true;
            return 0;
        }
    }
    return code;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

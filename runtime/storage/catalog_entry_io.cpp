// Entry byte I/O: open, position, read, write and close of catalog entries and utility members.
// A catalog entry is held in memory while open and committed in one transaction at close, so a
// process that dies before the close leaves the previous entry as it was.
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "runtime/core/service_guard.h"
#include "runtime/storage/catalog_internal.h"

using namespace qor::runtime;

namespace {

constexpr size_t kDescriptionMax = 256;

uint32_t access_of(uint32_t mode) {
    switch (mode & 0xFF) {
    case QOR_CO_INPUT: return QOR_CO_INPUT;
    case QOR_CO_OUTPUT: return QOR_CO_OUTPUT;
    case QOR_CO_UPDATE: return QOR_CO_UPDATE;
    default: return 0;
    }
}

// Opens a named catalog entry over a catalog connection (the request's or an open catalog's).
int open_catalog_entry(const std::shared_ptr<catalog_db>& db, const std::string& name, const std::string& type,
                       std::string_view description, qor_entry* e) {
    e->db = db;
    int code = catalog_read_entry(*db, name, type, &e->stored);
    if (code != 0 && code != static_cast<int>(QOR_C_NOT_FOUND)) return code;
    bool exists = code == 0;
    if (!exists && e->access == QOR_CO_INPUT)
        return catalog_fail(QOR_C_NOT_FOUND, "Entry " + name + "." + type + " does not exist in " + db->path + ".", true);
    if (e->access != QOR_CO_INPUT && !db->writable)
        return catalog_fail(QOR_C_READ_ONLY, "Catalog " + db->path + " was opened for input and cannot be changed.");
    if (!exists) {
        e->stored.name = name;
        e->stored.type = type;
        e->stored.created_us = clock_now_us();
    }
    if (e->access == QOR_CO_OUTPUT) e->stored.data.clear();
    if (!description.empty()) e->stored.description = std::string(description.substr(0, kDescriptionMax));
    e->must_commit = e->access != QOR_CO_INPUT;
    return 0;
}

}  // namespace

namespace qor::runtime {

// Shared by xcopen and xlmopen: validates the request's name, type and mode and opens the entry
// over `db` (catalog entries) or the library's file (utility members).
int open_entry(const qor_entry_request& request, const std::shared_ptr<catalog_db>* db, qor_entry** out) {
    if (!out) return catalog_fail(QOR_C_NULL, "An entry open was given no place for the handle.");
    *out = nullptr;
    uint32_t access = access_of(request.mode);
    if (access == 0)
        return catalog_fail(QOR_C_BAD_REQUEST, "Open mode " + std::to_string(request.mode & 0xFF) + " is not known.");
    std::string type = catalog_type(request.type);
    if (type.empty())
        return catalog_fail(QOR_C_BAD_REQUEST, "Member type \"" + shown_name(request.type) + "\" is not valid.");
    bool temporary = (request.mode & QOR_CO_TEMP) != 0;
    std::string name;
    if (!temporary) {
        name = catalog_name(request.name);
        if (name.empty())
            return catalog_fail(QOR_C_BAD_REQUEST, "Entry name \"" + shown_name(request.name) + "\" is not valid.");
    }
    qor_entry* e = new (std::nothrow) qor_entry;
    if (!e) return catalog_fail(QOR_C_NO_MEMORY, "Out of memory opening an entry.");
    std::unique_ptr<qor_entry> owner(e);   // the caller's on success; deleted on every failure
    e->access = temporary ? QOR_CO_UPDATE : access;
    e->temporary = temporary;
    // An open through an open catalog was checked when the catalog was opened.
    int code = access != QOR_CO_INPUT && !db && !temporary ? refuse_read_only_library(request.libref) : 0;
    if (code != 0) return code;
    if (is_utility_type(type)) {
        e->stored.name = name;
        e->stored.type = type;
        e->stored.created_us = e->stored.modified_us = clock_now_us();
        code = member_file_open(request, name, type, e);
    } else if (temporary) {
        e->stored.type = type;   // held in memory only, forgotten at close
        e->stored.created_us = e->stored.modified_us = clock_now_us();
    } else if (db) {
        code = open_catalog_entry(*db, name, type, request.description, e);
    } else {
        std::string path;
        std::shared_ptr<catalog_db> own;
        code = catalog_file_path(request.libref, request.catalog, &path);
        if (code == 0) code = open_catalog_db(path, access != QOR_CO_INPUT, &own);
        if (code == 0) code = open_catalog_entry(own, name, type, request.description, e);
    }
    if (code != 0) {
        return code;
    }
    catalog_clear_error();
    *out = owner.release();
    return 0;
}

}  // namespace qor::runtime

int xcopen(const qor_entry_request& request, qor_entry** entry) try { return open_entry(request, nullptr, entry); }
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xcpoint(qor_entry* e, int64_t offset) {
    if (!e) return static_cast<int>(QOR_C_NULL);
    int64_t size = e->is_file ? e->size : static_cast<int64_t>(e->stored.data.size());
    if (offset < 0 || offset > size) return static_cast<int>(QOR_C_POSITION);
    e->position = offset;
    return 0;
}

int xcnote(qor_entry* e, int64_t* offset) {
    if (!e || !offset) return static_cast<int>(QOR_C_NULL);
    *offset = e->position;
    return 0;
}

int xcread(qor_entry* e, void* buffer, size_t length, size_t* got) try {
    if (got) *got = 0;
    if (!e || (!buffer && length > 0)) return static_cast<int>(QOR_C_NULL);
    if (e->is_file) return member_file_read(e, buffer, length, got);
    const std::string& data = e->stored.data;
    size_t at = static_cast<size_t>(e->position);
    size_t n = at >= data.size() ? 0 : std::min(length, data.size() - at);
    if (n > 0) std::memcpy(buffer, data.data() + at, n);
    e->position += static_cast<int64_t>(n);
    if (got) *got = n;
    return n == length ? 0 : static_cast<int>(QOR_C_END);
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xcwrite(qor_entry* e, const void* buffer, size_t length) try {
    if (!e || (!buffer && length > 0)) return static_cast<int>(QOR_C_NULL);
    if (e->access == QOR_CO_INPUT) return static_cast<int>(QOR_C_READ_ONLY);
    if (length == 0) return 0;
    if (e->is_file) return member_file_write(e, buffer, length);
    std::string& data = e->stored.data;
    size_t at = static_cast<size_t>(e->position);
    try {
        if (at + length > data.size()) data.resize(at + length);
    } catch (const std::bad_alloc&) {
        return static_cast<int>(QOR_C_NO_MEMORY);
    }
    std::memcpy(data.data() + at, buffer, length);
    e->position += static_cast<int64_t>(length);
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xcflush(qor_entry* e) try {
    if (!e) return static_cast<int>(QOR_C_NULL);
    return e->is_file ? member_file_flush(e) : 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

int xcclose(qor_entry* e, int flags) try {
    if (!e) return static_cast<int>(QOR_C_NULL);
    if (e->is_file) {
        int code = member_file_close(e, flags);
        if (code != 0) return code;
    } else if (e->must_commit && !e->temporary && !(flags & QOR_CC_DISCARD)) {
        e->stored.modified_us = clock_now_us();
        int code = catalog_write_entry(*e->db, e->stored);
        if (code != 0) return code;   // still open: the caller may retry or discard
    }
    delete e;
    return 0;
}
QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))

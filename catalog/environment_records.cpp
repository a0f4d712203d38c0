// Environment records: the free lists of records and list cells, creating a record with its
// catalog file name, symbol and output path, finding and releasing records, and the options
// that the environment routines read.
#include <cctype>
#include <cstring>

#include "catalog/engine_calls.h"
#include "catalog/environment.h"
#include "common/files/names.h"
#include "common/memory/pool_memory.h"
#include "engine/model/options/engine_options.h"
#include "engine/tables/object_tables.h"
#include "host/files.h"
#include "host/print.h"

namespace {

constexpr int kChunk = 10;

void set_path(RSKPATHNAME* rec, std::string_view text) {
    size_t n = text.size() < static_cast<size_t>(kRskPathCapacity) ? text.size() : kRskPathCapacity - 1;
    std::memcpy(rec->buffer, text.data(), n);
    rec->buffer[n] = '\0';
    rec->name.capacity = kRskPathCapacity;
    rec->name.length = static_cast<uint16_t>(n);
    rec->name.text = rec->buffer;
}

void set_name(RSKOBJNAME* rec, const char* text, int length) {
    if (length > kRskObjectNameCapacity) length = kRskObjectNameCapacity;
    if (length < 0) length = 0;
    std::memcpy(rec->buffer, text, static_cast<size_t>(length));
    rec->name.capacity = kRskObjectNameCapacity;
    rec->name.length = static_cast<uint16_t>(length);
    rec->name.text = rec->buffer;
}

// The environment symbol table; null until start-up (or a cleared environment) made it.
RSKSYMTAB* environment_table(RSKCON* con) {
    if (con->current_tables == nullptr) return nullptr;
    RSKSYMTAB* table = &con->current_tables->tables[RSKTAB_ENVIRONMENTS];
    return table->buckets != nullptr ? table : nullptr;
}

RSKENV* take_record(RSKCON* con) {
    if (con->free_environments == nullptr) {
        size_t bytes = sizeof(RSKENV) * kChunk;
        auto* chunk = static_cast<RSKENV*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_ZERO));
        if (chunk == nullptr) {
            report_no_memory(con, static_cast<long>(bytes), "add elements to a list");
            return nullptr;
        }
        for (int i = 0; i < kChunk; ++i) {
            chunk[i].free_link = con->free_environments;
            con->free_environments = &chunk[i];
        }
    }
    RSKENV* record = con->free_environments;
    con->free_environments = record->free_link;
    std::memset(record, 0, sizeof *record);
    return record;
}

void give_record(RSKCON* con, RSKENV* record) {
    std::memset(record, 0, sizeof *record);
    record->free_link = con->free_environments;
    con->free_environments = record;
}

// A path the user gave is an output path when it has no blank or backslash and its parent
// directory exists; it becomes a full path ending in '/'.
bool usable_outpath(const char* path, int length, std::string* full) {
    while (length > 0 && path[length - 1] == ' ') --length;
    if (length <= 0) return false;
    for (int i = 0; i < length; ++i)
        if (path[i] == ' ' || path[i] == '\\') return false;
    char buffer[QOR_PATH_MAX];
    int full_length = 0;
    if (zfulpth(path, length, buffer, &full_length) != 0) return false;
    full->assign(buffer, static_cast<size_t>(full_length));
    if (full->back() != '/') full->push_back('/');
    // The directory that contains it: everything before its last component.
    std::string parent = full->substr(0, full->size() - 1);
    size_t slash = parent.rfind('/');
    parent = slash == 0 ? std::string("/") : parent.substr(0, slash);
    return zisdir(parent.data(), static_cast<int>(parent.size())) == 0;
}

}  // namespace

void report_no_memory(RSKCON* con, long bytes, const char* label) {
    if (con->no_memory_reported) return;
    con->no_memory_reported = 1;
    xpmlog(598, 2797, bytes, label);
}

RSKENVCELL* take_environment_cell(RSKCON* con) {
    if (con->free_environment_cells == nullptr) {
        size_t bytes = sizeof(RSKENVCELL) * kChunk;
        auto* chunk = static_cast<RSKENVCELL*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_ZERO));
        if (chunk == nullptr) {
            report_no_memory(con, static_cast<long>(bytes), "add elements to a list");
            return nullptr;
        }
        for (int i = 0; i < kChunk; ++i) {
            chunk[i].next = con->free_environment_cells;
            con->free_environment_cells = &chunk[i];
        }
    }
    RSKENVCELL* cell = con->free_environment_cells;
    con->free_environment_cells = cell->next;
    std::memset(cell, 0, sizeof *cell);
    return cell;
}

void give_environment_cell(RSKCON* con, RSKENVCELL* cell) {
    std::memset(cell, 0, sizeof *cell);
    cell->next = con->free_environment_cells;
    con->free_environment_cells = cell;
}

void set_environment_outpath(RSKCON* con, RSKENV* environment, const char* path, int length) {
    std::string full;
    bool given = path != nullptr && length > 0 &&
                 std::string_view(path, static_cast<size_t>(length)) != kDefaultOutpath;
    if (given && !usable_outpath(path, length, &full)) {
        xpmlog(598, 3044, length, path);
        given = false;
    }
    if (!given) {
        std::string lower(name_of(environment));
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        full.assign(directory_of(environment));
        if (full.empty() || full.back() != '/') full.push_back('/');
        full += lower + "/";
    }
    set_path(&environment->outpath, full);
    (void)con;
    std::memset(environment->outpath_libref, ' ', 8);
}

int rssenvi(RSKCON* con, const char* directory, int directory_length, const char* libref, const char* name,
            int name_length, const char* description, int description_length, const char* outpath,
            int outpath_length, RSKENV** out) {
    *out = nullptr;
    if (name == nullptr || name_length <= 0 || directory == nullptr) return 1;
    RSKENV* environment = take_record(con);
    if (environment == nullptr) return 1;
    while (directory_length > 1 && directory[directory_length - 1] == '/') --directory_length;
    set_path(&environment->path, std::string_view(directory, static_cast<size_t>(directory_length)));
    set_name(&environment->name, name, name_length);
    char file[QOR_PATH_MAX];
    int file_length = 0;
    if (zxname(file, &file_length, name, environment->name.name.length, "CATALOG", directory, directory_length) != 0)
        file_length = 0;
    set_path(&environment->catalog_file, std::string_view(file, static_cast<size_t>(file_length)));
    environment->directory_length = static_cast<int16_t>(directory_length + 1);
    std::memset(environment->libref, ' ', 8);
    std::memcpy(environment->libref, libref, strnlen(libref, 8));
    std::memset(environment->engine, ' ', 8);
    zlibeng(environment->libref, environment->engine);
    std::string symbol = std::string(libref_of(environment)) + "." + std::string(name_of(environment));
    for (char& c : symbol) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    environment->symbol_length = static_cast<int16_t>(symbol.size());
    std::memcpy(environment->symbol, symbol.data(), symbol.size());
    if (description_length > kRskDescriptionLimit) description_length = kRskDescriptionLimit;
    if (description == nullptr || description_length < 0) description_length = 0;
    if (description_length > 0)
        std::memcpy(environment->description_buffer, description, static_cast<size_t>(description_length));
    environment->properties.description = environment->description_buffer;
    environment->properties.description_capacity = kRskDescriptionLimit;
    environment->properties.description_length = static_cast<int16_t>(description_length);
    environment->properties.state = 1;
    set_environment_outpath(con, environment, outpath, outpath_length);
    if (!con->no_registration && environment_table(con) != nullptr) {
        RSKNAMEREC key{0, static_cast<uint16_t>(environment->symbol_length), environment->symbol};
        if (engine_rsksymd(con, environment_table(con), &key, environment) == 2) {
            give_record(con, environment);
            return 1;
        }
    }
    *out = environment;
    return 0;
}

RSKENV* rssenvs(RSKCON* con, const char* symbol, int length) {
    RSKSYMTAB* table = environment_table(con);
    if (table == nullptr || symbol == nullptr || length <= 0) return nullptr;
    RSKNAMEREC key{0, static_cast<uint16_t>(length), const_cast<char*>(symbol)};
    return static_cast<RSKENV*>(engine_rsksym(con, table, &key));
}

int rssenvf(RSKCON* con, RSKENV* environment) {
    if (environment == nullptr) return 0;
    if (environment->use_count > 0) return 1;
    RSKENVCELL* cell = environment->parents_head;
    while (cell != nullptr) {
        RSKENVCELL* next = cell->next;
        RSKENV* parent = cell->environment;
        if (parent != nullptr) {
            if (parent->use_count > 0) --parent->use_count;
            rssenvf(con, parent);
        }
        give_environment_cell(con, cell);
        cell = next;
    }
    environment->parents_head = environment->parents_tail = nullptr;
    RSKSYMTAB* table = environment_table(con);
    if (table != nullptr && rssenvs(con, environment->symbol, environment->symbol_length) == environment) {
        RSKNAMEREC key{0, static_cast<uint16_t>(environment->symbol_length), environment->symbol};
        engine_rsksymf(con, table, &key);
    }
    if (con->current_environment == environment) con->current_environment = nullptr;
    if (con->held_environment == environment) con->held_environment = nullptr;
    give_record(con, environment);
    return 0;
}

std::string_view shown_directory(const RSKCON* con, const RSKENV* environment) {
    if (con->neutral_paths || con->generic) return "<System-specific pathname>";
    return directory_of(environment);
}

RSKOPTREC* current_options(RSKCON* con) {
    return con->options != nullptr ? &con->options->current : nullptr;
}

bool option_envcopy(RSKCON* con) {
    const RSKOPTREC* options = current_options(con);
    return options != nullptr && options->envcopy != 0;
}

bool option_backsave(RSKCON* con) {
    const RSKOPTREC* options = current_options(con);
    return options != nullptr && options->backsave != 0;
}

bool option_autosave(RSKCON* con) {
    const RSKOPTREC* options = current_options(con);
    return options != nullptr && options->autosave != 0;
}

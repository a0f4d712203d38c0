// The "qor_dataset" virtual table: a full scan over an open data set, observation by
// observation; cursors of a self-join share the data set and each reads its own observation.
#include "runtime/sql/sql_dataset_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/missing.h"
#include "runtime/sql/sql_missing.h"
#include "runtime/sql/sql_query.h"

namespace qor::runtime::sql {

namespace {

struct Table {
    sqlite3_vtab base;   // first: SQLite sees this
    QuerySource* source;
};

struct Cursor {
    sqlite3_vtab_cursor base;
    int64_t row;
};

int set_error(sqlite3_vtab* vtab, const std::string& text) {
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", text.c_str());
    return SQLITE_ERROR;
}

int connect(sqlite3* db, void* client, int argc, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    auto* run = static_cast<QueryRun*>(client);
    size_t index = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0;
    QuerySource* source = run->source(index);
    if (source == nullptr) {
        *error = sqlite3_mprintf("no data set for this table");
        return SQLITE_ERROR;
    }
    std::string schema = "CREATE TABLE x(";
    for (size_t i = 0; i < source->variables.size(); ++i) {
        const qor_var_desc& v = source->variables[i];
        if (i > 0) schema += ", ";
        schema += quote_name(std::string(v.name, static_cast<size_t>(v.name_length))) + " " +
                  declared_type(v.type == QOR_VAR_NUMERIC, v.length, index, static_cast<int>(i));
    }
    schema += ")";
    if (int rc = sqlite3_declare_vtab(db, schema.c_str())) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto* table = static_cast<Table*>(sqlite3_malloc(sizeof(Table)));
    if (table == nullptr) return SQLITE_NOMEM;
    std::memset(table, 0, sizeof *table);
    table->source = source;
    *out = &table->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab) {
    sqlite3_free(vtab);
    return SQLITE_OK;
}

int best_index(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    auto* table = reinterpret_cast<Table*>(vtab);
    double rows = static_cast<double>(table->source->observations);
    info->estimatedCost = rows + 1;
    info->estimatedRows = table->source->observations + 1;
    return SQLITE_OK;
}

int open_cursor(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    auto* cursor = static_cast<Cursor*>(sqlite3_malloc(sizeof(Cursor)));
    if (cursor == nullptr) return SQLITE_NOMEM;
    std::memset(cursor, 0, sizeof *cursor);
    *out = &cursor->base;
    return SQLITE_OK;
}

int close_cursor(sqlite3_vtab_cursor* cursor) {
    sqlite3_free(cursor);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* base, int, const char*, int, sqlite3_value**) {
    reinterpret_cast<Cursor*>(base)->row = 1;
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    ++reinterpret_cast<Cursor*>(base)->row;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* base) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    auto* table = reinterpret_cast<Table*>(base->pVtab);
    return cursor->row > table->source->observations ? 1 : 0;
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int number) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    QuerySource* source = reinterpret_cast<Table*>(base->pVtab)->source;
    if (source->current != cursor->row) {
        qor_obs_request request{};
        request.dataset = source->dataset;
        request.observation = cursor->row;
        int rc = xoget(&request, QOR_GET_BY_NUMBER);
        if (rc != 0) {
            source->current = 0;
            char text[160];
            std::snprintf(text, sizeof text, "observation %lld of %s cannot be read (code 0x%08X)",
                          static_cast<long long>(cursor->row), source->name.c_str(),
                          static_cast<unsigned>(rc));
            return set_error(base->pVtab, text);
        }
        source->current = cursor->row;
    }
    const qor_var_desc& v = source->variables[static_cast<size_t>(number)];
    if (v.type == QOR_VAR_NUMERIC) {
        double value = qor::missing();
        xvget1f(source->dataset, number + 1, &value);
        result_number(context, value);
    } else {
        if (source->text.size() < static_cast<size_t>(v.length)) source->text.resize(static_cast<size_t>(v.length));
        int length = 0;
        if (xvget1c(source->dataset, number + 1, source->text.data(), v.length, &length) != 0) length = 0;
        sqlite3_result_text(context, source->text.data(), length, SQLITE_TRANSIENT);
    }
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* base, sqlite3_int64* out) {
    *out = reinterpret_cast<Cursor*>(base)->row;
    return SQLITE_OK;
}

sqlite3_module make_module() {
    sqlite3_module m;
    std::memset(&m, 0, sizeof m);
    m.iVersion = 1;
    m.xCreate = connect;
    m.xConnect = connect;
    m.xBestIndex = best_index;
    m.xDisconnect = disconnect;
    m.xDestroy = disconnect;
    m.xOpen = open_cursor;
    m.xClose = close_cursor;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}

const sqlite3_module kModule = make_module();

}  // namespace

int register_dataset_module(sqlite3* db, QueryRun* run) {
    return sqlite3_create_module_v2(db, "qor_dataset", &kModule, run, nullptr);
}

std::string declared_type(bool numeric, int length, size_t source, int variable) {
    char buffer[64];
    if (numeric)
        std::snprintf(buffer, sizeof buffer, "REAL_S%zu_V%d", source, variable);
    else
        std::snprintf(buffer, sizeof buffer, "CHAR_%d_S%zu_V%d", length, source, variable);
    return buffer;
}

bool parse_declared_type(const char* type, bool* numeric, int* length, size_t* source,
                         int* variable) {
    if (type == nullptr) return false;
    unsigned long s = 0;
    int v = 0, n = 0, used = 0;
    if (std::sscanf(type, "REAL_S%lu_V%d%n", &s, &v, &used) == 2 && type[used] == '\0') {
        *numeric = true;
        *length = 8;
    } else if (std::sscanf(type, "CHAR_%d_S%lu_V%d%n", &n, &s, &v, &used) == 3 && type[used] == '\0') {
        *numeric = false;
        *length = n;
    } else {
        return false;
    }
    *source = s;
    *variable = v;
    return true;
}

}  // namespace qor::runtime::sql

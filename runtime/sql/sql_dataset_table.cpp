// The "qor_dataset" virtual table: a full scan over an open data set, observation by
// observation; cursors of a self-join share the data set and each reads its own observation.
#include "runtime/sql/sql_dataset_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/missing.h"
#include "runtime/sql/sql_missing.h"
#include "runtime/sql/sql_query.h"

namespace qor::runtime::sql {

namespace {

struct Table {
    sqlite3_vtab base;   // first: SQLite sees this
    QuerySource* source;
};

// A cursor walks every observation, or the observations of one lookup list.
struct Cursor {
    sqlite3_vtab_cursor base;
    int64_t row;
    const std::vector<int64_t>* rows;   // null: a full scan
    size_t position;
};

// The lookup key of a value: 'N' and the number's bytes, 'M' and a missing code, 'T' and the
// text without trailing blanks. Empty when the value cannot equal a value of the column kind.
std::string key_of(const QorValue& v, bool numeric) {
    if (v.kind == QorValue::Missing && numeric) return std::string("M") + missing_blob_code(v.number);
    if (v.kind == QorValue::Number && numeric) {
        double x = v.number == 0 ? 0.0 : v.number;   // -0 equals 0
        return "N" + std::string(reinterpret_cast<const char*>(&x), sizeof x);
    }
    if (v.kind == QorValue::Text && !numeric)
        return "T" + std::string(reinterpret_cast<const char*>(v.text), static_cast<size_t>(v.length));
    return {};
}

// Makes observation `row` current in the source's data set. 0 or the data set's code.
int make_current(QuerySource* source, int64_t row) {
    if (source->current == row) return 0;
    qor_obs_request request{};
    request.dataset = source->dataset;
    request.observation = row;
    int rc = xoget(&request, QOR_GET_BY_NUMBER);
    source->current = rc == 0 ? row : 0;
    return rc;
}

// The key of variable `number` (0-based) in the current observation.
std::string stored_key(QuerySource* source, int number) {
    const qor_var_desc& v = source->variables[static_cast<size_t>(number)];
    if (v.type == QOR_VAR_NUMERIC) {
        double value = qor::missing();
        xvget1f(source->dataset, number + 1, &value);
        QorValue q;
        q.kind = qor::is_missing(value) ? QorValue::Missing : QorValue::Number;
        q.number = value;
        return key_of(q, true);
    }
    if (source->text.size() < static_cast<size_t>(v.length)) source->text.resize(static_cast<size_t>(v.length));
    int length = 0;
    if (xvget1c(source->dataset, number + 1, source->text.data(), v.length, &length) != 0) length = 0;
    return "T" + std::string(source->text.data(), static_cast<size_t>(length));
}

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

// An equality constraint on a column is answered from a lookup of that column (idxNum is the
// column number plus 1); SQLite still checks each row it gets (omit stays 0), so the lookup may
// give more rows than match but never fewer. Without one, a full scan.
int best_index(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    auto* table = reinterpret_cast<Table*>(vtab);
    double rows = static_cast<double>(table->source->observations);
    info->idxNum = 0;
    info->estimatedCost = rows + 1;
    info->estimatedRows = table->source->observations + 1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0) continue;
        info->idxNum = c.iColumn + 1;
        info->aConstraintUsage[i].argvIndex = 1;
        info->estimatedCost = 10 + rows / 10;
        info->estimatedRows = table->source->observations / 10 + 1;
        break;
    }
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

const std::vector<int64_t> kNoRows;

int filter(sqlite3_vtab_cursor* base, int index, const char*, int argc, sqlite3_value** argv) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    QuerySource* source = reinterpret_cast<Table*>(base->pVtab)->source;
    cursor->row = 1;
    cursor->rows = nullptr;
    cursor->position = 0;
    if (index <= 0 || argc < 1) return SQLITE_OK;
    int column = index - 1;
    bool numeric = source->variables[static_cast<size_t>(column)].type == QOR_VAR_NUMERIC;
    std::string key = key_of(qor_value(argv[0]), numeric);
    if (key.empty()) return SQLITE_OK;   // a value of another kind: SQLite decides row by row
    auto built = source->lookups.find(column);
    if (built == source->lookups.end()) {
        auto& lookup = source->lookups[column];
        for (int64_t row = 1; row <= source->observations; ++row) {
            if (int rc = make_current(source, row)) {
                source->lookups.erase(column);
                char text[160];
                std::snprintf(text, sizeof text, "observation %lld of %s cannot be read (code 0x%08X)",
                              static_cast<long long>(row), source->name.c_str(), static_cast<unsigned>(rc));
                return set_error(base->pVtab, text);
            }
            lookup[stored_key(source, column)].push_back(row);
        }
        built = source->lookups.find(column);
    }
    auto found = built->second.find(key);
    cursor->rows = found == built->second.end() ? &kNoRows : &found->second;
    if (!cursor->rows->empty()) cursor->row = (*cursor->rows)[0];
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    if (cursor->rows == nullptr) {
        ++cursor->row;
    } else if (++cursor->position < cursor->rows->size()) {
        cursor->row = (*cursor->rows)[cursor->position];
    }
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* base) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    if (cursor->rows != nullptr) return cursor->position >= cursor->rows->size() ? 1 : 0;
    auto* table = reinterpret_cast<Table*>(base->pVtab);
    return cursor->row > table->source->observations ? 1 : 0;
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int number) {
    auto* cursor = reinterpret_cast<Cursor*>(base);
    QuerySource* source = reinterpret_cast<Table*>(base->pVtab)->source;
    if (source->current != cursor->row) {
        int rc = make_current(source, cursor->row);
        if (rc != 0) {
            char text[160];
            std::snprintf(text, sizeof text, "observation %lld of %s cannot be read (code 0x%08X)",
                          static_cast<long long>(cursor->row), source->name.c_str(),
                          static_cast<unsigned>(rc));
            return set_error(base->pVtab, text);
        }
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

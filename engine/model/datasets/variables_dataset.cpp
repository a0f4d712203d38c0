// The catalog data set of variables: WRITEVARS writes one row per user variable in definition
// order; READVARS defines one variable per row, with the same column vocabulary.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/model/datasets/catalog_datasets.h"
#include "engine/model/datasets/catalog_datasets_api.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variables.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kFailedRowLimit = 20;

enum Column {
    NAME, KIND, TYPE, ROLE, GROUP, LENGTH, MLEVEL, DROP, SELECTED, FORMAT, CURRENCY, FROMCUR,
    MATURITY, MUNIT, REFNAME1, REFNAME2, SCALE, LABEL, LAGGRID, WRITTEN_COLUMNS,
    CATEGORY = WRITTEN_COLUMNS, FORMATL, FORMATD, ALL_COLUMNS,
};

// Name, type, width and label of every column; the written ones first, in the writer's order.
// MLEVEL is written 16 wide and read up to 18.
constexpr RskColumn kColumns[ALL_COLUMNS] = {
    {"NAME", QOR_VAR_CHARACTER, 32, 5001},     {"KIND", QOR_VAR_CHARACTER, 18, 5003},
    {"TYPE", QOR_VAR_CHARACTER, 18, 5004},     {"ROLE", QOR_VAR_CHARACTER, 18, 5005},
    {"GROUP", QOR_VAR_CHARACTER, 32, 5021},    {"LENGTH", QOR_VAR_NUMERIC, 8, 5006},
    {"MLEVEL", QOR_VAR_CHARACTER, 16, 5019},   {"DROP", QOR_VAR_NUMERIC, 8, 5008},
    {"SELECTED", QOR_VAR_NUMERIC, 8, 5018},    {"FORMAT", QOR_VAR_CHARACTER, 18, 5009},
    {"CURRENCY", QOR_VAR_CHARACTER, 3, 5011},  {"FROMCUR", QOR_VAR_CHARACTER, 3, 5012},
    {"MATURITY", QOR_VAR_NUMERIC, 8, 5013},    {"MUNIT", QOR_VAR_CHARACTER, 18, 5020},
    {"REFNAME1", QOR_VAR_CHARACTER, 32, 5014}, {"REFNAME2", QOR_VAR_CHARACTER, 32, 5015},
    {"SCALE", QOR_VAR_NUMERIC, 8, 5016},       {"LABEL", QOR_VAR_CHARACTER, 256, 5010},
    {"LAGGRID", QOR_VAR_CHARACTER, 32, 5010},  {"CATEGORY", QOR_VAR_CHARACTER, 32, 5017},
    {"FORMATL", QOR_VAR_NUMERIC, 8, 0},        {"FORMATD", QOR_VAR_NUMERIC, 8, 0},
};
constexpr int kReadWidth = 256;
constexpr int kMlevelReadWidth = 18;

// One row's values: a buffer per character column and a number per numeric column.
struct VarRow {
    char text[ALL_COLUMNS][kReadWidth];
    double number[ALL_COLUMNS];
};

bool written(RSKCON* con, const RSKVARIABLE* v) {
    if (v->kind == RSKVKIND_PARMAT) return false;
    if (v->kind == RSKVKIND_FACTOR && v->data_type == RSKDTYPE_ARRAY) return false;
    if (v->flags3 & RSKF3_INTERNAL_REFERENCE) return false;
    return is_reserved_name(con, &v->name.name) == 0;
}

void fill(VarRow* row, int column, const char* text, int length) {
    if (length < 0) length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
    rskds_fill(row->text[column], kColumns[column].length, text, length);
}

void fill_row(RSKCON* con, const RSKVARIABLE* v, VarRow* row) {
    const char* text = nullptr;
    fill(row, NAME, v->name.name.text, v->name.name.length);
    int length = rskcnvk(con, static_cast<int>(v->kind), &text);
    fill(row, KIND, text, length);
    length = rskcndt(con, static_cast<int>(v->data_type), &text);
    fill(row, TYPE, text, length);
    length = rskcnva(con, static_cast<int>(v->role), &text);
    fill(row, ROLE, text, length);
    fill(row, GROUP, v->group, v->group_length);
    row->number[LENGTH] = v->length;
    fill(row, MLEVEL, v->measurement_level == 1 ? "RATIO" : v->measurement_level == 2 ? "INTERVAL" : "", -1);
    row->number[DROP] = v->drop;
    row->number[SELECTED] = v->selected;
    fill(row, FORMAT, v->format_text.name.text, v->format_text.name.length);
    fill(row, CURRENCY, v->currency, v->currency[0] == '\0' ? 0 : 3);
    fill(row, FROMCUR, v->from_currency, v->from_currency[0] == '\0' ? 0 : 3);
    row->number[MATURITY] = v->maturity;
    length = 0;
    if (!qor::is_missing(v->maturity_time)) length = rskcstu(con, static_cast<int>(v->maturity_unit), &text);
    fill(row, MUNIT, text, length);
    fill(row, REFNAME1, v->reference1_name.name.text, v->reference1_name.name.length);
    fill(row, REFNAME2, v->reference2_name.name.text, v->reference2_name.name.length);
    row->number[SCALE] = v->scale;
    fill(row, LABEL, v->properties.description, v->properties.description_length);
    if (v->flags2 & RSKF2_LAG_GRID) fill(row, LAGGRID, v->lag_grid_name.name.text, v->lag_grid_name.name.length);
    else fill(row, LAGGRID, nullptr, 0);
}

// The request of one row, its texts in `row`; the format is built into `format`.
struct ReadRow {
    VarRow values;
    int length[ALL_COLUMNS];
    char format[40];
};

void upper(char* text, int length) {
    for (int i = 0; i < length; ++i) text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
}

// FORMAT upper-cased; a width from FORMATL replaces a trailing "."; a "." is added to a name
// without one; decimals from FORMATD follow.
int build_format(ReadRow* r) {
    char* out = r->format;
    int n = r->length[FORMAT];
    if (n > 18) n = 18;
    std::memcpy(out, r->values.text[FORMAT], static_cast<size_t>(n));
    upper(out, n);
    const double width = r->values.number[FORMATL], decimals = r->values.number[FORMATD];
    if (!qor::is_missing(width) && width >= 1 && width < 32) {
        if (n > 0 && out[n - 1] == '.') --n;
        n += std::snprintf(out + n, 3, "%d", static_cast<int>(width));
    }
    if (n > 0 && std::memchr(out, '.', static_cast<size_t>(n)) == nullptr) out[n++] = '.';
    if (!qor::is_missing(decimals) && decimals >= 1 && decimals < 32)
        n += std::snprintf(out + n, 3, "%d", static_cast<int>(decimals));
    return n;
}

uint32_t time_unit(const char* text, int length) {
    switch (length > 0 ? std::toupper(static_cast<unsigned char>(text[0])) : 0) {
    case 'D': return 1;
    case 'W': return 2;
    case 'M': return 3;
    case 'H': return 5;
    default: return 4;
    }
}

uint32_t measurement_level(char* text, int length) {
    upper(text, length);
    auto is = [&](const char* word) { return length == static_cast<int>(std::strlen(word)) && std::memcmp(text, word, static_cast<size_t>(length)) == 0; };
    if (is("RATIO") || is("RATE")) return 1;
    if (is("INTERVAL") || is("LEVEL")) return 2;
    return 0;
}

// Kind, data type and role of a row: 0, or 1 after 598/1092.
int codes_of(RSKCON* con, ReadRow* r, uint32_t* kind, uint32_t* type, uint32_t* role) {
    char* text = r->values.text[KIND];
    int length = r->length[KIND];
    upper(text, length);
    int code = length < 2 ? static_cast<int>(RSKVKIND_INSTRUMENT) : rskcdvk(con, text, length);
    if (code == 999) {
        xpmlog(598, 1092, "KIND", length, text);
        return 1;
    }
    *kind = static_cast<uint32_t>(code);
    text = r->values.text[TYPE];
    length = r->length[TYPE];
    upper(text, length);
    code = rskcddt(con, RSKDTCLASS_ALL, text, length);
    if (code == 999 || length == 0) {
        xpmlog(598, 1092, "TYPE", length, text);
        return 1;
    }
    *type = static_cast<uint32_t>(code);
    text = r->values.text[ROLE];
    length = r->length[ROLE];
    upper(text, length);
    if (length == 0) {
        code = *kind == RSKVKIND_INSTRUMENT ? 201 : (*kind == RSKVKIND_FACTOR ? 301 : (*kind == RSKVKIND_OUTPUT ? 204 : 999));
    } else {
        code = rskcdva(con, static_cast<int>(*kind), text, length);
    }
    if (code == 999) {
        xpmlog(598, 1092, "ROLE", length, text);
        return 1;
    }
    *role = static_cast<uint32_t>(code);
    if (*role == 204 && *kind == RSKVKIND_INSTRUMENT) *kind = RSKVKIND_OUTPUT;
    return 0;
}

// Defines the variable of the current row: 0 defined, 1 failed (after its message).
int read_row(RSKCON* con, RskCatalogDataset* ds, const int* numbers, ReadRow* r, int* defined) {
    for (int c = 0; c < ALL_COLUMNS; ++c) {
        r->length[c] = 0;
        r->values.number[c] = qor::missing();
        if (kColumns[c].type == QOR_VAR_CHARACTER) {
            const int width = c == MLEVEL ? kMlevelReadWidth : kReadWidth;
            r->length[c] = rskds_text(ds, numbers[c], r->values.text[c], width);
        } else {
            r->values.number[c] = rskds_number(ds, numbers[c]);
        }
    }
    const char* name = r->values.text[NAME];
    const int name_length = r->length[NAME];
    RSKNAMEREC key{0, static_cast<uint16_t>(name_length), const_cast<char*>(name)};
    if (name_length == 0) {
        xpmlog(598, 1093, name_length, name, ds->name);
        return 1;
    }
    if (is_reserved_name(con, &key)) {
        xpmlog(598, 1610, name_length, name);
        return 1;
    }
    RSKVARDEF request{};
    if (codes_of(con, r, &request.kind, &request.data_type, &request.role) != 0) return 1;
    request.name = name;
    request.name_length = static_cast<int16_t>(name_length);
    const double length = r->values.number[LENGTH];
    request.length = qor::is_missing(length) ? 0 : static_cast<int32_t>(std::lround(length));
    const double drop = r->values.number[DROP];
    request.drop = !qor::is_missing(drop) && drop != 0 ? 1 : 0;
    request.format = r->format;
    request.format_length = static_cast<int16_t>(build_format(r));
    request.maturity_unit = time_unit(r->values.text[MUNIT], r->length[MUNIT]);
    request.measurement_level = measurement_level(r->values.text[MLEVEL], r->length[MLEVEL]);
    auto text = [&](int c, const char** out, int16_t* out_length) {
        *out = r->values.text[c];
        *out_length = static_cast<int16_t>(r->length[c]);
    };
    text(CURRENCY, &request.currency, &request.currency_length);
    text(FROMCUR, &request.from_currency, &request.from_currency_length);
    text(GROUP, &request.group, &request.group_length);
    text(LABEL, &request.label, &request.label_length);
    text(LAGGRID, &request.lag_grid, &request.lag_grid_length);
    text(REFNAME1, &request.reference1, &request.reference1_length);
    text(REFNAME2, &request.reference2, &request.reference2_length);
    request.maturity = r->values.number[MATURITY];
    request.scale = r->values.number[SCALE];
    request.environment = con->current_environment;
    // Through rskvard, so that the names it refuses are refused here too.
    RSKVARIABLE* variable = nullptr;
    if (rskvard(con, &variable, &request) != 0 || variable == nullptr) {
        xpmlog(598, 1093, name_length, name, ds->name);
        return 1;
    }
    ++*defined;
    const double selected = r->values.number[SELECTED];
    variable->selected = !qor::is_missing(selected) && selected != 0 ? 1 : 0;
    if (r->length[CATEGORY] > 0 && rskvarb(con, variable, r->values.text[CATEGORY], r->length[CATEGORY]) != 0)
        return 1;
    return 0;
}

}  // namespace

int rskvarw(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_OUTPUT) != 0) return 1;
    VarRow row{};
    void* sources[WRITTEN_COLUMNS];
    for (int c = 0; c < WRITTEN_COLUMNS; ++c)
        sources[c] = kColumns[c].type == QOR_VAR_NUMERIC ? static_cast<void*>(&row.number[c]) : row.text[c];
    qor_putlist* put = nullptr;
    if (rskds_define(&ds, kColumns, WRITTEN_COLUMNS, sources, &put) != 0) {
        rskds_close(&ds, 0);
        return 1;
    }
    int failed = 0;
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr && !failed; v = v->next) {
        if (!written(con, v)) continue;
        fill_row(con, v, &row);
        failed = rskds_put(&ds, put);
    }
    return rskds_finish(&ds, put, failed);
}

int rskvarr(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_INPUT) != 0) return 1;
    int numbers[ALL_COLUMNS];
    int failed = 0;
    for (int c = 0; c < ALL_COLUMNS; ++c)
        failed |= rskds_column(&ds, kColumns[c].name, kColumns[c].type, c == NAME || c == TYPE, &numbers[c]);
    if (failed) {
        rskds_close(&ds, 0);
        return 1;
    }
    if (con->current_environment == nullptr) {
        rskds_close(&ds, 0);
        xpmlog(598, 1094, ds.name);
        return 1;
    }
    con->read_timestamp = wzdttme();
    ReadRow row{};
    int rows = 0, defined = 0, failed_rows = 0, rc = 0;
    while (true) {
        if (con->no_memory_reported) {
            xpmlog(598, 500);
            rc = 1;
            break;
        }
        if (failed_rows >= kFailedRowLimit) {
            xpmlog(598, 1096, kFailedRowLimit, ds.name);
            rc = 1;
            break;
        }
        if (rskds_row(&ds) != 0) break;
        ++rows;
        if (read_row(con, &ds, numbers, &row, &defined) != 0) {
            ++failed_rows;
            rc = 1;
        }
    }
    rskds_close(&ds, 0);
    con->read_timestamp = 0;
    con->variables_pending = 1;
    con->environment_changed = 1;
    xpmlog(598, 1091, rows, defined, ds.name);
    return rc;
}

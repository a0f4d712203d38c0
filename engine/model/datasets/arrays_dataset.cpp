// The catalog data set of arrays: WRITEARRAYS writes the role, group, label, currencies, time
// grid and elements of each array risk factor; READARRAYS defines one array per group of rows.
#include <cctype>
#include <cstring>

#include "engine/model/arrays/arrays.h"
#include "engine/model/datasets/catalog_datasets.h"
#include "engine/model/datasets/catalog_datasets_api.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variables.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kNameWidth = 32;
constexpr int kKeywordWidth = 16;
constexpr int kTextWidth = 256;
constexpr int kFailedGroupLimit = 20;

constexpr RskColumn kColumns[] = {
    {"ARRAYNAM", QOR_VAR_CHARACTER, kNameWidth, 5035},
    {"TYPE", QOR_VAR_CHARACTER, kKeywordWidth, 5031},
    {"CONTENT", QOR_VAR_CHARACTER, kTextWidth, 5032},
};

struct ArrayWriter {
    RskCatalogDataset* ds;
    qor_putlist* put;
    char name[kNameWidth];
    char keyword[kKeywordWidth];
    char content[kTextWidth];
    int failed;
};

void write_row(ArrayWriter* w, const char* keyword, const char* text, int length) {
    if (w->failed) return;
    rskds_fill(w->keyword, kKeywordWidth, keyword, static_cast<int>(std::strlen(keyword)));
    rskds_fill(w->content, kTextWidth, text, length);
    w->failed = rskds_put(w->ds, w->put);
}

void write_array(RSKCON* con, ArrayWriter* w, const RSKVARIABLE* v) {
    rskds_fill(w->name, kNameWidth, v->name.name.text, v->name.name.length);
    const char* role = nullptr;
    const int role_length = rskcnva(con, static_cast<int>(v->role), &role);
    write_row(w, "ROLE", role, role_length);
    if (v->group_length > 0) write_row(w, "GROUP", v->group, v->group_length);
    if (v->properties.description_length > 0)
        write_row(w, "LABEL", v->properties.description, v->properties.description_length);
    if (v->currency[0] != ' ' && v->currency[0] != '\0') write_row(w, "CURRENCY", v->currency, 3);
    if (v->from_currency[0] != ' ' && v->from_currency[0] != '\0') write_row(w, "FROMCUR", v->from_currency, 3);
    if (v->time_grid_array) write_row(w, "TIMEGRID", v->time_grid_name.name.text, v->time_grid_name.name.length);
    for (const RSKNAMECELL* e = v->element_names_head; e != nullptr; e = e->next)
        write_row(w, "ELEMENT", e->name.name.text, e->name.name.length);
}

int keyword_of(RskCatalogDataset* ds, int column, char* keyword) {
    const int length = rskds_text(ds, column, keyword, kKeywordWidth);
    for (int i = 0; i < length; ++i) keyword[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(keyword[i])));
    keyword[length] = '\0';
    return length;
}

// First pass: the array's definition from its ROLE, LABEL, CURRENCY, FROMCUR and GROUP rows.
int define_group(RSKCON* con, RskCatalogDataset* ds, const int* c, bool last, RSKVARIABLE** out) {
    char name[kNameWidth], label[kTextWidth], group[kTextWidth], currency[kTextWidth], from[kTextWidth];
    char role_text[kTextWidth];
    int name_length = 0, label_length = 0, group_length = 0, currency_length = 0, from_length = 0;
    int role = -1, role_failed = 0;
    bool first = true;
    for (bool row = true; row; row = !last && rskds_next(ds, &first, &last) == 0) {
        if (name_length == 0) name_length = rskds_text(ds, c[0], name, kNameWidth);
        char keyword[kKeywordWidth + 1];
        keyword_of(ds, c[1], keyword);
        if (std::strcmp(keyword, "ROLE") == 0) {
            int length = rskds_text(ds, c[2], role_text, kTextWidth);
            for (int i = 0; i < length; ++i)
                role_text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(role_text[i])));
            role = rskcdva(con, RSKVKIND_FACTOR, role_text, length);
            if (role == 999) {
                xpmlog(598, 3142, length, role_text, name_length, name);
                role_failed = 1;
            }
        } else if (std::strcmp(keyword, "LABEL") == 0 || std::strcmp(keyword, "DESC") == 0) {
            label_length = rskds_text(ds, c[2], label, kTextWidth);
        } else if (std::strcmp(keyword, "CURRENCY") == 0) {
            currency_length = rskds_text(ds, c[2], currency, 3);
        } else if (std::strcmp(keyword, "FROMCUR") == 0) {
            from_length = rskds_text(ds, c[2], from, 3);
        } else if (std::strcmp(keyword, "GROUP") == 0) {
            group_length = rskds_text(ds, c[2], group, kNameWidth);
        }
    }
    if (role_failed) return 1;
    if (role < 0) {
        xpmlog(598, 1084, name_length, name);
        return 1;
    }
    RSKVARDEF request{};
    request.name = name;
    request.name_length = static_cast<int16_t>(name_length);
    request.label = label;
    request.label_length = static_cast<int16_t>(label_length);
    request.kind = RSKVKIND_FACTOR;
    request.data_type = RSKDTYPE_ARRAY;
    request.role = static_cast<uint32_t>(role);
    request.group = group;
    request.group_length = static_cast<int16_t>(group_length);
    request.currency = currency;
    request.currency_length = static_cast<int16_t>(currency_length);
    request.from_currency = from;
    request.from_currency_length = static_cast<int16_t>(from_length);
    request.maturity = qor::missing();
    request.scale = qor::missing();
    request.environment = con->current_environment;
    if (name_length == 0 || rskvard(con, out, &request) != 0 || *out == nullptr) {
        xpmlog(598, 1085, name_length, name);
        return 1;
    }
    return 0;
}

// Second pass over the rewound group: time grid, elements and categories. The largest code.
int fill_group(RSKCON* con, RskCatalogDataset* ds, const int* c, RSKVARIABLE* array) {
    int rc = 0;
    bool first = false, last = false;
    while (!last && rskds_next(ds, &first, &last) == 0) {
        char keyword[kKeywordWidth + 1], content[kTextWidth];
        keyword_of(ds, c[1], keyword);
        const int length = rskds_text(ds, c[2], content, kTextWidth);
        if (std::strcmp(keyword, "TIMEGRID") == 0) {
            rskname(con, &array->time_grid_name, content, length);
            array->time_grid_array = 1;
        } else if (std::strcmp(keyword, "ELEMENT") == 0) {
            if (rskarya(con, array, content, length) != 0) {
                xpmlog(598, 1086, length, content, static_cast<int>(array->name.name.length), array->name.name.text);
                rc = 1;
            }
        } else if (std::strcmp(keyword, "CATEGORY") == 0) {
            if (rskvarb(con, array, content, length) != 0) rc = 1;
        }
    }
    return rc;
}

}  // namespace

int rskaryw(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_OUTPUT) != 0) return 1;
    ArrayWriter w{};
    w.ds = &ds;
    void* const sources[] = {w.name, w.keyword, w.content};
    if (rskds_define(&ds, kColumns, 3, sources, &w.put) != 0) {
        rskds_close(&ds, 0);
        return 1;
    }
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr && !w.failed; v = v->next)
        if (v->kind == RSKVKIND_FACTOR && v->data_type == RSKDTYPE_ARRAY) write_array(con, &w, v);
    return rskds_finish(&ds, w.put, w.failed);
}

int rskaryr(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_INPUT) != 0) return 1;
    int c[3] = {};
    int failed = 0;
    for (int i = 0; i < 3; ++i) failed |= rskds_column(&ds, kColumns[i].name, QOR_VAR_CHARACTER, 1, &c[i]);
    if (failed || rskds_groups(&ds, c[0]) != 0 || con->current_environment == nullptr) {
        rskds_close(&ds, 0);
        return 1;
    }
    const uint8_t loading = con->catalog_loading;
    con->catalog_loading = 1;
    int rc = 0, groups = 0, good = 0, failed_groups = 0;
    bool first = false, last = false;
    while (rskds_next(&ds, &first, &last) == 0) {
        if (con->no_memory_reported) {
            xpmlog(598, 500);
            rc = 1;
            break;
        }
        if (failed_groups >= kFailedGroupLimit) {
            xpmlog(598, 1097, kFailedGroupLimit, ds.name);
            rc = 1;
            break;
        }
        ++groups;
        RSKVARIABLE* array = nullptr;
        int r = define_group(con, &ds, c, last, &array);
        if (r == 0) r = rskds_rewind(&ds) != 0 ? 1 : fill_group(con, &ds, c, array);
        if (r != 0) ++failed_groups;
        else ++good;
        if (r > rc) rc = r;
    }
    con->catalog_loading = loading;
    rskds_close(&ds, 0);
    con->environment_changed = 1;
    con->variables_pending = 1;
    xpmlog(598, 1088, good, groups, ds.name);
    return rc;
}

// The catalog data set of instrument types: WRITETYPES writes one row per item of each type in
// definition order; READTYPES defines one type per group of rows and stores the types.
#include <cctype>
#include <cstring>

#include "engine/model/control/startup.h"
#include "engine/model/datasets/catalog_datasets.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kNameWidth = 32;
constexpr int kKeywordWidth = 10;
constexpr int kTextWidth = 256;
constexpr int kFailedGroupLimit = 20;

constexpr RskColumn kColumns[] = {
    {"INSTTYPE", QOR_VAR_CHARACTER, kNameWidth, 5030}, {"TYPE", QOR_VAR_CHARACTER, kKeywordWidth, 5031},
    {"CONTENT", QOR_VAR_CHARACTER, kTextWidth, 5032},  {"CVALUE", QOR_VAR_CHARACTER, kTextWidth, 5033},
    {"NVALUE", QOR_VAR_NUMERIC, 8, 5034},
};

struct TypeRow {
    char insttype[kNameWidth];
    char keyword[kKeywordWidth];
    char content[kTextWidth];
    char cvalue[kTextWidth];
    double nvalue;
};

struct TypeWriter {
    RskCatalogDataset* ds;
    qor_putlist* put;
    TypeRow row;
    int failed;
};

void write_row(TypeWriter* w, const char* keyword, const char* text, int length) {
    if (w->failed) return;
    rskds_fill(w->row.keyword, kKeywordWidth, keyword, static_cast<int>(std::strlen(keyword)));
    rskds_fill(w->row.content, kTextWidth, text, length);
    rskds_fill(w->row.cvalue, kTextWidth, nullptr, 0);
    w->row.nvalue = qor::missing();
    if (rskds_put(w->ds, w->put) != 0) w->failed = 1;
}

void write_default(TypeWriter* w, const RSKTYPENAME* d) {
    if (w->failed || d->value == nullptr) return;
    const bool numeric = d->value->type == RSKVALUE_NUMERIC_TYPE;
    rskds_fill(w->row.keyword, kKeywordWidth, numeric ? "DEFAULTN" : "DEFAULTC", 8);
    rskds_fill(w->row.content, kTextWidth, d->name.name.text, d->name.name.length);
    if (numeric) {
        rskds_fill(w->row.cvalue, kTextWidth, nullptr, 0);
        w->row.nvalue = d->value->value.number;
    } else {
        rskds_fill(w->row.cvalue, kTextWidth, d->value->value.text.name.text, d->value->value.text.name.length);
        w->row.nvalue = qor::missing();
    }
    if (rskds_put(w->ds, w->put) != 0) w->failed = 1;
}

void write_action(RSKCON* con, TypeWriter* w, const RSKACTION& action) {
    // The delta-gamma pseudo-action is made by initialisation, not declared.
    if (!action.defined || action.kind == RSKACTION_DELTA_GAMMA) return;
    const char* keyword = nullptr;
    const int length = rskcnac(con, static_cast<int>(action.code), &keyword);
    char text[16] = {};
    std::memcpy(text, keyword, static_cast<size_t>(length < 15 ? length : 15));
    write_row(w, text, action.name.name.text, action.name.name.length);
}

void write_type(RSKCON* con, TypeWriter* w, const RSKINSTTYPE* t) {
    rskds_fill(w->row.insttype, kNameWidth, t->name.name.text, t->name.name.length);
    write_row(w, "LABEL", t->properties.description, t->properties.description_length);
    write_row(w, "BASE", t->base_name.name.text, t->base_name.name.length);
    const char* record = t->cash_flows ? "CASHFLOWS" : t->quadratic ? "QUADRATIC" : "";
    write_row(w, "VALRECORD", record, static_cast<int>(std::strlen(record)));
    for (const RSKTYPENAME* d = t->declared_head; d != nullptr; d = d->next)
        write_row(w, "VAR", d->name.name.text, d->name.name.length);
    for (const RSKTYPENAME* d = t->defaults_head; d != nullptr; d = d->next) write_default(w, d);
    for (int i = 0; i < t->input_count; ++i) write_action(con, w, t->inputs[i]);
    write_action(con, w, t->price);
    // The slot of action code 4 has no keyword of its own: it is not written (a second PRICE
    // row would replace the PRICE action when read back).
}

// Column numbers of an open types data set.
struct TypeColumns {
    int insttype, keyword, content, cvalue, nvalue;
};

int bind_columns(RskCatalogDataset* ds, TypeColumns* c) {
    int failed = rskds_column(ds, "INSTTYPE", QOR_VAR_CHARACTER, 1, &c->insttype);
    failed |= rskds_column(ds, "TYPE", QOR_VAR_CHARACTER, 1, &c->keyword);
    failed |= rskds_column(ds, "CONTENT", QOR_VAR_CHARACTER, 1, &c->content);
    failed |= rskds_column(ds, "CVALUE", QOR_VAR_CHARACTER, 0, &c->cvalue);
    failed |= rskds_column(ds, "NVALUE", QOR_VAR_NUMERIC, 0, &c->nvalue);
    return failed;
}

int upper_keyword(RskCatalogDataset* ds, int column, char* keyword) {
    int length = rskds_text(ds, column, keyword, kKeywordWidth);
    for (int i = 0; i < length; ++i) keyword[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(keyword[i])));
    keyword[length] = '\0';
    return length;
}

// First pass over a group: defines the type from its LABEL, BASE and VALRECORD rows. The group
// is read to its last row either way. 0 and *out; 1 after 598/1076.
int define_group(RSKCON* con, RskCatalogDataset* ds, const TypeColumns& c, bool last, RSKINSTTYPE** out) {
    char name[kNameWidth], label[kTextWidth], base[kNameWidth], text[kTextWidth];
    int name_length = 0, label_length = 0, base_length = 0, cash_flows = 0, quadratic = 0;
    bool first = true;
    for (bool row = true; row; row = !last && rskds_next(ds, &first, &last) == 0) {
        if (name_length == 0) name_length = rskds_text(ds, c.insttype, name, kNameWidth);
        char keyword[kKeywordWidth + 1];
        upper_keyword(ds, c.keyword, keyword);
        if (std::strcmp(keyword, "LABEL") == 0 || std::strcmp(keyword, "DESC") == 0) {
            label_length = rskds_text(ds, c.content, label, kTextWidth);
        } else if (std::strcmp(keyword, "BASE") == 0) {
            base_length = rskds_text(ds, c.content, base, kNameWidth);
        } else if (std::strcmp(keyword, "VALRECORD") == 0) {
            int length = rskds_text(ds, c.content, text, kTextWidth);
            for (int i = 0; i < length; ++i) text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
            cash_flows = length == 9 && std::memcmp(text, "CASHFLOWS", 9) == 0;
            quadratic = length == 9 && std::memcmp(text, "QUADRATIC", 9) == 0;
        }
    }
    if (name_length == 0 || rskclsd(con, out, name, name_length, base, base_length, label, label_length, cash_flows,
                                    quadratic, con->current_environment) != 0) {
        xpmlog(598, 1076, name_length, name);
        return 1;
    }
    return 0;
}

// Second pass over the rewound group: declared variables, defaults and actions. The largest code.
int fill_group(RSKCON* con, RskCatalogDataset* ds, const TypeColumns& c, RSKINSTTYPE* type) {
    const RSKNAMEREC& tname = type->name.name;
    int rc = 0;
    bool first = false, last = false;
    while (!last && rskds_next(ds, &first, &last) == 0) {
        char keyword[kKeywordWidth + 1], content[kTextWidth], cvalue[kTextWidth];
        const int keyword_length = upper_keyword(ds, c.keyword, keyword);
        const int length = rskds_text(ds, c.content, content, kTextWidth);
        if (std::strcmp(keyword, "VAR") == 0) {
            if (rskclsv(con, type, content, length) != 0) {
                xpmlog(598, 1077, length, content, static_cast<int>(tname.length), tname.text);
                rc = 1;
            }
        } else if (std::strcmp(keyword, "DEFAULTC") == 0 || std::strcmp(keyword, "DEFAULTN") == 0) {
            int r;
            if (keyword[7] == 'C') {
                const int clength = rskds_text(ds, c.cvalue, cvalue, kTextWidth);
                r = rskdflt(con, type, content, length, 0, cvalue, clength, 2);
            } else {
                r = rskdflt(con, type, content, length, rskds_number(ds, c.nvalue), nullptr, 0, 1);
            }
            if (r != 0) {
                xpmlog(598, 1078, length, content, static_cast<int>(tname.length), tname.text);
                rc = 1;
            }
        } else {
            const int code = keyword_length > 0 ? rskcdac(con, keyword, keyword_length) : 0;
            if (code >= 2 && rskactd(con, type, code, content, length) != 0) {
                xpmlog(598, 1079, keyword_length, keyword, length, content, static_cast<int>(tname.length),
                       tname.text);
                rc = 1;
            }
        }
    }
    return rc;
}

// Reads every group; the largest group result, 1 when the read stopped early.
int read_groups(RSKCON* con, RskCatalogDataset* ds, const TypeColumns& c, int* groups, int* good) {
    int rc = 0, failed = 0;
    bool first = false, last = false;
    while (rskds_next(ds, &first, &last) == 0) {
        if (con->no_memory_reported) {
            xpmlog(598, 500);
            return 1;
        }
        if (failed >= kFailedGroupLimit) {
            xpmlog(598, 1098, kFailedGroupLimit, ds->name);
            return 1;
        }
        ++*groups;
        RSKINSTTYPE* type = nullptr;
        int r = define_group(con, ds, c, last, &type);
        if (r == 0) {
            if (rskds_rewind(ds) != 0) return 1;
            r = fill_group(con, ds, c, type);
        }
        if (r != 0) ++failed;
        else ++*good;
        if (r > rc) rc = r;
    }
    return rc;
}

}  // namespace

int rskclsw(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_OUTPUT) != 0) return 1;
    TypeWriter w{};
    w.ds = &ds;
    void* const sources[] = {w.row.insttype, w.row.keyword, w.row.content, w.row.cvalue, &w.row.nvalue};
    if (rskds_define(&ds, kColumns, 5, sources, &w.put) != 0) {
        rskds_close(&ds, 0);
        return 1;
    }
    for (const RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr && !w.failed; t = t->next)
        write_type(con, &w, t);
    return rskds_finish(&ds, w.put, w.failed);
}

int rskclsr(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_INPUT) != 0) return 1;
    TypeColumns c{};
    if (bind_columns(&ds, &c) != 0 || rskds_groups(&ds, c.insttype) != 0) {
        rskds_close(&ds, 0);
        return 1;
    }
    const uint8_t loading = con->catalog_loading;
    con->catalog_loading = 1;
    int groups = 0, good = 0;
    int rc = read_groups(con, &ds, c, &groups, &good);
    con->catalog_loading = loading;
    rskds_close(&ds, 0);
    // The types read go into the environment's catalog; one refusal stops the storing.
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
        if (t->environment != con->current_environment) continue;
        if (rssclsa(con, t, 0) != 0) {
            xpmlog(598, 1081, static_cast<int>(t->name.name.length), t->name.name.text);
            rc = 1;
            break;
        }
    }
    con->environment_changed = 1;
    xpmlog(598, 1083, good, groups, ds.name);
    return rc;
}

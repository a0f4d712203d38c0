// The catalog data sets of reference pairs and of risk-factor categories: one row per pair (or
// category) of each risk factor, in definition order; reading adds them back group by group.
#include <cstring>

#include "engine/model/datasets/catalog_datasets.h"
#include "engine/model/datasets/catalog_datasets_api.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/catalog_records.h"
#include "host/print.h"

namespace {

constexpr int kWidth = 32;

// What differs between the two data sets.
struct PairKind {
    RskColumn columns[3];            // as written
    const char* read_names[3];       // as read; the first is the BY column
    int columns_used;                // 3 for references, 2 for categories
    int not_factor_message;
    int inherited_message;
    bool environmentless_accepted;   // a variable that records no environment
};

constexpr PairKind kReferences = {
    {{"NAME", QOR_VAR_CHARACTER, kWidth, 5036}, {"REFVAR", QOR_VAR_CHARACTER, kWidth, 5037},
     {"REFKEY", QOR_VAR_CHARACTER, kWidth, 5038}},
    {"NAME", "REFVAR", "REFKEY"}, 3, 1671, 1672, true,
};
constexpr PairKind kCategories = {
    {{"Name", QOR_VAR_CHARACTER, kWidth, 5036}, {"Category", QOR_VAR_CHARACTER, kWidth, 5017}, {}},
    {"NAME", "CATEGORY", nullptr}, 2, 1673, 1674, false,
};

int write_pairs(RSKCON* con, const PairKind& kind, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_OUTPUT) != 0) return 1;
    char fields[3][kWidth];
    void* const sources[] = {fields[0], fields[1], fields[2]};
    qor_putlist* put = nullptr;
    if (rskds_define(&ds, kind.columns, kind.columns_used, sources, &put) != 0) {
        rskds_close(&ds, 0);
        return 1;
    }
    int failed = 0;
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr && !failed; v = v->next) {
        if (v->kind != RSKVKIND_FACTOR) continue;
        rskds_fill(fields[0], kWidth, v->name.name.text, v->name.name.length);
        const RSKNAMECELL* cell = kind.columns_used == 3 ? v->reference_pairs_head : v->categories_head;
        while (cell != nullptr && !failed) {
            rskds_fill(fields[1], kWidth, cell->name.name.text, cell->name.name.length);
            cell = cell->next;
            if (kind.columns_used == 3) {
                if (cell == nullptr) break;   // pairs are kept two cells at a time
                rskds_fill(fields[2], kWidth, cell->name.name.text, cell->name.name.length);
                cell = cell->next;
            }
            failed = rskds_put(&ds, put);
        }
    }
    return rskds_finish(&ds, put, failed);
}

// The risk factor a group names, or null after the message that skips the group.
RSKVARIABLE* group_factor(RSKCON* con, const PairKind& kind, const char* name, int length) {
    RSKNAMEREC key{0, static_cast<uint16_t>(length), const_cast<char*>(name)};
    RSKVARIABLE* v = length > 0 ? rskvar(con, &key) : nullptr;
    if (v == nullptr || v->kind != RSKVKIND_FACTOR) {
        xpmlog(598, kind.not_factor_message, length, name);
        return nullptr;
    }
    const bool own = v->environment == con->current_environment ||
                     (v->environment == nullptr && kind.environmentless_accepted);
    if (!own) {
        const RSKNAMEREC* env = v->environment != nullptr ? &v->environment->name.name : nullptr;
        xpmlog(598, kind.inherited_message, static_cast<int>(v->name.name.length), v->name.name.text,
               env != nullptr ? static_cast<int>(env->length) : 0, env != nullptr ? env->text : "");
        return nullptr;
    }
    return v;
}

int read_pairs(RSKCON* con, const PairKind& kind, const char* libref, const char* member, const char* dsname) {
    RskCatalogDataset ds;
    if (rskds_open(&ds, libref, member, dsname, QOR_OPEN_INPUT) != 0) return 1;
    int numbers[3] = {};
    int failed = 0;
    for (int c = 0; c < kind.columns_used; ++c)
        failed |= rskds_column(&ds, kind.read_names[c], QOR_VAR_CHARACTER, 1, &numbers[c]);
    if (failed || rskds_groups(&ds, numbers[0]) != 0) {
        rskds_close(&ds, 0);
        return 1;
    }
    if (con->current_environment == nullptr) {
        rskds_close(&ds, 0);
        return 1;
    }
    const uint8_t loading = con->catalog_loading;
    con->catalog_loading = 1;
    int rc = 0;
    RSKVARIABLE* factor = nullptr;
    bool first = false, last = false;
    while (rskds_next(&ds, &first, &last) == 0) {
        char name[kWidth], one[kWidth], two[kWidth];
        if (first) {
            const int length = rskds_text(&ds, numbers[0], name, kWidth);
            factor = group_factor(con, kind, name, length);
            // A refused group is skipped, and the read says it did not take everything.
            if (factor == nullptr) rc = 1;
        }
        if (factor == nullptr) continue;
        const int length1 = rskds_text(&ds, numbers[1], one, kWidth);
        int r;
        if (kind.columns_used == 3) {
            const int length2 = rskds_text(&ds, numbers[2], two, kWidth);
            r = rskvara(con, factor, one, length1, two, length2);
        } else {
            r = rskvarb(con, factor, one, length1);
        }
        if (r > rc) rc = r;
    }
    con->catalog_loading = loading;
    rskds_close(&ds, 0);
    con->environment_changed = 1;
    return rc;
}

}  // namespace

int rskrefw(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    return write_pairs(con, kReferences, libref, member, dsname);
}
int rskrefr(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    return read_pairs(con, kReferences, libref, member, dsname);
}
int rskcatw(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    return write_pairs(con, kCategories, libref, member, dsname);
}
int rskcatr(RSKCON* con, const char* libref, const char* member, const char* dsname) {
    return read_pairs(con, kCategories, libref, member, dsname);
}

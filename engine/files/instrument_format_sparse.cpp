// The "Sparse" input format: one observation per variable value, grouped by InstID; each row
// names the variable (_Name_), its kind (_Type_ NUM or CHAR) and its value (_NValue_, _CValue_).
#include <strings.h>

#include <cctype>
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_read.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "host/dataset.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

#define DS_NAME(ds) name_length((ds)->definition->name), (ds)->definition->name.buffer

// Blank-insensitive equality of two identifiers (trailing blanks do not count).
bool same_id(const RSKIDBUF& a, const RSKIDBUF& b) {
    return a.length == b.length && std::memcmp(a.text, b.text, a.length) == 0;
}

double number_of(const RSKVARIABLE* v) {
    double x = 0;
    std::memcpy(&x, v->value, sizeof x);
    return x;
}

// The text of a stripped value upper-cased in place, without its leading blanks.
int upper_stripped(RSKVARIABLE* v, const char** text) {
    int length = read_stripped(v, text);
    auto* at = static_cast<char*>(v->value);
    for (int i = 0; i < length; ++i) at[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(at[i])));
    while (length > 0 && **text == ' ') {
        ++*text;
        --length;
    }
    return length;
}

// Applies one row to the pending instrument of `type`: 0, or 1 after a counted problem.
int apply_row(RSKCON* con, RSKREADDS* ds, RSKINSTTYPE* type, const RSKIDBUF& id) {
    RSKSYSVARS* sv = con->system_variables;
    const char* name = nullptr;
    int name_len = read_stripped(sv->name, &name);
    while (name_len > 0 && *name == ' ') ++name, --name_len;
    RSKNAMEREC key{static_cast<uint16_t>(name_len), static_cast<uint16_t>(name_len), const_cast<char*>(name)};
    RSKVARIABLE* v = rskvc(con, type, &key);
    const int idl = static_cast<int>(id.length);
    if (v == nullptr || v->value == nullptr) {
        if (read_problem(ds))
            xpmlog(598, 1842, name_len, name, DS_NAME(ds), idl, id.text, name_length(type->name), type->name.buffer);
        return 1;
    }
    const char* kind = nullptr;
    const int kind_len = upper_stripped(sv->type, &kind);
    const bool is_num = kind_len == 3 && std::memcmp(kind, "NUM", 3) == 0;
    const bool is_char = kind_len == 4 && std::memcmp(kind, "CHAR", 4) == 0;
    if (!is_num && !is_char) {
        if (read_problem(ds)) xpmlog(598, 1843, kind_len, kind, name_len, name, DS_NAME(ds), idl, id.text);
        return 1;
    }
    const char* description = nullptr;
    const int described = rskcsdt(con, static_cast<int>(v->data_type), &description);
    const char* row_kind = is_num ? "numeric" : "character";
    if (v->data_type == RSKDTYPE_ARRAY) {
        const double dimension = v->element_count;
        if (is_char) {
            if (read_problem(ds))
                xpmlog(598, 1844, name_len, name, DS_NAME(ds), idl, id.text, 9, "character", name_len, name, described,
                       description);
            return 1;
        }
        auto* cells = static_cast<double*>(v->value);
        const double held = cells[0] >= 0 && cells[0] <= dimension ? cells[0] : 0;
        if (held >= dimension) {
            if (read_problem(ds))
                xpmlog(598, 1865, static_cast<int>(dimension), name_length(v->name), v->name.buffer,
                       name_length(type->name), type->name.buffer, idl, id.text, DS_NAME(ds),
                       static_cast<int>(dimension), name_length(v->name), v->name.buffer);
            return 1;
        }
        cells[0] = held + 1;
        cells[static_cast<size_t>(held) + 1] = number_of(sv->nvalue);
        return 0;
    }
    const bool numeric = v->value_class == 1;
    if (numeric != is_num) {
        if (read_problem(ds))
            xpmlog(598, 1844, name_len, name, DS_NAME(ds), idl, id.text, static_cast<int>(std::strlen(row_kind)),
                   row_kind, name_len, name, described, description);
        return 1;
    }
    if (numeric) {
        const double x = number_of(sv->nvalue);
        std::memcpy(v->value, &x, sizeof x);
    } else {
        const char* text = nullptr;
        int length = read_stripped(sv->cvalue, &text);
        while (length > 0 && *text == ' ') ++text, --length;
        read_set_text(v, text, length);
    }
    return 0;
}

}  // namespace

int read_sparse_dataset(RSKCON* con, RSKREADDS* ds) {
    RSKSYSVARS* sv = con->system_variables;
    RSKVARIABLE* const six[] = {sv->cvalue, sv->nvalue, sv->name, sv->type, sv->inst_type, sv->inst_id};
    // Only the six columns of the format are bound: every other variable counts as bound.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->read_found = 1;
    for (RSKVARIABLE* v : six)
        if (v != nullptr) v->read_found = 0;
    int rc = read_prepare_get(con, ds, 6);
    if (rc != 0) return rc;
    rc = map_variable_names(con, ds, nullptr);
    lookup_kind(con, ds, RSKVKIND_SYSTEM);
    lookup_kind(con, ds, RSKVKIND_INSTRUMENT);
    for (RSKVARIABLE* v : six)
        if (check_var(con, ds, v) != 0) rc = 1;
    if (read_finish_get(con, ds) != 0) rc = 1;
    if (rc != 0) return rc;

    RSKIDBUF id{}, group{}, type_value{};
    RSKINSTTYPE* type = nullptr;
    bool pending = false;
    while (read_next(con, ds) == 0) {
        if (read_id_value(con, ds, &id) != 0) {
            read_limit_notice(ds);
            continue;
        }
        if (!same_id(id, group)) {
            if (pending) write_transaction(con, ds, type, &group);
            pending = false;
            group = id;
            if (read_insttype_value(con, ds, &type_value, &id, &type) != 0) {
                rc = 1;
            } else if (read_type_fits(con, type, RSKDSFORMAT_SPARSE)) {
                rsktrai(con, type);
                xyvget(ds->get, 0);
                pending = true;
            }
        }
        if (pending && apply_row(con, ds, type, group) != 0) rc = 1;
        read_limit_notice(ds);
    }
    if (pending) write_transaction(con, ds, type, &group);
    return rc;
}

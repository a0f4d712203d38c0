// What every input format does with a position data set: opening it, binding environment
// variables to its columns, the per-data-set problem limit, reading identifiers and instrument
// types, and writing one instrument after the type's input actions.
#include <strings.h>

#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_read.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/pricing.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/print.h"

namespace {

constexpr int kOpenInput = 0x2000001;
constexpr int kNulTerminated = -1;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

// The data set's name, member name and physical name as the messages give them.
#define DS_NAME(ds) name_length((ds)->definition->name), (ds)->definition->name.buffer
#define DS_MEMBER(ds) static_cast<int>((ds)->member_length), (ds)->member
#define DS_PHYSICAL(ds) kNulTerminated, (ds)->physical

bool wanted_numeric(const RSKVARIABLE* v) { return v->value_class == 1; }

// Variables that a column can fill directly: scalars of numeric or character storage.
bool bindable(const RSKVARIABLE* v) {
    if (v->value == nullptr || v->data_type == RSKDTYPE_ARRAY) return false;
    if (v->storage_type == RSKSTORE_QUADRATIC || v->storage_type == RSKSTORE_CASH_FLOWS) return false;
    return v->value_class == 1 || v->value_class == 2;
}

int bytes_of(const RSKVARIABLE* v) { return wanted_numeric(v) ? 8 : static_cast<int>(v->length); }

bool input_readable(const RSKVARIABLE* v) { return (v->role_flags & RSKROLEF_POSITION_DATA) != 0; }

bool named(const RSKVARIABLE* v, const char* text) {
    const size_t n = std::strlen(text);
    return v->name.name.length == n && strncasecmp(v->name.buffer, text, n) == 0;
}

}  // namespace

bool read_problem(RSKREADDS* ds) { return ds->problems++ < kRskReadProblemLimit; }

void read_limit_notice(RSKREADDS* ds) {
    if (ds->limit_noticed || ds->problems <= kRskReadProblemLimit) return;
    ds->limit_noticed = 1;
    xpmlog(598, 1805, kRskReadProblemLimit, DS_NAME(ds));
}

int read_stripped(const RSKVARIABLE* v, const char** text) {
    *text = v != nullptr && v->value != nullptr ? static_cast<const char*>(v->value) : "";
    int length = v != nullptr && v->value != nullptr ? static_cast<int>(v->length) : 0;
    while (length > 0 && ((*text)[length - 1] == ' ' || (*text)[length - 1] == '\0')) --length;
    return length;
}

void read_set_text(RSKVARIABLE* v, const char* text, int length) {
    if (v == nullptr || v->value == nullptr) return;
    const int width = static_cast<int>(v->length);
    const int kept = length < width ? (length > 0 ? length : 0) : width;
    auto* out = static_cast<char*>(v->value);
    if (kept > 0) std::memmove(out, text, static_cast<size_t>(kept));
    if (width > kept) std::memset(out + kept, ' ', static_cast<size_t>(width - kept));
}

int open_position_dataset(RSKCON*, RSKREADDS* ds) {
    ds->problems = 0;
    ds->limit_noticed = 0;
    qor_open_request request{};
    std::memcpy(request.libref, ds->libref, 8);
    request.member.length = ds->member_length;
    std::memcpy(request.member.text, ds->member, 32);
    std::memset(request.member_type, ' ', 8);
    request.mode = kOpenInput;
    const int rc = xoopen(&ds->data, &request);
    if (rc < 0) {
        ds->data = nullptr;
        xprrlog(0, rc);
        xpmlog(598, 1810, DS_MEMBER(ds), DS_NAME(ds), DS_PHYSICAL(ds));
        return 1;
    }
    return 0;
}

int read_prepare_get(RSKCON*, RSKREADDS* ds, int count) {
    const int rc = xvgeti(ds->data, count > 0 ? count : 1, &ds->get);
    if (rc < 0) {
        ds->get = nullptr;
        xprrlog(0, rc);
        xpmlog(598, 1811, DS_MEMBER(ds), DS_NAME(ds), DS_PHYSICAL(ds));
        return 1;
    }
    return 0;
}

int read_finish_get(RSKCON*, RSKREADDS* ds) {
    if (xvsele(ds->data) < 0) return 1;
    return xvgete(ds->get) < 0 ? 1 : 0;
}

int get_var(RSKCON*, RSKREADDS* ds, RSKVARIABLE* v, const char* alternative, int alternative_length) {
    if (!bindable(v)) return 1;
    const bool numeric = wanted_numeric(v);
    int number = 0;
    int rc = 0;
    const char* searched = alternative;
    int searched_length = alternative_length;
    if (alternative != nullptr && alternative_length > 0) rc = xvfind(ds->data, alternative, alternative_length, &number, 0);
    if (number == 0) {
        char own[32];
        std::memset(own, ' ', sizeof own);
        const int n = name_length(v->name) < 32 ? name_length(v->name) : 32;
        std::memcpy(own, v->name.buffer, static_cast<size_t>(n));
        searched = v->name.buffer;
        searched_length = n;
        rc = xvfind(ds->data, own, 32, &number, 0);
    }
    v->read_number = number;
    if (number == 0) {
        if (rc == 0 || rc == QOR_DS_NOT_FOUND) return 1;
        if (read_problem(ds)) xprrlog(0, rc);
        return 1;
    }
    qor_var_desc desc{};
    rc = xvname(ds->data, number, &desc);
    if (rc < 0 || (desc.type == QOR_VAR_NUMERIC) != numeric) {
        if (read_problem(ds))
            xpmlog(598, numeric ? 1816 : 1817, searched_length, searched, DS_MEMBER(ds), DS_NAME(ds),
                   name_length(v->name), v->name.buffer, DS_PHYSICAL(ds));
        return 1;
    }
    v->read_found = 1;
    rc = xvgetd(ds->get, number, v->value, bytes_of(v));
    if (rc < 0) {
        v->read_found = 0;
        if (read_problem(ds)) {
            xprrlog(0, rc);
            xpmlog(598, 1815, searched_length, searched, DS_MEMBER(ds), DS_NAME(ds), DS_PHYSICAL(ds));
        }
        return 1;
    }
    return 0;
}

int lookup_variables(RSKCON* con, RSKREADDS* ds, RSKVARLINK* variables) {
    for (RSKVARLINK* link = variables; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->read_found || !input_readable(v)) continue;
        if (named(v, "COUNTERPARTYID"))
            get_var(con, ds, v, "CPTYID", 6);
        else
            get_var(con, ds, v, nullptr, 0);
    }
    return 0;
}

int lookup_kind(RSKCON* con, RSKREADDS* ds, uint32_t kind) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != kind || v->read_found || !input_readable(v)) continue;
        if (named(v, "COUNTERPARTYID"))
            get_var(con, ds, v, "CPTYID", 6);
        else
            get_var(con, ds, v, nullptr, 0);
    }
    return 0;
}

int map_variable_names(RSKCON* con, RSKREADDS* ds, RSKINSTTYPE* type) {
    int rc = 0;
    RSKSYSVARS* sv = con->system_variables;
    for (RSKMAPCELL* m = ds->definition->mappings.head; m != nullptr; m = m->next) {
        RSKNAMEREC key{m->variable.name.length, m->variable.name.length, m->variable.buffer};
        RSKVARIABLE* v = rskvar(con, &key);
        if (v == nullptr) {
            xpmlog(598, 1808, name_length(m->variable), m->variable.buffer, DS_NAME(ds), DS_PHYSICAL(ds));
            rc = 1;
            continue;
        }
        if (type != nullptr && v != sv->inst_id && rskvc(con, type, &key) == nullptr) {
            xpmlog(598, 1823, name_length(m->variable), m->variable.buffer, DS_NAME(ds), name_length(type->name),
                   type->name.buffer);
            rc = 1;
            continue;
        }
        if (v->read_found) continue;
        if (!input_readable(v)) {
            xpmlog(598, 1017, name_length(v->name), v->name.buffer, DS_NAME(ds));
            continue;
        }
        if (v->data_type == RSKDTYPE_ARRAY) {
            xpmlog(598, 1019, name_length(v->name), v->name.buffer, DS_NAME(ds));
            continue;
        }
        const char* column = m->column;
        int column_length = m->column_length;
        if (named(v, "COUNTERPARTYID") &&
            (column_length == 0 || (column_length == 14 && strncasecmp(column, "COUNTERPARTYID", 14) == 0))) {
            column = "CPTYID";
            column_length = 6;
        }
        if (get_var(con, ds, v, column, column_length) != 0) {
            if (read_problem(ds))
                xpmlog(598, 1812, column_length, column, DS_MEMBER(ds), DS_NAME(ds), DS_PHYSICAL(ds));
            rc = 1;
        }
    }
    return rc;
}

int check_var(RSKCON*, RSKREADDS* ds, RSKVARIABLE* v) {
    if (v != nullptr && v->read_found) return 0;
    if (read_problem(ds)) {
        const int n = v != nullptr ? name_length(v->name) : 0;
        xpmlog(598, 1812, n, v != nullptr ? v->name.buffer : "", DS_MEMBER(ds), DS_NAME(ds), DS_PHYSICAL(ds));
    }
    return 1;
}

int read_next_row(RSKCON*, RSKREADDS* ds) {
    qor_obs_request request{};
    request.dataset = ds->data;
    const int rc = xoget(&request, QOR_GET_NEXT);
    if (rc != 0) {
        xofprc(&request, rc);
        return 1;
    }
    return 0;
}

int read_copy(RSKREADDS* ds) { return ds->get != nullptr && xyvget(ds->get, 0) < 0 ? 1 : 0; }

int read_next(RSKCON* con, RSKREADDS* ds) {
    if (read_next_row(con, ds) != 0) return 1;
    return read_copy(ds);
}

namespace {

int read_text(RSKREADDS* ds, const RSKVARIABLE* v, RSKIDBUF* out) {
    int length = 0;
    std::memset(out->text, ' ', sizeof out->text);
    const int rc = v->read_number > 0 ? xvget1c(ds->data, v->read_number, out->text, kRskIdCapacity, &length) : -1;
    if (rc < 0) {
        out->length = 0;
        if (read_problem(ds)) {
            if (rc != -1) xprrlog(0, rc);
            xpmlog(598, 1806, name_length(v->name), v->name.buffer, DS_MEMBER(ds), DS_NAME(ds), DS_PHYSICAL(ds));
        }
        return 1;
    }
    out->length = static_cast<uint32_t>(length < 0 ? 0 : length);
    return 0;
}

}  // namespace

int read_id_value(RSKCON* con, RSKREADDS* ds, RSKIDBUF* id) {
    return read_text(ds, con->system_variables->inst_id, id);
}

int read_insttype_value(RSKCON* con, RSKREADDS* ds, RSKIDBUF* type_value, const RSKIDBUF* id, RSKINSTTYPE** type) {
    *type = nullptr;
    if (read_text(ds, con->system_variables->inst_type, type_value) != 0) return 1;
    // Leading blanks are not part of a type's name either.
    uint32_t first = 0;
    while (first < type_value->length && type_value->text[first] == ' ') ++first;
    *type = rskcls(con, type_value->text + first, static_cast<int>(type_value->length - first));
    if (*type != nullptr) return 0;
    if (read_problem(ds))
        xpmlog(598, 1807, static_cast<int>(type_value->length), type_value->text, static_cast<int>(id->length), id->text,
               DS_NAME(ds));
    return 1;
}

bool read_type_fits(RSKCON*, RSKINSTTYPE* type, uint32_t format) {
    const char* what = nullptr;
    const char* format_word = nullptr;
    if (type->cash_flows && format != RSKDSFORMAT_CASH_FLOW) {
        what = "CASHFLOWS";
        format_word = "CASH_FLOW";
    } else if (type->quadratic && format != RSKDSFORMAT_QUADRATIC) {
        what = "QUADRATIC";
        format_word = "QUADRATIC";
    }
    if (what == nullptr) return true;
    if (!type->format_noted) {
        type->format_noted = 1;
        xpmlog(598, 1824, name_length(type->name), type->name.buffer, static_cast<int>(std::strlen(what)), what,
               static_cast<int>(std::strlen(format_word)), format_word);
    }
    return false;
}

int write_transaction(RSKCON* con, RSKREADDS* ds, RSKINSTTYPE* type, const RSKIDBUF* id) {
    RSKSYSVARS* sv = con->system_variables;
    read_set_text(sv->inst_type, type->name.buffer, name_length(type->name));
    read_set_text(sv->inst_id, id->text, static_cast<int>(id->length));
    read_set_text(sv->inst_source, ds->definition->name.buffer, name_length(ds->definition->name));

    // The input actions see the number the instrument is about to get.
    const double number = tran_get_number(con, RSKTNUM_NUMBER);
    const double total = tran_get_number(con, RSKTNUM_TOTAL);
    tran_set_number(con, RSKTNUM_NUMBER, number + 1);
    tran_set_number(con, RSKTNUM_TOTAL, number + 1);
    for (int i = 0; i < type->input_count && i < kRskInputActions; ++i)
        if (type->inputs[i].active) rskexac(con, &type->inputs[i]);
    tran_set_number(con, RSKTNUM_NUMBER, number);
    tran_set_number(con, RSKTNUM_TOTAL, total);

    RSKRUNBLOCK* run = con->run_block;
    const int rc = rsktraw(con, run->transaction_file, 0, type);
    if (rc == RSKTRAW_UNRESOLVED) {
        const int before = run->read_unresolved++;
        const RSKTFILE* file = run->transaction_file->definition;
        if (before < kRskReadProblemLimit)
            xpmlog(598, 1707, name_length(type->name), type->name.buffer, static_cast<int>(id->length), id->text,
                   DS_NAME(ds), name_length(file->name), file->name.buffer);
        else if (before == kRskReadProblemLimit)
            xpmlog(598, 1708, kRskReadProblemLimit, name_length(file->name), file->name.buffer);
    } else if (rc == RSKTRAW_WRITE_FAILED) {
        run->read_write_failed = 1;
    }
    return 0;
}

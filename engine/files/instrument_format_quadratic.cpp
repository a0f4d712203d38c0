// The "Quadratic" input format: per instrument a VALUE row (base value and the factors' centres),
// one DELTA row and up to N GAMMA rows (row j of the lower triangle), grouped by InstID; the
// risk factors are columns, the row kind is _Type_ and a GAMMA row names its factor in _Name_.
#include <cctype>
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_read.h"
#include "engine/files/instrument_values.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"
#include "host/dataset.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

#define DS_NAME(ds) name_length((ds)->definition->name), (ds)->definition->name.buffer
#define GROUP_ARGS(g, ds) name_length((g)->type->name), (g)->type->name.buffer, static_cast<int>((g)->id.length), \
                          (g)->id.text, DS_NAME(ds)

bool same_id(const RSKIDBUF& a, const RSKIDBUF& b) {
    return a.length == b.length && std::memcmp(a.text, b.text, a.length) == 0;
}

double number_of(const RSKVARIABLE* v) {
    double x = 0;
    std::memcpy(&x, v->value, sizeof x);
    return x;
}

enum State { kStarting, kValueRead, kDeltaRead };

struct Group {
    bool pending = false;            // an instrument is being assembled
    bool dropped = false;            // the rest of the group is not read
    RSKINSTTYPE* type = nullptr;
    RSKIDBUF id{};
    State state = kStarting;
    int32_t gammas = 0;
    int32_t missing_first = 0;
    int32_t missing_second = 0;
};

RSKQUADVALUE* quad_of(RSKVARIABLE* v) { return static_cast<RSKQUADVALUE*>(v->run.buffers[0]); }

// A factor's value in this row, counted and taken as 0 when missing.
double derivative(const RSKVARIABLE* factor, int32_t* missing) {
    const double x = number_of(factor);
    if (!qor::is_missing(x)) return x;
    ++*missing;
    return 0;
}

// The row kind of the observation, stripped and upper-cased in place.
int row_kind(RSKCON* con, const char** text) {
    RSKVARIABLE* v = con->system_variables->type;
    int length = read_stripped(v, text);
    auto* at = static_cast<char*>(v->value);
    for (int i = 0; i < length; ++i) at[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(at[i])));
    while (length > 0 && **text == ' ') ++*text, --length;
    return length;
}

bool is(const char* text, int length, const char* word) {
    return length == static_cast<int>(std::strlen(word)) && std::memcmp(text, word, static_cast<size_t>(length)) == 0;
}

void close_group(RSKCON* con, RSKREADDS* ds, Group* g) {
    if (!g->pending) return;
    g->pending = false;
    RSKVARIABLE* v = con->system_variables->quad_value;
    const RSKQUADVALUE* quad = quad_of(v);
    const int32_t n = quad->count;
    if (g->gammas < n) {
        if (read_problem(ds)) xpmlog(598, 1850, GROUP_ARGS(g, ds), n, g->state == kDeltaRead ? 1 : 0, g->gammas);
    } else if (g->missing_first > 0 || g->missing_second > 0) {
        if (read_problem(ds))
            xpmlog(598, 1859, GROUP_ARGS(g, ds), g->missing_first, g->missing_second, n, n * (n + 1) / 2);
    }
    if (tran_quad_fill(con, v, quad) != 0) return;
    write_transaction(con, ds, g->type, &g->id);
}

// The VALUE row: the factors that take part and their centres. 0; 1 after a counted problem
// (the instrument dropped); 2 when the buffer cannot grow.
int value_row(RSKCON* con, RSKREADDS* ds, Group* g) {
    RSKSYSVARS* sv = con->system_variables;
    const char* kind = nullptr;
    const int kind_length = row_kind(con, &kind);
    if (!is(kind, kind_length, "VALUE")) {
        if (read_problem(ds)) xpmlog(598, 1853, kind_length, kind, GROUP_ARGS(g, ds));
        return 1;
    }
    int32_t n = 0;
    for (RSKVARIABLE* f = con->variables_head; f != nullptr; f = f->next)
        if (f->kind == RSKVKIND_FACTOR && f->read_found && f->value_class == 1 && !qor::is_missing(number_of(f))) ++n;
    RSKVARIABLE* v = sv->quad_value;
    if (quad_of(v) == nullptr || n > quad_of(v)->capacity) {
        if (rskmedg(con, v, n, RSKMEM_REPLACE) != 0) return 2;
    }
    RSKQUADVALUE* quad = quad_of(v);
    const size_t n_size = static_cast<size_t>(n);
    std::memset(static_cast<void*>(quad->factors), 0, sizeof(RSKQUADFACTOR) * n_size);
    std::memset(quad->deltas, 0, sizeof(double) * n_size);
    std::memset(quad->shifts, 0, sizeof(double) * n_size);
    std::memset(quad->gammas, 0, sizeof(double) * (n_size * (n_size + 1) / 2));
    quad->count = n;
    int32_t i = 0;
    for (RSKVARIABLE* f = con->variables_head; f != nullptr && i < n; f = f->next) {
        if (f->kind != RSKVKIND_FACTOR || !f->read_found || f->value_class != 1 || qor::is_missing(number_of(f)))
            continue;
        RSKQUADFACTOR& entry = quad->factors[i];
        entry.variable = f;
        entry.offset = f->run.record_offset;
        entry.name_length = static_cast<int16_t>(name_length(f->name) < 32 ? name_length(f->name) : 32);
        std::memcpy(entry.name, f->name.buffer, static_cast<size_t>(entry.name_length));
        quad->shifts[i] = number_of(f);
        ++i;
    }
    quad->value = number_of(sv->nvalue);
    if (qor::is_missing(quad->value)) {
        if (read_problem(ds)) xpmlog(598, 1860, static_cast<int>(g->id.length), g->id.text, DS_NAME(ds));
        return 1;
    }
    g->state = kValueRead;
    return 0;
}

// The index of a factor among those taking part, or -1.
int32_t factor_index(const RSKQUADVALUE* quad, const RSKVARIABLE* f) {
    for (int32_t i = 0; i < quad->count; ++i)
        if (quad->factors[i].variable == f) return i;
    return -1;
}

// A DELTA or GAMMA row. 0; 1 after a counted problem; -1 when the instrument is dropped.
int later_row(RSKCON* con, RSKREADDS* ds, Group* g) {
    RSKSYSVARS* sv = con->system_variables;
    RSKQUADVALUE* quad = quad_of(sv->quad_value);
    const char* kind = nullptr;
    const int kind_length = row_kind(con, &kind);
    if (is(kind, kind_length, "DELTA")) {
        if (g->state == kDeltaRead) {
            if (read_problem(ds)) xpmlog(598, 1855, GROUP_ARGS(g, ds));
            return -1;
        }
        for (int32_t i = 0; i < quad->count; ++i) quad->deltas[i] = derivative(quad->factors[i].variable, &g->missing_first);
        g->state = kDeltaRead;
        return 0;
    }
    if (!is(kind, kind_length, "GAMMA")) {
        if (read_problem(ds)) xpmlog(598, 1858, kind_length, kind, GROUP_ARGS(g, ds));
        return 1;
    }
    if (g->state != kDeltaRead) {
        if (read_problem(ds)) xpmlog(598, 1857, GROUP_ARGS(g, ds));
        return -1;
    }
    const char* name = nullptr;
    int length = read_stripped(sv->name, &name);
    while (length > 0 && *name == ' ') ++name, --length;
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    RSKVARIABLE* f = length > 0 ? rskvf(con, &key) : nullptr;
    // Rows for variables that are not factors may lead the GAMMA rows; they are passed over.
    if (f == nullptr && g->gammas == 0) return 0;
    const int32_t j = f != nullptr ? factor_index(quad, f) : -1;
    if (j < 0) {
        if (read_problem(ds)) xpmlog(598, 1861, GROUP_ARGS(g, ds), length, name);
        return 1;
    }
    if (g->gammas >= quad->count) {
        if (read_problem(ds))
            xpmlog(598, 1856, quad->count, GROUP_ARGS(g, ds), name_length(g->type->name), g->type->name.buffer);
        return -1;
    }
    double* row = quad->gammas + static_cast<size_t>(j) * (j + 1) / 2;
    for (int32_t i = 0; i <= j; ++i) row[i] = derivative(quad->factors[i].variable, &g->missing_second);
    ++g->gammas;
    return 0;
}

int count_kind(RSKCON* con, uint32_t kind) {
    int n = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) n += v->kind == kind;
    return n;
}

}  // namespace

int read_quad_value_dataset(RSKCON* con, RSKREADDS* ds) {
    RSKSYSVARS* sv = con->system_variables;
    const int count = count_kind(con, RSKVKIND_INSTRUMENT) + count_kind(con, RSKVKIND_SYSTEM) +
                      count_kind(con, RSKVKIND_FACTOR);
    int rc = read_prepare_get(con, ds, count);
    if (rc != 0) return rc;
    rc = map_variable_names(con, ds, nullptr);
    lookup_kind(con, ds, RSKVKIND_FACTOR);
    lookup_kind(con, ds, RSKVKIND_SYSTEM);
    lookup_kind(con, ds, RSKVKIND_INSTRUMENT);
    for (RSKVARIABLE* v : {sv->inst_type, sv->inst_id, sv->type, sv->name, sv->nvalue})
        if (check_var(con, ds, v) != 0) rc = 1;
    if (read_finish_get(con, ds) != 0) rc = 1;
    if (rc != 0) return rc;
    if (sv->quad_value == nullptr) return 1;

    Group g;
    RSKIDBUF id{}, type_value{};
    bool started = false;
    // Rows are copied only once the group they belong to is known: the pending instrument is
    // written with the values of its own rows, not with those of the next group's first.
    while (read_next_row(con, ds) == 0) {
        if (read_id_value(con, ds, &id) != 0) {
            read_limit_notice(ds);
            continue;
        }
        if (!started || !same_id(id, g.id)) {
            close_group(con, ds, &g);
            started = true;
            g = Group{};
            g.id = id;
            g.dropped = true;
            RSKINSTTYPE* type = nullptr;
            if (read_insttype_value(con, ds, &type_value, &id, &type) != 0) {
                rc = 1;
            } else if (type->cash_flows) {
                read_type_fits(con, type, RSKDSFORMAT_QUADRATIC);
            } else if (!type->quadratic) {
                if (read_problem(ds))
                    xpmlog(598, 1852, static_cast<int>(type_value.length), type_value.text, static_cast<int>(id.length),
                           id.text, DS_NAME(ds));
            } else {
                rsktrai(con, type);
                if (read_copy(ds) != 0) return 1;
                g.type = type;
                g.dropped = false;
                const int step = value_row(con, ds, &g);
                if (step == 2) return 1;
                if (step != 0) rc = 1;
                g.pending = step == 0;
                g.dropped = step != 0;
            }
            read_limit_notice(ds);
            continue;
        }
        if (g.dropped || !g.pending) {
            read_limit_notice(ds);
            continue;
        }
        if (read_copy(ds) != 0) return 1;
        const int step = later_row(con, ds, &g);
        if (step != 0) rc = 1;
        if (step < 0) {
            g.pending = false;
            g.dropped = true;
        }
        read_limit_notice(ds);
    }
    close_group(con, ds, &g);
    read_limit_notice(ds);
    return rc;
}

// The columns of an open market data set: DATE, _HORIZON_, _TYPE_ and the row-name column, and
// the risk factors it holds (a mapped column first, then the factor's own name), bound into one
// get list so that a read fills the run's slots without copying.
#include <cstring>

#include "engine/files/market_data_internal.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "common/memory/pool_memory.h"
#include "host/print.h"

namespace {

constexpr int kReportedProblems = 40;

// The data set's variable of that name: its number and type, 0 when absent.
int find_column(mds* md, const char* name, int length, int* type) {
    int number = 0;
    const int rc = xvfind(md->data, name, length, &number, 0);
    if (rc != 0) {
        if (rc != QOR_DS_NOT_FOUND) xprrlog(1, rc);
        return 0;
    }
    qor_var_desc desc{};
    if (xvname(md->data, number, &desc) != 0) return 0;
    *type = desc.type;
    return number;
}

// A special column: 0 found (number stored), 1 absent, 2 of the other type.
int special(mds* md, const char* name, int length, int wanted_type, int32_t* number) {
    int type = 0;
    const int found = find_column(md, name, length, &type);
    if (found == 0) return 1;
    if (type != wanted_type) return 2;
    *number = found;
    return 0;
}

// Where the selector binds a found risk factor: its current value, covariance row or standard
// deviation slot in the run, or null when the run gave it none.
void* factor_slot(const RSKVARIABLE* v, int selector) {
    switch (selector) {
    case RSKMDS_SLOT_COVROW: return v->covrow_address;
    case RSKMDS_SLOT_STD: return v->std_address;
    default: return v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value;
    }
}

// The column holding the risk factor: the definition's mapped column when the data set has it,
// else the factor's own name; a character column counts as absent. Its number, or 0.
int factor_column(const RSKINPUTDS* definition, mds* md, const RSKVARIABLE* v) {
    int type = 0;
    for (const RSKMAPCELL* cell = definition->mappings.head; cell != nullptr; cell = cell->next) {
        if (cell->variable.name.length != v->name.name.length ||
            strncasecmp(cell->variable.name.text, v->name.name.text, v->name.name.length) != 0)
            continue;
        const int number = find_column(md, cell->column, cell->column_length, &type);
        if (number != 0) return type == QOR_VAR_NUMERIC ? number : 0;
    }
    const int number = find_column(md, v->name.name.text, v->name.name.length, &type);
    return number != 0 && type == QOR_VAR_NUMERIC ? number : 0;
}

void mark_found(mds* md, RSKVARIABLE* v, int number) {
    v->mds_number = number;
    v->mds_found = 1;
    switch (md->open_type) {
    case RSKMDS_CURRENT: v->from_current[0] = v->from_current[1] = 1; break;
    case RSKMDS_STD: v->from_std = 1; break;
    case RSKMDS_TIMESERIES_GAPS: v->from_series = 1; break;
    default: break;
    }
}

bool is_factor(const RSKVARIABLE* v) { return v->kind == RSKVKIND_FACTOR; }

int count_factors(RSKCON* con, mds* md, const RSKVARLINK* factors) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        v->mds_found = 0;
        v->mds_number = 0;
    }
    int count = 0;
    auto visit = [&](RSKVARIABLE* v) {
        if (v == nullptr || v->mds_found) return;
        const int number = factor_column(md->definition, md, v);
        if (number == 0) return;
        mark_found(md, v, number);
        ++count;
    };
    if (factors != nullptr)
        for (const RSKVARLINK* link = factors; link != nullptr; link = link->next) visit(link->variable);
    else
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
            if (is_factor(v)) visit(v);
    md->factor_count = count;
    return count;
}

int list_factors(RSKCON* con, mds* md, const RSKVARLINK* factors) {
    const size_t bytes = sizeof(RSKVARIABLE*) * static_cast<size_t>(md->factor_count > 0 ? md->factor_count : 1);
    md->factors = static_cast<RSKVARIABLE**>(vmalcp_handler(con->general_pool, bytes, QOR_ALLOC_ZERO));
    if (md->factors == nullptr) {
        rsknomem(con, bytes, "market data set variables list");
        md->error = 1;
        return 99;
    }
    int n = 0;
    auto take = [&](RSKVARIABLE* v) {
        if (v == nullptr || !v->mds_found || n >= md->factor_count) return;
        for (int i = 0; i < n; ++i)
            if (md->factors[i] == v) return;
        md->factors[n++] = v;
    };
    if (factors != nullptr)
        for (const RSKVARLINK* link = factors; link != nullptr; link = link->next) take(link->variable);
    else
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
            if (is_factor(v)) take(v);
    return 0;
}

int bind_failure(mds* md, int rc) {
    xprrlog(1, rc);
    xpmlog(598, 2416, MDS_MEMBER(md), MDS_DEFINITION(md));
    md->error = 1;
    return 99;
}

int bind_specials(mds* md) {
    struct Special {
        int32_t number;
        void* target;
        int width;
    };
    const Special specials[] = {{md->date_number, &md->date, 8},
                                {md->horizon_number, &md->horizon, 8},
                                {md->type_number, md->type_value, 32},
                                {md->name_number, md->name_value, 32}};
    for (const Special& s : specials) {
        if (s.number == 0) continue;
        const int rc = xvgetd(md->get, s.number, s.target, s.width);
        if (rc != 0) return bind_failure(md, rc);
    }
    return 0;
}

int bind_factors(mds* md, int selector) {
    int n = 0;
    for (int i = 0; i < md->factor_count; ++i) {
        RSKVARIABLE* v = md->factors[i];
        if (v == nullptr) break;
        ++n;
        void* slot = factor_slot(v, selector);
        const int rc = slot != nullptr ? xvgetd(md->get, v->mds_number, slot, 8) : QOR_DS_NULL_ARGUMENT;
        if (rc == 0) continue;
        if (md->problems++ < kReportedProblems) {
            xprrlog(1, rc);
            xpmlog(598, 2416, MDS_MEMBER(md), MDS_DEFINITION(md));
        }
        md->error = 1;
        return 99;
    }
    if (n != md->factor_count) {
        xebug("rskmds: get_zozu_factors: n=%i != mds->n=%i.", n, md->factor_count);
        return 99;
    }
    return 0;
}

}  // namespace

int find_date_var(RSKCON* con, mds* md, int required) {
    int rc = special(md, "DATE", 4, QOR_VAR_NUMERIC, &md->date_number);
    const char* name = "DATE";
    if (rc == 1 && con->system_variables != nullptr && con->system_variables->date != nullptr) {
        const RSKNAMEREC& date = con->system_variables->date->name.name;
        rc = special(md, date.text, date.length, QOR_VAR_NUMERIC, &md->date_number);
    }
    if (rc == 0) return 0;
    if (rc == 1) {
        if (!required) return 2;
        xpmlog(598, 2412, 4, name, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 2;
    }
    xpmlog(598, 2413, 4, name, MDS_MEMBER(md), MDS_DEFINITION(md));
    md->error = 1;
    return 99;
}

int find_horizon_var(RSKCON*, mds* md) {
    const int rc = special(md, "_HORIZON_", 9, QOR_VAR_NUMERIC, &md->horizon_number);
    if (rc == 0) return 0;
    if (rc == 1) return 2;
    xpmlog(598, 2413, 9, "_HORIZON_", MDS_MEMBER(md), MDS_DEFINITION(md));
    return 99;
}

int find_type_var(RSKCON*, mds* md) {
    const int rc = special(md, "_TYPE_", 6, QOR_VAR_CHARACTER, &md->type_number);
    if (rc == 0) return 0;
    if (rc == 1) {
        xpmlog(598, 2412, 6, "_TYPE_", MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 99;
    }
    xpmlog(598, 2414, 6, "_TYPE_", MDS_MEMBER(md), MDS_DEFINITION(md));
    return 99;
}

// The row-name column is the definition's (by default "_NAME_").
int find_name_var(RSKCON*, mds* md) {
    const RSKINPUTDS* definition = md->definition;
    const char* name = "_NAME_";
    int length = 6;
    if (definition != nullptr && definition->row_column_length > 0) {
        name = definition->row_column;
        length = definition->row_column_length;
    }
    const int rc = special(md, name, length, QOR_VAR_CHARACTER, &md->name_number);
    if (rc == 0) return 0;
    if (rc == 1) {
        xpmlog(598, 2412, length, name, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 2;
    }
    xpmlog(598, 2414, length, name, MDS_MEMBER(md), MDS_DEFINITION(md));
    return 99;
}

int find_and_bind(RSKCON* con, mds* md, const RSKVARLINK* factors, int selector, int bind) {
    count_factors(con, md, factors);
    int rc = list_factors(con, md, factors);
    if (rc != 0 || !bind) return rc;
    const int specials = (md->date_number != 0) + (md->horizon_number != 0) + (md->type_number != 0) +
                         (md->name_number != 0);
    rc = xvgeti(md->data, md->factor_count + specials, &md->get);
    if (rc != 0) {
        xprrlog(1, rc);
        xpmlog(598, 2415, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 99;
    }
    if (selector < RSKMDS_SLOT_CURRENT || selector > RSKMDS_SLOT_STD) {
        xebug("rskmds: get_zozu_factors: pdvflag=%i", selector);
        selector = RSKMDS_SLOT_CURRENT;
    }
    rc = bind_specials(md);
    if (rc == 0) rc = bind_factors(md, selector);
    if (rc != 0) return rc;
    xvsele(md->data);
    rc = xvgete(md->get);
    if (rc != 0) {
        xprrlog(1, rc);
        xpmlog(598, 2415, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 99;
    }
    return 0;
}

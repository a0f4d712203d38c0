// The "Cash_Flow" input format: one observation per cash flow (_CFCUR_, _CFDATE_, _CFAMNT_),
// grouped by InstID; the instrument's other variables are columns of the same observations.
#include <cctype>
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_read.h"
#include "engine/files/instrument_values.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_storage.h"
#include "host/dataset.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kFirstCapacity = 128;
constexpr int32_t kLargestGrowth = 1024;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

#define DS_NAME(ds) name_length((ds)->definition->name), (ds)->definition->name.buffer

bool same_id(const RSKIDBUF& a, const RSKIDBUF& b) {
    return a.length == b.length && std::memcmp(a.text, b.text, a.length) == 0;
}

double number_of(const RSKVARIABLE* v) {
    double x = 0;
    std::memcpy(&x, v->value, sizeof x);
    return x;
}

// The group being assembled.
struct Group {
    bool pending = false;
    RSKINSTTYPE* type = nullptr;
    RSKIDBUF id{};
    int32_t missing_dates = 0;
    int32_t missing_amounts = 0;
};

RSKCASHFLOWS* flows_of(RSKVARIABLE* v) { return static_cast<RSKCASHFLOWS*>(v->run.buffers[0]); }

// Closes the pending instrument: written when it has a flow, else 598/1874.
void close_group(RSKCON* con, RSKREADDS* ds, Group* g) {
    if (!g->pending) return;
    g->pending = false;
    const int idl = static_cast<int>(g->id.length);
    const RSKOBJNAME& type_name = g->type->name;
    if ((g->missing_dates > 0 || g->missing_amounts > 0) && read_problem(ds))
        xpmlog(598, 1873, name_length(type_name), type_name.buffer, idl, g->id.text, DS_NAME(ds), g->missing_dates,
               g->missing_amounts);
    RSKVARIABLE* v = con->system_variables->cash_flows;
    RSKCASHFLOWS* flows = flows_of(v);
    if (flows->count < 1) {
        if (read_problem(ds)) xpmlog(598, 1874, name_length(type_name), type_name.buffer, idl, g->id.text, DS_NAME(ds));
        return;
    }
    if (tran_cash_fill(con, v, flows->currencies, flows->dates, flows->amounts, static_cast<uint32_t>(flows->count)) != 0)
        return;
    write_transaction(con, ds, g->type, &g->id);
}

// Appends the observation's flow: 0; 1 after a counted problem; 2 when the buffer cannot grow.
int add_flow(RSKCON* con, RSKREADDS* ds, Group* g) {
    RSKSYSVARS* sv = con->system_variables;
    RSKVARIABLE* v = sv->cash_flows;
    RSKCASHFLOWS* flows = flows_of(v);
    if (flows->count >= flows->capacity) {
        const int32_t growth = flows->capacity < kLargestGrowth ? flows->capacity : kLargestGrowth;
        if (rskmecf(con, v, flows->capacity + (growth > 0 ? growth : kFirstCapacity), RSKMEM_KEEP) != 0) return 2;
        flows = flows_of(v);
    }
    const char* code = nullptr;
    int length = read_stripped(sv->cf_currency, &code);
    auto* text = static_cast<char*>(sv->cf_currency->value);
    for (int i = 0; i < length; ++i) text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    while (length > 0 && *code == ' ') ++code, --length;
    if (length != 3 || rskcur(con, code) == nullptr) {
        if (read_problem(ds))
            xpmlog(598, 1872, length, code, name_length(g->type->name), g->type->name.buffer,
                   static_cast<int>(g->id.length), g->id.text, DS_NAME(ds));
        return 1;
    }
    const double date = number_of(sv->cf_date), amount = number_of(sv->cf_amount);
    if (qor::is_missing(date)) {
        ++g->missing_dates;
        return 0;
    }
    if (qor::is_missing(amount)) {
        ++g->missing_amounts;
        return 0;
    }
    const int32_t k = flows->count;
    std::memcpy(flows->currencies[k], code, 3);
    flows->dates[k] = date;
    flows->amounts[k] = amount;
    flows->count = k + 1;
    return 0;
}

int count_kind(RSKCON* con, uint32_t kind) {
    int n = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) n += v->kind == kind;
    return n;
}

}  // namespace

int read_cashflows_dataset(RSKCON* con, RSKREADDS* ds) {
    RSKSYSVARS* sv = con->system_variables;
    int rc = read_prepare_get(con, ds, count_kind(con, RSKVKIND_INSTRUMENT) + count_kind(con, RSKVKIND_SYSTEM));
    if (rc != 0) return rc;
    rc = map_variable_names(con, ds, nullptr);
    lookup_kind(con, ds, RSKVKIND_SYSTEM);
    lookup_kind(con, ds, RSKVKIND_INSTRUMENT);
    for (RSKVARIABLE* v : {sv->inst_type, sv->inst_id, sv->cf_currency, sv->cf_date, sv->cf_amount})
        if (check_var(con, ds, v) != 0) rc = 1;
    if (read_finish_get(con, ds) != 0) rc = 1;
    if (rc != 0) return rc;
    RSKVARIABLE* cash = sv->cash_flows;
    if (cash == nullptr) return 1;
    if ((flows_of(cash) == nullptr || flows_of(cash)->capacity < kFirstCapacity) &&
        rskmecf(con, cash, kFirstCapacity, flows_of(cash) == nullptr ? RSKMEM_FIRST : RSKMEM_REPLACE) != 0)
        return 1;

    Group g;
    RSKIDBUF id{}, type_value{};
    bool unread = false;   // the current group's type could not be used
    // Rows are copied only once the group they belong to is known: the pending instrument is
    // written with the values of its own last row, not with those of the next group's first.
    while (read_next_row(con, ds) == 0) {
        if (read_id_value(con, ds, &id) != 0) {
            rc = 1;
            read_limit_notice(ds);
            continue;
        }
        if (!(g.pending || unread) || !same_id(id, g.id)) {
            close_group(con, ds, &g);
            g = Group{};
            g.id = id;
            unread = true;
            RSKINSTTYPE* type = nullptr;
            if (read_insttype_value(con, ds, &type_value, &id, &type) != 0) {
                rc = 1;
            } else if (type->quadratic) {
                read_type_fits(con, type, RSKDSFORMAT_CASH_FLOW);
            } else if (!type->cash_flows) {
                if (read_problem(ds))
                    xpmlog(598, 1870, name_length(type->name), type->name.buffer, static_cast<int>(id.length), id.text,
                           DS_NAME(ds), name_length(type->name), type->name.buffer);
            } else {
                flows_of(cash)->count = 0;
                rsktrai(con, type);
                g.type = type;
                g.pending = true;
                unread = false;
            }
        }
        if (g.pending) {
            // The instrument's other variables take this observation's values.
            if (read_copy(ds) != 0) {
                g.pending = false;
                return 1;
            }
            const int step = add_flow(con, ds, &g);
            if (step == 2) {
                g.pending = false;
                return 1;
            }
            if (step != 0) rc = 1;
        }
        read_limit_notice(ds);
    }
    close_group(con, ds, &g);
    read_limit_notice(ds);
    return rc;
}

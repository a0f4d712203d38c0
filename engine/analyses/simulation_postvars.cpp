// The post-valuation pass of a simulation cell: every output variable's statistics of the first
// pass and its value in each replication are handed to the post-valuation methods as the ten
// post-variables, and what the methods compute goes into the replication slots of their cells.
#include <cstdio>
#include <cstring>

#include "engine/analyses/simulation_postvars.h"
#include "engine/analyses/simulation_run.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/position_loop.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "engine/tables/method_records.h"
#include "host/missing.h"
#include "host/print.h"

const char* const kRskPostSuffixes[RSKPV_SLOTS] = {".MtM", ".VaR", ".VaR_l", ".VaR_u", ".mean",
                                                   ".std", ".min",  ".max",  ".median", ".value"};

namespace {

char letter_of(const RSKACTION* action) {
    if (action->kind != RSKACTION_METHOD_CALL || action->target == nullptr) return RSKMKIND_NONE;
    return static_cast<const RSKGENTRANS*>(action->target)->kind;
}

int mark_letter(RSKCON* con, char letter, int on) {
    if (con == nullptr || con->run_compile == nullptr) return 0;
    for (RSKACTION* a = con->run_compile->actions_first; a != nullptr; a = a->next)
        if (letter_of(a) == letter) rskmact(con, a, RSKBLK_MAIN, on, 0);
    return 0;
}

double* symbol_of(RSKCON* con, const char* name, int length, const char* member) {
    double* at = nullptr;
    return lookup_sym(con, name, length, member, &at) == 0 ? at : nullptr;
}

}  // namespace

int mark_postvar(RSKCON* con, int on) { return mark_letter(con, RSKMKIND_POSTVAR, on); }
int mark_postprc(RSKCON* con, int on) { return mark_letter(con, RSKMKIND_POSTPRICE, on); }

// ---- Shared by the post passes ----

// The program value of an output variable that names an environment variable: the symbol of
// its name, or "name[e]" of an array element. Null when the program does not know it.
double* rsasim_variable_symbol(RSKCON* con, const RSKSIMOUTV& v) {
    if (v.variable == nullptr) return nullptr;
    const RSKNAMEREC& n = v.variable->name.name;
    if (v.element <= 0) return symbol_of(con, n.text, n.length, nullptr);
    char reference[64];
    const int length = std::snprintf(reference, sizeof reference, "%.*s[%i]", n.length > 32 ? 32 : n.length, n.text,
                                     v.element);
    double* at = nullptr;
    return lookup_array(con, reference, length, &at) == 0 ? at : nullptr;
}

// The base-case value of output variable v in the cell record the area lies in: the value sum
// for P/L, 0 for returns (a change against itself), the exposure sum for exposures, and the
// variable's own sum where the run placed it in the cell; missing otherwise.
double rsasim_outv_base(RSKCON* con, RSKANLPROC* run, void* area, const RSKSIMOUTV& v) {
    if (v.is_return) return 0.0;
    const double value = rsasim_cell_base(run, area);
    if (v.is_pl) return value;
    if (qor::is_missing(value) && run->cell_offset < static_cast<int32_t>(sizeof(RSKCELLHEAD))) return value;
    const uint8_t* cell = static_cast<uint8_t*>(area) - run->cell_offset;
    double x = qor::missing();
    if (v.is_exposure) {
        std::memcpy(&x, cell + offsetof(RSKCELLHEAD, exposure_sum), sizeof x);
        return x;
    }
    const RSKRUNBLOCK* rb = con->run_block;
    if (v.variable == nullptr || rb == nullptr || rb->output_variables == nullptr) return x;
    const int32_t element_offset = v.element > 0 ? (v.element - 1) * 8 : 0;
    for (const RSKOUTVAR* e = rb->output_variables->first; e != nullptr; e = e->next_in_order)
        if (e->variable == v.variable && e->element_offset == element_offset && e->cell_offset >= 0) {
            std::memcpy(&x, cell + e->cell_offset, sizeof x);
            break;
        }
    return x;
}

namespace {

// ---- The post-valuation tables ----

void base_name(const RSKSIMOUTV& v, const char** name, int32_t* length) {
    if (v.is_pl) {
        *name = "_VALUE_";
        *length = 7;
    } else if (v.is_return) {
        *name = "_RETURN_";
        *length = 8;
    } else {
        *name = v.name.name.text;
        *length = v.name.name.length;
    }
}

RSKPOSTVARS* build_postvars(RSKCON* con, RSKSIMWORK* w) {
    int32_t given = 0, computed = 0;
    for (int32_t v = 0; v < w->outv_count; ++v)
        (w->outv[v].source_kind == RSKSIMSRC_POSTVALUATION ? computed : given) += 1;
    const size_t bytes = sizeof(RSKPOSTVARS) + sizeof(RSKPOSTVAR) * static_cast<size_t>(given) +
                         (sizeof(int32_t) + sizeof(double*)) * static_cast<size_t>(computed) +
                         sizeof(double) * static_cast<size_t>(given) + 8;
    auto* t = static_cast<RSKPOSTVARS*>(rskmem_alloc(con, bytes, "postvar memory", RSKMEM_POSTPROCESSING, 1));
    if (t == nullptr) return nullptr;
    uint8_t* next = reinterpret_cast<uint8_t*>(t + 1);
    t->entries = reinterpret_cast<RSKPOSTVAR*>(next);
    next += sizeof(RSKPOSTVAR) * static_cast<size_t>(given);
    t->mtm = reinterpret_cast<double*>(next);
    next += sizeof(double) * static_cast<size_t>(given);
    t->computed_symbols = reinterpret_cast<double**>(next);
    next += sizeof(double*) * static_cast<size_t>(computed);
    t->computed = reinterpret_cast<int32_t*>(next);
    for (int32_t v = 0; v < w->outv_count; ++v) {
        const RSKSIMOUTV& o = w->outv[v];
        if (o.source_kind == RSKSIMSRC_POSTVALUATION) {
            t->computed[t->computed_count] = v;
            t->computed_symbols[t->computed_count++] = rsasim_variable_symbol(con, o);
            continue;
        }
        RSKPOSTVAR& e = t->entries[t->count++];
        e.outv = v;
        base_name(o, &e.name, &e.name_length);
        for (int s = 0; s < RSKPV_SLOTS; ++s) {
            e.own[s] = qor::missing();
            e.slots[s] = symbol_of(con, e.name, e.name_length, kRskPostSuffixes[s] + 1);
            if (e.slots[s] == nullptr) e.slots[s] = &e.own[s];
        }
    }
    t->value = symbol_of(con, "_VALUE_", 7, nullptr);
    t->return_value = symbol_of(con, "_RETURN_", 8, nullptr);
    t->horizon = symbol_of(con, "_HORIZON_", 9, nullptr);
    t->date = symbol_of(con, "_DATE_", 6, nullptr);
    t->cumcf = symbol_of(con, "_CUMCF_", 7, nullptr);
    return t;
}

void put(double* at, double x) {
    if (at != nullptr) *at = x;
}

// The statistics of each output variable, the same for every replication of a VaR type and horizon.
void set_statistics(RSKSIMWORK* w, void* area, int32_t k, int32_t h) {
    RSKPOSTVARS* t = w->postvars;
    for (int32_t i = 0; i < t->count; ++i) {
        RSKPOSTVAR& e = t->entries[i];
        RSKSIMSTATS s;
        rsasim_get_stats(rsasim_block(w, area, k, h, e.outv), &s);
        *e.slots[RSKPV_VAR] = s.var;
        *e.slots[RSKPV_VAR_L] = s.var_l;
        *e.slots[RSKPV_VAR_U] = s.var_u;
        *e.slots[RSKPV_MEAN] = s.mean;
        *e.slots[RSKPV_STD] = s.std;
        *e.slots[RSKPV_MIN] = s.minimum;
        *e.slots[RSKPV_MAX] = s.maximum;
        *e.slots[RSKPV_MEDIAN] = s.median;
    }
}

// The inputs of one state: each variable's mark-to-market value and its value in the state, and
// the run symbols. P/L and returns are changes, so their value in the state is the change plus the
// base; every other output variable already holds its value in the state.
void set_vars_postvar(RSKCON* con, RSKSIMWORK* w, RSKANLPROC* run, void* area, const double* mtm, int32_t k,
                      int32_t h, int64_t r) {
    RSKPOSTVARS* t = w->postvars;
    double value = qor::missing(), return_value = qor::missing();
    for (int32_t i = 0; i < t->count; ++i) {
        RSKPOSTVAR& e = t->entries[i];
        const RSKSIMOUTV& o = w->outv[e.outv];
        const double x = rsasim_get(rsasim_values(w, rsasim_block(w, area, k, h, e.outv)), r);
        const bool change = o.is_pl || o.is_return;
        double in_state = x;
        if (change) in_state = qor::is_missing(x) || qor::is_missing(mtm[i]) ? qor::missing() : x + mtm[i];
        *e.slots[RSKPV_MTM] = mtm[i];
        *e.slots[RSKPV_VALUE] = in_state;
        if (o.is_pl) value = in_state;
        if (o.is_return) return_value = x;
    }
    put(t->value, value);
    put(t->return_value, return_value);
    put(t->horizon, w->horizons[h]);
    put(t->date, rskincValDate(con, w, w->horizons[h]));
    put(t->cumcf, qor::missing());
    (void)run;
}

// What the methods computed goes into the replication slots: additive variables (roll-up class
// below 3) as their change against the cell's base value, the others as computed.
void save_vars_postvar(RSKSIMWORK* w, void* area, double base, int32_t k, int32_t h, int64_t r) {
    RSKPOSTVARS* t = w->postvars;
    for (int32_t i = 0; i < t->computed_count; ++i) {
        const int32_t v = t->computed[i];
        const RSKSIMOUTV& o = w->outv[v];
        const double* at = t->computed_symbols[i];
        double x = at != nullptr ? *at : qor::missing();
        const bool as_is = o.variable != nullptr && o.variable->rollup >= 3;
        if (!as_is) x = qor::is_missing(x) || qor::is_missing(base) ? qor::missing() : x - base;
        rsasim_set(rsasim_values(w, rsasim_block(w, area, k, h, v)), r, x);
    }
}

const RSKNAMEREC& analysis_name(const RSKSIMWORK* w) { return w->analysis->name.name; }

}  // namespace

int postvar_run(RSKCON* con, RSKANLPROC* run, void* area) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || area == nullptr || con->run_block == nullptr) return 1;
    RSKRUNBLOCK* rb = con->run_block;
    // A cash-flow analysis hands its cumulative cash flows to the methods per bucket date.
    if (w->kind == RSKANL_CASHFLOW && rb->phases.cumulative_cf) {
        if (rb->phases.cashflow_dates <= 0) {
            xpslog("%1zCannot find bucket variables in the project.");
            return 1;
        }
        if (run->cumulative_cf == nullptr) {
            xpslog("%1zWork memory for cumcf has not been assigned.");
            return 1;
        }
    }
    if (w->postvars == nullptr) {
        w->postvars = build_postvars(con, w);
        if (w->postvars == nullptr) return 1;
    }
    // Without a generated program every state would fail alike: say so once.
    if (rskcmpi(con, 0) == nullptr) {
        xpmlog(670, 3623, analysis_name(w).length, analysis_name(w).text);
        return 2;
    }
    RSKPOSTVARS* t = w->postvars;
    // Mark-to-market values per entry, the same in every state of the cell.
    double* mtm = t->mtm;
    for (int32_t i = 0; i < t->count; ++i) mtm[i] = rsasim_outv_base(con, run, area, w->outv[t->entries[i].outv]);
    const double base = rsasim_cell_base(run, area);

    mark_postvar(con, 1);
    int rc = 0;
    for (int32_t k = 0; k < w->var_types; ++k)
        for (int32_t h = 0; h < w->horizon_count; ++h) {
            set_statistics(w, area, k, h);
            for (int64_t r = 0; r < w->replications; ++r) {
                set_vars_postvar(con, w, run, area, mtm, k, h, r);
                const int code = rskrcmp(con, nullptr, run->first_state);
                if (code != 0) {
                    if (t->failures_reported < kRskPostFailureLines) {
                        ++t->failures_reported;
                        xpmlog(670, 3623, analysis_name(w).length, analysis_name(w).text);
                    }
                    if (code > rc) rc = code;
                }
                save_vars_postvar(w, area, base, k, h, r);
            }
        }
    mark_postvar(con, 0);
    return rc;
}

void finish_postvar(RSKCON*, RSKSIMWORK* w) {
    if (w == nullptr || w->postvars == nullptr) return;
    RSKPOSTVARS* t = w->postvars;
    for (int32_t i = 0; i < t->count; ++i)
        for (double* slot : t->entries[i].slots) *slot = qor::missing();
    put(t->value, qor::missing());
    put(t->return_value, qor::missing());
    put(t->horizon, qor::missing());
    put(t->date, qor::missing());
    put(t->cumcf, qor::missing());
}

// The post-pricing pass of a simulation cell: the post-pricing methods run once per VaR type,
// replication and horizon on the cell's replication values, and each post-priced variable's
// result goes into its own replication slot.
#include <cmath>
#include <cstring>

#include "engine/analyses/simulation_postvars.h"
#include "engine/analyses/simulation_run.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kEps16 = 1.110223024625157e-16;

double* symbol_of(RSKCON* con, const char* name, int length, const char* member) {
    double* at = nullptr;
    return lookup_sym(con, name, length, member, &at) == 0 ? at : nullptr;
}

// The name an input is handed over under: the run's own names for the built-in values.
bool input_name(const RSKSIMOUTV& v, const char** name, int* length) {
    if (v.is_pl) {
        *name = "_VALUE_";
        *length = 7;
    } else if (v.is_return) {
        *name = "_RETURN_";
        *length = 8;
    } else if (v.is_exposure) {
        *name = "EXPOSURE";
        *length = 8;
    } else {
        return false;
    }
    return true;
}

RSKPOSTPRICE* build_postprice(RSKCON* con, RSKSIMWORK* w) {
    const size_t n = static_cast<size_t>(w->outv_count);
    auto* t = static_cast<RSKPOSTPRICE*>(rskmem_alloc(con, sizeof(RSKPOSTPRICE) + 3 * n * sizeof(double*) + n * sizeof(double),
                                                      "postprice memory", RSKMEM_POSTPROCESSING, 1));
    if (t == nullptr) return nullptr;
    t->symbols = reinterpret_cast<double**>(t + 1);
    t->mtm_symbols = t->symbols + n;
    t->value_symbols = t->mtm_symbols + n;
    t->mtm = reinterpret_cast<double*>(t->value_symbols + n);
    t->pl = t->exposure = -1;
    for (int32_t v = 0; v < w->outv_count; ++v) {
        const RSKSIMOUTV& o = w->outv[v];
        if (o.is_pl && t->pl < 0) t->pl = v;
        if (o.is_exposure && t->exposure < 0) t->exposure = v;
        if (o.source_kind == RSKSIMSRC_POSTVALUATION) continue;
        if (o.source_kind == RSKSIMSRC_POSTPRICING) {
            t->symbols[v] = rsasim_variable_symbol(con, o);
            ++t->priced_count;
            continue;
        }
        const char* name = nullptr;
        int length = 0;
        if (input_name(o, &name, &length)) {
            t->symbols[v] = symbol_of(con, name, length, nullptr);
        } else {
            t->symbols[v] = rsasim_variable_symbol(con, o);
            name = o.name.name.text;
            length = o.name.name.length;
        }
        t->mtm_symbols[v] = symbol_of(con, name, length, "MtM");
        t->value_symbols[v] = symbol_of(con, name, length, "value");
    }
    t->horizon = symbol_of(con, "_HORIZON_", 9, nullptr);
    t->date = symbol_of(con, "_DATE_", 6, nullptr);
    return t;
}

void put(double* at, double x) {
    if (at != nullptr) *at = x;
}

double value_at(const RSKSIMWORK* w, void* area, int32_t k, int32_t h, int32_t v, int64_t r) {
    if (v < 0) return qor::missing();
    return rsasim_get(rsasim_values(w, rsasim_block(w, area, k, h, v)), r);
}

// P/L and return slots hold changes against the base value (returns become fractions only when
// the cell finishes), so their value in the state is the change plus the base, and the return
// is the change over the base's magnitude. A negative exposure is handed over as 0.
void set_vars_postprc(RSKCON* con, RSKSIMWORK* w, void* area, const double* mtm, int32_t k, int32_t h, int64_t r) {
    RSKPOSTPRICE* t = w->postprice;
    for (int32_t v = 0; v < w->outv_count; ++v) {
        const RSKSIMOUTV& o = w->outv[v];
        if (o.source_kind != RSKSIMSRC_PRICED) continue;
        const double x = value_at(w, area, k, h, v, r);
        double handed = x;
        if (o.is_pl) {
            handed = qor::is_missing(x) || qor::is_missing(mtm[v]) ? qor::missing() : x + mtm[v];
        } else if (o.is_return) {
            const double base = mtm[t->pl >= 0 ? t->pl : v];
            const bool usable = !qor::is_missing(base) && std::fabs(base) > kEps16;
            handed = qor::is_missing(x) || !usable ? qor::missing() : x / std::fabs(base);
        } else if (o.is_exposure && !qor::is_missing(x) && x < 0.0) {
            handed = 0.0;
        }
        put(t->symbols[v], handed);
        put(t->mtm_symbols[v], o.is_return ? 0.0 : mtm[v]);
        put(t->value_symbols[v], handed);
    }
    put(t->horizon, w->horizons[h]);
    put(t->date, rskincValDate(con, w, w->horizons[h]));
}

// Each post-priced variable's result into its slot; a run whose value-weighted variables are
// returns converts them back by the magnitude of the cell's value in the state (roll-up class 2)
// or by its exposure (class 1).
void save_vars_postprc(RSKCON* con, RSKSIMWORK* w, void* area, const double* mtm, int32_t k, int32_t h, int64_t r) {
    RSKPOSTPRICE* t = w->postprice;
    const bool converts = con->run_block->loop.value_weighted != 0;
    const double pl = value_at(w, area, k, h, t->pl, r);
    const double value = t->pl < 0 || qor::is_missing(pl) || qor::is_missing(mtm[t->pl]) ? qor::missing()
                                                                                            : pl + mtm[t->pl];
    const double exposure = value_at(w, area, k, h, t->exposure, r);
    for (int32_t v = 0; v < w->outv_count; ++v) {
        const RSKSIMOUTV& o = w->outv[v];
        if (o.source_kind != RSKSIMSRC_POSTPRICING) continue;
        double y = t->symbols[v] != nullptr ? *t->symbols[v] : qor::missing();
        const uint32_t rollup = o.variable != nullptr ? o.variable->rollup : 0;
        if (converts && (rollup == 1 || rollup == 2)) {
            const double factor = rollup == 2 ? (qor::is_missing(value) ? value : std::fabs(value)) : exposure;
            y = qor::is_missing(y) || qor::is_missing(factor) ? qor::missing() : y * factor;
        }
        rsasim_set(rsasim_values(w, rsasim_block(w, area, k, h, v)), r, y);
    }
}

}  // namespace

int postprice_sim_run(RSKCON* con, RSKANLPROC* run, void* area) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || area == nullptr || con->run_block == nullptr) return 1;
    if (w->postprice == nullptr) {
        w->postprice = build_postprice(con, w);
        if (w->postprice == nullptr) return 1;
    }
    RSKPOSTPRICE* t = w->postprice;
    if (t->priced_count == 0) return 0;
    const RSKNAMEREC& name = w->analysis->name.name;
    if (rskcmpi(con, 0) == nullptr) {
        xpmlog(670, 3624, name.length, name.text);
        return 2;
    }
    double* mtm = t->mtm;
    for (int32_t v = 0; v < w->outv_count; ++v) mtm[v] = rsasim_outv_base(con, run, area, w->outv[v]);

    mark_postprc(con, 1);
    int rc = 0;
    for (int32_t k = 0; k < w->var_types; ++k)
        for (int64_t r = 0; r < w->replications; ++r)
            for (int32_t h = 0; h < w->horizon_count; ++h) {
                set_vars_postprc(con, w, area, mtm, k, h, r);
                const int code = rskrcmp(con, nullptr, run->first_state);
                if (code != 0) {
                    if (t->failures_reported < kRskPostFailureLines) {
                        ++t->failures_reported;
                        xpmlog(670, 3624, name.length, name.text);
                    }
                    if (code > rc) rc = code;
                }
                save_vars_postprc(con, w, area, mtm, k, h, r);
            }
    mark_postprc(con, 0);
    return rc;
}

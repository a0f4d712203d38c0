// The generate phase of a simulation: one pass of the kind's generator per simulation case
// (unconditional, conditional and marginal categories), the per-state callback that appends and
// files each state, and the risk-factor change statistics gathered on the way.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/analyses/simulation_run.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/categories/categories.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/market_state.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kEps13 = 1.110223024625157e-13;
constexpr int kMostSetupLines = 10;
constexpr int kListedFactors = 20;

double* current_slot(RSKVARIABLE* v) {
    void* slot = v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value;
    return static_cast<double*>(slot);
}

double read_double(const double* slot) {
    double x;
    std::memcpy(&x, slot, 8);
    return x;
}

RSKSIMRFSTAT* rf_entry(RSKSIMWORK* w, int32_t k, int32_t h, int32_t f) {
    return &w->rf_stats[(static_cast<int64_t>(k) * w->horizon_count + h) * w->rf_count + f];
}

bool member_of(const RSKCATEGORY* category, const RSKVARIABLE* v) {
    for (const RSKMEMBERLINK* m = category->head; m != nullptr; m = m->next)
        if (m->variable == v) return true;
    return false;
}

// The category of VaR type t (1-based among the taken categories), or null.
RSKCATEGORY* category_of(RSKCON* con, RSKSIMWORK* w, int32_t t) {
    RSKNAMEREC name{32, 32, w->categories[t - 1]};
    while (name.length > 0 && name.text[name.length - 1] == ' ') --name.length;
    return rskcat(con, &name);
}

// Weights of a case: unconditional all 1; conditional only the category's members change;
// marginal every factor but the members.
void set_weights(RSKCON* con, RSKSIMWORK* w, RSKANLPROC* run, int32_t t) {
    RSKCATEGORY* category = t > 0 ? category_of(con, w, t) : nullptr;
    const bool conditional = t >= 1 && t <= w->conditional;
    int32_t f = 0;
    for (RSKRUNFACTOR* factor = run->run_factors_head; factor != nullptr && f < w->rf_count; factor = factor->next, ++f) {
        if (category == nullptr) w->factor_weights[f] = 1;
        else if (conditional) w->factor_weights[f] = member_of(category, factor->variable) ? 1 : 0;
        else w->factor_weights[f] = member_of(category, factor->variable) ? 0 : 1;
    }
}

int set_up_state_vector(RSKCON* con, RSKSIMWORK* w) {
    if (con->run_block == nullptr || con->run_block->market_vectors[0] == nullptr) return 0;
    const int rc = rskrsvx(con, 0, 0);
    if (rc != 0) {
        if (w->setup_lines++ < kMostSetupLines) xebug("rsasim1: bad rc=%i from rskrsvx.", rc);
        con->error = 1;
        return 1;
    }
    return 0;
}

int run_case(RSKCON* con, RSKANLPROC* run, RSKSIMWORK* w, RSKSTATEGEN generator, int32_t t) {
    set_weights(con, w, run, t);
    if (set_up_state_vector(con, w) != 0) return 1;
    set_output_ids(con, w, t);
    w->last_replication = -1;
    return generator(con, run, &rsasimx, t);
}

// Adds the change of every run factor in the current state to the statistics of case k, h.
void accumulate_rf_stats(RSKSIMWORK* w, RSKANLPROC* run, int32_t k, int32_t h) {
    int32_t f = 0;
    for (RSKRUNFACTOR* factor = run->run_factors_head; factor != nullptr && f < w->rf_count; factor = factor->next, ++f) {
        RSKSIMRFSTAT* s = rf_entry(w, k, h, f);
        if (s->count < 0) continue;
        RSKVARIABLE* v = factor->variable;
        const double* slot = v != nullptr ? current_slot(v) : nullptr;
        const double base = v != nullptr && v->base_value != nullptr ? *v->base_value : qor::missing();
        const double value = slot != nullptr ? read_double(slot) : qor::missing();
        if (qor::is_missing(value) || qor::is_missing(base) || !std::isfinite(value - base)) {
            s->count = -1;
            continue;
        }
        const double change = value - base;
        s->base = base;
        s->sum += change;
        s->squares += change * change;
        if (s->count == 0 || change < s->minimum) s->minimum = change;
        if (s->count == 0 || change > s->maximum) s->maximum = change;
        ++s->count;
    }
}

bool named_date(const RSKVARIABLE* v) {
    return v != nullptr && v->name.name.length == 6 && std::strncmp(v->name.name.text, "_date_", 6) == 0;
}

}  // namespace

int rsasimx(RSKCON* con, RSKANLPROC* run, int32_t k, int32_t r, int32_t h) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr) return 1;
    if (k != w->var_type) set_output_ids(con, w, k);
    // A conditional or marginal case keeps the base value of the factors it does not move.
    if (k > 0 && w->generating) {
        int32_t f = 0;
        for (RSKRUNFACTOR* factor = run->run_factors_head; factor != nullptr && f < w->rf_count; factor = factor->next, ++f) {
            RSKVARIABLE* v = factor->variable;
            if (w->factor_weights[f] != 0 || v == nullptr || v->base_value == nullptr) continue;
            double* slot = current_slot(v);
            if (slot != nullptr) std::memcpy(slot, v->base_value, 8);
        }
    }
    int rc = 0;
    RSKRUNBLOCK* rb = con->run_block;
    if (rb != nullptr && rb->market_vectors[0] != nullptr) {
        RSKSTATEHEADER header{};
        std::memcpy(&header, rb->market_vectors[0], sizeof header);
        header.analysis = run;
        header.analysis_number = static_cast<int16_t>(run->ordinal);
        header.analysis_kind = static_cast<int16_t>(w->kind);
        header.simulation_case = k;
        header.draw = static_cast<int16_t>(r);
        header.horizon = static_cast<int16_t>(h);
        rb->state_header = header;
        RSKSTATEHEADER* saved = rb->state_buffer.prepared;
        rb->state_buffer.prepared = &rb->state_header;
        rc = rskmktu(con, 1);
        rb->state_buffer.prepared = saved;
    }
    if (r + 1 > w->generated) w->generated = r + 1;
    w->last_replication = r;
    ++w->state_count;
    if (h >= 0 && h < w->horizon_count && k >= 0 && k < w->var_types) accumulate_rf_stats(w, run, k, h);
    return rc;
}

int rsasim1(RSKCON* con, RSKANLPROC* run, RSKSTATEGEN generator) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr || generator == nullptr || run->failed) return 1;
    const RSKRUNBLOCK* rb = con->run_block;
    if (rb != nullptr && rb->state_buffer.read_back) return 0;
    w->generating = 1;
    int rc = 0;
    for (int32_t t = 0; t < w->var_types; ++t) {
        const int code = run_case(con, run, w, generator, t);
        if (code > rc) rc = code;
    }
    w->generating = 0;
    set_output_ids(con, w, 0);
    const int final_code = rsasimf(con, run);
    return final_code > rc ? final_code : rc;
}

int rsasimf(RSKCON*, RSKANLPROC* run) {
    RSKSIMWORK* w = rsasim_work(run);
    if (w == nullptr) return 1;
    int32_t still = 0;
    char names[kListedFactors][33];
    for (int32_t k = 0; k < w->var_types; ++k)
        for (int32_t h = 0; h < w->horizon_count; ++h) {
            int32_t f = 0;
            for (RSKRUNFACTOR* factor = run->run_factors_head; factor != nullptr && f < w->rf_count;
                 factor = factor->next, ++f) {
                RSKSIMRFSTAT* s = rf_entry(w, k, h, f);
                if (s->count <= 0) continue;
                const double n = s->count;
                const double mean = s->sum / n;
                const double deviations = s->squares - n * mean * mean;
                s->sum = mean;
                s->squares = s->count > 2 && deviations > 0.0 ? std::sqrt(deviations / (n - 1.0)) : qor::missing();
                const bool flat = s->count > 2 && (deviations <= 0.0 || deviations < n * kEps13 * mean * mean);
                if (flat && k == 0 && h == 0 && !named_date(factor->variable)) {
                    if (still < kListedFactors) {
                        const RSKNAMEREC& nm = factor->variable->name.name;
                        const int length = nm.length > 32 ? 32 : nm.length;
                        std::memcpy(names[still], nm.text, static_cast<size_t>(length));
                        names[still][length] = '\0';
                    }
                    ++still;
                }
            }
        }
    if (still > 0) {
        const RSKNAMEREC& a = w->analysis->name.name;
        xpmlog(598, 2807, still, a.length, a.text);
        xpmlog(598, still > kListedFactors ? 2809 : 2808);
        char line[kListedFactors * 34 + 2];
        int at = 0;
        const int32_t shown = still < kListedFactors ? still : kListedFactors;
        for (int32_t i = 0; i < shown; ++i)
            at += std::snprintf(line + at, sizeof line - static_cast<size_t>(at), "%s%s", i > 0 ? "," : "", names[i]);
        xpslog("%s.", line);
    }
    return 0;
}

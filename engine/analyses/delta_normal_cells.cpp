// Delta-normal value at risk per cell: the deltas of each position added to the cell, their
// roll-up, the quadratic forms of the finish and the DVAR, SUMMARY and COMBINE rows.
#include <cmath>
#include <cstring>
#include <vector>

#include "common/distributions/normal.h"
#include "common/intervals/interval_arith.h"
#include "common/numeric/zisub.h"
#include "engine/model/options/engine_options.h"
#include "engine/analyses/delta_normal.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

constexpr double kTiny = 1.110223024625157e-16;
constexpr double kLargeProduct = 1.3407807929943e154;
constexpr double kDefaultAlpha = 0.05;
constexpr int kRelativeDistribution = 1;   // the delta is taken per relative change of the factor

bool missing(double x) { return qor::is_missing(x); }

void put_text(char* field, size_t width, const char* text, size_t length) {
    std::memset(field, ' ', width);
    if (text != nullptr) std::memcpy(field, text, length < width ? length : width);
}

double alpha_of(RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    const RSKOPTREC* options = run != nullptr ? (run->run_options != nullptr ? run->run_options : run->options) : nullptr;
    return options != nullptr ? options->alpha : kDefaultAlpha;
}

// The value of a risk-factor column slot, put there for a row and taken back afterwards.
void put_column(RSKVARIABLE* v, double value) {
    if (v != nullptr && v->value != nullptr && v->data_type != RSKDTYPE_ARRAY) std::memcpy(v->value, &value, sizeof value);
}
double get_column(const RSKVARIABLE* v) {
    double value = qor::missing();
    if (v != nullptr && v->value != nullptr && v->data_type != RSKDTYPE_ARRAY) std::memcpy(&value, v->value, sizeof value);
    return value;
}

}  // namespace

double rsadvr_quantile(double alpha) {
    if (missing(alpha) || std::isnan(alpha) || alpha <= 0) alpha = kDefaultAlpha;
    return -zprobit(alpha);
}

double rsadvr_horizon_scale(const RSKANALYSIS* analysis, const interval_spec* interval, double base_date) {
    const double evaluation = analysis->evaluation_date;
    if (missing(evaluation)) return 1;
    if (evaluation >= 0) {
        const double intervals = zintck2(interval, base_date, evaluation);
        return missing(intervals) ? qor::missing() : std::sqrt(std::fabs(intervals));
    }
    return missing(analysis->more_dates) ? 1 : std::sqrt(std::fabs(analysis->more_dates));
}

// The weight of factor i: its delta, times its volatility for a correlation.
static double weight_of(const RSKDVRWORK* w, const double* deltas, int32_t i) {
    if (w->open_type == RSKMDS_CORRELATION && w->volatilities != nullptr) {
        const double volatility = w->volatilities[i];
        return missing(volatility) || missing(deltas[i]) ? qor::missing() : deltas[i] * volatility;
    }
    return deltas[i];
}

double rsadvr_value_at_risk(const RSKDVRWORK* w, const double* deltas, const uint8_t* mask, double z,
                            double horizon_scale) {
    // s^2 = sum over i of w_i (C_ii w_i + 2 sum over j < i of C_ij w_j): row i of the packed
    // triangle is contiguous, so every element is read once and in order.
    double s2 = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        if (mask != nullptr && mask[i] != 1) continue;
        const double wi = weight_of(w, deltas, i);
        if (missing(wi)) return qor::missing();
        const double* row = w->matrix + zisub(i, 0);
        double off_diagonal = 0;
        for (int32_t j = 0; j < i; ++j) {
            if (mask != nullptr && mask[j] != 1) continue;
            const double wj = weight_of(w, deltas, j);
            if (missing(row[j]) || missing(wj)) return qor::missing();
            off_diagonal += row[j] * wj;
        }
        if (missing(row[i])) return qor::missing();
        s2 += wi * (row[i] * wi + 2 * off_diagonal);
    }
    if (s2 < -kTiny || missing(horizon_scale)) return qor::missing();
    if (s2 < 0) return 0;
    return z * std::sqrt(s2) * horizon_scale;
}

int rsadvr2(RSKCON* con, RSKANLPROC* run, void* area, int64_t, int64_t) {
    if (con == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKDVRWORK*>(run->work);
    int64_t state = run->first_state;
    for (int32_t i = 0; i < w->n; ++i) {
        const double x = w->base_values[i];
        if (missing(x)) continue;
        const int64_t up_state = state;
        state += 2;
        if (missing(rsa_cell_get(area, i))) continue;
        const RSKVARIABLE* v = w->factors[i];
        double delta = v != nullptr && v->method_delta != nullptr ? *v->method_delta : qor::missing();
        if (missing(delta)) {
            const double up = rsa_state_value(con, up_state), down = rsa_state_value(con, up_state + 1);
            if (missing(up) || missing(down)) {
                rsa_cell_put(area, i, qor::missing());
                continue;
            }
            delta = (up - down) / (2 * w->shifts[i]);
        }
        if (v != nullptr && v->measurement_level == kRelativeDistribution) {
            if (x < kTiny || (x > 1 && std::fabs(delta) > kLargeProduct / x)) continue;
            delta *= x;
        }
        rsa_cell_add(area, i, delta);
    }
    return 0;
}

int rsadvr3(RSKCON*, RSKANLPROC* run, void* parent, void* child, int mode, int) {
    if (mode != 0 || run == nullptr || run->work == nullptr || parent == nullptr || child == nullptr) return 0;
    const auto* w = static_cast<const RSKDVRWORK*>(run->work);
    for (int32_t i = 0; i < w->n; ++i) rsa_cell_add(parent, i, rsa_cell_get(child, i));
    return 0;
}

int rsadvr4(RSKCON* con, RSKANLPROC* run, void* area) {
    if (con == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKDVRWORK*>(run->work);
    for (int32_t t = 0; t < w->results; ++t) rsa_cell_put(area, w->n + t, qor::missing());
    if (w->matrix == nullptr) return 0;
    std::vector<double> deltas(static_cast<size_t>(w->n));
    for (int32_t i = 0; i < w->n; ++i) {
        deltas[static_cast<size_t>(i)] = rsa_cell_get(area, i);
        if (missing(deltas[static_cast<size_t>(i)])) return 0;
    }
    const double z = rsadvr_quantile(alpha_of(con));
    const double k = rsadvr_horizon_scale(run->analysis, &w->interval, con->run_block->base_date);
    rsa_cell_put(area, w->n, rsadvr_value_at_risk(w, deltas.data(), nullptr, z, k));
    if (!w->multi) return 0;
    for (int32_t t = 1; t < w->results; ++t) {
        const uint8_t* mask = w->category_masks + static_cast<int64_t>(t - 1) * w->n;
        rsa_cell_put(area, w->n + t, rsadvr_value_at_risk(w, deltas.data(), mask, z, k));
    }
    return 0;
}

int rsadvr5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr || run == nullptr || run->work == nullptr || area == nullptr) return 1;
    const auto* w = static_cast<const RSKDVRWORK*>(run->work);
    RSKROWVALUES& row = r->row;
    ++r->context.row_counter;
    std::vector<double> saved(static_cast<size_t>(w->n));
    for (int32_t i = 0; i < w->n; ++i) saved[static_cast<size_t>(i)] = get_column(w->factors[i]);
    int rc = 0;
    for (int32_t t = 0; t < w->results; ++t) {
        const char* mode = "**Error**";
        if (t == 0) mode = "Unconditional";
        else if (t <= w->conditional) mode = "Conditional";
        else if (t <= w->conditional + w->marginal) mode = "Marginal";
        put_text(row.simulation_mode, sizeof row.simulation_mode, mode, std::strlen(mode));
        const char* category = t > 0 && w->category_names != nullptr ? w->category_names + (t - 1) * kRskCategoryNameWidth : nullptr;
        put_text(row.simulation_category, sizeof row.simulation_category, category, category != nullptr ? kRskCategoryNameWidth : 0);
        const double var = rsa_cell_get(area, w->n + t);
        row.var = missing(row.mtm) ? qor::missing() : var;
        row.var_pct = missing(row.mtm) ? qor::missing() : percent(var, row.mtm);
        const uint8_t* mask = t > 0 && w->category_masks != nullptr ? w->category_masks + static_cast<int64_t>(t - 1) * w->n : nullptr;
        for (int32_t i = 0; i < w->n; ++i)
            put_column(w->factors[i], mask == nullptr || mask[i] == 1 ? rsa_cell_get(area, i) : qor::missing());
        const int code = writer != nullptr ? writer(con, resds) : 0;
        if (code > rc) rc = code;
    }
    for (int32_t i = 0; i < w->n; ++i) put_column(w->factors[i], saved[static_cast<size_t>(i)]);
    return rc;
}

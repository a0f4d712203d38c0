// Valuation output of a position: every state's value and unit value derived from its raw value
// and the position's scale, short and sign, one observation per state (rskex2, output_prices,
// output_obs).
#include <cstring>

#include "engine/output/result_datasets.h"
#include "engine/run/pricing.h"
#include "host/missing.h"

namespace {

double flip(double v) { return -v; }

bool beyond_limit(double v) { return qor::is_missing(v) || v < -kRskPriceLimit || v > kRskPriceLimit; }

double weight_at(const uint8_t* weights, int32_t stride, int32_t j) {
    double w;
    std::memcpy(&w, weights + static_cast<size_t>(j) * static_cast<size_t>(stride), sizeof w);
    return w;
}

// The descriptor of a state for the row writer, from its header in the market-state buffer.
void describe_state(RSKRUNBLOCK* run, int32_t state, RSKSTATEDESC* d) {
    std::memset(d, 0, sizeof *d);
    d->index = state;
    d->coordinate1 = d->coordinate3 = -1;
    d->coordinate2 = -1;
    const uint8_t* at = rskex_state(run, state);
    if (at == nullptr) return;
    RSKSTATEHEADER h;
    std::memcpy(&h, at, sizeof h);
    d->analysis_number = h.analysis_number;
    d->coordinate1 = static_cast<int16_t>(h.simulation_case);
    d->coordinate2 = h.draw;
    d->coordinate3 = h.horizon;
}

}  // namespace

int output_obs(RSKCON* con, RSKRESDS* dataset, int32_t state, double unit_value, double value, double quantity,
               double raw_value, double weight) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    RSKRUNRESULTS& r = run->result_sets;
    RSKSTATEDESC description{};
    describe_state(run, state, &description);
    const RSKSTATEDESC* saved = r.context.state;
    r.context.state = &description;
    RSKROWVALUES& w = r.row;
    w.value = value;
    w.returned_value = unit_value;
    w.further_value = raw_value;
    w.holding = quantity;
    w.short_position = p.short_position;
    w.base_case_value = weight;
    int rc = 0;
    if (dataset != nullptr && dataset->open && (dataset->kind == RSKRES_ALLPRICE_V || dataset->kind == RSKRES_VALUES))
        rc = rskput(con, dataset);
    // During base pricing a missing value also goes to the base valuation data set.
    if (rc == 0 && p.base_in_progress && qor::is_missing(value) && p.base_set != nullptr && p.base_set->open)
        rc = rskput(con, p.base_set);
    r.context.state = saved;
    return rc;
}

int output_prices(RSKCON* con, int32_t count, const double* values, const double* second_values,
                  const double* raw_values, int32_t row_stride, int32_t first_state, int weight_present,
                  const uint8_t* weights, int32_t weight_stride, const uint8_t* status, RSKRESDS* dataset) {
    (void)second_values;
    const RSKPRICERUN& p = con->run_block->pricing;
    const double scale = p.cached ? p.quantity / p.cached_quantity : p.quantity;
    const bool short_flip = p.cached ? p.short_position != p.cached_short : p.short_position != 0;
    const int32_t sign = p.cached ? (p.sign == p.cached_sign ? 1 : p.sign) : p.sign;
    const bool own_flip = (p.short_position != 0) != (p.sign < 0);
    int rc = 0;
    for (int32_t j = 0; j < count && rc == 0; ++j) {
        const size_t at = static_cast<size_t>(j) * static_cast<size_t>(row_stride);
        double value, unit;
        const double raw = raw_values != nullptr ? raw_values[at] : values[at];
        if (status[j] == RSKST_BASE) {
            unit = p.base_raw;
            value = p.base_raw * p.quantity;
            if (p.short_position) value = flip(value);
            if (p.sign < 0) value = flip(value);
            value *= p.base_weight;
        } else if (raw_values == nullptr) {
            // Without the raw column the row holds the processed value already.
            value = values[at];
            unit = qor::is_missing(value) ? value : value / p.quantity;
            if (own_flip) unit = flip(unit);
        } else {
            value = beyond_limit(raw) ? qor::missing() : scale * raw;
            if (short_flip) value = flip(value);
            if (sign < 0) value = flip(value);
            unit = qor::is_missing(value) ? value : value / p.quantity;
            if (own_flip) unit = flip(unit);
            if (p.cached && weight_present && weights != nullptr) {
                const double w = weight_at(weights, weight_stride, j);
                if (!qor::is_missing(w)) {
                    value /= w;
                    unit /= w;
                }
            }
        }
        const double weight = weight_present && weights != nullptr ? weight_at(weights, weight_stride, j) : 1.0;
        rc = output_obs(con, dataset, first_state < 0 ? -1 : first_state + j, unit, value, p.quantity, raw, weight);
    }
    return rc;
}

int rskex2(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    RSKROWCOLUMNS c{};
    rskex_columns(run, get_state_value(run, 2), &c);
    if (p.skip) {
        for (int32_t s = 0; s < run->state_count; ++s) {
            const size_t at = static_cast<size_t>(s) * static_cast<size_t>(run->row_doubles);
            c.values[at] = qor::missing();
            c.second_values[at] = qor::missing();
        }
        return run->abort ? 1 : 0;
    }
    if (run->abort) return 1;
    int rc = 0;
    if (p.not_written || run->state_count < 1) return 0;
    const uint8_t* weights = nullptr;
    const RSKTHREADCTL* first = run->thread_blocks;
    if (p.state_weights && first != nullptr && first->state_start != nullptr) weights = first->state_start + p.weight_offset;
    const int32_t stride = first != nullptr ? first->state_stride : 0;
    bool first_written = false;
    for (RSKRESDS* set : p.position_sets) {
        if (set == nullptr || !set->open) continue;
        if (first_written && rc != 0) break;
        rc = output_prices(con, run->state_count, c.values, c.second_values, c.raw_values, run->row_doubles, 0,
                           weights != nullptr, weights, stride, p.status, set);
        first_written = true;
    }
    return run->abort ? 1 : rc;
}

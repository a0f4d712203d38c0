// Price post-processing: the missing-value threshold, quantity scale, short and sign flips,
// weights and the second value of priced states, and the reference values of reused states.
#include <cmath>
#include <cstring>

#include "engine/run/analysis_processing.h"
#include "engine/run/pricing.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// How a position's prices are scaled: its own attributes, or relative to a cached instrument.
struct Scaling {
    double scale;
    bool short_flip;
    int32_t sign;
    bool weights_count;              // cached prices take every weight as 1.0
};

Scaling scaling_of(const RSKPRICERUN& p) {
    if (!p.cached) return Scaling{p.quantity, p.short_position != 0, p.sign, true};
    return Scaling{p.quantity / p.cached_quantity, p.short_position != p.cached_short,
                   p.sign == p.cached_sign ? 1 : -1, false};
}

bool beyond_limit(double v) { return qor::is_missing(v) || v < -kRskPriceLimit || v > kRskPriceLimit; }

double flip(double v) { return -v; }

double weight_at(const uint8_t* weights, int32_t stride, int32_t j) {
    double w;
    std::memcpy(&w, weights + static_cast<size_t>(j) * static_cast<size_t>(stride), sizeof w);
    return w;
}

// The second value of a reference value: missing, the value itself, or the value floored at 0.
double second_of(const RSKPRICERUN& p, double v) {
    if (qor::is_missing(v)) return v;
    if (p.keep_negative) return v;
    return v < 0 ? 0.0 : v;
}

// A priced state: value, second value, raw value and the elements of its row.
void process_priced(RSKRUNBLOCK* run, const Scaling& s, double* value, double* second, double* elements,
                    int32_t element_count, bool weighted, double w, double* raw) {
    const RSKPRICERUN& p = run->pricing;
    double v = *value;
    const double unscaled = v;
    bool weight_missing = false;
    if (beyond_limit(v)) {
        v = qor::missing();
        *second = v;
        *value = v;
    } else {
        v *= s.scale;
        if (s.short_flip) v = flip(v);
        if (s.sign < 0) v = flip(v);
        if (weighted) {
            if (qor::is_missing(w)) {
                weight_missing = true;
                v = qor::missing();
            } else {
                v *= w;
            }
        }
        if (p.second_only && !weight_missing) {
            const double old = *second;
            if (!(!qor::is_missing(old) && old < 0 && v == 0)) *second = v >= 0 ? -v : -0.0;
            *value = 0.0;
        } else {
            const bool negative = !(v >= 0);   // negative or unordered
            *second = negative && !p.keep_negative && !weight_missing ? 0.0 : v;
            *value = v;
        }
    }
    if (raw != nullptr) *raw = beyond_limit(unscaled) ? qor::missing() : unscaled;
    for (int32_t k = 0; k < element_count; ++k) {
        double e = elements[k];
        if (qor::is_missing(e)) continue;
        if (run->postprocessing[3][k]) {
            elements[k] = qor::missing();
            continue;
        }
        if (!run->postprocessing[1][k]) e *= s.scale;
        if (s.short_flip && !run->postprocessing[2][k]) e = flip(e);
        if (s.sign < 0) e = flip(e);
        if (weighted) {
            if (qor::is_missing(w)) e = qor::missing();
            else if (!run->postprocessing[0][k]) e *= w;
        }
        elements[k] = e;
    }
}

// A reused state: the reference value and the reference row's elements.
void process_reused(RSKRUNBLOCK* run, double reference, const double* reference_elements, double* value,
                    double* second, double* elements, int32_t element_count, double* raw) {
    const RSKPRICERUN& p = run->pricing;
    const double v = p.second_only ? 0.0 : reference;
    *second = second_of(p, reference);
    *value = v;
    if (elements != reference_elements) std::memmove(elements, reference_elements, sizeof(double) * static_cast<size_t>(element_count));
    if (raw != nullptr) *raw = v;
}

// An internal error of the post-processing, while the run's count of them is below the cap.
bool may_report(RSKPRICERUN& p) { return p.failures++ < kRskPricingMessageCap; }

}  // namespace

int rskex_postprocess(RSKCON* con, int32_t count, double* values, double* second_values, double* elements,
                      int32_t element_count, int32_t row_stride, int32_t state_offset, int weight_present,
                      const uint8_t* weights, int32_t weight_stride, uint8_t* status, double* raw_values, int pass) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    const Scaling s = scaling_of(p);
    const bool weighted = weight_present != 0 && weights != nullptr;
    const int32_t element_column = static_cast<int32_t>(elements - values);
    const int32_t second_column = static_cast<int32_t>(second_values - values);
    int rc = 0;
    for (int32_t j = 0; j < count; ++j) {
        const size_t at = static_cast<size_t>(j) * static_cast<size_t>(row_stride);
        double* value = values + at;
        double* second = second_values + at;
        double* element = elements + at;
        double* raw = raw_values != nullptr ? raw_values + at : nullptr;
        const uint8_t st = status[j];
        if (st == RSKST_PRICED) {
            if (pass == RSKPP_REUSED) continue;
            const double w = weighted && s.weights_count ? weight_at(weights, weight_stride, j) : 1.0;
            process_priced(run, s, value, second, element, element_count, weighted, w, raw);
            continue;
        }
        if (pass == RSKPP_PRICED) continue;
        const int32_t state = state_offset + j;
        if (st == RSKST_BASE) {
            const RSKANLPROC* r = get_res_from_num(con, state);
            if (r == nullptr) {
                if (may_report(p)) xebug("Null Analysis Result found while processing market state prices. Flag 2.");
                continue;
            }
            if (r->kind == 2 && state > r->first_state + 2) {
                const double* row = get_state_value(run, r->first_state + 2);
                process_reused(run, row[0], row + element_column, value, second, element, element_count, raw);
            } else {
                const double* row = get_state_value(run, 0);
                process_reused(run, p.base_value[0], row + element_column, value, second, element, element_count, raw);
            }
            continue;
        }
        if (st == RSKST_UNCONDITIONAL || st == RSKST_REPRESENTATIVE) {
            const RSKANLPROC* r = get_res_from_num(con, state);
            if (r == nullptr) {
                if (may_report(p)) xebug("Null Analysis Result found while processing market state prices. Flag 3.");
                continue;
            }
            const int32_t c = get_case_from_num(r, state);
            const int32_t d = get_draw_from_num(r, c, state);
            const int32_t h = get_hor_from_num(r, c, d, state);
            const int32_t row_number =
                st == RSKST_UNCONDITIONAL ? get_uncondstate_from_num(r, h, d) : get_condstate_from_num(r, c, h);
            const double* row = get_state_value(run, row_number);
            process_reused(run, row[0], row + element_column, value, second, element, element_count, raw);
            continue;
        }
        (void)second_column;
        if (p.failures < kRskPricingMessageCap && p.debug && p.positions_read < 50) {
            ++p.failures;
            xebug("rskexec: %s: invalid iflag=%i at %li.", "process_prices", static_cast<int>(st), static_cast<long>(j));
        }
        run->abort = 1;
        rc = 1;
    }
    return rc;
}

int process_prices(RSKCON* con, int32_t count, double* values, double* second_values, double* elements,
                   int32_t element_count, int32_t row_stride, int32_t state_offset, int weight_present,
                   const uint8_t* weights, int32_t weight_stride, uint8_t* status, double* raw_values) {
    return rskex_postprocess(con, count, values, second_values, elements, element_count, row_stride, state_offset,
                             weight_present, weights, weight_stride, status, raw_values, RSKPP_ALL);
}

// The columns of a block's rows: value, second value, elements and the raw column.
void rskex_columns(const RSKRUNBLOCK* run, double* row, RSKROWCOLUMNS* out) {
    out->values = row;
    out->second_values = run->second_value ? row + 1 : row;
    out->elements = run->second_value ? row + 2 : row + 1;
    out->element_count = run->element_count;
    out->raw_values = run->raw_value ? row + run->row_doubles - 1 : nullptr;
}

int rsktdPP(RSKCON* con, RSKTHREADCTL* block) {
    return rskex_block_postprocess(con, block, RSKPP_ALL);
}

int rskex_block_postprocess(RSKCON* con, RSKTHREADCTL* block, int pass) {
    RSKRUNBLOCK* run = con->run_block;
    RSKROWCOLUMNS c{};
    rskex_columns(run, block->row_start, &c);
    int32_t count = block->state_count < run->state_count ? block->state_count : run->state_count;
    const uint8_t* weights = nullptr;
    if (run->pricing.state_weights && block->state_start != nullptr)
        weights = block->state_start + run->pricing.weight_offset;
    const int rc = rskex_postprocess(con, count, c.values, c.second_values, c.elements, c.element_count,
                                     run->row_doubles, block->first_state, weights != nullptr, weights,
                                     block->state_stride, block->status_start, c.raw_values, pass);
    if (rc != 0) block->failed = 1;
    return rc;
}

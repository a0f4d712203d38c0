// The leading statistics of cell records: a position added to its cell, a record rolled into a
// coarser one (with the post-processed output variables after the heads), the value-weighted
// step and the finish of a cell's head. The host's missing value is sticky in every sum.
#include <cfloat>
#include <cmath>

#include "engine/analyses/instrument_statistics.h"
#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

using qor::is_missing;

constexpr double kTiny = 1.110223024625157e-16;

// x += y, where a missing x stays missing and a missing y makes x missing.
void add_sticky(double& x, double y) {
    if (is_missing(x)) return;
    x = is_missing(y) ? qor::missing() : x + y;
}

double* at(void* record, int32_t offset) { return reinterpret_cast<double*>(static_cast<uint8_t*>(record) + offset); }

// x / d when d is present and above the threshold, else missing.
double divided(double x, double d) { return !is_missing(d) && d > kTiny ? x / d : qor::missing(); }

// The exposure basis: missing or negative counts as 0.
double basis(double exposure) { return is_missing(exposure) || exposure < 0 ? 0.0 : exposure; }

}  // namespace

void rsk_cell_add_position(RSKCELLHEAD* cell, double value, double exposure, int signed_exposure) {
    ++cell->positions;
    if (is_missing(value)) {
        ++cell->missing;
    } else {
        const bool first = cell->positions - cell->missing == 1;
        add_sticky(cell->value_sum, value);
        add_sticky(value >= 0 ? cell->nonnegative_sum : cell->negative_sum, value);
        add_sticky(cell->statistics_sum, value);
        add_sticky(cell->squares_sum, value * value);
        if (first || value < cell->minimum) cell->minimum = value;
        if (first || value > cell->maximum) cell->maximum = value;
    }
    add_sticky(cell->exposure_sum, exposure);
    add_sticky(cell->positive_exposure, is_missing(exposure) || exposure > 0 ? exposure : 0.0);
    if (signed_exposure) add_sticky(cell->subtracted_exposure, is_missing(exposure) ? exposure : -exposure);
}

int roll_up_head(RSKCON* con, RSKCELLHEAD* x, const RSKCELLHEAD* y, int mode, int again) {
    RSKLOOPRUN* loop = &con->run_block->loop;
    loop->base_value_copy = y->value_sum;
    if (mode == 0) {
        add_sticky(x->value_sum, y->value_sum);
        add_sticky(x->positive_exposure, y->positive_exposure);
        add_sticky(x->subtracted_exposure, y->subtracted_exposure);
        add_sticky(x->nonnegative_sum, y->nonnegative_sum);
        add_sticky(x->negative_sum, y->negative_sum);
        add_sticky(x->statistics_sum, y->statistics_sum);
        add_sticky(x->squares_sum, y->squares_sum);
        if (!is_missing(x->exposure_sum)) {
            if (is_missing(y->exposure_sum)) {
                x->exposure_sum = x->positive_exposure = qor::missing();
            } else {
                x->exposure_sum += loop->signed_exposure ? y->exposure_sum : std::fmax(y->exposure_sum, 0.0);
            }
        }
        if (x->positions - x->missing <= 0) {
            x->minimum = DBL_MAX;
            x->maximum = -DBL_MAX;
        }
        if (y->positions - y->missing >= 1) {
            if (y->minimum < x->minimum) x->minimum = y->minimum;
            if (y->maximum > x->maximum) x->maximum = y->maximum;
        }
        x->positions += y->positions;
        x->missing += y->missing;
    } else if (mode == 2) {
        if (again == 0) x->exposure_sum = 0;
        if (!is_missing(x->exposure_sum))
            x->exposure_sum = is_missing(y->exposure_sum) ? qor::missing() : x->exposure_sum + std::fmax(y->exposure_sum, 0.0);
    }
    const double e = basis(mode > 1 ? x->exposure_sum : y->exposure_sum);
    const double v = is_missing(y->value_sum) ? y->value_sum : std::fabs(y->value_sum);
    for (int32_t i = 0; i < loop->ppvar_count; ++i) {
        const RSKPPVAR& var = loop->ppvars[i];
        double& xv = *at(x, var.offset);
        const double yv = *at(const_cast<RSKCELLHEAD*>(y), var.offset);
        if (is_missing(xv)) continue;
        if (is_missing(yv)) {
            xv = qor::missing();
            continue;
        }
        const bool weighted_mode0 = mode == 0 && loop->value_weighted;
        if ((mode == 1 || weighted_mode0) && (var.sum_kind == 1 || var.sum_kind == 2)) {
            if (mode == 1 && again == 0) xv = 0;
            const double share = var.sum_kind == 1 ? divided(yv, v) : divided(yv, e);
            xv = is_missing(share) ? share : xv + share;
        } else if (mode == 2 && (var.sum_kind == 2 || (var.code == 2 && var.for_exposure))) {
            if (again == 0) xv = 0;
            xv += yv;
        } else if (mode == 0) {
            xv += yv;
        }
    }
    return 0;
}

int process_vw_head(RSKCON* con, RSKCELLHEAD* record, int exposure_only) {
    RSKLOOPRUN* loop = &con->run_block->loop;
    loop->base_value_copy = record->value_sum;
    const double e = is_missing(record->exposure_sum) ? record->exposure_sum : basis(record->exposure_sum);
    const double v = is_missing(record->value_sum) ? record->value_sum : std::fabs(record->value_sum);
    for (int32_t i = 0; i < loop->ppvar_count; ++i) {
        const RSKPPVAR& var = loop->ppvars[i];
        if (var.code == 1 || (exposure_only && var.sum_kind != 2)) continue;
        double& x = *at(record, var.offset);
        if (is_missing(x)) continue;
        if (var.sum_kind == 1) x = divided(x, v);
        else if (var.sum_kind == 2) x = divided(x, loop->exposure_option ? e : record->positive_exposure);
    }
    return 0;
}

void rsk_cell_finish_head(RSKCON* con, RSKCELLHEAD* cell) {
    const int32_t k = cell->positions - cell->missing;
    // The divisor of the deviation follows the run's VARDEF.
    rsastd(con, k, &cell->statistics_sum, &cell->squares_sum);
    if (k < 1) cell->minimum = cell->maximum = qor::missing();
    if (!is_missing(cell->exposure_sum) && cell->exposure_sum < 0) cell->exposure_sum = 0;
}

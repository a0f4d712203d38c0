// Instrument statistics in the cells: each position's variables added to its cell, child cells
// rolled into their parents, and the finish that turns the sums into the statistics written.
#include <cfloat>
#include <cmath>

#include "engine/analyses/instrument_statistics_cell.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

using qor::is_missing;

// Values at or above these are left out of the sums (and not counted) so that they cannot overflow.
constexpr double kLargestSummand = 1.7976931348623155e304;
constexpr double kLargestSquared = 1.3407807929942597e152;

// The variable's current value: the value storage moves while the run prepares, so it is read
// through the variable at every step.
double current_value(const RSKVARIABLE* v) {
    return v != nullptr && v->value != nullptr ? *static_cast<const double*>(v->value) : qor::missing();
}

// The divisor of a variance of n values under the run's VARDEF (2: n - 1; anything else: n).
double divisor_of(RSKCON* con, double n) {
    const RSKOPTREC* options = con->run_block->run_options;
    return options != nullptr && options->vardef == 2 ? n - 1 : n;
}

void set_count(const RskStatSlots& s, double n) { s.set(RSKSTATSLOT_COUNT, n); }

// The standard deviation keeps the running sum, the sum of squared deviations from the running
// mean (updated one value at a time) and the extremes: near-constant cells of large values keep
// their spread, and a cell of equal values has a deviation of exactly 0.
void add_to_spread(const RskStatSlots& s, double n, double x) {
    if (n == 0) {
        s.set(RSKSTATSLOT_SUM, x);
        s.set(RSKSTATSLOT_SPREAD, 0);
    } else {
        const double sum = s.get(RSKSTATSLOT_SUM);
        const double before = sum / n, after = (sum + x) / (n + 1);
        s.set(RSKSTATSLOT_SUM, sum + x);
        s.set(RSKSTATSLOT_SPREAD, s.get(RSKSTATSLOT_SPREAD) + (x - before) * (x - after));
    }
    if (x < s.get(RSKSTATSLOT_MINIMUM)) s.set(RSKSTATSLOT_MINIMUM, x);
    if (x > s.get(RSKSTATSLOT_MAXIMUM)) s.set(RSKSTATSLOT_MAXIMUM, x);
}

// The smaller (sign 1) or larger (sign -1) of two extremes, where a side with count 0 has none.
double extreme(double a, double na, double b, double nb, int sign) {
    const double none = sign > 0 ? DBL_MAX : -DBL_MAX;
    if (na == 0) a = none;
    if (nb == 0) b = none;
    return sign > 0 ? (b < a ? b : a) : (b > a ? b : a);
}

// Adds a child's slot into the parent's. 0, or 1 when the entry is not to be counted further:
// a missing child part makes the parent's part missing and the entry unusable, a missing parent
// part leaves the entry alone.
int add_part(const RskStatSlots& p, const RskStatSlots& c, int32_t slot) {
    const double child = c.get(slot), parent = p.get(slot);
    if (is_missing(child)) {
        p.set(slot, qor::missing());
        set_count(p, -1);
        return 1;
    }
    if (is_missing(parent)) return 1;
    p.set(slot, parent + child);
    return 0;
}

// Combines a child's sum, spread and extremes into the parent's. 0, or 1 as add_part.
int merge_spread(const RskStatSlots& p, const RskStatSlots& c, double np, double nc) {
    const double child_sum = c.get(RSKSTATSLOT_SUM), child_spread = c.get(RSKSTATSLOT_SPREAD);
    if (is_missing(child_sum) || is_missing(child_spread)) {
        p.set(RSKSTATSLOT_SUM, qor::missing());
        p.set(RSKSTATSLOT_SPREAD, qor::missing());
        set_count(p, -1);
        return 1;
    }
    const double parent_sum = p.get(RSKSTATSLOT_SUM), parent_spread = p.get(RSKSTATSLOT_SPREAD);
    if (is_missing(parent_sum) || is_missing(parent_spread)) return 1;
    if (nc == 0) return 0;
    double spread = child_spread;
    if (np > 0) {
        const double gap = child_sum / nc - parent_sum / np;
        spread = parent_spread + child_spread + gap * gap * (np * nc / (np + nc));
    }
    p.set(RSKSTATSLOT_SUM, np > 0 ? parent_sum + child_sum : child_sum);
    p.set(RSKSTATSLOT_SPREAD, spread);
    p.set(RSKSTATSLOT_MINIMUM, extreme(p.get(RSKSTATSLOT_MINIMUM), np, c.get(RSKSTATSLOT_MINIMUM), nc, 1));
    p.set(RSKSTATSLOT_MAXIMUM, extreme(p.get(RSKSTATSLOT_MAXIMUM), np, c.get(RSKSTATSLOT_MAXIMUM), nc, -1));
    return 0;
}

}  // namespace

void rsk_stat_unknown(const char* routine, const RSKINSTSTAT& row) {
    const RSKVARIABLE* v = row.variable;
    xebug("%s: unknown stat code %i for %*s", routine, static_cast<int>(row.statistic),
          v != nullptr ? static_cast<int>(v->name.name.length) : 0, v != nullptr ? v->name.name.text : "");
}

int rsasta2(RSKCON* con, void* cell) {
    RSKRUNBLOCK* run = con->run_block;
    const double w = run->pricing.base_value[0];
    if (is_missing(w)) return 0;
    for (int32_t i = 0; i < run->result_sets.inst_stat_count; ++i) {
        const RSKINSTSTAT& row = run->result_sets.inst_stats[i];
        const RskStatSlots s(con, cell, i);
        const double n = s.get(RSKSTATSLOT_COUNT);
        const double x = current_value(row.variable);
        if (n < 0 || is_missing(x)) continue;
        if (n == 0) {
            s.set(RSKSTATSLOT_MINIMUM, DBL_MAX);
            s.set(RSKSTATSLOT_MAXIMUM, -DBL_MAX);
        }
        switch (row.statistic) {
            case RSKSTAT_SUM:
            case RSKSTAT_MEAN:
                if (std::fabs(x) >= kLargestSummand) continue;
                s.set(RSKSTATSLOT_SUM, s.get(RSKSTATSLOT_SUM) + x);
                break;
            case RSKSTAT_WGTMEAN:
                if (std::fabs(x) >= 1 && kLargestSummand / std::fabs(x) < std::fabs(w)) continue;
                s.set(RSKSTATSLOT_WEIGHTED, s.get(RSKSTATSLOT_WEIGHTED) + w * x);
                s.set(RSKSTATSLOT_WEIGHTS, s.get(RSKSTATSLOT_WEIGHTS) + w);
                break;
            case RSKSTAT_N: break;
            case RSKSTAT_MIN:
                if (x < s.get(RSKSTATSLOT_MINIMUM)) s.set(RSKSTATSLOT_MINIMUM, x);
                break;
            case RSKSTAT_MAX:
                if (x > s.get(RSKSTATSLOT_MAXIMUM)) s.set(RSKSTATSLOT_MAXIMUM, x);
                break;
            case RSKSTAT_STD:
                if (std::fabs(x) >= kLargestSquared) continue;
                add_to_spread(s, n, x);
                break;
            case RSKSTAT_WGT: s.set(RSKSTATSLOT_WEIGHTS, s.get(RSKSTATSLOT_WEIGHTS) + w); break;
            default:
                rsk_stat_unknown("rsasta2", row);
                set_count(s, -1);
                continue;
        }
        set_count(s, n + 1);
    }
    return 0;
}

int rsasta3(RSKCON* con, void* parent, const void* child) {
    RSKRUNBLOCK* run = con->run_block;
    for (int32_t i = 0; i < run->result_sets.inst_stat_count; ++i) {
        const RSKINSTSTAT& row = run->result_sets.inst_stats[i];
        const RskStatSlots p(con, parent, i), c(con, const_cast<void*>(child), i);
        const double np = p.get(RSKSTATSLOT_COUNT), nc = c.get(RSKSTATSLOT_COUNT);
        if (np < 0) continue;
        if (nc < 0) {
            set_count(p, -1);
            continue;
        }
        switch (row.statistic) {
            case RSKSTAT_SUM:
            case RSKSTAT_MEAN:
                if (add_part(p, c, RSKSTATSLOT_SUM) != 0) continue;
                break;
            case RSKSTAT_STD:
                if (merge_spread(p, c, np, nc) != 0) continue;
                break;
            case RSKSTAT_WGTMEAN:
                if (add_part(p, c, RSKSTATSLOT_WEIGHTED) != 0 || add_part(p, c, RSKSTATSLOT_WEIGHTS) != 0) continue;
                break;
            case RSKSTAT_WGT:
                if (add_part(p, c, RSKSTATSLOT_WEIGHTS) != 0) continue;
                break;
            case RSKSTAT_N: break;
            case RSKSTAT_MIN:
                p.set(RSKSTATSLOT_MINIMUM, extreme(p.get(RSKSTATSLOT_MINIMUM), np, c.get(RSKSTATSLOT_MINIMUM), nc, 1));
                break;
            case RSKSTAT_MAX:
                p.set(RSKSTATSLOT_MAXIMUM, extreme(p.get(RSKSTATSLOT_MAXIMUM), np, c.get(RSKSTATSLOT_MAXIMUM), nc, -1));
                break;
            default:
                rsk_stat_unknown("rsasta3", row);
                set_count(p, -1);
                continue;
        }
        set_count(p, np + nc);
    }
    return 0;
}

int rsasta4(RSKCON* con, void* cell) {
    RSKRUNBLOCK* run = con->run_block;
    for (int32_t i = 0; i < run->result_sets.inst_stat_count; ++i) {
        const RSKINSTSTAT& row = run->result_sets.inst_stats[i];
        const RskStatSlots s(con, cell, i);
        const double n = s.get(RSKSTATSLOT_COUNT);
        if (n < 0) continue;
        switch (row.statistic) {
            case RSKSTAT_SUM:
                if (n < 1) s.set(RSKSTATSLOT_SUM, qor::missing());
                break;
            case RSKSTAT_MEAN: {
                const double sum = s.get(RSKSTATSLOT_SUM);
                s.set(RSKSTATSLOT_SUM, n < 1 || is_missing(sum) ? qor::missing() : sum / n);
                break;
            }
            case RSKSTAT_WGTMEAN: {
                const double total = s.get(RSKSTATSLOT_WEIGHTS), weighted = s.get(RSKSTATSLOT_WEIGHTED);
                const bool undefined = is_missing(total) || is_missing(weighted) || total == 0 ||
                                       (std::fabs(total) < 1 && std::fabs(weighted) >= std::fabs(total) * DBL_MAX);
                s.set(RSKSTATSLOT_WEIGHTED, undefined ? qor::missing() : weighted / total);
                break;
            }
            case RSKSTAT_N:
            case RSKSTAT_WGT: break;
            case RSKSTAT_MIN:
                if (n < 1) s.set(RSKSTATSLOT_MINIMUM, qor::missing());
                break;
            case RSKSTAT_MAX:
                if (n < 1) s.set(RSKSTATSLOT_MAXIMUM, qor::missing());
                break;
            case RSKSTAT_STD: {
                const double spread = s.get(RSKSTATSLOT_SPREAD);
                const double divisor = divisor_of(con, n);
                double deviation = qor::missing();
                if (n >= 2 && !is_missing(spread) && divisor >= 1) {
                    const bool constant = s.get(RSKSTATSLOT_MINIMUM) == s.get(RSKSTATSLOT_MAXIMUM);
                    deviation = constant || spread <= 0 ? 0.0 : std::sqrt(spread / divisor);
                }
                s.set(RSKSTATSLOT_SPREAD, deviation);
                break;
            }
            default: rsk_stat_unknown("rsasta4", row); break;
        }
    }
    return 0;
}

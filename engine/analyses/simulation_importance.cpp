// The importance of a risk factor for a simulated value: the mutual information of their quintile
// classes (1 for full dependence over five classes, 0 for independence) and their correlation.
#include <cmath>
#include <cstring>

#include "engine/analyses/simulation_run.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

constexpr double kEps12 = 1.110223024625157e-12;
constexpr double kEps16 = 1.110223024625157e-16;
constexpr double kLargest = 1.3407807929942597e152;

int quintile_class(double value, const double* cuts) {
    int c = 0;
    while (c < 4 && !(cuts[c] > value)) ++c;
    return c;
}

bool cuts_usable(const double* cuts) {
    for (int i = 0; i < 4; ++i)
        if (qor::is_missing(cuts[i])) return false;
    return cuts[3] - cuts[0] >= kEps16;
}

// a / b, missing when the quotient would overflow.
double safe_divide(double a, double b) {
    if (qor::is_missing(a) || qor::is_missing(b) || b == 0.0) return qor::missing();
    if (std::fabs(b) < 1.0 && std::fabs(a) >= std::fabs(b) * kLargest) return qor::missing();
    return a / b;
}

}  // namespace

int rf_cutpoints(const double* sorted, int64_t count, double* cuts) {
    for (int i = 0; i < 4; ++i) cuts[i] = qor::missing();
    // Below five values the steps would start before the first value: no classes.
    if (count < 5) return 1;
    const int64_t step = count / 5;
    int64_t at = (count % 5) / 2 + step - 1;
    for (int i = 0; i < 4; ++i, at += step) cuts[i] = sorted[at] + std::fabs(sorted[at]) * 8 * kEps16;
    return 0;
}

int rf_importance(const RSKRFPAIRS* p, double* information, double* correlation) {
    *information = *correlation = qor::missing();
    if (p->value_valid < 6 || qor::is_missing(p->value_std) || p->value_std < kEps12 || !cuts_usable(p->value_cuts))
        return 1;
    if (p->factor_valid < 1 || qor::is_missing(p->factor_std) || p->factor_std < kEps16 || !cuts_usable(p->factor_cuts))
        return 1;
    double joint[5][5] = {};
    double rows[5] = {}, columns[5] = {};
    double total = 0.0, products = 0.0, pairs = 0.0;
    for (int64_t r = 0; r < p->n; ++r) {
        const double y = p->values[r], x = p->changes[r];
        if (qor::is_missing(y) || qor::is_missing(x)) continue;
        const int i = quintile_class(y, p->value_cuts), j = quintile_class(x, p->factor_cuts);
        joint[i][j] += 1;
        rows[i] += 1;
        columns[j] += 1;
        total += 1;
        const double dy = y - p->value_mean, dx = x - p->factor_mean;
        if (std::fabs(dy) < kLargest && std::fabs(dx) < kLargest) {
            pairs += 1;
            products += dy * dx;
        }
    }
    if (total < 1) return 1;
    for (int i = 0; i < 5; ++i)
        if (rows[i] / total >= 0.9 || columns[i] / total >= 0.9) return 1;
    double sum = 0.0;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            const double r = joint[i][j] / total, pq = (rows[i] / total) * (columns[j] / total);
            if (r <= 0.0 || pq <= 0.0) continue;
            const double ratio = r / pq;
            if (std::fabs(ratio - 1.0) <= kEps16) continue;
            sum += r * std::log(ratio);
        }
    *information = sum / std::log(2.0) / (std::log(5.0) / std::log(2.0));
    if (pairs >= 2) {
        const double covariance = products / (pairs - 1);
        const double scaled = safe_divide(covariance, p->value_std);
        *correlation = qor::is_missing(scaled) ? scaled : safe_divide(scaled, p->factor_std);
    }
    return 0;
}

namespace {

struct Ranked {
    int32_t factor;
    double information, correlation;
};

// Shell sort with halving gaps, largest information first; missing measures go last.
void rfsort(Ranked* r, int32_t n) {
    auto before = [](const Ranked& a, const Ranked& b) {
        if (qor::is_missing(b.information)) return !qor::is_missing(a.information);
        return !qor::is_missing(a.information) && a.information > b.information;
    };
    for (int32_t gap = n / 2; gap > 0; gap /= 2)
        for (int32_t i = gap; i < n; ++i)
            for (int32_t j = i - gap; j >= 0 && before(r[j + gap], r[j]); j -= gap) {
                const Ranked t = r[j];
                r[j] = r[j + gap];
                r[j + gap] = t;
            }
}

}  // namespace

int rsasim_importance_rows(RSKCON* con, RSKSIMWORK* w, RSKANLPROC* run, void* area, RSKROWWRITER writer,
                           RSKRESDS* resds) {
    if (w->rf_values == nullptr || w->rf_count < 1) return 0;
    RSKROWVALUES& row = con->run_block->result_sets.row;
    const RSKSIMOUTV* v = w->current;
    const int32_t k = w->var_type;
    const int32_t h = static_cast<int32_t>(row.simulation_time) - 1;
    if (v == nullptr || h < 0 || h >= w->horizon_count) return 0;
    uint8_t* block = rsasim_block(w, area, k, h, v->order);
    RSKSIMSTATS stats;
    rsasim_get_stats(block, &stats);
    const uint8_t* stored = rsasim_values(w, block);
    for (int32_t r = 0; r < w->replications; ++r) w->resample[r] = rsasim_get(stored, r);
    RSKRFPAIRS p{};
    p.values = w->resample;
    p.n = w->replications;
    p.value_valid = stats.valid;
    p.value_mean = stats.mean;
    // The correlation divides by n - 1: the cell's deviation takes the same divisor.
    p.value_std = stats.std;
    if (w->vardef != 2 && stats.valid > 1 && !qor::is_missing(stats.std))
        p.value_std = stats.std * std::sqrt(static_cast<double>(stats.valid) / (stats.valid - 1.0));
    double deciles[9];
    get_cutpoints(con, w, &stats, p.value_cuts, deciles);
    // Raised like the factor's cut points, so that a value ordered as its factor falls in the
    // same classes: a value equal to a cut point belongs to the class below it on both sides.
    for (double& cut : p.value_cuts)
        if (!qor::is_missing(cut)) cut += std::fabs(cut) * 8 * kEps16;
    Ranked* ranked = reinterpret_cast<Ranked*>(w->slots);   // scratch only when it is large enough
    Ranked local[64];
    if (w->rf_count <= 64) ranked = local;
    else if (static_cast<size_t>(w->rf_count) * sizeof(Ranked) > static_cast<size_t>(w->replications) * 4) return 1;
    int32_t f = 0;
    for (RSKRUNFACTOR* factor = run->run_factors_head; factor != nullptr && f < w->rf_count; factor = factor->next, ++f) {
        const RSKSIMRFSTAT& s = w->rf_stats[(static_cast<int64_t>(k) * w->horizon_count + h) * w->rf_count + f];
        p.changes = rsasim_rf_values(w, k, h, f);
        p.factor_valid = s.count;
        p.factor_mean = s.count > 0 ? s.sum : qor::missing();
        p.factor_std = s.squares;
        std::memcpy(p.factor_cuts, s.cuts, sizeof p.factor_cuts);
        ranked[f].factor = f;
        rf_importance(&p, &ranked[f].information, &ranked[f].correlation);
    }
    rfsort(ranked, f);
    int rc = 0;
    for (int32_t i = 0; i < f; ++i) {
        const RSKRUNFACTOR* factor = run->run_factors_head;
        for (int32_t j = 0; j < ranked[i].factor && factor != nullptr; ++j) factor = factor->next;
        if (factor == nullptr || factor->variable == nullptr) continue;
        const RSKNAMEREC& name = factor->variable->name.name;
        std::memset(row.name, ' ', sizeof row.name);
        std::memcpy(row.name, name.text, name.length > 32 ? 32 : name.length);
        std::memset(row.label, ' ', sizeof row.label);
        std::memcpy(row.label, name.text, name.length > 32 ? 32 : name.length);
        row.nrep = w->replications;
        row.rank = i + 1;
        row.ri = ranked[i].information;
        row.corr = ranked[i].correlation;
        const int code = writer(con, resds);
        if (code > rc) rc = code;
    }
    return rc;
}

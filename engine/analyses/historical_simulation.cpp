// Historical simulation: the build phase counts the usable history, and the generator turns each
// window of H observations into states by applying the observed changes to the base case.
#include <cmath>
#include <cstring>

#include "common/numeric/linalg.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/simulation_generators.h"
#include "engine/model/lags/lags.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kHistoricalLabel = 5609;
constexpr double kSmallest = 1.491668147e-154;        // below this a ratio cannot be trusted
constexpr double kLargest = 1.3407807929942597e152;   // guard of ratios and products

RSKHISTSIM* context(RSKANLPROC* run) {
    RSKSIMWORK* work = rsasim_work(run);
    return work != nullptr ? static_cast<RSKHISTSIM*>(work->generator) : nullptr;
}

// Reads the next observation: 0 read (values in the factors' current slots), 1 end of the usable
// history, 3 a break, else a read error (598/2659) or a missing date (598/2658) as 2 and 5.
int next_observation(RSKCON* con, RSKHISTSIM* hist, RSKANALYSIS* analysis, bool after_break) {
    double date = qor::missing();
    const int rc = rskmds1(con, &hist->gen.reader, &date);
    if (rc == 1 || rc == 3) return rc;
    const RSKNAMEREC& m = analysis->simulation.source.name;
    const RSKNAMEREC& a = analysis->name.name;
    if (rc != 0) {
        if (after_break) return 1;
        xpmlog(598, 2659, m.length, m.text, a.length, a.text);
        return 2;
    }
    if (qor::is_missing(date)) {
        if (after_break) return 1;
        xpmlog(598, 2658, m.length, m.text, a.length, a.text);
        return 5;
    }
    if (!qor::is_missing(hist->end_date) && date > hist->end_date) return 1;
    return 0;
}

double* slot(RSKHISTSIM* hist, int32_t index) {
    return hist->ring + static_cast<size_t>(index % hist->window) * static_cast<size_t>(hist->gen.factor_count);
}

void take_values(RSKHISTSIM* hist, double* into) {
    for (int32_t i = 0; i < hist->gen.factor_count; ++i) {
        const double* current = rsasim_current(hist->gen.factors[i].variable);
        into[i] = current != nullptr ? *current : qor::missing();
    }
}

// Fills `count` ring slots from `first` on. 0, 1 end of the history, or an error code; a break
// restarts the fill from the ring position.
int fill(RSKCON* con, RSKHISTSIM* hist, RSKANALYSIS* analysis, int32_t first, int32_t count, bool* broke) {
    for (int32_t filled = 0; filled < count;) {
        const int rc = next_observation(con, hist, analysis, *broke);
        if (rc == 3) {
            *broke = true;
            first = hist->position;
            count = hist->window;
            filled = 0;
            continue;
        }
        if (rc != 0) return rc;
        take_values(hist, slot(hist, first + filled));
        ++filled;
    }
    return 0;
}

}  // namespace

int32_t rsahsm_windows(int32_t count, int32_t window, bool overlap) {
    if (window < 1 || count <= window) return 0;
    return overlap ? count - window : (count - 1) / window;
}

int rsahsm_value(double b, double x0, double x1, bool additive, double s, int32_t mode, double* out) {
    if (qor::is_missing(b)) {
        *out = qor::missing();
        return 0;
    }
    bool failed = qor::is_missing(x0) || qor::is_missing(x1);
    double value = b;
    if (!failed && additive) {
        value = b + (x1 - x0) * s;
    } else if (!failed) {
        failed = x0 < kSmallest || x1 < kSmallest || (mode == RSKADJUST_MISSING && b < kSmallest) ||
                 (x0 < 1 && x1 > x0 * kLargest);
        double r = failed ? 0 : x1 / x0;
        if (!failed && s != 1) {
            int error = 0;
            r = zpower(r, s, &error);
            failed = error != 0 || qor::is_missing(r);
        }
        failed = failed || (r > 1 && b > kLargest / r);
        if (!failed) value = b * r;
    }
    if (!failed) {
        *out = value;
        return 0;
    }
    *out = mode == RSKADJUST_BASE ? b : qor::missing();
    return 1;
}

int rsahsm0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr) return 1;
    if (run->failed) return 1;
    run->label = kHistoricalLabel;
    RSKHISTSIM* hist = static_cast<RSKHISTSIM*>(rsasim_allocate(con, sizeof(RSKHISTSIM), "simulation work vector"));
    if (hist == nullptr) return 1;
    const RSKANLSIM& s = analysis->simulation;
    RSKSIMGEN& gen = hist->gen;
    gen.adjust_mode = s.extra_integer;
    gen.scale = qor::is_missing(s.scale) || !(s.scale > 0) ? 1.0 : s.scale;
    gen.horizon_count = s.horizon_count > 0 ? s.horizon_count : 1;
    gen.horizons = s.horizons;
    hist->start_date = qor::is_missing(s.start_date) || s.start_date < 1.0 ? qor::missing() : s.start_date;
    hist->end_date = s.end_date;
    hist->window = s.largest_horizon > 0 ? s.largest_horizon : 1;
    hist->overlap = analysis->overlap != 0;
    rsasim_parts(con, &gen);
    const RSKNAMEREC& m = s.source.name;
    const RSKNAMEREC& a = analysis->name.name;

    RSKNAMECELL source{};
    const bool named = m.length > 0 && rskname(con, &source.name, m.text, m.length) == 0;
    const int opened = rskmdso(con, &gen.reader, RSKMDS_TIMESERIES_GAPS, analysis, named ? &source : nullptr,
                               nullptr, nullptr);
    if (opened != 0) {
        if (opened == 2) xpmlog(598, 2651, m.length, m.text, a.length, a.text);
        else xpmlog(598, 2652, m.length, m.text, a.length, a.text);
        rskmdsc(con, &gen.reader);
        return 1;
    }
    gen.reader_open = 1;
    if (rsafacb(con, run, 0) != 0) {
        rsasim_factor_list_failed(run);
        rskmdsc(con, &gen.reader);
        return 1;
    }
    if (run->run_factor_count <= 0) {
        xpmlog(598, 2653, m.length, m.text, a.length, a.text);
        rskmdsc(con, &gen.reader);
        return 1;
    }
    int rc = rskmds0(con, &gen.reader, hist->start_date);
    if (rc != 0) {
        xpmlog(598, rc == 2 ? 2656 : 2657, m.length, m.text, a.length, a.text);
        rskmdsc(con, &gen.reader);
        return 1;
    }
    int32_t count = 0;
    for (;;) {
        double date = qor::missing();
        rc = rskmds1(con, &gen.reader, &date);
        if (rc == 1) break;
        if (rc == 3) continue;
        if (rc != 0) {
            xpmlog(598, 2659, m.length, m.text, a.length, a.text);
            rskmdsc(con, &gen.reader);
            return 1;
        }
        if (qor::is_missing(date)) {
            xpmlog(598, 2658, m.length, m.text, a.length, a.text);
            rskmdsc(con, &gen.reader);
            return 1;
        }
        if (!qor::is_missing(hist->end_date) && date > hist->end_date) break;
        ++count;
    }
    hist->observations = count;
    if (hist->window >= count) {
        xpmlog(598, 2664, m.length, m.text, a.length, a.text, count, hist->window);
        rskmdsc(con, &gen.reader);
        return 1;
    }
    if (rsasim_take_factors(con, run, &gen) != 0) return 1;
    hist->ring = static_cast<double*>(rsasim_allocate(
        con, static_cast<size_t>(hist->window + 1) * static_cast<size_t>(gen.factor_count) * sizeof(double),
        "simulation work vector"));
    if (hist->ring == nullptr) return 1;
    int32_t windows = rsahsm_windows(count, hist->window, hist->overlap);
    if (s.replications > 0 && windows > s.replications) windows = s.replications;
    if (rsasim0(con, run, analysis, windows) != 0) return 1;
    RSKSIMWORK* work = rsasim_work(run);
    if (work == nullptr) return 1;
    return rsasim_deal_replications(con, &gen, work, hist);
}

int rsahsm1(RSKCON* con, RSKANLPROC* run) {
    RSKHISTSIM* hist = context(run);
    if (hist == nullptr) return 1;
    return rsasim_generate_from_data(con, run, &hist->gen, &rsahsmg);
}

int rsahsmg(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k) {
    RSKSIMWORK* work = rsasim_work(run);
    RSKHISTSIM* hist = context(run);
    if (work == nullptr || hist == nullptr || callback == nullptr) return 1;
    RSKSIMGEN& gen = hist->gen;
    RSKANALYSIS* analysis = run->analysis;
    rsasim_row_ids(con, k, -1, -1);
    const int32_t n = gen.factor_count;
    if (n <= 0) {
        if (++gen.error_lines <= kRskGeneratorErrorLines) xebug("rsahsmg: nrf=%i", n);
        return 1;
    }
    rsasim_restore(con, &gen);
    const int positioned = rskmds0(con, &gen.reader, hist->start_date);
    if (positioned != 0) {
        if (++gen.error_lines <= kRskGeneratorErrorLines) xebug("rsahsm0: second rskmds0 rc=%i", positioned);
        return 1;
    }
    if (gen.adjust_mode == RSKADJUST_BASE)
        for (int32_t i = 0; i < n; ++i) gen.factors[i].adjustments = 0;

    // Closing observation of the window, and the later value of a horizon inside the window.
    double* closing = hist->ring + static_cast<size_t>(hist->window) * static_cast<size_t>(n);
    bool broke = false;
    hist->position = 0;
    int rc = fill(con, hist, analysis, 0, hist->window, &broke);
    if (rc != 0) return rc == 1 && broke ? 0 : 1;
    const int32_t horizons = gen.horizon_count;
    int result = 0;
    for (int32_t j = 0; j < work->replications; ++j) {
        rc = next_observation(con, hist, analysis, broke);
        while (rc == 3) {
            broke = true;
            rc = fill(con, hist, analysis, hist->position, hist->window, &broke);
            if (rc == 0) rc = next_observation(con, hist, analysis, broke);
        }
        if (rc == 1) break;
        if (rc != 0) return 1;
        take_values(hist, closing);
        rsasim_restore(con, &gen);
        rsasim_lags_clear(con);
        const double* first = slot(hist, hist->position);
        const bool ours = j % gen.parts == gen.part - 1;
        for (int32_t h = 0; h < horizons; ++h) {
            rsasim_row_ids(con, k, j, h);
            const int32_t t = gen.horizons[h];
            const double* later = t >= hist->window ? closing : slot(hist, hist->position + t);
            int adjusted = 0;
            for (int32_t i = 0; i < n; ++i) {
                RSKVARIABLE* v = gen.factors[i].variable;
                if (gen.adjust_mode != RSKADJUST_MISSING && gen.adjust_mode != RSKADJUST_BASE) {
                    xebug("Not supported missing value adjustment");
                    result = result > 1 ? result : 1;
                    break;
                }
                double value = 0;
                const int kept = rsahsm_value(rsasim_base(v), first[i], later[i], v->measurement_level == 2, gen.scale,
                                              gen.adjust_mode, &value);
                if (kept != 0 && gen.adjust_mode == RSKADJUST_BASE) {
                    ++gen.factors[i].adjustments;
                    adjusted = 1;
                    if (con->debug_detail && (first[i] < kSmallest || later[i] < kSmallest))
                        xpslog("Negative value: %*s in rep %d time %d", v->name.name.length, v->name.name.text, j + 1,
                               h + 1);
                }
                double* current = rsasim_current(v);
                if (current != nullptr) *current = value;
            }
            if (ours) {
                const int state = callback(con, run, k, j, h);
                if (state > result) result = state;
            } else if (j > gen.highest_skipped) {
                gen.highest_skipped = j;
            }
            gen.adjusted[static_cast<int64_t>(k) * horizons + h] += adjusted;
            if (h + 1 < horizons) rsasim_lags_advance(con);
        }
        // The closing observation takes the slot of the window's first one.
        std::memcpy(slot(hist, hist->position), closing, static_cast<size_t>(n) * sizeof(double));
        if (hist->overlap) {
            hist->position = (hist->position + 1) % hist->window;
        } else if (hist->window > 1) {
            rc = fill(con, hist, analysis, hist->position + 1, hist->window - 1, &broke);
            if (rc == 1) break;
            if (rc != 0) return 1;
        }
    }
    rsasim_report_adjustments(con, run, &gen, k);
    return result;
}

// Listing of an analysis: its name and kind, the settings of its kind, and the names of its
// risk factors. Kinds without settings of their own say so.
#include <cstring>

#include "engine/model/analyses/analyses.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

const char* yes_no(int32_t flag) { return flag != 0 ? "Yes" : "No"; }

int length_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }

// A host date in the DATE format of the control structure, or "." when missing.
void date_text(const RSKCON* con, double value, char (&text)[32]) {
    if (qor::is_missing(value) || con->date_format.handle == 0) {
        xpsstr(text, sizeof text, "%g", value);
        return;
    }
    int width = static_cast<int>(con->date_format.width);
    if (width < 1 || width > 30) width = 9;
    if (xpfs(value, width, static_cast<int>(con->date_format.handle), text) != 0) width = 0;
    text[width] = '\0';
}

void print_perturbation(RSKCON* con, int number, const RSKANLFACTOR* entry) {
    const char* type = nullptr;
    int type_length = rskcspt(con, static_cast<int>(entry->perturbation_type), &type);
    if (number == 2158)
        xpmout(598, 2158, length_of(entry->name), entry->name.buffer, entry->value, type_length, type);
    else
        xpmout(598, 2159, length_of(entry->name), entry->name.buffer, entry->minimum, entry->value,
               static_cast<int>(entry->points), type_length, type);
}

void print_category_lists(const RSKANALYSIS* a) {
    if (a->conditional_head != nullptr) {
        xpmout(598, 2550);
        for (const RSKNAMECELL* c = a->conditional_head; c != nullptr; c = c->next)
            xpmout(598, 2552, length_of(c->name), c->name.buffer);
    }
    if (a->marginal_head != nullptr) {
        xpmout(598, 2551);
        for (const RSKNAMECELL* c = a->marginal_head; c != nullptr; c = c->next)
            xpmout(598, 2552, length_of(c->name), c->name.buffer);
    }
}

void print_sensitivity(const RSKANALYSIS* a) {
    const RSKANLSENS& s = a->sensitivity;
    xpmout(598, 2520, yes_no(s.theta));
    xpmout(598, 2521, yes_no(s.vega));
    xpmout(598, 2522, yes_no(s.cross_gamma));
    xpmout(598, 2523, yes_no(s.numeric_derivatives));
    if (length_of(s.instrument_type) > 0)
        xpmout(598, 2524, length_of(s.instrument_type), s.instrument_type.buffer);
    if (length_of(s.instrument_id) > 0) xpmout(598, 2525, length_of(s.instrument_id), s.instrument_id.buffer);
}

void print_simulation(RSKCON* con, const RSKANALYSIS* a) {
    const RSKANLSIM& s = a->simulation;
    if (length_of(s.source) > 0) xpmout(598, 2530, length_of(s.source), s.source.buffer);
    xpmout(598, 2531, s.replications);
    xpmout(598, 2532, s.seed);
    const char* text = nullptr;
    int length = rskcsrg(con, s.generator, &text);
    xpmout(598, 2533, length, text);
    if (s.horizon_interval.text_length > 0)
        xpmout(598, 2534, static_cast<int>(s.horizon_interval.text_length), s.horizon_interval.text);
    xpmout(598, 2535, s.horizon_count, s.largest_horizon);
    char start[32], end[32];
    date_text(con, s.start_date, start);
    date_text(con, s.end_date, end);
    xpmout(598, 2536, start, end);
    length = rskcsem(con, s.method, &text);
    xpmout(598, 2539, length, text, s.method_count);
    xpmout(598, 2540, s.scale);
    xpmout(598, 2541, yes_no(s.pl_values), yes_no(s.exposure_values), yes_no(s.returns));
    print_category_lists(a);
}

void print_cash_flow(RSKCON* con, const RSKANALYSIS* a) {
    static const char* const kMethods[] = {"Traditional", "Scenario", "Effective duration",
                                           "Partial durations", "Covariance simulation",
                                           "Historical simulation", "Series simulation",
                                           "Model Monte Carlo simulation"};
    static const char* const kDurations[] = {"None", "Macaulay", "Modified"};
    static const char* const kBuckets[] = {"None", "Simple", "Cumulative", "All"};
    const uint32_t method = a->subtype;
    if (method < 8) xpmout(598, 2570, -1, kMethods[method]);
    else xpmout(598, 2571, length_of(a->source_analysis), a->source_analysis.buffer);
    const int32_t d = a->duration_type, b = a->bucket_type;
    xpmout(598, 2572, -1, d >= 0 && d < 3 ? kDurations[d] : "*unknown*");
    xpmout(598, 2573, -1, b >= 0 && b < 4 ? kBuckets[b] : "*unknown*");
    char date[32];
    date_text(con, a->evaluation_date, date);
    xpmout(598, 2574, date);
    xpmout(598, 2575, a->more_dates);
    xpmout(598, 2576, a->entry_count);
}

void print_optimisation(const RSKANALYSIS* a) {
    static const char* const kMeasures[] = {"*unknown*", "Return", "Standard Deviation", "Expected Shortfall",
                                            "At Risk Value"};
    const RSKANLOPT& o = a->optimisation;
    auto measure = [](int32_t code) { return code >= 1 && code <= 4 ? kMeasures[code] : kMeasures[0]; };
    xpmout(598, 2560, length_of(o.simulation), o.simulation.buffer);
    xpmout(598, 2561, measure(o.objective));
    xpmout(598, 2562, measure(o.constraint));
    xpmout(598, 2563, o.problem);
    xpmout(598, 2564, o.value_mode);
    const RSKANLSIM& s = a->simulation;
    if (s.horizon_count <= 0 || s.horizons == nullptr) return;
    xpmout(598, 2565);
    for (int h = 0; h < s.horizon_count; ++h) {
        xpsout("%+*t%3i. %4i periods ahead.", 6, h + 1, s.horizons[h]);
        if (o.target_counts == nullptr || o.targets == nullptr || h >= o.target_lists) continue;
        if (o.target_counts[h] > 0) xpmout(598, 2566);
        for (int t = 0; t < o.target_counts[h] && o.targets[h] != nullptr; ++t) xpsout("%+*t%g", 11, o.targets[h][t]);
    }
    xpmout(598, 2567, o.target_lists);
}

}  // namespace

int rskanlp(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 0;
    RSKANALYSIS* a = analysis;
    xpmout(598, 2151, length_of(a->name), a->name.buffer);
    const char* kind_text = nullptr;
    int kind_length = rskcsat(con, static_cast<int>(a->kind), &kind_text);
    xpmout(598, 2153, kind_length, kind_text);
    switch (a->kind) {
    case RSKANL_MTM:
    case RSKANL_CUREXP: break;
    case RSKANL_SENSITIVITY: print_sensitivity(a); break;
    case RSKANL_PLCURVE:
        xpmout(598, 2160);
        for (const RSKANLFACTOR* e = a->entries_head; e != nullptr; e = e->next)
            if (e->active) print_perturbation(con, 2159, e);
        break;
    case RSKANL_PLSURFACE: {
        xpmout(598, 2165);
        int pair = 0;
        for (const RSKANLFACTOR* e = a->entries_head; e != nullptr; e = e->next) {
            const RSKANLFACTOR* second = e->next;
            xpmout(598, 2166, ++pair, e->active ? "" : " (replaced)");
            print_perturbation(con, 2159, e);
            if (second == nullptr) break;
            print_perturbation(con, 2159, second);
            e = second;
        }
        break;
    }
    case RSKANL_SCENARIO: {
        const char* type = nullptr;
        int length = rskcspt(con, static_cast<int>(a->perturbation_type), &type);
        xpmout(598, 2155, length, type);
        xpmout(598, 2157);
        for (const RSKANLFACTOR* e = a->entries_head; e != nullptr; e = e->next) print_perturbation(con, 2158, e);
        break;
    }
    case RSKANL_COVSIM:
    case RSKANL_MODELSIM:
    case RSKANL_HISTSIM:
    case RSKANL_SERIESSIM:
    case RSKANL_POTEXP: print_simulation(con, a); break;
    case RSKANL_DELTANORMAL:
        if (a->interval.text_length > 0) xpmout(598, 2538, static_cast<int>(a->interval.text_length), a->interval.text);
        else xpmout(598, 2538, 6, "(none)");
        xpmout(598, 2537, length_of(a->input_data), a->input_data.buffer);
        print_category_lists(a);
        break;
    case RSKANL_PVBP: xebug("rskanlp: pvbp analysis not done yet."); break;
    case RSKANL_POSEQ:
        // Position equivalents are defined by POSEQ: the benchmark is the analysis's one entry.
        xpmout(598, 2526, a->entries_head != nullptr ? length_of(a->entries_head->name) : 0,
               a->entries_head != nullptr ? a->entries_head->name.buffer : "");
        xpmout(598, 2527, a->bench_time);
        break;
    case RSKANL_CASHFLOW: print_cash_flow(con, a); break;
    case RSKANL_RISKMETRICS: xebug("rskanlp: risk_metrics analysis not done yet."); break;
    case RSKANL_OPTIMISATION: print_optimisation(a); break;
    default: xpsout("*No further info for this analysis type*"); break;
    }
    const uint32_t k = a->kind;
    if (a->entries_head != nullptr && k != RSKANL_PLCURVE && k != RSKANL_PLSURFACE && k != RSKANL_SCENARIO) {
        xpm(598, 2156);
        for (const RSKANLFACTOR* e = a->entries_head; e != nullptr; e = e->next)
            xps(" %*s", length_of(e->name), e->name.buffer);
        xpsout("");
    }
    xpskip(1);
    xpoflsh(0);
    return 0;
}

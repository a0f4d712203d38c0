// Series simulation: states taken from stored scenario paths, one observation per horizon matched
// by order, date or horizon number, applied as levels or as changes to the base case.
#include <cmath>
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "common/numeric/linalg.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/simulation_generators.h"
#include "engine/model/lags/lags.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kSeriesLabel = 5611;
constexpr double kSmallest = 1.491668147e-154;
constexpr double kLargest = 1.3407807929942597e152;

RSKSERSIM* context(RSKANLPROC* run) {
    RSKSIMWORK* work = rsasim_work(run);
    return work != nullptr ? static_cast<RSKSERSIM*>(work->generator) : nullptr;
}

// Where a replication stands while observations are distributed over its horizons.
struct SeriesCursor {
    int32_t replication;
    int32_t next;                    // the next horizon to build
    double previous;                 // the previous observation's date or horizon number
    int result;
};

// Keeps the observation just read as every factor's saved value.
void keep_observation(RSKSIMGEN* gen) {
    for (int32_t i = 0; i < gen->factor_count; ++i) {
        const double* current = rsasim_current(gen->factors[i].variable);
        gen->factors[i].saved = current != nullptr ? *current : qor::missing();
    }
}

// Builds horizon cursor->next (unmatched when `fill`) and moves on; a full replication starts the next.
void build(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k, RSKSERSIM* ser, SeriesCursor* c,
           int fill) {
    int adjusted = 0;
    const int state = updateRiskFactors(con, run, callback, k, c->replication, c->next, fill, &adjusted);
    if (state > c->result) c->result = state;
    ser->gen.adjusted[static_cast<int64_t>(k) * ser->gen.horizon_count + c->next] += adjusted;
    if (++c->next == ser->gen.horizon_count) {
        c->next = 0;
        ++c->replication;
    }
}

// Completes a partly built replication with unmatched horizons.
void complete(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k, RSKSERSIM* ser, SeriesCursor* c) {
    while (c->next > 0) build(con, run, callback, k, ser, c, 1);
}

// Distributes one observation at `key` (a date, or a horizon number) over the remaining horizons:
// targets before it are unmatched, an equal one takes it, a later one waits for the next.
void match(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k, RSKSERSIM* ser, SeriesCursor* c,
           double key) {
    const int32_t replication = c->replication;
    while (c->replication == replication) {
        const double target = ser->match == 1 ? ser->targets[c->next] : ser->gen.horizons[c->next];
        if (qor::is_missing(key) || target < key) {
            build(con, run, callback, k, ser, c, 1);
        } else if (target == key) {
            build(con, run, callback, k, ser, c, 0);
            return;
        } else {
            return;
        }
    }
}

// Reads one scenario observation: 0, 1 end of data, 2 a read error (598/2669 given).
int read_scenario(RSKCON* con, RSKSERSIM* ser, RSKANALYSIS* analysis, int32_t replication, double* date,
                  double* horizon) {
    const int rc = rskmds3(con, &ser->gen.reader, date, horizon);
    if (rc == 0 || rc == 3) return 0;
    if (rc == 1) return 1;
    const RSKNAMEREC& m = analysis->simulation.source.name;
    const RSKNAMEREC& a = analysis->name.name;
    xpmlog(598, 2669, replication + 1, m.length, m.text, a.length, a.text);
    return 2;
}

}  // namespace

int rsassm_count(RSKCON* con, RSKSERSIM* ser, RSKANALYSIS* analysis, int32_t most, int32_t* count) {
    const RSKNAMEREC& m = analysis->simulation.source.name;
    const RSKNAMEREC& a = analysis->name.name;
    const int32_t horizons = ser->gen.horizon_count;
    int64_t observations = 0;
    int32_t replications = 0;
    double previous = qor::missing();
    for (;;) {
        if (most > 0 && replications >= most && (ser->match != 0 || observations % horizons == 0)) break;
        double date = qor::missing(), number = qor::missing();
        const int rc = rskmds3(con, &ser->gen.reader, &date, &number);
        if (rc == 1) break;
        if (rc != 0 && rc != 3) {
            if (++ser->gen.error_lines <= kRskGeneratorErrorLines) xebug("rsassm0: bad rc=%i from rskmds3", rc);
            return 1;
        }
        if (ser->match == 0) {
            if (observations++ % horizons == 0) ++replications;
            continue;
        }
        double key = ser->match == 1 ? date : number;
        if (qor::is_missing(key) || !(key > 0) || (ser->match == 2 && key != std::floor(key))) {
            if (ser->match == 1) xpmlog(598, 2617, a.length, a.text, m.length, m.text);
            else xpmlog(598, 2618, a.length, a.text, m.length, m.text);
            return 1;
        }
        if (replications == 0 || !(key > previous)) {
            if (most > 0 && replications >= most) break;
            ++replications;
        }
        previous = key;
    }
    *count = replications;
    return 0;
}

int rsassm_value(double b, double c, bool changes, bool additive, double s, int32_t mode, double* out) {
    if (qor::is_missing(b)) {
        *out = qor::missing();
        return 0;
    }
    bool failed = qor::is_missing(c);
    double value = b;
    if (!failed && !changes && s == 1) {
        value = c;
    } else if (!failed && additive) {
        value = changes ? b + s * c : b + (c - b) * s;
    } else if (!failed) {
        if (changes) c = 1 + c;
        if (b < kSmallest) {
            *out = qor::missing();
            return 0;
        }
        failed = c < kSmallest || (!changes && b < 1 && c > b * kLargest);
        double r = failed ? 0 : (changes ? c : c / b);
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

int updateRiskFactors(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k, int32_t replication,
                      int32_t horizon, int fill, int* adjusted) {
    RSKSERSIM* ser = context(run);
    if (ser == nullptr) return 1;
    RSKSIMGEN& gen = ser->gen;
    *adjusted = 0;
    if (replication % gen.parts != gen.part - 1) {
        if (replication > gen.highest_skipped) gen.highest_skipped = replication;
        return 0;
    }
    if (horizon == 0) rsasim_lags_clear(con);
    rsasim_row_ids(con, k, replication, horizon);
    int rc = 0;
    for (int32_t i = 0; i < gen.factor_count; ++i) {
        RSKVARIABLE* v = gen.factors[i].variable;
        double* current = rsasim_current(v);
        const double b = rsasim_base(v);
        double value = qor::missing();
        if (!fill) {
            if (gen.adjust_mode != RSKADJUST_MISSING && gen.adjust_mode != RSKADJUST_BASE) {
                xebug("Not supported missing value adjustment");
                rc = 1;
                break;
            }
            if (rsassm_value(b, gen.factors[i].saved, ser->changes, v->measurement_level == 2, gen.scale,
                             gen.adjust_mode, &value) != 0 &&
                gen.adjust_mode == RSKADJUST_BASE) {
                ++gen.factors[i].adjustments;
                *adjusted = 1;
            }
        }
        if (current != nullptr) *current = value;
    }
    const int state = callback(con, run, k, replication, horizon);
    if (horizon + 1 < gen.horizon_count) rsasim_lags_advance(con);
    return state > rc ? state : rc;
}

int rsassm0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr) return 1;
    if (run->failed) return 1;
    run->label = kSeriesLabel;
    RSKSERSIM* ser = static_cast<RSKSERSIM*>(rsasim_allocate(con, sizeof(RSKSERSIM), "simulation work vector"));
    if (ser == nullptr) return 1;
    const RSKANLSIM& s = analysis->simulation;
    RSKSIMGEN& gen = ser->gen;
    gen.adjust_mode = s.extra_integer;
    gen.scale = qor::is_missing(s.scale) || !(s.scale > 0) ? 1.0 : s.scale;
    gen.horizon_count = s.horizon_count > 0 ? s.horizon_count : 1;
    gen.horizons = s.horizons;
    ser->match = analysis->match;
    rsasim_parts(con, &gen);
    const RSKNAMEREC& m = s.source.name;
    const RSKNAMEREC& a = analysis->name.name;

    RSKNAMECELL source{};
    const bool named = m.length > 0 && rskname(con, &source.name, m.text, m.length) == 0;
    const int opened = rskmdso(con, &gen.reader, RSKMDS_SCENARIOS, analysis, named ? &source : nullptr, nullptr,
                               nullptr);
    if (opened != 0) {
        if (opened == 2) xpmlog(598, 2661, a.length, a.text);
        else xpmlog(598, 2662, m.length, m.text, a.length, a.text);
        rskmdsc(con, &gen.reader);
        return 1;
    }
    gen.reader_open = 1;
    ser->changes = gen.reader.definition != nullptr && gen.reader.definition->type == RSKMDSTYPE_CHANGES;
    int rc = 0;
    if (ser->match == 1 && gen.reader.date_number == 0) {
        xpmlog(598, 2615, a.length, a.text, m.length, m.text);
        rc = 1;
    } else if (ser->match == 2 && gen.reader.horizon_number == 0) {
        xpmlog(598, 2616, a.length, a.text, m.length, m.text);
        rc = 1;
    } else if (rsafacb(con, run, 0) != 0) {
        rsasim_factor_list_failed(run);
        rc = 1;
    } else if (run->run_factor_count <= 0) {
        xpmlog(598, 2663, a.length, a.text, m.length, m.text);
        rc = 1;
    }
    int32_t replications = 0;
    if (rc == 0) rc = rsassm_count(con, ser, analysis, s.replications, &replications);
    if (rc == 0) rc = rsasim_take_factors(con, run, &gen);
    if (rc == 0 && ser->match == 1)
        ser->targets = static_cast<double*>(rsasim_allocate(
            con, static_cast<size_t>(gen.horizon_count) * sizeof(double), "simulation work vector"));
    if (rc == 0 && ser->match == 1 && ser->targets == nullptr) rc = 1;
    if (rc == 0 && (rsasim0(con, run, analysis, replications) != 0)) rc = 1;
    RSKSIMWORK* work = rc == 0 ? rsasim_work(run) : nullptr;
    if (rc == 0 && work == nullptr) rc = 1;
    if (rc != 0) {
        rskmdsc(con, &gen.reader);
        gen.reader_open = 0;
        return 1;
    }
    return rsasim_deal_replications(con, &gen, work, ser);
}

int rsassm1(RSKCON* con, RSKANLPROC* run) {
    RSKSERSIM* ser = context(run);
    if (ser == nullptr) return 1;
    return rsasim_generate_from_data(con, run, &ser->gen, &rsassmg);
}

int rsassmg(RSKCON* con, RSKANLPROC* run, RSKSTATECALLBACK callback, int32_t k) {
    RSKSIMWORK* work = rsasim_work(run);
    RSKSERSIM* ser = context(run);
    if (work == nullptr || ser == nullptr || callback == nullptr) return 1;
    RSKSIMGEN& gen = ser->gen;
    RSKANALYSIS* analysis = run->analysis;
    rsasim_row_ids(con, k, -1, -1);
    if (gen.factor_count <= 0) {
        if (++gen.error_lines <= kRskGeneratorErrorLines) xebug("rsassmg: nrf=%i", gen.factor_count);
        return 1;
    }
    const int positioned = rskmds0(con, &gen.reader, qor::missing());
    if (positioned != 0) {
        if (++gen.error_lines <= kRskGeneratorErrorLines) xebug("rsassmg: rskmdsg rc=%i", positioned);
        return 1;
    }
    if (ser->match == 1) {
        const double base = con->run_block != nullptr ? con->run_block->base_date : qor::missing();
        const interval_spec* interval = gen.reader.interval.code != 0 ? &gen.reader.interval : &work->interval;
        for (int32_t h = 0; h < gen.horizon_count; ++h) ser->targets[h] = zintnx2(interval, base, gen.horizons[h]);
    }
    if (gen.adjust_mode == RSKADJUST_BASE)
        for (int32_t i = 0; i < gen.factor_count; ++i) gen.factors[i].adjustments = 0;

    SeriesCursor c{0, 0, qor::missing(), 0};
    while (c.replication < work->replications) {
        rsasim_restore(con, &gen);
        double date = qor::missing(), number = qor::missing();
        const int rc = read_scenario(con, ser, analysis, c.replication, &date, &number);
        if (rc == 1) break;
        if (rc != 0) return 1;
        keep_observation(&gen);
        if (ser->match == 0) {
            build(con, run, callback, k, ser, &c, 0);
            continue;
        }
        const double key = ser->match == 1 ? date : std::floor(number + 0.5);
        // A key not beyond the previous one begins the next replication.
        if (c.next > 0 && !(key > c.previous)) {
            complete(con, run, callback, k, ser, &c);
            if (c.replication >= work->replications) break;
        }
        c.previous = key;
        match(con, run, callback, k, ser, &c, key);
    }
    if (c.replication < work->replications) complete(con, run, callback, k, ser, &c);
    rsasim_report_adjustments(con, run, &gen, k);
    return c.result;
}

// Scenario analysis, cells: each position's scenario and base values added into its cells' records,
// the value-weighting step and the roll-up of a child cell into its parent.
#include <cmath>
#include <cstring>

#include "engine/analyses/shifted_states.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

bool missing(double x) { return qor::is_missing(x); }

RSKSCNVAL load(const void* area, int32_t offset) {
    RSKSCNVAL r;
    std::memcpy(&r, static_cast<const unsigned char*>(area) + offset, sizeof r);
    return r;
}
void store(void* area, int32_t offset, const RSKSCNVAL& r) {
    std::memcpy(static_cast<unsigned char*>(area) + offset, &r, sizeof r);
}
double load_double(const void* area, int32_t offset) {
    double x;
    std::memcpy(&x, static_cast<const unsigned char*>(area) + offset, sizeof x);
    return x;
}
void store_double(void* area, int32_t offset, double x) {
    std::memcpy(static_cast<unsigned char*>(area) + offset, &x, sizeof x);
}

// The relative-results option of the run: class-1 and class-2 values are rolled up as shares.
bool relative_results(RSKCON* con) { return con->run_block->loop.value_weighted != 0; }

// The entry's column in a pricing results row; -1 when the row does not hold it.
int32_t column_of(const RSKSCNOUTV& e) {
    if (e.variable == nullptr) return e.column;
    if (e.variable->run.row_offset < 0) return -1;
    return e.variable->run.row_offset + e.column;
}

// Positions contribute to variables that every instrument carries, and to the run's Return.
bool applies(RSKCON* con, const RSKSCNOUTV& e) {
    if (e.variable == nullptr) return true;
    const RSKSYSVARS* sys = con->system_variables;
    return e.variable->scope == RSKSCOPE_VALUATION || (sys != nullptr && e.variable == sys->return_value);
}

double divided_abs(double s, double d) {
    if (missing(s) || missing(d) || !(std::fabs(d) > kRskSmallDivisor)) return qor::missing();
    return s / std::fabs(d);
}
double divided(double s, double d) {
    if (missing(s) || missing(d) || !(d > kRskSmallDivisor)) return qor::missing();
    return s / d;
}

// target += addend; a missing side makes the target missing.
void add_to(double& target, double addend) {
    if (missing(target)) return;
    target = missing(addend) ? qor::missing() : target + addend;
}

}  // namespace

void set_scenval(RSKSCNVAL* r, double value) {
    r->pl = r->gain = r->loss = r->value = r->positive_value = r->negative_value = value;
}

void addValueToResult(RSKSCNVAL* r, double v, double b, int scaled) {
    if (missing(v) || missing(b)) {
        set_scenval(r, qor::missing());
        return;
    }
    if (scaled) {
        r->value += v;
        if (v > 0) r->positive_value += v;
        else r->negative_value -= v;
        r->pl = r->gain = r->loss = qor::missing();
        return;
    }
    if (missing(r->pl)) return;
    const double d = v - b;
    r->pl += d;
    r->value += v;
    if (d > 0) r->gain += d;
    else r->loss -= d;
    if (v > 0) r->positive_value += v;
    else r->negative_value -= v;
}

void aggregateResults(RSKSCNVAL* t, const RSKSCNVAL* s, int mode, const RSKSCNVAL* d) {
    if (mode == 0) add_to(t->pl, s->pl);
    else t->pl = qor::missing();
    if (missing(t->value)) return;
    if (mode == 0) add_to(t->gain, s->gain);
    else t->gain = qor::missing();
    add_to(t->loss, s->loss);
    if (mode == 0) {
        add_to(t->value, s->value);
        add_to(t->positive_value, s->positive_value);
        add_to(t->negative_value, s->negative_value);
        return;
    }
    const auto share = [mode](double x, double divisor) {
        return mode == 1 ? divided_abs(x, divisor) : divided(x, divisor);
    };
    add_to(t->value, share(s->value, d != nullptr ? d->value : qor::missing()));
    add_to(t->positive_value, share(s->positive_value, d != nullptr ? d->positive_value : qor::missing()));
    add_to(t->negative_value, share(s->negative_value, d != nullptr ? d->negative_value : qor::missing()));
}

int rsascn2(RSKCON* con, RSKANLPROC* run, void* area, int64_t, int64_t) {
    auto* work = static_cast<RSKSCNWORK*>(run->work);
    if (work == nullptr || area == nullptr) return 1;
    if (run->state_counters[0] >= run->state_counters[1]) return 0;   // this part has no state
    const double* row = rsk_state_row(con, run->first_state);
    const double* base_row = con->run_block->row0;
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& e = work->entries[i];
        if (!applies(con, e)) continue;
        RSKSCNVAL r = load(area, e.offset);
        if (missing(r.value)) continue;
        if (e.post != RSKSCNPOST_NONE) {
            set_scenval(&r, qor::missing());
            store(area, e.offset, r);
            continue;
        }
        const int32_t column = column_of(e);
        double v = row != nullptr && column >= 0 && column < con->run_block->row_doubles ? row[column] : qor::missing();
        int scaled = 0;
        if (e.scaling == 1 || e.scaling == 2) {
            const double c = row != nullptr ? row[e.scaling == 1 ? 0 : 1] : qor::missing();
            v = missing(v) || missing(c) ? qor::missing() : v * (e.scaling == 1 ? std::fabs(c) : c);
            scaled = 1;
        }
        double b;
        if (e.role == RSKSCNROLE_PL) {
            b = rsk_position_base_value(con);
        } else if (e.role == RSKSCNROLE_EXPOSURE) {
            b = rsk_position_base_exposure(con);
            if (work->exposure_slot > 0) {
                double slot = load_double(area, work->exposure_slot);
                add_to(slot, v);
                store_double(area, work->exposure_slot, slot);
            }
        } else {
            b = base_row != nullptr && column >= 0 && column < con->run_block->row_doubles ? base_row[column]
                                                                                          : qor::missing();
        }
        addValueToResult(&r, v, b, scaled);
        store(area, e.offset, r);
    }
    return 0;
}

int scen_process_vw(RSKCON*, RSKANLPROC* run, void* area, int flag) {
    auto* work = static_cast<RSKSCNWORK*>(run->work);
    if (work == nullptr || area == nullptr) return 1;
    const RSKSCNVAL a = load(area, work->entries[work->pl_entry].offset);
    const bool have_exposure = work->exposure_entry >= 0;
    const RSKSCNVAL e = have_exposure ? load(area, work->entries[work->exposure_entry].offset) : RSKSCNVAL{};
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& entry = work->entries[i];
        if (entry.post == RSKSCNPOST_VALUATION) continue;
        RSKSCNVAL r = load(area, entry.offset);
        if (entry.scaling == 1 && flag == 0) {
            r.value = missing(r.value) ? r.value : divided_abs(r.value, a.value);
            r.positive_value = missing(r.positive_value) ? r.positive_value : divided_abs(r.positive_value, a.positive_value);
            r.negative_value = missing(r.negative_value) ? r.negative_value : divided_abs(r.negative_value, a.negative_value);
        } else if (have_exposure && entry.scaling == 2) {
            r.value = missing(r.value) ? r.value : divided(r.value, e.value);
            r.positive_value = missing(r.positive_value) ? r.positive_value : divided(r.positive_value, e.positive_value);
            r.negative_value = qor::missing();
        } else {
            continue;
        }
        r.pl = r.gain = r.loss = qor::missing();
        store(area, entry.offset, r);
    }
    return 0;
}

int rsascn_step(RSKCON* con, RSKANLPROC* run, void* area) { return scen_process_vw(con, run, area, 0); }

int rsascn3(RSKCON* con, RSKANLPROC* run, void* target, void* source, int mode, int keep) {
    auto* work = static_cast<RSKSCNWORK*>(run->work);
    if (work == nullptr || target == nullptr || source == nullptr) return 1;
    if (work->exposure_slot > 0) {
        double slot = load_double(target, work->exposure_slot);
        add_to(slot, load_double(source, work->exposure_slot));
        store_double(target, work->exposure_slot, slot);
    }
    const bool relative = relative_results(con);
    const RSKSCNVAL a = load(source, work->entries[work->pl_entry].offset);
    const bool have_exposure = work->exposure_entry >= 0;
    const RSKSCNVAL e = have_exposure ? load(source, work->entries[work->exposure_entry].offset) : RSKSCNVAL{};
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& entry = work->entries[i];
        RSKSCNVAL t = load(target, entry.offset);
        const RSKSCNVAL s = load(source, entry.offset);
        auto reset = [&]() {
            if (!keep) set_scenval(&t, 0.0);
        };
        const bool exposure_like = entry.role == RSKSCNROLE_EXPOSURE || entry.scaling == 2 ||
                                   (entry.post == RSKSCNPOST_PRICING && entry.post_rolls_up);
        if (mode == 1) {
            if (entry.scaling == 1) {
                reset();
                aggregateResults(&t, &s, 1, &a);
            } else if (entry.scaling == 2 && have_exposure) {
                reset();
                aggregateResults(&t, &s, 2, &e);
            } else {
                continue;
            }
        } else if (mode == 2 && exposure_like) {
            reset();
            aggregateResults(&t, &s, 0, nullptr);
        } else if (relative && entry.scaling == 1) {
            aggregateResults(&t, &s, 1, &a);
        } else if (relative && entry.scaling == 2) {
            if (!have_exposure) continue;
            aggregateResults(&t, &s, 2, &e);
        } else {
            aggregateResults(&t, &s, 0, nullptr);
        }
        store(target, entry.offset, t);
    }
    return 0;
}

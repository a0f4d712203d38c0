// P/L curve analysis: one factor at a time moves over its grid; a state per grid point, the
// position's value and change summed per cell and point, and one row per factor and point.
#include <cmath>
#include <cstring>

#include "engine/analyses/shifted_states.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kCurveLabel = 5606;
constexpr int32_t kPointDoubles = 6;
constexpr int64_t kLargestArea = 0x7fffffff;

bool missing(double x) { return qor::is_missing(x); }

// The active entries of a definition in list order: the run factors stand beside them.
const RSKANLFACTOR* next_active(const RSKANLFACTOR* e) {
    while (e != nullptr && !e->active) e = e->next;
    return e;
}

int64_t points_of(const RSKANLFACTOR* e) { return e != nullptr && e->points > 0 ? e->points : 0; }

// Elements of a factor: an array's elements, or the factor itself.
struct Element {
    RSKVARIABLE* variable;
    double base, x, step;
    uint8_t skipped;
};

}  // namespace

RSKPLPOINT rsk_point_load(const void* area, int64_t record) {
    RSKPLPOINT p;
    std::memcpy(&p, static_cast<const unsigned char*>(area) + record * sizeof p, sizeof p);
    return p;
}

void rsk_point_store(void* area, int64_t record, const RSKPLPOINT& p) {
    std::memcpy(static_cast<unsigned char*>(area) + record * sizeof p, &p, sizeof p);
}

void rsk_points_missing(void* area, int64_t record, int64_t count) {
    const double m = qor::missing();
    const RSKPLPOINT p{m, m, m, m, m, m};
    for (int64_t i = 0; i < count; ++i) rsk_point_store(area, record + i, p);
}

void rsk_point_add(RSKPLPOINT* p, double v, double b) {
    if (missing(p->pl)) return;
    if (missing(v) || missing(b)) {
        p->pl = qor::missing();
        return;
    }
    const double d = v - b;
    p->pl += d;
    p->value += v;
    if (d > 0) p->gain += d;
    if (d < 0) p->loss += d;
    if (v > 0) p->positive_value += v;
    if (v < 0) p->negative_value += v;
}

void skip_curve(RSKCON*, void* cursor, int32_t doubles_per_point, int64_t points, double base) {
    if (cursor == nullptr || points < 1) return;
    auto* at = static_cast<unsigned char*>(cursor);
    const size_t stride = static_cast<size_t>(doubles_per_point) * sizeof(double);
    RSKPLPOINT first;
    std::memcpy(&first, at, sizeof first);
    if (missing(first.pl)) return;
    for (int64_t i = 0; i < points; ++i) {
        RSKPLPOINT p;
        std::memcpy(&p, at + static_cast<size_t>(i) * stride, sizeof p);
        p.value = missing(base) ? base : p.value + base;
        if (base > 0) p.positive_value += base;
        if (base < 0) p.negative_value += base;
        std::memcpy(at + static_cast<size_t>(i) * stride, &p, sizeof p);
    }
}

int rsk_grid_range(RSKCON* con, RSKANLPROC* run, const RSKGRIDITEM& item, int64_t first, int64_t last, void* area,
                   int64_t* state) {
    const int64_t per_point = item.points[1] > 0 ? item.points[1] : 1;
    const double b = rsk_position_base_value(con);
    const int64_t records = static_cast<int64_t>(item.points[0]) * per_point;
    if (item.status == RSKGRID_MISSING) {
        rsk_points_missing(area, item.record, records);
        return 0;
    }
    if (item.status == RSKGRID_SKIPPED) {
        skip_curve(con, static_cast<unsigned char*>(area) + item.record * sizeof(RSKPLPOINT), kPointDoubles, records, b);
        return 0;
    }
    for (int64_t j = item.first * per_point; j < item.end * per_point; ++j, ++*state) {
        if (*state > last) return 1;
        if (*state < first) continue;
        RSKPLPOINT p = rsk_point_load(area, item.record + j);
        if (missing(p.pl)) continue;
        const double* row = rsk_state_row(con, *state);
        rsk_point_add(&p, row != nullptr ? row[0] : qor::missing(), b);
        rsk_point_store(area, item.record + j, p);
    }
    (void)run;
    return 0;
}

int rsaplc0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kCurveLabel;
    if (rsafacx(con, run, analysis->entries_head, analysis->entry_count) != 0) return 1;
    int64_t total = 0;
    int32_t count = 0;
    for (const RSKANLFACTOR* e = next_active(analysis->entries_head); e != nullptr; e = next_active(e->next)) {
        total += points_of(e);
        ++count;
    }
    if (total * static_cast<int64_t>(sizeof(RSKPLPOINT)) > kLargestArea) {
        xebug("rsaplc0: %lld grid points do not fit a cell.", static_cast<long long>(total));
        return 1;
    }
    auto* work = static_cast<RSKGRIDWORK*>(rsk_shift_alloc(con, sizeof(RSKGRIDWORK), "P/L curve analysis work vector"));
    if (work == nullptr) return 1;
    work->items = static_cast<RSKGRIDITEM*>(
        rsk_shift_alloc(con, sizeof(RSKGRIDITEM) * static_cast<size_t>(count > 0 ? count : 1), "P/L curve analysis work vector"));
    work->amounts = static_cast<double*>(
        rsk_shift_alloc(con, sizeof(double) * static_cast<size_t>(total > 0 ? total : 1), "P/L curve analysis work vector"));
    if (work->items == nullptr || work->amounts == nullptr) return 1;
    for (int64_t i = 0; i < total; ++i) work->amounts[i] = qor::missing();
    work->amount_count = static_cast<int32_t>(total);
    work->records = static_cast<int32_t>(total);
    run->work = work;
    run->work_size = sizeof(RSKGRIDWORK) + sizeof(RSKGRIDITEM) * static_cast<size_t>(count) + sizeof(double) * static_cast<size_t>(total);
    run->cell_size = static_cast<int32_t>(total * static_cast<int64_t>(sizeof(RSKPLPOINT)));

    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    int32_t at = 0;
    int64_t planned = 0;
    const RSKANLFACTOR* e = next_active(analysis->entries_head);
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && e != nullptr; f = f->next, e = next_active(e->next)) {
        RSKGRIDITEM& item = work->items[work->count++];
        item.grid[0] = e;
        item.variable[0] = f->variable;
        item.points[0] = static_cast<int32_t>(points_of(e));
        item.points[1] = 1;
        item.amounts[0] = at;
        item.record = at;
        at += item.points[0];
        int64_t lo = 0, hi = 0;
        rsk_part_points(part, parts, item.points[0], &lo, &hi);
        planned += hi - lo;
    }
    return rsk_plan_states(con, "rsaplc0", planned);
}

namespace {

// A plain factor's grid: its values, states in the local range, then its base value back.
int curve_plain(RSKCON* con, RSKANLPROC* run, RSKGRIDWORK* work, RSKGRIDITEM& item, int32_t index) {
    RSKVARIABLE* v = item.variable[0];
    const RSKANLFACTOR* g = item.grid[0];
    const double base = rsk_shift_get(v);
    if (missing(base)) {
        item.status = RSKGRID_MISSING;
        return 0;
    }
    v->lag_in_analysis = 1.0;
    double x = 0, step = 0;
    if (get_x_inc(con, run, v, g->perturbation_type, g->minimum, g->value, item.points[0], base, &x, &step, 0) != 0) {
        item.status = RSKGRID_SKIPPED;
        v->lag_in_analysis = 0.0;
        return 0;
    }
    rsk_note_factors(con, run, v, nullptr, index);
    int rc = 0;
    int appended = 0;
    for (int64_t j = 0; j < item.points[0] && rc == 0; ++j) {
        work->amounts[item.amounts[0] + j] = x;
        rsk_shift_set(v, x);
        if (j >= item.first && j < item.end) rc = rsk_append_state(con, appended++ == 0 ? 0 : 1);
        x += step;
    }
    rsk_shift_set(v, base);
    v->lag_in_analysis = 0.0;
    return rc;
}

// An array factor: every element moves over its own grid (in log terms for a multiplicative
// volatility grid); the grid amount table holds the nominal amounts.
int curve_array(RSKCON* con, RSKANLPROC* run, RSKGRIDWORK* work, RSKGRIDITEM& item, int32_t index) {
    RSKVARIABLE* v = item.variable[0];
    const RSKANLFACTOR* g = item.grid[0];
    const int32_t count = rsk_shift_elements(v);
    auto* elements = static_cast<Element*>(
        rsk_shift_alloc(con, sizeof(Element) * static_cast<size_t>(count > 0 ? count : 1), "temporary arrays"));
    if (elements == nullptr) return 1;
    v->lag_in_analysis = 1.0;
    int32_t present = 0, usable = 0;
    for (int32_t k = 0; k < count; ++k) {
        Element& el = elements[k];
        el.variable = v->elements[k];
        el.base = rsk_shift_get(el.variable);
        el.skipped = 1;
        if (el.variable == nullptr || missing(el.base)) continue;
        ++present;
        el.variable->lag_in_analysis = 1.0;
        if (get_x_inc(con, run, el.variable, g->perturbation_type, g->minimum, g->value, item.points[0], el.base,
                      &el.x, &el.step, 1) != 0)
            continue;
        el.skipped = 0;
        ++usable;
    }
    int rc = 0;
    if (usable == 0) {
        item.status = present == 0 ? RSKGRID_MISSING : RSKGRID_SKIPPED;
    } else {
        const int64_t n = item.points[0];
        const double nominal_step = n > 1 ? (g->value - g->minimum) / static_cast<double>(n - 1) : 0.0;
        rsk_note_factors(con, run, v, nullptr, index);
        double nominal = g->minimum;
        int appended = 0;
        for (int64_t j = 0; j < n && rc == 0; ++j) {
            work->amounts[item.amounts[0] + j] = nominal;
            nominal += nominal_step;
            for (int32_t k = 0; k < count; ++k) {
                Element& el = elements[k];
                if (el.skipped) continue;
                const bool exp_step =
                    g->perturbation_type == RSKSHIFT_VOLATILITY && el.variable->measurement_level != 2;
                rsk_shift_set(el.variable, exp_step ? rsk_shift_exp(el.x, el.base) : el.x);
                el.x += el.step;
            }
            if (j >= item.first && j < item.end) rc = rsk_append_state(con, appended++ == 0 ? 0 : 1);
        }
    }
    for (int32_t k = 0; k < count; ++k) {
        Element& el = elements[k];
        if (el.variable == nullptr) continue;
        if (!missing(el.base)) rsk_shift_set(el.variable, el.base);
        el.variable->lag_in_analysis = 0.0;
    }
    v->lag_in_analysis = 0.0;
    return rc;
}

}  // namespace

int rsaplc1(RSKCON* con, RSKANLPROC* run) {
    auto* work = static_cast<RSKGRIDWORK*>(run != nullptr ? run->work : nullptr);
    if (con == nullptr || work == nullptr) return 1;
    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    int64_t first_number = -1;
    for (int32_t i = 0; i < work->count; ++i) {
        RSKGRIDITEM& item = work->items[i];
        const int64_t n = item.points[0];
        rsk_part_points(part, parts, n, &item.first, &item.end);
        const int64_t number = parts <= 1 ? rsk_global_states(con) : con->run_block->state_buffer.append_index;
        if (i == 0) first_number = number;
        item.status = RSKGRID_STATES;
        const int64_t before = con->run_block->state_buffer.append_index;
        const int rc = item.variable[0] != nullptr && item.variable[0]->data_type == RSKDTYPE_ARRAY
                           ? curve_array(con, run, work, item, i)
                           : curve_plain(con, run, work, item, i);
        if (rc != 0) return rc;
        if (n < 1) item.status = RSKGRID_SKIPPED;
        // Every part counts the points the other parts make of a factor with states, so the
        // numbers stay aligned; a factor without states counts nowhere.
        if (item.status == RSKGRID_STATES && parts > 1) rsk_count_elsewhere(con, n - (item.end - item.first));
        run->state_counters[0] = item.first;
        run->state_counters[1] = item.end;
        run->state_counters[2] = number;
        run->state_counters[3] = number + (con->run_block->state_buffer.append_index - before);
    }
    if (first_number >= 0) run->state_counters[2] = first_number;
    return 0;
}

int rsaplc2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last) {
    return plgrid_positions(con, run, area, first, last);
}

void rsk_put_name(char* field, size_t capacity, const RSKVARIABLE* v) {
    std::memset(field, ' ', capacity);
    if (v == nullptr || v->name.name.text == nullptr) return;
    std::memcpy(field, v->name.name.text, v->name.name.length < capacity ? v->name.name.length : capacity);
}

void rsk_put_label(char* field, size_t capacity, const RSKVARIABLE* v) {
    std::memset(field, ' ', capacity);
    if (v == nullptr || v->properties.description == nullptr || v->properties.description_length <= 0) return;
    const size_t n = static_cast<size_t>(v->properties.description_length);
    std::memcpy(field, v->properties.description, n < capacity ? n : capacity);
}

void rsk_put_point(RSKROWVALUES* row, const RSKPLPOINT& p) {
    row->pl = p.pl;
    row->value = p.value;
    row->positive_pl = p.gain;
    row->negative_pl = p.loss;
    row->positive_value = p.positive_value;
    row->negative_value = p.negative_value;
    const double pct = percent(p.pl, row->mtm);
    row->return_ = missing(pct) ? pct : pct * 0.01;
}

int rsaplc5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    auto* work = static_cast<RSKGRIDWORK*>(run->work);
    if (work == nullptr || area == nullptr || writer == nullptr) return 1;
    RSKRUNRESULTS& results = con->run_block->result_sets;
    RSKROWVALUES& row = results.row;
    ++results.context.row_counter;
    int rc = 0;
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKGRIDITEM& item = work->items[i];
        if (item.status != RSKGRID_STATES) continue;
        rsk_put_name(row.name, sizeof row.name, item.variable[0]);
        rsk_put_label(row.label, sizeof row.label, item.variable[0]);
        row.x = 0;
        for (int64_t j = 0; j < item.points[0]; ++j) {
            row.x += 1.0;
            row.factor1 = work->amounts[item.amounts[0] + j];
            rsk_put_point(&row, rsk_point_load(area, item.record + j));
            const int w = writer(con, resds);
            if (w > rc) rc = w;
        }
    }
    return rc;
}

// P/L surface analysis: factors in pairs move over the product of their grids, the second factor
// fastest; a state per grid point, sums per cell and point, and one row per pair and point.
#include <cmath>
#include <cstring>

#include "engine/analyses/shifted_states.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kSurfaceLabel = 5607;
constexpr int64_t kLargestArea = 0x7fffffff;

bool missing(double x) { return qor::is_missing(x); }

const RSKANLFACTOR* next_active(const RSKANLFACTOR* e) {
    while (e != nullptr && !e->active) e = e->next;
    return e;
}

int64_t points_of(const RSKANLFACTOR* e) { return e != nullptr && e->points > 0 ? e->points : 0; }

// One element of a pair's factor (a plain factor is its own single element).
struct Element {
    RSKVARIABLE* variable;
    double base, start, step;
    uint8_t skipped;                 // no value, or no usable grid
    uint8_t fixed;                   // no volatility: keeps its base value
};

struct Side {
    RSKVARIABLE* factor;
    const RSKANLFACTOR* grid;
    Element* elements;
    int32_t count;
    bool array;
};

bool equal_names(const RSKVARIABLE* a, const RSKVARIABLE* b) {
    return a != nullptr && b != nullptr && a->name.name.length == b->name.name.length &&
           std::memcmp(a->name.name.text, b->name.name.text, a->name.name.length) == 0;
}

// Starts and steps of every element of one side; the count of usable and fixed elements.
void prepare_side(RSKCON* con, RSKANLPROC* run, Side& side, int64_t points, int32_t* present, int32_t* usable,
                  int32_t* fixed) {
    *present = *usable = *fixed = 0;
    for (int32_t k = 0; k < side.count; ++k) {
        Element& el = side.elements[k];
        el.variable = side.array ? side.factor->elements[k] : side.factor;
        el.base = rsk_shift_get(el.variable);
        el.skipped = 1;
        el.fixed = 0;
        if (el.variable == nullptr || missing(el.base)) continue;
        ++*present;
        el.variable->lag_in_analysis = 1.0;
        const int r = get_x_inc(con, run, el.variable, side.grid->perturbation_type, side.grid->minimum,
                                side.grid->value, points, el.base, &el.start, &el.step, side.array ? 1 : 0);
        if (r == 2) continue;
        el.skipped = 0;
        if (r == 1) {
            el.fixed = 1;
            ++*fixed;
        }
        ++*usable;
    }
}

// Sets every moving element of a side to grid point i. An array element of a multiplicative
// volatility grid moves in log terms: exp(start + i step) times its base, whatever the count.
void move_side(const Side& side, int64_t i) {
    for (int32_t k = 0; k < side.count; ++k) {
        const Element& el = side.elements[k];
        if (el.skipped || el.fixed) continue;
        const double x = el.start + static_cast<double>(i) * el.step;
        const bool exp_step = side.array && side.grid->perturbation_type == RSKSHIFT_VOLATILITY &&
                              el.variable->measurement_level != 2;
        rsk_shift_set(el.variable, exp_step ? rsk_shift_exp(x, el.base) : x);
    }
}

void restore_side(const Side& side) {
    for (int32_t k = 0; k < side.count; ++k) {
        const Element& el = side.elements[k];
        if (el.variable == nullptr) continue;
        if (!missing(el.base)) rsk_shift_set(el.variable, el.base);
        el.variable->lag_in_analysis = 0.0;
    }
    side.factor->lag_in_analysis = 0.0;
}

// The grid amount of point i of a side: the shifted value of a plain factor, the nominal amount
// of an array factor.
double amount_of(const Side& side, int64_t i, int64_t points) {
    if (!side.array) {
        const Element& el = side.elements[0];
        return el.skipped ? qor::missing() : el.start + static_cast<double>(i) * el.step;
    }
    const double a = side.grid->minimum, z = side.grid->value;
    return points > 1 ? a + static_cast<double>(i) * (z - a) / static_cast<double>(points - 1) : a;
}

int surface_pair(RSKCON* con, RSKANLPROC* run, RSKGRIDWORK* work, RSKGRIDITEM& item, int32_t index) {
    const int64_t m = item.points[0], n = item.points[1];
    Side sides[2];
    for (int s = 0; s < 2; ++s) {
        RSKVARIABLE* v = item.variable[s];
        sides[s].factor = v;
        sides[s].grid = item.grid[s];
        sides[s].array = v->data_type == RSKDTYPE_ARRAY;
        sides[s].count = sides[s].array ? rsk_shift_elements(v) : 1;
        sides[s].elements = static_cast<Element*>(rsk_shift_alloc(
            con, sizeof(Element) * static_cast<size_t>(sides[s].count > 0 ? sides[s].count : 1), "temporary arrays"));
        if (sides[s].elements == nullptr) return 1;
        if (sides[s].array) v->lag_in_analysis = 1.0;
    }
    if ((sides[0].count > 1 || sides[1].count > 1) && sides[0].array && sides[1].array) {
        bool clash = false;
        for (int32_t i = 0; i < sides[0].count && !clash; ++i)
            for (int32_t j = 0; j < sides[1].count && !clash; ++j)
                clash = equal_names(sides[0].factor->elements[i], sides[1].factor->elements[j]);
        if (clash) {
            const char* type = "";
            if (rskcsat(con, RSKANL_PLSURFACE, &type) != 0 || type == nullptr) type = "";
            const RSKOBJNAME& a = run->analysis->name;
            xpmlog(670, 1058, static_cast<int>(std::strlen(type)), type, static_cast<int>(a.name.length), a.name.text,
                   static_cast<int>(sides[0].factor->name.name.length), sides[0].factor->name.name.text,
                   static_cast<int>(sides[1].factor->name.name.length), sides[1].factor->name.name.text);
        }
    }
    int32_t present[2], usable[2], fixed[2];
    prepare_side(con, run, sides[0], m, &present[0], &usable[0], &fixed[0]);
    prepare_side(con, run, sides[1], n, &present[1], &usable[1], &fixed[1]);
    if (present[0] == 0 || present[1] == 0) item.status = RSKGRID_MISSING;
    else if (usable[0] == 0 || usable[1] == 0 || fixed[0] + fixed[1] == usable[0] + usable[1])
        item.status = RSKGRID_SKIPPED;
    else item.status = RSKGRID_STATES;

    int rc = 0;
    if (item.status == RSKGRID_STATES) {
        for (int64_t i = 0; i < m; ++i) work->amounts[item.amounts[0] + i] = amount_of(sides[0], i, m);
        for (int64_t i = 0; i < n; ++i) work->amounts[item.amounts[1] + i] = amount_of(sides[1], i, n);
        rsk_note_factors(con, run, sides[0].factor, sides[1].factor, index);
        int appended = 0;
        for (int64_t i1 = item.first; i1 < item.end && rc == 0; ++i1) {
            move_side(sides[0], i1);
            for (int64_t i2 = 0; i2 < n && rc == 0; ++i2) {
                move_side(sides[1], i2);
                rc = rsk_append_state(con, appended++ == 0 ? 0 : 1);
            }
        }
    }
    restore_side(sides[0]);
    restore_side(sides[1]);
    return rc;
}

}  // namespace

void skip_surface(RSKCON* con, void* cursor, int32_t doubles_per_point, int64_t points, double base) {
    skip_curve(con, cursor, doubles_per_point, points, base);
}

int rsapls0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kSurfaceLabel;
    int32_t factors = 0;
    for (const RSKANLFACTOR* e = next_active(analysis->entries_head); e != nullptr; e = next_active(e->next)) ++factors;
    if (factors % 2 != 0) {
        xebug("rsapls0: nrf=%i is not an even number.", factors);
        return 1;
    }
    if (rsafacx(con, run, analysis->entries_head, analysis->entry_count) != 0) return 1;
    const int32_t pairs = factors / 2;
    int64_t records = 0, first_total = 0, second_total = 0;
    for (const RSKANLFACTOR* e = next_active(analysis->entries_head); e != nullptr;) {
        const RSKANLFACTOR* f = next_active(e->next);
        records += points_of(e) * points_of(f);
        first_total += points_of(e);
        second_total += points_of(f);
        e = f != nullptr ? next_active(f->next) : nullptr;
    }
    if (records * static_cast<int64_t>(sizeof(RSKPLPOINT)) > kLargestArea) {
        xebug("rsapls0: %lld grid points do not fit a cell.", static_cast<long long>(records));
        return 1;
    }
    const int64_t amounts = 1 + first_total + second_total;
    auto* work = static_cast<RSKGRIDWORK*>(rsk_shift_alloc(con, sizeof(RSKGRIDWORK), "P/L surface analysis work vector"));
    if (work == nullptr) return 1;
    work->items = static_cast<RSKGRIDITEM*>(rsk_shift_alloc(
        con, sizeof(RSKGRIDITEM) * static_cast<size_t>(pairs > 0 ? pairs : 1), "P/L surface analysis work vector"));
    work->amounts = static_cast<double*>(
        rsk_shift_alloc(con, sizeof(double) * static_cast<size_t>(amounts), "P/L surface analysis work vector"));
    if (work->items == nullptr || work->amounts == nullptr) return 1;
    for (int64_t i = 1; i < amounts; ++i) work->amounts[i] = qor::missing();
    work->amounts[0] = static_cast<double>(first_total);
    work->amount_count = static_cast<int32_t>(amounts);
    work->records = static_cast<int32_t>(records);
    run->work = work;
    run->work_size = sizeof(RSKGRIDWORK) + sizeof(RSKGRIDITEM) * static_cast<size_t>(pairs) + sizeof(double) * static_cast<size_t>(amounts);
    run->cell_size = static_cast<int32_t>(records * static_cast<int64_t>(sizeof(RSKPLPOINT)));

    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    int64_t planned = 0;
    int32_t record = 0, first_at = 1, second_at = 1 + static_cast<int32_t>(first_total);
    const RSKANLFACTOR* e = next_active(analysis->entries_head);
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && f->next != nullptr && e != nullptr;
         f = f->next->next) {
        const RSKANLFACTOR* e2 = next_active(e->next);
        RSKGRIDITEM& item = work->items[work->count++];
        item.grid[0] = e;
        item.grid[1] = e2;
        item.variable[0] = f->variable;
        item.variable[1] = f->next->variable;
        item.points[0] = static_cast<int32_t>(points_of(e));
        item.points[1] = static_cast<int32_t>(points_of(e2));
        item.amounts[0] = first_at;
        item.amounts[1] = second_at;
        item.record = record;
        first_at += item.points[0];
        second_at += item.points[1];
        record += item.points[0] * item.points[1];
        int64_t lo = 0, hi = 0;
        rsk_part_points(part, parts, item.points[0], &lo, &hi);
        planned += static_cast<int64_t>(item.points[1]) * (hi - lo);
        e = e2 != nullptr ? next_active(e2->next) : nullptr;
    }
    return rsk_plan_states(con, "rsapls0", planned);
}

int rsapls1(RSKCON* con, RSKANLPROC* run) {
    auto* work = static_cast<RSKGRIDWORK*>(run != nullptr ? run->work : nullptr);
    if (con == nullptr || work == nullptr) return 1;
    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    int64_t first_number = -1;
    for (int32_t i = 0; i < work->count; ++i) {
        RSKGRIDITEM& item = work->items[i];
        const int64_t m = item.points[0], n = item.points[1];
        rsk_part_points(part, parts, m, &item.first, &item.end);
        const int64_t number = parts <= 1 ? rsk_global_states(con) : con->run_block->state_buffer.append_index;
        if (i == 0) first_number = number;
        const int64_t before = con->run_block->state_buffer.append_index;
        item.status = RSKGRID_SKIPPED;
        if (item.variable[0] != nullptr && item.variable[1] != nullptr && m > 0 && n > 0) {
            const int rc = surface_pair(con, run, work, item, i);
            if (rc != 0) return rc;
        }
        if (item.status == RSKGRID_STATES && parts > 1) rsk_count_elsewhere(con, n * (m - (item.end - item.first)));
        run->state_counters[0] = item.first;
        run->state_counters[1] = item.end;
        run->state_counters[2] = number;
        run->state_counters[3] = number + (con->run_block->state_buffer.append_index - before);
    }
    if (first_number >= 0) run->state_counters[2] = first_number;
    return 0;
}

int rsapls2(RSKCON* con, RSKANLPROC* run, void* area, int64_t first, int64_t last) {
    return plgrid_positions(con, run, area, first, last);
}

int rsapls5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
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
        rsk_put_name(row.name2, sizeof row.name2, item.variable[1]);
        rsk_put_label(row.label2, sizeof row.label2, item.variable[1]);
        for (int64_t i1 = 0; i1 < item.points[0]; ++i1) {
            row.x = static_cast<double>(i1 + 1);
            row.factor1 = work->amounts[item.amounts[0] + i1];
            for (int64_t i2 = 0; i2 < item.points[1]; ++i2) {
                row.y = static_cast<double>(i2 + 1);
                row.factor2 = work->amounts[item.amounts[1] + i2];
                rsk_put_point(&row, rsk_point_load(area, item.record + i1 * item.points[1] + i2));
                const int w = writer(con, resds);
                if (w > rc) rc = w;
            }
        }
    }
    return rc;
}

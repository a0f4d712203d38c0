// Scenario analysis, post-variables: the post-pricing methods run on a rolled-up cell's sums and
// the post-valuation methods on its finished values; their results become the records of the
// output variables they compute.
#include <cmath>
#include <cstring>

#include "engine/analyses/shifted_states.h"
#include "engine/compiler/compile_control.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/tables/method_records.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

using qor::is_missing;

// The statistic symbols a post-valuation method reads of an output variable, in their order.
constexpr const char* kStatistics[] = {"MtM", "VaR", "VaR_l", "VaR_u", "mean", "std", "min", "max", "median", "value"};

RSKSCNVAL load(const void* area, int32_t offset) {
    RSKSCNVAL r;
    std::memcpy(&r, static_cast<const unsigned char*>(area) + offset, sizeof r);
    return r;
}
void store(void* area, int32_t offset, const RSKSCNVAL& r) {
    std::memcpy(static_cast<unsigned char*>(area) + offset, &r, sizeof r);
}

// The name the methods know an output variable by: _VALUE_ for the P/L, _RETURN_ for the run's
// Return variable, else its own name.
void method_name(RSKCON* con, const RSKSCNOUTV& e, const char** text, int* length) {
    const RSKSYSVARS* sys = con->system_variables;
    if (e.role == RSKSCNROLE_PL) {
        *text = "_VALUE_";
        *length = 7;
    } else if (e.variable != nullptr && sys != nullptr && e.variable == sys->return_value) {
        *text = "_RETURN_";
        *length = 8;
    } else {
        *text = e.name;
        *length = e.name_length;
    }
}

// The value slot of a program symbol ("name" or "name.member"); null when the program has none.
double* symbol(RSKCON* con, const char* name, int length, const char* member = nullptr) {
    double* slot = nullptr;
    return lookup_sym(con, name, length, member, &slot) == 0 ? slot : nullptr;
}
void put(double* slot, double value) {
    if (slot != nullptr) *slot = value;
}

// Switches the actions of the methods of one kind ('R' post-pricing, 'V' post-valuation) on or
// off in the run list of the program that runs them.
void switch_methods(RSKCON* con, char kind, int on) {
    for (RSKACTION* a = con->run_compile != nullptr ? con->run_compile->actions_first : nullptr; a != nullptr;
         a = a->next)
        if (a->kind == RSKACTION_METHOD_CALL && a->target != nullptr &&
            static_cast<const RSKGENTRANS*>(a->target)->kind == kind)
            rskmact(con, a, RSKBLK_MAIN, on, 0);
}

// Runs the program once for the analysis' first state with the methods of `kind` switched on.
int run_methods(RSKCON* con, RSKANLPROC* run, char kind) {
    RSKRUNCOMPILE* compile = con->run_compile;
    RSKPROGRECORD* record = compile != nullptr && compile->programs != nullptr ? &compile->programs[0] : nullptr;
    switch_methods(con, kind, 1);
    const int rc = rskrcmp(con, record, static_cast<int>(run->first_state));
    switch_methods(con, kind, 0);
    return rc;
}

// The date the methods see: the analysis' evaluation date, else the run's valuation date.
double analysis_date(RSKCON* con, const RSKANLPROC* run) {
    const RSKANALYSIS* a = run->analysis;
    return a != nullptr && !is_missing(a->evaluation_date) ? a->evaluation_date : con->run_block->valuation_date;
}

// The cell being processed: its leading statistics hold the base values of P/L and exposure.
const RSKCELLHEAD* current_cell(RSKCON* con) {
    return reinterpret_cast<const RSKCELLHEAD*>(con->run_block->phases.current_cell);
}

// An output variable's base-case value in the cell: the cell's value sum for the P/L, its
// exposure sum (0 when negative) for the exposure; other variables keep none in the cell.
double base_of(RSKCON* con, const RSKSCNOUTV& e) {
    const RSKCELLHEAD* cell = current_cell(con);
    if (cell == nullptr) return qor::missing();
    if (e.role == RSKSCNROLE_PL) return cell->value_sum;
    if (e.role == RSKSCNROLE_EXPOSURE)
        return is_missing(cell->exposure_sum) || cell->exposure_sum >= 0 ? cell->exposure_sum : 0.0;
    return qor::missing();
}

void report_failure(RSKANLPROC* run, int number) {
    const RSKANALYSIS* a = run->analysis;
    xpmlog(670, number, a != nullptr ? static_cast<int>(a->name.name.length) : 0, a != nullptr ? a->name.name.text : "");
}

}  // namespace

void set_postvars(RSKSCNVAL* record, double p, double base) {
    set_scenval(record, qor::missing());
    if (is_missing(p)) return;
    record->value = p;
    record->positive_value = p > 0 ? p : 0.0;
    record->negative_value = p < 0 ? p : 0.0;
    if (is_missing(base)) return;
    record->pl = p - base;
    record->gain = record->pl > 0 ? record->pl : 0.0;
    record->loss = record->pl < 0 ? record->pl : 0.0;
}

void save_postvars(RSKCON* con, RSKANLPROC* run, void* area) {
    auto* work = static_cast<RSKSCNWORK*>(run->work);
    const RSKCELLHEAD* cell = current_cell(con);
    const double base = cell != nullptr ? cell->value_sum : qor::missing();
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& e = work->entries[i];
        if (e.post != RSKSCNPOST_VALUATION) continue;
        const double* slot = symbol(con, e.name, e.name_length);
        RSKSCNVAL r;
        set_postvars(&r, slot != nullptr ? *slot : qor::missing(), base);
        store(area, e.offset, r);
    }
}

int postprice_scn_run(RSKCON* con, RSKANLPROC* run, void* area) {
    auto* work = static_cast<RSKSCNWORK*>(run != nullptr ? run->work : nullptr);
    if (work == nullptr || area == nullptr) return 1;
    RSKRUNBLOCK* block = con->run_block;
    if (!block->phases.postprice) return 0;
    // With relative results the inputs are shares of the cell's P/L and exposure value sums.
    const bool relative = block->loop.value_weighted != 0;
    const double w1 = load(area, work->entries[work->pl_entry].offset).value;
    const double w2 = work->exposure_entry >= 0 ? load(area, work->entries[work->exposure_entry].offset).value
                                                : qor::missing();
    auto share = [](double x, double w) {
        return is_missing(w) || !(std::fabs(w) >= kRskSmallDivisor) ? qor::missing() : x / std::fabs(w);
    };
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& e = work->entries[i];
        if (e.post != RSKSCNPOST_NONE) continue;
        const char* name;
        int length;
        method_name(con, e, &name, &length);
        double* slot = symbol(con, name, length);
        if (slot == nullptr) continue;
        const double value = load(area, e.offset).value;
        if (relative && (e.scaling == 1 || e.scaling == 2)) {
            if (!is_missing(value)) *slot = share(value, e.scaling == 1 ? w1 : w2);
        } else {
            *slot = value;
        }
    }
    put(symbol(con, "_DATE_", 6), analysis_date(con, run));
    put(symbol(con, "_HORIZON_", 9), qor::missing());

    const int rc = run_methods(con, run, RSKMKIND_POSTPRICE);
    if (rc != 0) {
        report_failure(run, 3624);
        return rc;
    }
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& e = work->entries[i];
        if (e.post != RSKSCNPOST_PRICING) continue;
        const double* slot = symbol(con, e.name, e.name_length);
        const double p = slot != nullptr ? *slot : qor::missing();
        RSKSCNVAL r;
        if (relative && (e.scaling == 1 || e.scaling == 2)) {
            // The method's share is weighed back by the signed value sum it was taken of.
            set_postvars(&r, p, qor::missing());
            const double w = e.scaling == 1 ? w1 : w2;
            if (!is_missing(r.value)) r.value = is_missing(w) ? qor::missing() : r.value * w;
        } else {
            set_postvars(&r, p, base_of(con, e));
        }
        store(area, e.offset, r);
    }
    return 0;
}

int rsascn4(RSKCON* con, RSKANLPROC* run, void* area) {
    auto* work = static_cast<RSKSCNWORK*>(run != nullptr ? run->work : nullptr);
    if (work == nullptr || area == nullptr) return 1;
    if (!con->run_block->phases.postvar) return 0;
    // What the post-valuation methods read of every other output variable: its base value and
    // its scenario value; a scenario has no distribution, so the other statistics are missing.
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& e = work->entries[i];
        if (e.post == RSKSCNPOST_VALUATION) continue;
        const char* name;
        int length;
        method_name(con, e, &name, &length);
        for (const char* statistic : kStatistics) put(symbol(con, name, length, statistic), qor::missing());
        put(symbol(con, name, length, "MtM"), base_of(con, e));
        put(symbol(con, name, length, "value"), load(area, e.offset).value);
    }
    put(symbol(con, "_DATE_", 6), analysis_date(con, run));
    put(symbol(con, "_HORIZON_", 9), qor::missing());
    put(symbol(con, "_CUMCF_", 7), qor::missing());

    const int rc = run_methods(con, run, RSKMKIND_POSTVAR);
    if (rc != 0) report_failure(run, 3623);
    save_postvars(con, run, area);
    return rc;
}

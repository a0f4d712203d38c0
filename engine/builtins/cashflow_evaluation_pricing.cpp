// The pricing's calls of the per-state cash-flow evaluation: after the base state and after each
// priced state, the position's flows (the instrument's cash-flow block) are evaluated into the
// state's row (duration and convexity sums, their modified pair, the sum, the gap vectors), the
// reused states repeat the base state's rows, and the blocks' rows are written after the wait.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/builtins/cashflow_evaluation.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"

namespace {

constexpr double kTiny = 1.110223024625157e-16;

// The run asks for cash flows: the cash-flow vector switch or a cash-flow mode.
bool wanted(const RSKRUNBLOCK* run) { return run->cashflow_vector || run->cashflow_mode != 0; }

// The place of a row variable in a row, or null when the run does not keep it.
double* place(double* row, const RSKVARIABLE* v) {
    return row != nullptr && v != nullptr && v->run.row_offset >= 0 ? row + v->run.row_offset : nullptr;
}

// The position's flows: the instrument's cash-flow block as the built-ins read it.
double position_count(RSKCON* con) {
    const RSKCASHFLOWS* flows = builtin_flows(con);
    return flows != nullptr && flows->count > 0 ? flows->count : 0;
}

// The date of the block's current state in the market-state buffer; the base date without one.
double state_date_of(RSKCON* con, const RSKTHREADCTL* block) {
    const RSKSYSVARS* sys = con->system_variables;
    const RSKVARIABLE* date = sys != nullptr ? sys->date : nullptr;
    if (date == nullptr || date->run.state_offset < 0 || block->state_current == nullptr) return con->run_block->base_date;
    double d;
    std::memcpy(&d, block->state_current + date->run.state_offset, sizeof d);
    return d;
}

// The section of the block that runs a program record (the base state uses block 0's).
RSKCFWORK* section_of(RSKCON* con, const RSKTHREADCTL* block) {
    const int index = block != nullptr && block->record != nullptr ? block->record->block : 0;
    return rskcf_section(con, index);
}

// Evaluates the position in one state into `row` with the block's section. The sums start at
// 0.0 and the factor at 1.0, so a row without an evaluation gets 0.0 sums.
int evaluate(RSKCON* con, RSKCFWORK* work, double* row, double state_date, int32_t state_index, bool call,
             double* value) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKROWVARIABLES& rv = run->row_variables;
    double factor = 1.0, sums[2] = {0.0, 0.0}, sum = 0.0;
    int rc = 0;
    if (call && work != nullptr) {
        const RSKCASHFLOWS* block = builtin_flows(con);
        RSKCFCURVE curve{};
        RSKCURVEVIEW view;
        if (work->fx_curve != nullptr) {
            const cmp_exec_context exec{static_cast<int>(work - run->cashflow_work), 0.0};
            builtin_curve_view(con, &exec, work->fx_curve, &view);
            curve = RSKCFCURVE{view.points, view.times, view.values};
        }
        RSKCFFLOWS flows{};
        flows.count = block != nullptr ? block->count : 0;
        flows.dates = block != nullptr ? block->dates : nullptr;
        flows.amounts = block != nullptr ? block->amounts : nullptr;
        flows.switch_value = qor::missing();
        const RSKINSTTYPE* type = run->pricing.type;
        RSKCFCALL c{};
        c.state_date = state_date;
        c.price = *value;
        c.yield = &factor;
        c.duration = &sums[0];
        c.convexity = &sums[1];
        c.sum = &sum;
        c.gap = (run->cashflow_mode == 1 || run->cashflow_mode == 3) ? place(row, rv.mode_variables[0]) : nullptr;
        c.cumulative_gap = (run->cashflow_mode == 2 || run->cashflow_mode == 3) ? place(row, rv.mode_variables[1]) : nullptr;
        c.state_index = state_index;
        c.rate = 1.0;
        c.source = 1;
        c.rows = run->result_sets.descriptors[RSKRES_CASHFLOW].open ? work->rows : nullptr;
        c.quantity = run->pricing.quantity;
        c.fx_curve = curve.points > 0 ? &curve : nullptr;
        c.type_name = type != nullptr ? type->name.name.text : "";
        c.type_name_length = type != nullptr && type->name.name.text != nullptr ? type->name.name.length : 0;
        rc = flows.dates != nullptr && flows.amounts != nullptr ? process_cashflow(&run->cashflow_eval, work, &c, &flows) : 0;
    }
    if (run->cashflow_sums)
        for (int i = 0; i < 2; ++i)
            if (double* at = place(row, rv.cashflow_sums[i])) *at = sums[i];
    if (run->cashflow_derived) {
        const bool none = qor::is_missing(factor) || factor < kTiny;
        double* first = place(row, rv.cashflow_derived[0]);
        double* second = place(row, rv.cashflow_derived[1]);
        if (first != nullptr) *first = none || qor::is_missing(sums[0]) ? qor::missing() : sums[0] * factor;
        if (second != nullptr) *second = none || qor::is_missing(sums[1]) ? qor::missing() : sums[1] * factor * factor;
    }
    if (run->cashflow_vector)
        if (double* at = place(row, rv.cashflow_vector)) *at = sum;
    return rc;
}

}  // namespace

void rskcf_position_start(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->cashflow_work == nullptr) return;
    for (int32_t i = 0; i < run->cashflow_sections; ++i) run->cashflow_work[i].fx_curve = nullptr;
    run->cashflow_eval.position_count = 0;
    if (run->cashflow_eval.base != nullptr) run->cashflow_eval.base->count = 0;
}

int rskcf_price_base(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (!wanted(run)) return 0;
    const double count = position_count(con);
    run->cashflow_eval.position_count = count;
    if (!(count > 0)) return 0;
    RSKCFWORK* work = section_of(con, run->master_block);
    const int rc = evaluate(con, work, run->row0, run->base_date, -1, true, &run->row0[0]);
    if (work != nullptr && work->rows != nullptr)
        rskcf_write_rows(con, work->rows, &run->result_sets.descriptors[RSKRES_CASHFLOW]);
    return rc;
}

void rskcf_price_state(RSKCON* con, RSKTHREADCTL* block) {
    RSKRUNBLOCK* run = con->run_block;
    const double count = position_count(con);
    const bool call = run->cashflow_vector || (run->cashflow_mode != 0 && count > 0);
    evaluate(con, section_of(con, block), block->row_current, block->state_date, block->current_state, call,
             &block->row_current[0]);
}

void rskcf_reuse_state(RSKCON* con, RSKTHREADCTL* block) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKPRICERUN& p = run->pricing;
    if (!run->result_sets.descriptors[RSKRES_CASHFLOW].open || !(run->cashflow_eval.position_count > 0)) return;
    if (p.type == nullptr) return;
    RSKCFWORK* work = section_of(con, block);
    if (work == nullptr) return;
    output_baseCF(&run->cashflow_eval, block->current_state, state_date_of(con, block), work->rows);
}

int rskcf_write_blocks(RSKCON* con, int32_t blocks) {
    RSKRUNBLOCK* run = con->run_block;
    int rc = 0;
    for (int32_t i = 0; i < blocks && run->thread_blocks != nullptr; ++i) {
        RSKCFWORK* work = section_of(con, &run->thread_blocks[i]);
        if (work != nullptr && work->rows != nullptr && work->rows->count > 0)
            rc = std::max(rc, rskcf_write_rows(con, work->rows, &run->result_sets.descriptors[RSKRES_CASHFLOW]));
    }
    return rc;
}

// The run's side of the per-state cash-flow evaluation: the settings completed from the run's
// time buckets, one row list per pricing block, the base state's record, and their release at
// the end of the run.
#include "engine/builtins/builtin_support.h"
#include "engine/builtins/cashflow_evaluation.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"

namespace {

// Out of memory while the run is prepared (598/2797 given): the run stops, as for the run pool.
int refuse(RSKCON* con) {
    con->error = 1;
    con->run_block->abort = 1;
    return 1;
}

int32_t flow_capacity(RSKCON* con) {
    const RSKVARIABLE* cash = con->system_variables != nullptr ? con->system_variables->cash_flows : nullptr;
    return cash != nullptr && cash->run.capacity > 0 ? cash->run.capacity : 1;
}

}  // namespace

int rskcf_prepare(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->cashflow_work == nullptr) return 0;
    RSKCFSETTINGS& s = run->cashflow_eval;
    s.cut_points = run->cut_points;
    s.bucket_count = run->cut_points != nullptr ? run->cut_count : 0;
    s.intervals = run->interval_list;
    s.moving_buckets = run->interval_list != nullptr ? 1 : 0;
    // The project's distribution: 1 puts a flow wholly into the earlier of its two buckets, 2 into
    // the later one; any other keeps the linear split by the date.
    const double distribution = run->cf_settings[0];
    s.split_ratio = distribution == 1 ? 0.0 : distribution == 2 ? 1.0 : qor::missing();
    const int32_t sections = run->cashflow_sections;
    const size_t bytes = sizeof(RSKCFROWS) * static_cast<size_t>(sections);
    auto* rows = static_cast<RSKCFROWS*>(builtin_alloc(con, bytes, "_cashflow_ buffer"));
    if (rows == nullptr) return refuse(con);
    for (int32_t i = 0; i < sections; ++i) {
        rows[i] = RSKCFROWS{};
        run->cashflow_work[i].rows = &rows[i];
        run->cashflow_work[i].fx_curve = nullptr;
    }
    if (s.base == nullptr) {
        s.base = rskcf_base_alloc(con, flow_capacity(con), run->cf_leg_count > 0 ? run->cf_leg_count : 0);
        if (s.base == nullptr) return refuse(con);
    }
    return 0;
}

void rskcf_release(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return;
    RSKCFSETTINGS& s = run->cashflow_eval;
    rskcf_base_free(s.base);
    s.base = nullptr;
    if (run->cashflow_work == nullptr || run->cashflow_sections <= 0) return;
    RSKCFROWS* first = run->cashflow_work[0].rows;
    for (int32_t i = 0; i < run->cashflow_sections; ++i) {
        if (run->cashflow_work[i].rows != nullptr) rskcf_rows_free(run->cashflow_work[i].rows);
        run->cashflow_work[i].rows = nullptr;
    }
    builtin_free(first, sizeof(RSKCFROWS) * static_cast<size_t>(run->cashflow_sections));
}

RSKCFWORK* rskcf_section(RSKCON* con, int block) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || run->cashflow_work == nullptr || block < 0 || block >= run->cashflow_sections) return nullptr;
    return &run->cashflow_work[block];
}

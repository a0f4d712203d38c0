// The cash-flow side of a run: the project's settings and time buckets (get_cf_setting), the
// "_cashflow_ buffer" with one section per pricing block (prepare_cashflow) and the leg vectors
// (prepare_cf_legs).
#include <cstring>

#include "common/intervals/interval_arith.h"
#include "engine/builtins/cashflow_evaluation.h"
#include "engine/model/categories/categories.h"
#include "engine/model/services/catalog.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/project_run_support.h"

using namespace rskrun_support;

namespace {

constexpr int kReadRight = 4;
constexpr double kTiny = 1.110223024625157e-16;
constexpr char kAlCrossClass[] = "Cross Classification with A/L";

const char* unit_interval(uint32_t unit) {
    switch (unit) {
    case 1: return "DAY";
    case 2: return "WEEK";
    case 3: return "MONTH";
    case 4: return "YEAR";
    default: return nullptr;
    }
}

// The asset/liability classification: a project cross-classification takes it over (unless it
// already classifies by ALtype); otherwise the run defines one of its own over ALtype.
int set_al_classification(RSKCON* con, RSKPROJECT* project) {
    RSKRUNBLOCK* run = con->run_block;
    run->al_classification = 1;
    if (run->cross_class != nullptr) {
        auto* cross = static_cast<RSKCROSSCLASS*>(run->cross_class->object);
        if (cross != nullptr && cross->has_altype != 0) run->al_classification = 0;
        else if (cross != nullptr) cross->al_request = 1;
        return 0;
    }
    char text[sizeof kAlCrossClass];
    std::memcpy(text, kAlCrossClass, sizeof text);
    const RSKNAMEREC name{static_cast<uint16_t>(sizeof text - 1), static_cast<uint16_t>(sizeof text - 1), text};
    RSKCATOBJ* object = nullptr;
    RSKHIERARCHY* hierarchy = nullptr;
    RSKVARIABLE* al = con->system_variables != nullptr ? con->system_variables->al_type : nullptr;
    int rc = rskccsd(con, &object, &name, nullptr, nullptr);
    auto* cross = object != nullptr ? static_cast<RSKCROSSCLASS*>(object->object) : nullptr;
    if (rc == 0 && cross != nullptr) rc = rskccsa(con, cross, &hierarchy);
    if (rc == 0 && hierarchy != nullptr && al != nullptr) rc = rskhier(con, cross, hierarchy, &al->name.name, 0);
    if (rc != 0 || cross == nullptr) {
        xpmlog(670, 3553, length_of(project->name), text_of(project->name));
        return 1;
    }
    run->cross_class = object;
    return 0;
}

}  // namespace

bool rskrun_has_cash_flows(RSKCON* con) {
    const RSKVARIABLE* cash = con->system_variables != nullptr ? con->system_variables->cash_flows : nullptr;
    if (cash != nullptr && (cash->dependencies.flags & (RSKDEP_PRICE_ARG | RSKDEP_USED_PRICE | RSKDEP_REF)) != 0) return true;
    for (const RSKANLPROC* r = con->run_block->analyses_head; r != nullptr; r = r->next)
        if (!r->failed && kind_of(r) == 13) return true;
    return false;
}

int get_cf_setting(RSKCON* con, RSKPROJECT* project) {
    RSKRUNBLOCK* run = con->run_block;
    run->cf_settings[0] = project->cf_distribution;
    run->cf_settings[1] = project->cf_max_size;
    run->cf_flag = project->cf_bucket_by;
    if (project->altype != 0 && set_al_classification(con, project) != 0) return 1;

    run->cut_points = nullptr;
    run->cut_spare = nullptr;
    run->cut_count = 0;
    run->interval_list = nullptr;
    run->interval_values = nullptr;
    if (length_of(project->cf_bucket) == 0) return 0;

    RSKCATOBJ* object = rsktgd(con, &project->cf_bucket.name);
    auto* grid = object != nullptr ? static_cast<RSKTIMEGRID*>(rssofiq(con, object, kReadRight)) : nullptr;
    if (grid == nullptr) {
        xpmlog(670, 3524, length_of(project->name), text_of(project->name));
        return 1;
    }
    if (grid->count == 0 || grid->head == nullptr) {
        xpmlog(670, 3526, length_of(grid->name), text_of(grid->name));
        return 1;
    }
    const bool leading_start = grid->head->value > kTiny;
    const int32_t cuts = static_cast<int32_t>(grid->count) + (leading_start ? 1 : 0);
    const size_t bytes = sizeof(double) * static_cast<size_t>(cuts);
    auto* points = static_cast<double*>(run_alloc(con, bytes, "Time bucket cut points", RSKMEM_CASH_FLOWS));
    auto* spare = points != nullptr ? static_cast<double*>(run_alloc(con, bytes, "Time bucket cut points", RSKMEM_CASH_FLOWS)) : nullptr;
    if (spare == nullptr) return 1;
    // Interval names are asked for with relative buckets; the start is then the valuation date.
    const bool names = project->cf_bucket_relative != 0;
    const double start = !names && project->cf_bucket_start > 0 ? project->cf_bucket_start : run->base_date;
    if (names) {
        run->interval_list = static_cast<RSKBUCKETNAME*>(
            run_alloc(con, sizeof(RSKBUCKETNAME) * static_cast<size_t>(cuts), "Time bucket interval list", RSKMEM_CASH_FLOWS));
        if (run->interval_list == nullptr) return 1;
        run->interval_values = static_cast<double*>(
            run_alloc(con, sizeof(double) * static_cast<size_t>(cuts > 1 ? cuts - 1 : 1), "Time bucket interval list", RSKMEM_CASH_FLOWS));
        if (run->interval_values == nullptr) return 1;
    }
    int32_t at = 0;
    if (leading_start) points[at++] = start;
    for (const RSKTIMEPOINT* p = grid->head; p != nullptr; p = p->next, ++at) {
        const char* interval = unit_interval(p->unit);
        if (interval == nullptr) {
            xpslog("%1zInvalid unit in time grid %*s.", length_of(grid->name), text_of(grid->name));
            return 1;
        }
        interval_spec spec{};
        if (zintstr(interval, -1, &spec) != 0) return 1;
        if (names && at > 0) {
            RSKBUCKETNAME& bucket = run->interval_list[at - 1];
            std::memset(bucket.interval, ' ', sizeof bucket.interval);
            std::memcpy(bucket.interval, interval, std::strlen(interval));
            bucket.count = static_cast<int32_t>(p->value);
            bucket.unit = static_cast<int32_t>(p->unit);
        }
        points[at] = zintnx3(&spec, start, p->value, "Same");
    }
    run->cut_points = points;
    run->cut_spare = spare;
    run->cut_count = cuts;
    return 0;
}

int prepare_cashflow(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    run->cashflow_work = nullptr;
    run->cashflow_sections = 0;
    if (!rskrun_has_cash_flows(con)) return 0;
    const RSKVARIABLE* cash = con->system_variables != nullptr ? con->system_variables->cash_flows : nullptr;
    const int32_t flows = cash != nullptr && cash->run.capacity > 0 ? cash->run.capacity : 1;
    const int32_t sections = run->thread_count + 1;   // the master block and every thread block
    auto* work = static_cast<RSKCFWORK*>(
        run_alloc(con, sizeof(RSKCFWORK) * static_cast<size_t>(sections), "_cashflow_ buffer", RSKMEM_CASH_FLOWS));
    if (work == nullptr) return 1;
    const size_t vector = sizeof(double) * static_cast<size_t>(flows);
    for (int32_t s = 0; s < sections; ++s) {
        auto* block = static_cast<double*>(run_alloc(con, 5 * vector, "_cashflow_ buffer", RSKMEM_CASH_FLOWS));
        if (block == nullptr) return 1;
        work[s].capacity = flows;
        work[s].present_values = block;
        work[s].converted = block + flows;
        work[s].converted_second = block + 2 * static_cast<size_t>(flows);
        work[s].times = block + 3 * static_cast<size_t>(flows);
        work[s].repricing = block + 4 * static_cast<size_t>(flows);
    }
    run->cashflow_work = work;
    run->cashflow_sections = sections;
    return rskcf_prepare(con);
}

int prepare_cf_legs(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const int32_t legs = run->cf_leg_count;
    if (legs <= 0) return 0;
    const RSKVARIABLE* cash = con->system_variables != nullptr ? con->system_variables->cash_flows : nullptr;
    const size_t flows = cash != nullptr && cash->run.capacity > 0 ? static_cast<size_t>(cash->run.capacity) : 1;
    const size_t per_leg = 3 * flows;   // three vectors per leg
    run->cf_leg_numbers = static_cast<int32_t*>(
        run_alloc(con, sizeof(int32_t) * static_cast<size_t>(legs), "Cash Flow Numbers in Legs", RSKMEM_CASH_FLOWS));
    if (run->cf_leg_numbers == nullptr) return 1;
    run->cf_base_legs = static_cast<double*>(
        run_alloc(con, sizeof(double) * per_leg * static_cast<size_t>(legs), "Base Case Cash Flow Legs", RSKMEM_CASH_FLOWS));
    if (run->cf_base_legs == nullptr) return 1;
    run->cf_legs_out = static_cast<double*>(
        run_alloc(con, sizeof(double) * per_leg * static_cast<size_t>(legs), "Cash Flow Legs Out_Buff", RSKMEM_CASH_FLOWS));
    return run->cf_legs_out != nullptr ? 0 : 1;
}

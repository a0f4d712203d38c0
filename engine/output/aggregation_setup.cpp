// The aggregation set-up of a project run: the aggregation engine builds the control over the
// run's cross-classification before pricing, and the cell report tells what it may cost.
#include "engine/model/categories/categories.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variables.h"
#include "engine/output/cell_report.h"
#include "engine/run/run_block.h"
#include "engine/tables/engine_table.h"
#include "host/print.h"

namespace {

// The A/L request of a project: the system class variable ALtype joins the class variables.
RSKVARIABLE* extra_class_variable(RSKCON* con, const RSKPROJECT* project) {
    if (project == nullptr || !project->altype) return nullptr;
    static const RSKNAMEREC kAlType{0, 6, const_cast<char*>("ALtype")};
    return rskvar(con, &kAlType);
}

}  // namespace

int rskrung(RSKCON* con, RSKPROJECT* project) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    RSKRUNBLOCK* block = con->run_block;
    auto* cross = block->cross_class != nullptr ? static_cast<RSKCROSSCLASS*>(block->cross_class->object) : nullptr;
    if (cross == nullptr) return 0;
    auto build = engine_routine<EngineSlot::rskgrpd>();
    if (build == nullptr) return 1;
    RSKAGGCTL* control = nullptr;
    const int rc = build(con, cross, extra_class_variable(con, project), &control, block->cell_size);
    if (rc != 0) {
        if (con->debug_categories & RSKDEBUG_ON) xpslog("Debug note: bad rc=%i from rskgrpd.%n", rc);
        return rc;
    }
    block->aggregation.control = control;
    block->aggregation.cross = cross;
    rskrung_report(con, project, cross, block->cell_size, block->instrument_count, &block->instrument_data_name.name);
    return 0;
}

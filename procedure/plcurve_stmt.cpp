// PLCURVE / PLCURVES: a P/L curve analysis, each risk factor moved over a grid of points from a
// lower to an upper end while the others stay.
#include "engine/model/analyses/analyses.h"
#include "host/missing.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

int plcurve_stmt(RSKCON* con, statement_node* node) {
    RSKCATOBJ* object = nullptr;
    OperandText name{};
    RSKANALYSIS* analysis = start_grid_analysis(con, node, false, &object, &name);
    if (analysis == nullptr) return 1;
    int result = 0;
    long long option_at = 0;
    long long index = 0;
    NameCursor factors(node, kFactorsField + QOR_FACTOR_NAMES);
    for (OperandText factor; factors.next(&factor); ++index) {
        GridOptions grid;
        int rc = read_grid(node, index, &option_at, &grid, factor.text, factor.length, name.text, name.length);
        if (rc == 0)
            rc = check_gridopt(grid.lower, grid.upper, grid.points, factor.text, factor.length, name.text, name.length);
        if (rc != 0) {
            if (rc > result) result = rc;
            continue;
        }
        const RSKNAMEREC key = name_record(factor);
        if (engine_call<EngineSlot::rskvf>(static_cast<RSKVARIABLE*>(nullptr), con, &key) == nullptr) {
            xpmlog(670, 1038, factor.length, factor.text, name.length, name.text);
            result = 1;
            continue;
        }
        const int type = get_perturb_type(operand_list_number(node, kFactorsField + QOR_FACTOR_CODES, index, 0),
                                          kPerturbAbsolute);
        if (engine_call<EngineSlot::rsafacg>(1, con, analysis, &key, grid.lower, grid.upper,
                                             static_cast<uint32_t>(grid.points), static_cast<uint32_t>(type)) != 0) {
            xpmlog(670, 1039, factor.length, factor.text, name.length, name.text);
            result = 1;
        }
    }
    // A curve with a factor left out is not stored.
    if (result != 0) return result;
    return store_definition(con, object, "P/L curve analysis", name, 1040);
}

}  // namespace zozu

// PLSURFACE / PLSURFACES: a P/L surface analysis, pairs of risk factors moved together over the
// grid of each; the factors are written two by two.
#include <strings.h>

#include "engine/model/analyses/analyses.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
const char kObjectWord[] = "P/L surface analysis";

struct SurfaceFactor {
    OperandText name;
    GridOptions grid;
    int type;
};
}  // namespace

int plsurface_stmt(RSKCON* con, statement_node* node) {
    RSKCATOBJ* object = nullptr;
    OperandText name{};
    RSKANALYSIS* analysis = start_grid_analysis(con, node, true, &object, &name);
    if (analysis == nullptr) return 1;
    int result = 0;
    long long option_at = 0;
    long long index = 0;
    NameCursor factors(node, kFactorsField + QOR_FACTOR_NAMES);
    SurfaceFactor pair[2];
    for (OperandText factor; factors.next(&factor); ++index) {
        SurfaceFactor& current = pair[index % 2];
        current.name = factor;
        int rc = read_grid(node, index, &option_at, &current.grid, factor.text, factor.length, name.text, name.length);
        if (rc == 0)
            rc = check_gridopt(current.grid.lower, current.grid.upper, current.grid.points, factor.text,
                               factor.length, name.text, name.length);
        current.type = get_perturb_type(operand_list_number(node, kFactorsField + QOR_FACTOR_CODES, index, 0),
                                        kPerturbAbsolute);
        const RSKNAMEREC key = name_record(factor);
        if (rc == 0 && engine_call<EngineSlot::rskvf>(static_cast<RSKVARIABLE*>(nullptr), con, &key) == nullptr) {
            xpmlog(670, 1038, factor.length, factor.text, name.length, name.text);
            rc = 1;
        }
        if (rc != 0) current.type = -1;   // marks the pair as unusable
        if (rc > result) result = rc;
        if (index % 2 == 0) continue;

        const SurfaceFactor& first = pair[0];
        const SurfaceFactor& second = pair[1];
        if (first.type < 0 || second.type < 0) continue;
        if (first.name.length == second.name.length &&
            strncasecmp(first.name.text, second.name.text, static_cast<size_t>(first.name.length)) == 0) {
            xpmlog(670, 1041, first.name.length, first.name.text, name.length, name.text);
            result = 1;
            continue;
        }
        const RSKNAMEREC key1 = name_record(first.name), key2 = name_record(second.name);
        if (engine_call<EngineSlot::rsafacs>(1, con, analysis, &key1, first.grid.lower, first.grid.upper,
                                             static_cast<uint32_t>(first.grid.points), static_cast<uint32_t>(first.type),
                                             &key2, second.grid.lower, second.grid.upper,
                                             static_cast<uint32_t>(second.grid.points),
                                             static_cast<uint32_t>(second.type)) != 0) {
            xpmlog(670, 1042, first.name.length, first.name.text, second.name.length, second.name.text);
            result = 1;
        }
    }
    // A factor without its partner cannot make a surface.
    if (index % 2 != 0) {
        xpmlog(670, 1041, pair[0].name.length, pair[0].name.text, name.length, name.text);
        result = 1;
    }
    if (result != 0) return result;
    return store_definition(con, object, kObjectWord, name, 1040);
}

}  // namespace zozu

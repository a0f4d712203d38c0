// How a RUNPROJECT statement splits its run into parts: the run parameters read from the
// statement's part options, and the instrument-file entries they need.
#pragma once
#include "engine/run/project_run.h"
#include "host/parser.h"

namespace zozu {

// Statement fields of the part options.
enum : int {
    kPortfolioField = 4,
    kPortfolioPartField = 23, kPortfolioPartsField = 24, kAnalysisPartField = 25, kAnalysisPartsField = 26,
    kEndPartField = 27, kPartLibraryField = 28, kResultsKindField = 29,
};
// Results kinds (field 29).
enum : int { kNoResultsKind = 0, kResultsKind = 1, kAggregationsKind = 2 };

// Fills `parms` from the statement's part options: the run mode (ENDPART), this run's analysis
// and portfolio part, and, for a run that combines parts (RESULTS or AGGREGATIONS), one entry of
// kind 1 or 2 naming the partition library (PARTLIB, else `output_library`) with the part
// counts; a PORTFOLIO= name makes one entry of kind 0. Inconsistent settings are reported
// (670/1192 .. 1198) and the run goes on, except a part number above its count (670/1194),
// which refuses the run. 0, or 1 (refused, or no memory: 598/2797 and the error flag). The
// entries come from the control structure's pool: release them with free_rpb_options.
int get_rpb_options(RSKCON* con, const statement_node* node, const char* output_library, RSKRUNPARMS* parms);
void free_rpb_options(RSKCON* con, RSKRUNPARMS* parms);

}  // namespace zozu

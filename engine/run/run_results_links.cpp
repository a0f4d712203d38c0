// What the pricing, the results and the aggregation utility members need to know about the run
// they belong to: its analyses, its part numbers, the library it writes to and the states it made.
#include <cstring>

#include "engine/output/output_object.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"

namespace {

bool blank(const char* text) {
    for (int i = 0; i < 8; ++i)
        if (text[i] != ' ' && text[i] != '\0') return false;
    return true;
}

// Eight blank-padded characters: the run's own library when it names one, else the library the
// output object's directory was assigned when it was opened.
void output_library(const RSKRUNBLOCK* run, char* libref) {
    std::memset(libref, ' ', 8);
    const char* from = nullptr;
    if (run->parms != nullptr && !blank(run->parms->output_library)) from = run->parms->output_library;
    else if (run->output_object != nullptr && !blank(run->output_object->libref)) from = run->output_object->libref;
    if (from == nullptr) return;
    for (int i = 0; i < 8 && from[i] != '\0'; ++i) libref[i] = from[i];
}

}  // namespace

void link_run_results(RSKCON* con) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr) return;
    const RSKRUNPARMS* parms = run->parms;
    RSKRESRUN& results = run->results_file;
    RSKAGGRUN& aggregation = run->aggregation;
    run->pricing.results = run->analyses_head;
    results.results = run->analyses_head;
    results.analysis_part = aggregation.analysis_part = parms != nullptr ? parms->analysis_part : 1;
    results.analysis_parts = aggregation.analysis_parts = parms != nullptr ? parms->analysis_parts : 1;
    results.portfolio_part = aggregation.portfolio_part = parms != nullptr ? parms->portfolio_part : 1;
    results.portfolio_parts = aggregation.portfolio_parts = parms != nullptr ? parms->portfolio_parts : 1;
    output_library(run, results.output_libref);
    std::memcpy(aggregation.output_libref, results.output_libref, 8);
    results.state_size = run->state_size > 0 ? static_cast<uint32_t>(run->state_size) : 0u;
    results.keep_states = run->state_buffer.keep;
    results.states_generated = run->state_buffer.appended;
    results.states_held = run->state_buffer.append_index;
}

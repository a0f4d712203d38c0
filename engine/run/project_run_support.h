// Small helpers the project run's files share: name lengths, the (project) argument pair of the
// run messages, the run-pool allocation with its out-of-memory report, and the analysis helpers.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/model/analyses/analysis_record.h"
#include "engine/model/projects/projects.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/project_run.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace rskrun_support {

inline int length_of(const RSKNAMEREC* name) {
    return name != nullptr && name->text != nullptr ? name->length : 0;
}
inline int length_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }
inline const char* text_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.text : ""; }

// Logs 598/number with the project's name as its (length, text) argument.
inline void project_message(int number, const RSKPROJECT* project) {
    xpmlog(598, number, project != nullptr ? length_of(project->name) : 0,
           project != nullptr ? text_of(project->name) : "");
}
// Logs 598/number with a name and then the project's name.
inline void name_project_message(int number, const RSKOBJNAME& name, const RSKPROJECT* project) {
    xpmlog(598, number, length_of(name), text_of(name), project != nullptr ? length_of(project->name) : 0,
           project != nullptr ? text_of(project->name) : "");
}

// Out of memory in a run step: 598/2797 with the bytes and the label, the error and
// out-of-memory flags of the control structure and the run's abort flag set.
void no_memory(RSKCON* con, size_t bytes, const char* label);
// Zero-filled bytes from the run pool under a label and a memory-report category; null after
// no_memory.
void* run_alloc(RSKCON* con, size_t bytes, const char* label, int category);

// The analysis of a processing record, its kind and its cash-flow tool.
inline int kind_of(const RSKANLPROC* record) {
    return record != nullptr && record->analysis != nullptr ? static_cast<int>(record->analysis->kind) : 0;
}
inline int tool_of(const RSKANLPROC* record) {
    return record != nullptr && record->analysis != nullptr ? static_cast<int>(record->analysis->subtype) : 0;
}
// True for the kinds that simulate (6 to 9, 15 and 17).
inline bool simulates(int kind) { return (kind >= 6 && kind <= 9) || kind == 15 || kind == 17; }
// True when a record makes no market state and is not disabled for it: mark-to-market, current
// exposure and the traditional cash-flow tool.
inline bool needs_no_states(const RSKANLPROC* record) {
    const int kind = kind_of(record);
    return kind == 1 || kind == 14 || (kind == 13 && tool_of(record) == 0);
}
// Disables a record: 598/2739 with the analysis and the project.
void disable_analysis(RSKANLPROC* record, int number = 2739);

}  // namespace rskrun_support

// Step 3 of the market states: every enabled analysis generates its states (or reads them back);
// one that fails, or makes none though its kind needs states, is disabled. 1 when any was.
int produce_states(RSKCON* con);
// The run's table of output variables (19 buckets). 0 or 1.
int rskrun_make_output_table(RSKCON* con);
// Enters an output variable (a name of at most 32) unless the name is there already. 0 or 1.
int rskrun_add_output_variable(RSKCON* con, RSKVARIABLE* variable, const char* name, int length, int32_t offset);
// True when the run carries cash flows: the pricing methods read the cash-flow variable or a
// cash-flow analysis takes part.
bool rskrun_has_cash_flows(RSKCON* con);

// The project run's shared helpers: the out-of-memory report of run steps, run-pool allocation
// and the disabling of an analysis with its message.
#include "engine/run/project_run_support.h"

#include "engine/run/run_block.h"

namespace rskrun_support {

void no_memory(RSKCON* con, size_t bytes, const char* label) {
    rskmem_no_memory(con, bytes, label);
    if (con->run_block != nullptr) con->run_block->abort = 1;
}

void* run_alloc(RSKCON* con, size_t bytes, const char* label, int category) {
    void* block = rskmem_alloc(con, bytes, label, category, 1);
    if (block == nullptr && con->run_block != nullptr) con->run_block->abort = 1;
    return block;
}

void disable_analysis(RSKANLPROC* record, int number) {
    record->failed = 1;
    const RSKOBJNAME empty{};
    name_project_message(number, record->analysis != nullptr ? record->analysis->name : empty, record->project);
}

}  // namespace rskrun_support

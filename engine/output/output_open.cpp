// Opening an output object for a run: its directory becomes a library (RESLIB1), its file list
// starts empty, and it takes the project name, run name and run time of the run.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/names/name_records.h"
#include "engine/model/paths/search_path.h"
#include "engine/output/output_object.h"
#include "engine/output/output_paths.h"
#include "engine/run/run_block.h"
#include "host/files.h"
#include "host/macro.h"
#include "host/print.h"

namespace {

const char* role_label(int32_t role) {
    switch (role) {
        case RSKOUTROLE_STATES: return "Market state";
        case RSKOUTROLE_VALUES: return "Position valuation";
        case RSKOUTROLE_AGGREGATIONS: return "Aggregation";
        default: return "Result";
    }
}

void give_files(RSKCON* con, RSKOUTOBJ* object) {
    while (object->files_head != nullptr) rskout_remove_file(con, object, object->files_head);
}

}  // namespace

int rskouto(RSKCON* con, RSKOUTOBJ* object, int32_t role, int stored, int open) {
    if (con == nullptr || object == nullptr) return 1;
    object->role = role;
    object->stored = stored != 0 ? 1 : 0;
    if (open) {
        char libref[8];
        std::memset(libref, ' ', sizeof libref);
        int new_assignment = 0;
        if (object->path_length <= 0 ||
            zlibnm2(object->path, object->path_length, libref, nullptr, nullptr, &new_assignment, "V9") != 0) {
            const OutPath shown = rskout_shown(con, object->path, object->path_length);
            xpmlog(598, 1415, object->name.name.length, object->name.name.text, shown.length, shown.text);
            return 1;
        }
        // A libref the engine made is given back at termination with the others it assigned.
        if (new_assignment) rskpths(con, libref);
        std::memcpy(object->libref, libref, sizeof libref);
        int length = 8;
        while (length > 0 && (libref[length - 1] == ' ' || libref[length - 1] == '\0')) --length;
        xjsympc(xalanch(), "RESLIB1", 7, libref, length);
        give_files(con, object);
    }
    const OutPath shown = rskout_shown(con, object->path, object->path_length);
    const char* how = object->stored ? "stored in" : "read from";
    xpmlog(598, 1400, -1, role_label(role), -1, how, shown.length, shown.text);

    const RSKRUNBLOCK* block = con->run_block;
    if (block != nullptr) {
        rskname(con, &object->project_name, block->project_name.name.text, block->project_name.name.length);
        rskname(con, &object->run_name, block->run_name.name.text, block->run_name.name.length);
        object->run_time = block->run_time;
    }
    return 0;
}

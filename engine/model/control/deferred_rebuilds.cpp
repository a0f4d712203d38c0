// Deferred rebuilds of derived run-time state: the run-time variables (rsk0) and, before a run,
// whatever definitions left pending. The rebuild routines are reached through the entry table.
#include "engine/model/control/entry_table.h"
#include "engine/model/control/startup.h"
#include "host/print.h"

int rsk0(RSKCON* con) { return own_engine_routine<EngineSlot::rskvar0>()(con); }

int rskpre0(RSKCON* con) {
    if (con->variables_pending) {
        con->variables_failed = rsk0(con) != 0 ? 1 : 0;
        con->variables_pending = 0;
    }
    if (con->types_pending) {
        con->types_failed = own_engine_routine<EngineSlot::rskclbi>()(con) != 0 ? 1 : 0;
        con->types_pending = 0;
    }
    int result = 0;
    if (con->variables_failed) {
        xpmlog(598, 1269);
        result = 1;
    }
    if (con->types_failed) {
        xpmlog(598, 1270);
        result = 1;
    }
    return result;
}

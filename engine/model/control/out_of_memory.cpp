// Out-of-memory reporting of the engine: message 598/2797 once per control structure.
// Later failures only keep the flag set, so a failing loop cannot flood the log.
#include "engine/model/control/out_of_memory.h"

void rsknomem(RSKCON* con, size_t bytes, const char* label) {
    if (con != nullptr && con->no_memory_reported != 0) return;
    xpmlog(598, 2797, static_cast<long>(bytes), label);
    if (con != nullptr) con->no_memory_reported = 1;
}

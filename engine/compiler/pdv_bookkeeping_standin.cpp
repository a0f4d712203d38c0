// Stand-in for clearing the program data vector bookkeeping until its area lands: clears the
// three collections of the run-compile record, and collects nothing.
#include <cstring>

#include "engine/compiler/compiler_driver.h"

void rskcmpf(RSKCON* con) {
    RSKRUNCOMPILE* run = con != nullptr ? con->run_compile : nullptr;
    if (run == nullptr) return;
    for (RSKPDVCOLLECTION& c : run->collections) {
        std::memset(&c, 0, sizeof c);
        c.vector = -1;
        c.base_slot = -1;
    }
    run->market_pointer_count = 0;
    run->pointer_structure = -1;
}

void rskmcmp_addvar(RSKCON*, RSKSYMENTRY*, int) {}

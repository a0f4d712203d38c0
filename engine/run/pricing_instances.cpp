// The data of the blocks' program instances: what phase 1 (a method's INST_INIT) and the base
// state leave in block 0's instance is copied into every block and kept in a snapshot instance;
// every priced state starts from it, so prices do not depend on the block boundaries.
#include <algorithm>

#include "engine/run/pricing.h"
#include "host/compiler.h"
#include "host/print.h"

int rskex_spread(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    cmp_instance* first = run->compile.programs[0].instance;
    int failed = 0;
    if (p.snapshot != nullptr && cmpinsd(p.snapshot, first) != 0) failed = 1;
    for (int32_t i = 1; i < run->thread_count; ++i)
        if (cmpinsd(run->compile.programs[i].instance, first) != 0) failed = 1;
    if (failed) {
        xpslog("ERROR: rskexpr: the program data of the pricing threads cannot be copied (out of memory).");
        run->abort = 1;
    }
    return failed;
}

void rskex_restore(RSKCON* con, RSKTHREADCTL* block) {
    const RSKPRICERUN& p = con->run_block->pricing;
    if (p.snapshot == nullptr || block->record == nullptr) return;
    // The instance already holds matrices of the snapshot's sizes: nothing is allocated here.
    cmpinsd(block->record->instance, p.snapshot);
}

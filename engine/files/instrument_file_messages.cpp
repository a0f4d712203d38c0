// Per-run limits of the instrument file's portfolio messages and internal errors, counted in
// the run block so that every run starts from zero.
#include "engine/files/instrument_file_messages.h"

#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

constexpr int kClosingMessage[] = {1733, 1718, 1739, 1712, 1996};

}  // namespace

int rsktran_case(RSKCON* con, int problem_class) {
    if (con->run_block == nullptr || problem_class < 0 || problem_class > RSKTCLASS_SHORT_COLLATERAL) return 1;
    int32_t& cases = con->run_block->transaction_cases[problem_class];
    if (cases <= kRskTranCaseLimit) ++cases;
    if (cases <= kRskTranCaseLimit) return 1;
    if (cases == kRskTranCaseLimit + 1) {
        xpmlog(598, kClosingMessage[problem_class], kRskTranCaseLimit);
        ++cases;   // silent from here on
    }
    return 0;
}

int rsktran_internal(RSKCON* con) {
    if (con->run_block == nullptr) return 1;
    int32_t& errors = con->run_block->transaction_internal_errors;
    if (errors < kRskTranInternalLimit) {
        ++errors;
        return 1;
    }
    return 0;
}

void rsktran_reset(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return;
    for (int32_t& cases : run->transaction_cases) cases = 0;
    run->transaction_internal_errors = 0;
    run->conversions_reported = 0;
}

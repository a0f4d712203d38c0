// Submitting generated host-language code while a compiled program exists (zsubmit): the
// program's held PUT lines are delivered first, so the log keeps the order they were written in.
#include "engine/compiler/compiler_driver.h"
#include "engine/model/submission/code_submission.h"

int zsubmit(const char* text, int length, void* context, int last, int reserved1, int reserved2) {
    (void)reserved1;
    (void)reserved2;
    auto* submission = static_cast<RSKSUBMITCTX*>(context);
    RSKCON* con = submission != nullptr ? zsubcon(submission) : nullptr;
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h != nullptr && h->compilation.program != nullptr) cmpwpde(h->compilation.program);
    return zsubmitz(text, length, submission, last, 0, nullptr);
}

// Submission of one generated line on behalf of a compiled program (slot 375): the program's own
// output session would end first, then the line goes to the code-submission service.
#include "engine/model/services/compiler.h"
#include "engine/model/submission/code_submission.h"

int zsubmit(const char* text, int length, void* context, int last, int, int) {
    // No compiled program opens an output session of its own yet, so there is none to end here.
    return zsubmitz(text, length, static_cast<RSKSUBMITCTX*>(context), last, 0, nullptr);
}

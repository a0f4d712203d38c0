// xinit: the module's per-step host context: print set-up, line sizes and the parser trace
// flags read from the host option DEBUG.
#include <cstring>

#include "common/module/anchors.h"
#include "common/module/step_context.h"
#include "common/strings/fields.h"
#include "host/kernel.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr int kLocalDebugBuffer = 200;
constexpr int kAllocZeroGlobal = 12294;   // zero-filled global-pool block

// The key of this module's context in the step: an address that only this module has.
const void* context_key() { return &v_global_gcb_anchor; }

void read_trace_flags(step_context* context, qor_pool* pool) {
    char local[kLocalDebugBuffer + 1];
    int length = 0;
    if (xoptcgt("DEBUG", local, sizeof local, &length) != 0 || length <= 0) return;
    char* text = local;
    bool pooled = false;
    if (length > kLocalDebugBuffer) {
        // A long value needs a pool copy; without memory the trace flags stay off.
        text = static_cast<char*>(pool ? pool->allocate(pool, length + 1, QOR_ALLOC_PLAIN) : nullptr);
        if (!text) return;
        pooled = true;
        int again = 0;
        if (xoptcgt("DEBUG", text, length + 1, &again) != 0) again = 0;
        length = again < length ? again : length;
    }
    if (!vzabl(' ', text, length)) {
        wztxxlt(2, text, text, length);   // table 2 upper-cases
        text[length] = 0;
        if (std::strstr(text, "SYN")) context->syntax_trace = 1;
        if (std::strstr(text, "SEM")) context->semantic_trace = 1;
    }
    if (pooled) pool->release(pool, text, length + 1, QOR_FREE_UNSIZED);
}

}  // namespace

step_context* module_step_context() {
    return static_cast<step_context*>(qor_step_context(context_key()));
}

void xinit() {
    qor_gcb* gcb = common_gcb();
    qor_pool* pool = gcb->global_pool;
    if (module_step_context()) return;
    auto* context = static_cast<step_context*>(
        pool ? pool->allocate(pool, sizeof(step_context), kAllocZeroGlobal) : nullptr);
    if (!context) {
        xpslog("%1zNot enough memory for the step context.");
        return;
    }
    qor_task* task = qor_current_task();
    context->print_file = xpopen(task ? task->print_handle : nullptr);
    xpoutl(context->output_line, sizeof context->output_line);
    context->print_line_size = xpprnl(0);
    context->log_line_size = xplogl(0);
    context->message_line_size = xpmsgl(0);
    xpselec(0, -2);
    read_trace_flags(context, pool);
    if (qor_step_set_context(context_key(), context) != 0) {
        // Outside a step there is nowhere to keep the context: release it again, and first
        // take its output line back from the host, which would otherwise write into freed memory.
        xpoutl(nullptr, 0);
        pool->release(pool, context, sizeof(step_context), QOR_FREE_SIZED);
    }
}

// Installing a method's source: the statements are copied into the environment's pool (or the
// caller's buffer is kept), described one by one, and compiled at once unless compiles are deferred.
#include <cstring>

#include "engine/compiler/method_objects.h"
#include "common/memory/pool_memory.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr int kStepCodeNoMemory = 1016;

// Out of memory while installing ends the step: the method would otherwise be half installed.
[[noreturn]] void end_step_without_memory() {
    xpmlog(598, 500);
    xexit(kStepCodeNoMemory);
}

}  // namespace

int rsktrni(RSKCON* con, RSKGENTRANS* method, char* source, size_t size, int count, int keep, void* extra,
            int extra_count, int mode) {
    if (con == nullptr || method == nullptr) return 1;
    if (source == nullptr || size == 0 || count <= 0) {
        xpslog("%2zMethod %*s has no code.", static_cast<int>(method->name.name.length), method->name.name.text);
        return 0;
    }
    // A source installed before is replaced whole.
    rsktrnc(con, method);
    auto* statements = static_cast<RSKSTMTDESC*>(
        vmalcp_handler(con->current_pool, sizeof(RSKSTMTDESC) * static_cast<size_t>(count), QOR_ALLOC_ZERO));
    if (statements == nullptr) end_step_without_memory();
    char* text = source;
    if (!keep) {
        text = static_cast<char*>(vmalcp_handler(con->current_pool, size, 0));
        if (text == nullptr) {
            vmfree_handler(con->current_pool, statements, sizeof(RSKSTMTDESC) * static_cast<size_t>(count),
                           QOR_FREE_SIZED);
            end_step_without_memory();
        }
        std::memcpy(text, source, size);
    }
    method->statements = statements;
    method->statement_count = count;
    method->source = text;
    method->source_size = size;
    method->source_kept = keep ? 1 : 0;
    // Each descriptor points at the next NUL-terminated statement; a source shorter than its
    // count gives the missing statements no text rather than reading past its end.
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        RSKSTMTDESC& d = statements[i];
        if (at >= size) break;
        const void* nul = std::memchr(text + at, '\0', size - at);
        size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - (text + at)) : size - at;
        if (nul == nullptr) break;   // the last text is not terminated: it is not a statement
        d.text = text + at;
        d.length = static_cast<int32_t>(length);
        d.size = d.length + 1;
        at += length + 1;
    }
    if (extra_count > 0) {
        method->extra = extra;
        method->extra_count = extra_count;
    }
    if (con->methods_deferred) return 0;
    int rc = rsktrns(con, method, mode);
    if (rc != 0) xpmlog(598, 3133, static_cast<int>(method->name.name.length), method->name.name.text);
    return rc;
}

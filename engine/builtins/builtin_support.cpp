// The run's counters and flags of the pricing built-ins, their work memory and the small
// argument helpers every body uses. Counters are updated atomically: bodies run on many threads.
#include <atomic>

#include "common/numeric/general_pool.h"
#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/run/run_block.h"
#include "host/pool.h"
#include "host/print.h"

RSKCON* builtin_con(const cmp_function_record* fn) {
    if (fn == nullptr || fn->context == nullptr) return nullptr;
    return static_cast<const RSKCMPCON*>(fn->context)->con;
}

RSKBUILTINRUN* builtin_run(RSKCON* con) {
    return con != nullptr && con->run_block != nullptr ? &con->run_block->builtins : nullptr;
}

int rskbif_count(RSKCON* con, int family, const char* function) {
    RSKBUILTINRUN* run = builtin_run(con);
    if (run == nullptr || family < 0 || family >= RSKBIF_FAMILIES) return 1;
    const int32_t before = std::atomic_ref<int32_t>(run->failures[family]).fetch_add(1, std::memory_order_relaxed);
    if (before < kRskBuiltinMessageCap) return 1;
    if (before == kRskBuiltinMessageCap) xpmlog(598, 1974, kRskBuiltinMessageCap, function);
    return 0;
}

void* builtin_alloc(RSKCON* con, size_t bytes, const char* label) {
    qor_pool* pool = zgenpool();
    void* block = pool != nullptr ? xmalloc_labelled(pool, bytes, QOR_ALLOC_PLAIN, label) : nullptr;
    if (block != nullptr) return block;
    RSKBUILTINRUN* run = builtin_run(con);
    const bool first = run == nullptr || std::atomic_ref<uint8_t>(run->memory_failed).exchange(1) == 0;
    if (first) xpmlog(598, 2797, static_cast<long>(bytes), label);
    return nullptr;
}

void builtin_free(void* block, size_t bytes) {
    qor_pool* pool = zgenpool();
    if (block != nullptr && pool != nullptr) pool->release(pool, block, bytes, QOR_FREE_SIZED);
}

double builtin_number(const cmp_arg_value* args, int nargs, int i) {
    if (i < 1 || i > nargs || args[i].kind == CMP_ARG_OMITTED || args[i].type != 'n' || args[i].number == nullptr)
        return qor::missing();
    return *args[i].number;
}

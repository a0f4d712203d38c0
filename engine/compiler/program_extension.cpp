// The method-program extension: the engine's record beside one compile session, made with the
// session (or around an existing one) and linked to it through the session's hooks.
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "host/pool.h"
#include "host/print.h"

namespace {
constexpr size_t kExtensionPoolSize = 16384;
}

int rskcompi(cmp_session** program, RSKCON* con, qor_pool* pool, RSKCMPEXT** out) {
    if (program == nullptr || out == nullptr) return 1;
    *out = nullptr;
    bool owns_pool = pool == nullptr;
    if (owns_pool) {
        pool = xmpoolc(kExtensionPoolSize, kExtensionPoolSize, 0);
        if (pool == nullptr) {
            xpmlog(672, 3000);
            return 1;
        }
    }
    auto* extension = static_cast<RSKCMPEXT*>(
        xmalloc_labelled(pool, sizeof(RSKCMPEXT), QOR_ALLOC_ZERO, "method-program extension"));
    if (extension == nullptr) {
        xpmlog(672, 3001, static_cast<long>(sizeof(RSKCMPEXT)));
        if (owns_pool) xmpoold(pool);
        return 1;
    }
    extension->pool = pool;
    extension->owns_pool = owns_pool ? 1 : 0;
    extension->con = con;
    extension->phase = 'N';
    bool created = *program == nullptr;
    if (created) {
        cmp_hooks hooks{};
        hooks.user = extension;
        hooks.error = cmpErrCallback;
        hooks.declare = rskcmpd;
        if (cmpints(program, &hooks) != 0 || *program == nullptr) {
            xpmlog(672, 3002);
            *program = nullptr;
            if (owns_pool) xmpoold(pool);
            return 1;
        }
    }
    // A new session's hooks carry the extension: its link back. A wrapped program keeps its
    // owner's hooks, so nothing of ours is left in it when the extension goes.
    cmp_init_record init{};
    init.user = extension;
    init.error = cmpErrCallback;
    if (created && cmpinit(&init, *program) != 0) {
        xpmlog(672, 3003, init.status);
        cmpends(*program);
        *program = nullptr;
        if (owns_pool) xmpoold(pool);
        return 1;
    }
    extension->program = *program;
    *out = extension;
    return 0;
}

void rskcompe(RSKCMPEXT* extension) {
    if (extension == nullptr) return;
    extension->program = nullptr;
    extension->handle = nullptr;
    if (extension->owns_pool) xmpoold(extension->pool);
}

int rskcompm(cmp_session* program, const char* name, int length) {
    return program != nullptr && name != nullptr ? cmpmdef(program, name, length) : 0;
}

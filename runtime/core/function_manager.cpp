// The host's function manager: its common block, start-up and workspace load, routine-table
// conversion, and the registered host routines (not provided by this host: they say so).
#include "host/fm.h"

#include <cstdint>
#include <cstring>

#include "host/kit.h"
#include "host/print.h"
#include "runtime/core/service_guard.h"

namespace {
qor_fm_common g_common;

int unavailable(const char* name) {
    xpslog("%2zThe function manager service %s is not available in this host.", name);
    return QOR_KIT_UNSUPPORTED;
}
}  // namespace

#define QOR_FM_DEFINE(name) int name(void) { return unavailable(#name); }
#define QOR_FM_NOTHING
QOR_FM_ROUTINES(QOR_FM_DEFINE, QOR_FM_NOTHING)
#undef QOR_FM_DEFINE
int afsfree(void) { return unavailable("afsfree"); }

qor_fm_common* fmcomgt() { return &g_common; }

int dpdinit(const void*, const void*, const void* workspace, const void*, const void*, int,
            const void*) try {
    g_common.workspace[0] = 0;
    if (workspace) {
        int16_t length;
        std::memcpy(&length, workspace, sizeof length);
        if (length < 0 || length > 32) return 1;
        std::memcpy(g_common.workspace, static_cast<const char*>(workspace) + sizeof length, length);
        g_common.workspace[length] = 0;
    }
    g_common.initialised = 1;
    return 0;
}
QOR_SERVICE_CATCH(1)

int dpdload(const void*, const void*, int result) { return result; }

int virv2g(const qor_fm_routine* table, qor_fm_routine* target, int count, qor_task*, qor_pidb*) try {
    if (!table || !target || count < 0 || count > QOR_FM_ROUTINE_COUNT) return 1;
    for (int i = 0; i < count; ++i) target[i] = table[i];
    return 0;
}
QOR_SERVICE_CATCH(1)

int vir2g(qor_fm_routine routine, qor_fm_routine* converted) try {
    if (!converted) return 1;
    *converted = routine;
    return 0;
}
QOR_SERVICE_CATCH(1)

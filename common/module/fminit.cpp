// Start-up of the host's function manager for a module: install it, initialise it once, register
// the host routines the engine needs, and load the module's workspace.
#include "common/module/anchors.h"
#include "common/module/step_context.h"
#include "host/fm.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr int kFunctionManagerCode = (3 << 16) | 63;

#define QOR_FM_ENTRY(name) &name,
#define QOR_FM_EMPTY nullptr,
const qor_fm_routine kRegisteredRoutines[] = {QOR_FM_ROUTINES(QOR_FM_ENTRY, QOR_FM_EMPTY)};
#undef QOR_FM_ENTRY
#undef QOR_FM_EMPTY
static_assert(sizeof kRegisteredRoutines / sizeof kRegisteredRoutines[0] == QOR_FM_ROUTINE_COUNT,
              "the function manager table has a fixed length");

// The task that owns the step: the sub-task when there is one other than the main task, else
// the current task; a task that is not a main task leads to its owner.
qor_task* owning_task(qor_gcb* gcb) {
    qor_task* task = gcb->sub_task && gcb->sub_task->kind != 1 ? gcb->sub_task : qor_current_task();
    if (task && task->kind != 1 && task->owner) task = task->owner;
    return task;
}

}  // namespace

int fmgfun() {
    qor_gcb* gcb = common_gcb();
    qor_fm_common* common = fmcomgt();
    int rc = virv2g(kRegisteredRoutines, common->routines, QOR_FM_ROUTINE_COUNT, owning_task(gcb),
                    v_global_pidb_anchor);
    if (rc != 0) {
        xprrlog(0, rc);
        return rc;
    }
    rc = vir2g(&afsfree, &common->free_routine);
    if (rc != 0) {
        xprrlog(0, rc);
        return rc;
    }
    return 0;
}

int fminit(const void* a1, const void* a2, const void* a3, const void*, const void* a5,
           const void* a6, int, const void* a8, const void* a9, const void* a10) {
    // A function manager that is already running is not initialised again; the workspace
    // load still happens.
    bool running = wivget(kFunctionManagerCode & 0xFFFF) != nullptr && fmcomgt()->initialised;
    int rc = wiinstl(kFunctionManagerCode, "QORFM   ", 1);
    if (rc == 0 && !running) {
        rc = dpdinit(a1, a3, a8, a2, a9, 1, a10);
        if (rc != 0) return rc;
        rc = fmgfun();
    }
    return dpdload(a6, a5, rc);
}

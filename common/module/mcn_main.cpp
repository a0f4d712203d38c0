// The module entry every deliverable exports: records the host's anchors and the kit handle
// and answers with the module's image information record.
#include "common/module/anchors.h"
#include "common/module/module_image.h"

// The module's own set-up hook; a module that needs one defines himodcn_hook.
extern "C" __attribute__((weak)) void himodcn_hook(void);

static void himodcn() {
    if (himodcn_hook) himodcn_hook();
}

QOR_MODULE_EXPORT const qor_image_info* mcn_main(qor_gcb* gcb, qor_pidb* pidb) {
    v_global_gcb_anchor = gcb;
    v_global_pidb_anchor = pidb;
    himodcn();
    Exported_QKHandle = gcb ? gcb->kit : nullptr;
    return &vi_mcn;
}

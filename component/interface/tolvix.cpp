// The component module's image and its entry, which the host calls when it loads the class of
// the Risk component.
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "host/kernel.h"

int tolvix();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVIX, "tolvix  ", tolvix, QOR_PCN_APPENDAGE)

int tolvix() {
    xinit();
    return 0;
}

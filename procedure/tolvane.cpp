// The procedure module's image and its entry: a ZOZU step enters here and always ends
// through the host's step exit.
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "host/kernel.h"
#include "host/print.h"

int tolvane();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANE, "tolvane ", tolvane, QOR_PCN_PROCEDURE)

int tolvane() {
    xinit();
    // Statement processing arrives with the procedure front end; until then the step is read
    // and ended cleanly so that programs around it keep running.
    xpslog("%3zThe ZOZU procedure read its step; statement processing is not available in this "
           "build.");
    xexit(0);
}

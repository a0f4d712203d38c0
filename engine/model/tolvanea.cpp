// Appendage A's image, its entry table and its entry: loading the module publishes the table
// as vector 381 and sets up the module's step context.
#include "common/module/anchors.h"
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "engine/model/rskatbl.h"
#include "host/kernel.h"

int tolvanea();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANEA, "tolvanea", tolvanea, QOR_PCN_APPENDAGE)

namespace {

// Fills the slots of the routines that exist; the engine's subsystems add theirs here.
struct TableFill {
    TableFill() { rskatbl[1] = reinterpret_cast<void*>(&rskatrm); }
};

}  // namespace

void* rskatbl[kRskatblSlots];
static TableFill g_fill;

int rskatrm() { return wideprt(kRskatblVectorCode); }

int tolvanea() {
    hiexprt(kRskatblVectorCode, rskatbl, kRskatblSlots, v_global_pidb_anchor);
    xinit();
    return 0;
}

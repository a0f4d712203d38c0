// Appendage A's image and its entry: loading the module fills and publishes the entry table
// as vector 381 and sets up the module's step context.
#include "common/module/anchors.h"
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "engine/model/control/entry_table.h"
#include "host/kernel.h"

int tolvanea();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANEA, "tolvanea", tolvanea, QOR_PCN_APPENDAGE)

namespace {

// The table is complete from the moment the library is loaded.
struct TableFill {
    TableFill() { rskatbl_fill(); }
};
TableFill g_fill;

}  // namespace

int tolvanea() {
    hiexprt(kEngineTableVectorCode, rskatbl, kEngineTableSlots, v_global_pidb_anchor);
    xinit();
    return 0;
}

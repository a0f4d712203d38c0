// Appendage C's image and its entry: loading the module fills and publishes the entry table
// as vector 383 and sets up the module's step context.
#include "catalog/entry_table.h"
#include "common/module/anchors.h"
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "host/kernel.h"

int tolvanec();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANEC, "tolvanec", tolvanec, QOR_PCN_APPENDAGE)

namespace {

struct TableFill {
    TableFill() { rskctbl_fill(); }
};
TableFill g_fill;

}  // namespace

int tolvanec() {
    hiexprt(kCatalogTableVectorCode, rskctbl, kCatalogTableSlots, v_global_pidb_anchor);
    xinit();
    return 0;
}

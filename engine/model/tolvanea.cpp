// Appendage A's image, its entry table and its entry: loading the module publishes the table
// as vector 381 and sets up the module's step context.
#include "common/hash/hash_table.h"
#include "common/module/anchors.h"
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "engine/model/rskatbl.h"
#include "host/kernel.h"

int tolvanea();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANEA, "tolvanea", tolvanea, QOR_PCN_APPENDAGE)

namespace {

template <typename Fn>
void* slot_of(Fn* routine) {
    return reinterpret_cast<void*>(routine);
}

// Fills the slots of the routines that exist; the engine's subsystems add theirs here.
struct TableFill {
    TableFill() {
        rskatbl[1] = slot_of(&rskatrm);
        // The common library's hash table, for the modules that share the engine's tables.
        rskatbl[340] = slot_of(&create_hash_item);
        rskatbl[346] = slot_of(&del_hash_table);
        rskatbl[347] = slot_of(&del_hash_item);
        rskatbl[348] = slot_of(&enumerate_table);
        rskatbl[349] = slot_of(&hash_query);
        rskatbl[350] = slot_of(&hash_insert);
        rskatbl[351] = slot_of(&hash_remove);
        rskatbl[362] = slot_of(&new_hash_table);
        rskatbl[363] = slot_of(&new_hash_item);
    }
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

// Storage of the module's host anchors, recorded by mcn_main.
// Each module links its own copy of the common library and so has its own anchors.
#include "common/module/anchors.h"

qor_gcb* v_global_gcb_anchor = nullptr;
qor_pidb* v_global_pidb_anchor = nullptr;
qor_kit* Exported_QKHandle = nullptr;

qor_gcb* common_gcb() {
    return v_global_gcb_anchor ? v_global_gcb_anchor : qor_global_gcb();
}

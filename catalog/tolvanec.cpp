// Appendage C's image, its entry table and its entry: loading the module publishes the table
// as vector 383 and sets up the module's step context.
#include "common/module/anchors.h"
#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "host/kernel.h"

int tolvanec();
int rskctrm();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANEC, "tolvanec", tolvanec, QOR_PCN_APPENDAGE)

namespace {
constexpr int kRskctblVectorCode = (14 << 16) | 383;   // 0x000E017F
constexpr int kRskctblSlots = 130;                     // slots 0 .. 129
}  // namespace

// Catalog storage routines take their slots here as they are built.
void* rskctbl[kRskctblSlots] = {nullptr, reinterpret_cast<void*>(&rskctrm)};

// Slot 1: withdraw the published table; the host's result.
int rskctrm() { return wideprt(kRskctblVectorCode); }

int tolvanec() {
    hiexprt(kRskctblVectorCode, rskctbl, kRskctblSlots, v_global_pidb_anchor);
    xinit();
    return 0;
}

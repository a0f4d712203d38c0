// The process's anchors: global control block, process anchor, main task and locale tables.
// Created once, before any module is loaded; modules receive the anchors through mcn_main.
#include "host/anchor.h"

#include "host/missing.h"
#include "runtime/core/anchor_internal.h"
#include "runtime/core/kit_internal.h"

namespace {

uint8_t g_upper[256];
uint8_t g_lower[256];
uint8_t g_identity[256];
qor_locale g_locale;
qor_task g_main_task;
qor_gcb g_gcb;
qor_pidb g_pidb;
bool g_ready = false;

void build_tables() {
    for (int c = 0; c < 256; ++c) {
        g_identity[c] = static_cast<uint8_t>(c);
        g_upper[c] = static_cast<uint8_t>((c >= 'a' && c <= 'z') ? c - 32 : c);
        g_lower[c] = static_cast<uint8_t>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
    g_locale.upper = g_upper;
    // Translation tables: 0 identity, 1 lower case, 2 upper case, 3 and 4 identity.
    g_locale.translate[0] = g_identity;
    g_locale.translate[1] = g_lower;
    g_locale.translate[2] = g_upper;
    g_locale.translate[3] = g_identity;
    g_locale.translate[4] = g_identity;
    g_locale.multibyte = 0;
}

}  // namespace

namespace qor::runtime {

void init_anchors() {
    if (g_ready) return;
    build_tables();
    g_main_task.kind = 1;
    g_gcb.locale = &g_locale;
    g_gcb.current_task = &g_main_task;
    g_gcb.sub_task = nullptr;
    g_gcb.missing = qor::missing();
    g_gcb.global_pool = xmpoolc(65536, 65536, QOR_POOL_SHARED);
    init_vectors(&g_gcb);
    g_gcb.kit = qor_runtime_kit();
    g_ready = true;
}

}  // namespace qor::runtime

qor_gcb* qor_global_gcb() {
    qor::runtime::init_anchors();
    return &g_gcb;
}

qor_pidb* qor_global_pidb() {
    qor::runtime::init_anchors();
    return &g_pidb;
}

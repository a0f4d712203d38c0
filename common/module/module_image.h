// The module's image information record and program control node, defined once per module
// with QOR_DEFINE_MODULE_IMAGE(name-string, entry-function, kind).
#pragma once
#include "host/export.h"
#include "host/kernel.h"

#ifndef QOR_RELEASE_TEXT
#define QOR_RELEASE_TEXT "1.0"
#endif
#ifndef QOR_BUILD_TEXT
#define QOR_BUILD_TEXT "velmora-1.0"
#endif
#define QOR_BUILD_STAMP 20261210u

extern "C" {
const qor_image_info* mcn_main(qor_gcb* gcb, qor_pidb* pidb);
extern const qor_image_info vi_mcn;
extern const qor_pcn* const mcn_pcns[];
}

// The start of the module's read-only data, recorded in the image (one per module).
extern const char qor_module_rodata[];

#define QOR_DEFINE_MODULE_IMAGE(pcn_var, name8, entry_fn, kind_code)                          \
    const char qor_module_rodata[] = name8;                                                   \
    static const qor_pcn pcn_var = {{0x00, 0x00, 0xFF, 0xFF}, 1024, 1024, {name8[0], name8[1], \
        name8[2], name8[3], name8[4], name8[5], name8[6], name8[7]}, 0, entry_fn, kind_code,   \
        9683, QOR_BUILD_STAMP, 15};                                                           \
    extern "C" __attribute__((visibility("default"))) const qor_pcn* const mcn_pcns[] = {     \
        &pcn_var, nullptr};                                                                   \
    extern "C" __attribute__((visibility("default"))) const qor_image_info vi_mcn = {         \
        "QOR_Image_Information=", QOR_IMAGE_MAGIC, 8, QOR_RELEASE_TEXT, QOR_BUILD_TEXT,       \
        __DATE__, mcn_pcns, qor_module_rodata, "001"};                                     \
    /* pulls the module entry out of the common library into this module */                   \
    __attribute__((used)) static qor_mcn_main_fn const qor_module_entry_keep = &mcn_main;

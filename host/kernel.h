// Kernel services: vectors, module install and load, module images, timers, date-time, case, exit.
// Appendage entry tables are real tables of function pointers published as vectors.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/anchor.h"
#include "host/export.h"

// Entry function of a module's procedure control record. Procedures take no arguments and end
// their step through xexit; appendages publish their entry table and return 0.
using qor_entry_fn = int (*)(void);

// Procedure control record (host format; pointers widen to natural size in memory).
struct qor_pcn {
    uint8_t marker[4];                // 00 00 FF FF
    uint32_t size_a;                  // 1024
    uint32_t size_b;                  // 1024
    char name[8];                     // lower case, blank- or NUL-padded
    uint32_t reserved;                // 0
    qor_entry_fn entry;
    uint32_t kind;                    // 1 appendage or component, 3 procedure
    uint32_t id;                      // 9683
    uint32_t build_stamp;
    uint32_t tail;                    // 15
};

enum : uint32_t { QOR_IMAGE_MAGIC = 0xB0BDEBEDu, QOR_PCN_APPENDAGE = 1, QOR_PCN_PROCEDURE = 3 };

// Image information record returned by mcn_main.
struct qor_image_info {
    char text[24];                    // "QOR_Image_Information=" and two NULs
    uint32_t magic;                   // 0xB0BDEBED
    uint32_t version;                 // 8
    char release[6];
    char build[20];
    char build_date[26];
    const qor_pcn* const* pcns;       // null-terminated list
    const void* rodata;
    char tail[4];                     // "001"
};

using qor_mcn_main_fn = const qor_image_info* (*)(qor_gcb* gcb, qor_pidb* pidb);

// A published vector: a table of slots. Slot 0 is unused.
struct qor_vector {
    int number;
    int slot_count;                   // slots 0 .. slot_count-1
    void* const* slots;
    const char* owner;                // module that published it
};

// Packed vector codes: (level << 16) | vector number.
inline int qor_vector_of(int code) { return code & 0xFFFF; }

// Publish an entry table under a packed vector code; 0 on success, 1 when the number is out of
// range, 2 when another table is already published under it.
QOR_HOST_API int hiexprt(int code, void* const* slots, int slot_count, qor_pidb* pidb);
// Withdraw a published table; 0 when it was published, 1 otherwise.
QOR_HOST_API int wideprt(int code);
// Look up a published vector; null when absent.
QOR_HOST_API const qor_vector* wivget(int vector);
// Address of a slot of a published vector; null when the vector or slot is absent or empty.
// The vector's busy byte is cleared, as every forwarding call does.
QOR_HOST_API void* wivslot(int vector, int slot);

// Install an appendage or host module: code = (level << 16) | vector, name blank-padded to 8.
// 0 when the vector is published afterwards (or already was); else a non-zero code with a message.
QOR_HOST_API int wiinstl(int code, const char* name8, int flags);
// Load a module library by name (case-insensitive, "tolvanea" -> libtolvanea.so) and return its
// verified image record; null with a message on failure. A module is loaded once per process.
QOR_HOST_API const qor_image_info* qor_load_module(const char* name);
// The procedure control record of a loaded module's image with the given kind; null when none.
QOR_HOST_API const qor_pcn* qor_image_pcn(const qor_image_info* image, uint32_t kind);
// Where module libraries are searched: this path, else QOR_MODULE_PATH, else the directory of
// the running executable.
QOR_HOST_API void qor_set_module_path(const char* path);

// Per-module contexts of the current step, keyed by an address unique to the module.
QOR_HOST_API int qor_step_set_context(const void* module_key, void* context);
QOR_HOST_API void* qor_step_context(const void* module_key);

// Timers and clock.
QOR_HOST_API double wzdttme();                 // now as a host date-time (seconds since 1960-01-01)
QOR_HOST_API double wttinfo(int which);        // 0 wall-clock ms since start, 1 CPU ms of the process
QOR_HOST_API void wzstrup(char* text, int length);   // upper-case a field in place

// End the current step with an end code; never returns (unwinds to the step runner).
[[noreturn]] QOR_HOST_API void xexit(int code);

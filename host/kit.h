// The host kit handle: journals and message objects, memory pools, extension loading,
// thread creation, events and waiting. Modules call these tables of functions directly.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include "host/export.h"
#include "host/pool.h"

struct qor_kit;
struct qor_waiter;

enum : int {
    QOR_KIT_UNSUPPORTED = static_cast<int>(0x803FC004u),   // operation not supported
    QOR_KIT_NO_WAITER = static_cast<int>(0x803FC009u),     // no waiter to wait through
};

// A waiter waits on a set of event or thread handles.
struct qor_waiter_ops {
    // count handles; index_out gets the index of the handle that ended the wait; wait_all waits
    // for every handle; timeout_ms 0 means no limit. 0 on success.
    int (*wait)(qor_waiter* waiter, int count, void** handles, int* index_out, uint8_t wait_all,
                long timeout_ms);
};
struct qor_waiter {
    const qor_waiter_ops* ops;
};

// Message and status objects (journals and the kit's message formatter).
struct qor_message_ops {
    int (*message_to_buf)(void* object, char* buffer, size_t size, size_t* length, int table,
                          int number, va_list* args);
    int (*message_to_jnl)(void* object, void* journal, int table, int number, va_list* args);
    int (*status_to_buf)(void* object, char* buffer, size_t size, size_t* length, int status,
                         va_list* args);
    int (*status_to_jnl)(void* object, void* journal, int status, va_list* args);
};
struct qor_message_object {
    const qor_message_ops* ops;
};

using qor_thread_fn = void (*)(void* argument);

struct qor_kit_ops {
    qor_waiter* (*current_waiter)(qor_kit* kit);
    // Threads and events: handles are opaque; close each handle when done.
    int (*create_thread)(qor_kit* kit, qor_thread_fn fn, void* argument, void** handle);
    int (*create_event)(qor_kit* kit, void** handle);
    int (*post_event)(qor_kit* kit, void* handle);
    int (*close_handle)(qor_kit* kit, void* handle);
    // Pools of the kit (thread-safe).
    qor_pool* (*create_pool)(qor_kit* kit, const char* label);
    int (*delete_pool)(qor_kit* kit, qor_pool* pool);
    // Processor count available to the process.
    int (*processor_count)(qor_kit* kit);
};

struct qor_kit {
    const qor_kit_ops* ops;
    qor_waiter* default_waiter;       // used when the kit has no current waiter
    qor_message_object* messages;     // the kit's message formatter
};

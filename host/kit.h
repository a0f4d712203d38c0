// The host kit handle: journals and message objects, memory pools, extension loading,
// thread creation, events and waiting. Modules call these tables of functions directly.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include "host/export.h"
#include "host/pool.h"

struct qor_kit;
struct qor_task;
struct qor_waiter;
struct qor_team;   // a worker team: threads made once that run one task per block on each call

enum : int {
    QOR_KIT_UNSUPPORTED = static_cast<int>(0x803FC004u),   // operation not supported
    QOR_KIT_NO_WAITER = static_cast<int>(0x803FC009u),     // no waiter to wait through
    QOR_KIT_TIMEOUT = static_cast<int>(0x803FC00Au),       // a wait ended by its time limit
    QOR_KIT_BAD_HANDLE = static_cast<int>(0x803FC00Bu),    // not a live handle (or closed meanwhile)
    QOR_KIT_BAD_ARGUMENT = static_cast<int>(0x803FC00Cu),  // null or out-of-range argument
    QOR_KIT_NO_RESOURCES = static_cast<int>(0x803FC00Du),  // no thread or memory to be had
    QOR_KIT_SELF_CLOSE = static_cast<int>(0x803FC00Eu),    // a thread closing its own handle
    QOR_KIT_RUNNING = static_cast<int>(0x803FC00Fu),       // the thread has not ended yet
    QOR_KIT_THREAD_FAILED = static_cast<int>(0x803FC010u), // exit code of a thread stopped by a fault
    QOR_KIT_TOO_SMALL = static_cast<int>(0x80002011u),     // text cut to the buffer
};

// A waiter waits on a set of event or thread handles.
struct qor_waiter_ops {
    // count handles; index_out gets the index of the handle that ended the wait; wait_all waits
    // for every handle; timeout_ms 0 means no limit. 0 on success, QOR_KIT_TIMEOUT when the time
    // ran out (index -1), QOR_KIT_BAD_HANDLE with the index of a handle that is not live.
    int (*wait)(qor_waiter* waiter, int count, void** handles, int* index_out, uint8_t wait_all,
                long timeout_ms);
};
struct qor_waiter {
    const qor_waiter_ops* ops;
};

// Message and status objects (journals and the kit's message formatter).
// To a buffer: the text is NUL-terminated and cut to size, *length gets its full length, and
// QOR_KIT_TOO_SMALL says it was cut. To a journal: a null journal is the log.
// A message with inserts cannot be formatted from a va_list yet (QOR_KIT_UNSUPPORTED): pass
// null args. Status texts have no inserts, except the methods compiler's error-hook statuses
// below, whose inserts args gives (printf style: %s text, %d number, %.*s length and text).
enum : unsigned {
    QOR_STATUS_CMP_ERROR = 0x80FFC83Cu,        // (const char* message)
    QOR_STATUS_CMP_METHOD_LINE = 0x80FFC83Du,  // (int line, const char* phase, int length, const char* method,
                                               //  const char* message)
    QOR_STATUS_CMP_METHOD = 0x80FFC83Eu,       // (const char* phase, int length, const char* method,
                                               //  const char* message)
};
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
// A worker team's task: does the work of one block (0 .. blocks - 1) of a call.
using qor_team_task = void (*)(void* argument, int block);

struct qor_kit_ops {
    qor_waiter* (*current_waiter)(qor_kit* kit);
    // Threads and events: handles are opaque; close each handle when done. A thread's handle is
    // signalled when fn returns; an event's once it is posted (it stays signalled). Closing a
    // thread handle waits for the thread to end.
    int (*create_thread)(qor_kit* kit, qor_thread_fn fn, void* argument, void** handle);
    int (*create_event)(qor_kit* kit, void** handle);
    int (*post_event)(qor_kit* kit, void* handle);
    int (*close_handle)(qor_kit* kit, void* handle);
    // Pools of the kit (thread-safe); delete_pool takes only pools the kit created.
    qor_pool* (*create_pool)(qor_kit* kit, const char* label);
    int (*delete_pool)(qor_kit* kit, qor_pool* pool);
    // Processor count available to the process.
    int (*processor_count)(qor_kit* kit);
    // How a thread ended, once its handle is signalled: *code is 0 when fn returned, the code given
    // to xexit when fn ended through the step exit, and QOR_KIT_THREAD_FAILED when anything else
    // escaped fn (running out of memory among others; the log says what). Answers 0, else
    // QOR_KIT_RUNNING while the thread runs, QOR_KIT_BAD_HANDLE for a handle that is not a live
    // thread.
    int (*thread_exit_code)(qor_kit* kit, void* handle, int* code);
    // A thread created with create_thread runs with its creator's task (qor_current_task); this
    // one runs with the task given (null for none).
    int (*create_task_thread)(qor_kit* kit, qor_thread_fn fn, void* argument, qor_task* task,
                              void** handle);
    // Worker teams, made once and called many times (docs/runtime-kit.md). create_team makes a
    // team for up to `blocks` blocks: blocks - 1 worker threads, each owning one block, that wait
    // for the next call spinning briefly and then sleeping. A worker that cannot be started leaves
    // its block to the calling thread: the kit logs one note, team_workers says how many run.
    // 0; QOR_KIT_BAD_ARGUMENT for blocks below 1; QOR_KIT_NO_RESOURCES when the team itself
    // cannot be had (memory), *team null then. A team counts as one live handle.
    int (*create_team)(qor_kit* kit, int blocks, qor_team** team);
    // Runs task(argument, b) once for every b in [0, blocks): block 0 on the calling thread, the
    // others on the workers (or the caller, for a worker that is not running), and returns when
    // all have ended. Workers run with the caller's task and floating-point environment. 0;
    // QOR_KIT_BAD_ARGUMENT for blocks outside [1, the team's blocks]; QOR_KIT_RUNNING when the
    // team is busy with another call; QOR_KIT_THREAD_FAILED when a block on a worker ended by an
    // exception (the step exit among them; the log says so), the other blocks having run. An
    // exception from the caller's own blocks is passed on once every block has ended.
    int (*run_team)(qor_kit* kit, qor_team* team, qor_team_task task, void* argument, int blocks);
    // Workers running (0 .. blocks - 1); QOR_KIT_BAD_ARGUMENT for a null team.
    int (*team_workers)(qor_kit* kit, qor_team* team);
    // Stops the workers, waits for them to end and frees the team (not from inside a task).
    int (*close_team)(qor_kit* kit, qor_team* team);
};

struct qor_kit {
    const qor_kit_ops* ops;
    qor_waiter* default_waiter;       // used when the kit has no current waiter
    qor_message_object* messages;     // the kit's message formatter
};

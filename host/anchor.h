// The host's global control block, process anchor, locale tables, tasks and steps.
// Modules reach every host service and per-step context through these typed records.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/export.h"
#include "host/pool.h"

struct qor_kit;
struct qor_vector;

// Locale record: case and translation tables and the multibyte text-handling flag.
struct qor_locale {
    const uint8_t* upper;             // 256-byte upper-case table
    const uint8_t* translate[5];      // host translation tables 0..4 (2 upper-cases, 1 lower-cases)
    uint8_t multibyte;                // text-handling flag: set for a multibyte encoding
};

// Per-step record of the host: what a procedure step is given and where it leaves its results.
struct qor_step {
    // Each module that runs in the step keeps its own step context here (set by xinit).
    static constexpr int kMaxModuleContexts = 8;
    const void* context_keys[kMaxModuleContexts];
    void* contexts[kMaxModuleContexts];
    const char* proc_name;            // procedure name as written, upper-cased
    const char* text;                 // the step's source text from PROC up to RUN;/QUIT;
    size_t text_length;
    int first_line;                   // line number of PROC in the program file
    int end_code;                     // set by xexit; 0 when the step ended normally
    qor_pool* pool;                   // step pool, deleted when the step ends
    void* statements;                 // parsed statement list (the host parser's anchor)
};

// A task: the main task runs program steps; sub-tasks are owned by a main task.
struct qor_task {
    int kind;                         // 1 for the main task
    qor_task* owner;                  // owning task of a sub-task
    qor_step* step;                   // the step being run, or null
    void* print_handle;               // print file of the task
};

// Process anchor.
struct qor_pidb {
    const char* program_path;         // the program file being run
    int argc;
    char** argv;
};

// Global control block: every host service call and module entry goes through it.
struct qor_gcb {
    qor_vector** vectors;             // word 0: published vectors by number
    uint8_t* vector_busy;             // word 1: per-vector busy bytes
    qor_locale* locale;               // case and translation tables
    int vector_count;
    qor_task* current_task;           // word 4: the main task (a thread's own: qor_current_task)
    qor_pool* global_pool;            // word 5: the global pool
    qor_task* sub_task;               // word 56: optional current sub-task
    qor_kit* kit;                     // word 82: the host kit handle
    double missing;                   // the host's missing value
};

// The process's anchors, created by the runtime at start-up.
QOR_HOST_API qor_gcb* qor_global_gcb();
QOR_HOST_API qor_pidb* qor_global_pidb();

// The calling thread's task: the main task on the process's first thread, the creator's task on a
// thread started through the kit, the task given by qor_set_current_task, else null.
QOR_HOST_API qor_task* qor_current_task();
// Give the calling thread a task (null for none); answers the task it had.
QOR_HOST_API qor_task* qor_set_current_task(qor_task* task);

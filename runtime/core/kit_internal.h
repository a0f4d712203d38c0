// Runtime-internal side of the host kit: the process's one kit, and the pieces the kit is made
// of (handles and waits, the message object), each kept in its own file.
#pragma once
#include <cstddef>

#include "host/export.h"
#include "host/kit.h"

// The process's kit (created on first use, lives until the process ends).
QOR_HOST_API qor_kit* qor_runtime_kit();
// Thread and event handles created and not yet closed (leak checks and tests).
QOR_HOST_API size_t qor_kit_live_handles();
// Label given to a pool of the kit (valid until the pool is deleted); null for a pool the kit
// did not create.
QOR_HOST_API const char* qor_kit_pool_label(qor_pool* pool);
// Test hook: the nth thread the kit creates from now on (a worker of a team or a thread of
// create_thread) is refused as if the system had none (0 switches it off). Answers how many
// creations were still to go under the previous setting.
QOR_HOST_API long qor_kit_refuse_thread_nth(long n);

namespace qor::runtime::kit {

// Handles and waits (kit_handles.cpp).
int create_thread(qor_thread_fn fn, void* argument, qor_task* task, void** handle);
int thread_exit_code(void* handle, int* code);
int create_event(void** handle);
int post_event(void* handle);
int close_handle(void* handle);
int wait(int count, void** handles, int* index_out, bool wait_all, long timeout_ms);
size_t live_handles();
// True when the thread-creation test hook refuses this creation.
bool refuse_this_thread();

// Worker teams (kit_team.cpp).
int create_team(int blocks, qor_team** team);
int run_team(qor_team* team, qor_team_task task, void* argument, int blocks);
int team_workers(qor_team* team);
int close_team(qor_team* team);
size_t live_teams();

// The kit's message object (kit_messages.cpp).
qor_message_object* message_object();

}  // namespace qor::runtime::kit

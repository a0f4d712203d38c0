// The run's worker team of pricing threads: made once per run with the thread control vector,
// called once per priced position, closed when the run's storage is freed.
#include "engine/run/run_storage.h"
#include "host/anchor.h"
#include "host/kernel.h"
#include "host/kit.h"

namespace {

// The step code of a run that cannot have the memory its pricing threads need.
constexpr int kStepCodeNoMemory = 1016;

qor_kit* team_kit() {
    qor_gcb* gcb = qor_global_gcb();
    qor_kit* kit = gcb != nullptr ? gcb->kit : nullptr;
    if (kit == nullptr || kit->ops == nullptr || kit->ops->create_team == nullptr) return nullptr;
    return kit;
}

}  // namespace

int rskmem_make_team(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    rskmem_close_team(con);
    if (!run->threading || run->thread_count < 2) return 0;
    qor_kit* kit = team_kit();
    if (kit == nullptr) return 0;   // no kit: every block runs on the calling thread
    qor_team* team = nullptr;
    int rc = kit->ops->create_team(kit, run->thread_count, &team);
    if (rc != 0 || team == nullptr) {
        // Without the team's memory the run cannot price on threads: the step ends, as it does
        // when the pricing threads' handles cannot be had.
        rskmem_no_memory(con, sizeof(RSKTHREADCTL) * static_cast<size_t>(run->thread_count + 1),
                         "thread control vector");
        run->abort = 1;
        run->thread_count = 0;
        xexit(kStepCodeNoMemory);
    }
    run->worker_team = team;
    run->team_blocks = run->thread_count;
    run->team_workers = kit->ops->team_workers(kit, team);
    return 0;
}

void rskmem_close_team(RSKCON* con) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || run->worker_team == nullptr) return;
    qor_kit* kit = team_kit();
    if (kit != nullptr) kit->ops->close_team(kit, run->worker_team);
    run->worker_team = nullptr;
    run->team_blocks = 0;
    run->team_workers = 0;
}

int rskteam_run(RSKCON* con, qor_team_task task, void* argument, int blocks) {
    RSKRUNBLOCK* run = con->run_block;
    if (task == nullptr || blocks < 1) return 1;
    if (run->worker_team != nullptr) {
        if (blocks > run->team_blocks) return 1;
        qor_kit* kit = team_kit();
        if (kit != nullptr) return kit->ops->run_team(kit, run->worker_team, task, argument, blocks) == 0 ? 0 : 1;
    }
    if (blocks > (run->thread_count > 1 ? run->thread_count : 1)) return 1;
    for (int b = 0; b < blocks; ++b) task(argument, b);
    return 0;
}

// Interval timers: records owned by their callers that add up the time of many short
// intervals, and the move of their totals into the finished list for the report.
#include <cstring>

#include "engine/model/timers/timers.h"
#include "host/kernel.h"

namespace {
constexpr int kChunk = 100;
}  // namespace

int rsktmri(RSKCON* con, RSKTIMER* timer, const char* name, int id, const char* label, int label_length) {
    std::memset(timer, 0, sizeof *timer);
    rsktmr_field(timer->name, 8, name, -1);
    timer->id = static_cast<int16_t>(id);
    timer->label_length = static_cast<int16_t>(rsktmr_field(timer->label, 32, label, label_length));
    std::memset(timer->project, ' ', sizeof timer->project);
    std::memset(timer->run, ' ', sizeof timer->run);
    if (con->run_block != nullptr) {
        const RSKNAMEREC& run = con->run_block->run_name.name;
        timer->run_length = static_cast<int16_t>(rsktmr_field(timer->run, 32, run.text, run.length));
    }
    timer->level = static_cast<int16_t>(con->timer_depth);
    timer->state = RSKTMR_INTERVAL_IDLE;
    return 0;
}

int rsktmrs(RSKCON* con, RSKTIMER* timer) {
    if (con->timers_on == 0 || timer->state == RSKTMR_UNSET) return 0;
    timer->child_cpu = wttinfo(1);
    timer->child_wall = wttinfo(0);
    timer->state = RSKTMR_INTERVAL_RUNNING;
    return 0;
}

int rsktmre(RSKCON* con, RSKTIMER* timer) {
    // Only a running interval ends: an idle timer has no start time, and ending it would add
    // the whole time since the process began.
    if (con->timers_on == 0 || timer->state != RSKTMR_INTERVAL_RUNNING) return 0;
    ++timer->count;
    timer->cpu += (wttinfo(1) - timer->child_cpu) / 1000 - con->timer_overhead[2];
    timer->wall += (wttinfo(0) - timer->child_wall) / 1000 - con->timer_overhead[3];
    timer->child_cpu = 0;
    timer->child_wall = 0;
    timer->state = RSKTMR_INTERVAL_IDLE;
    return 0;
}

int rsktmro(RSKCON* con, RSKTIMER* timer) {
    if (con->timers_on == 0 || timer->state == RSKTMR_UNSET || timer->count == 0) return 0;
    RSKTIMER* finished = rsktmr_take(con, kChunk);
    if (finished == nullptr) return 1;
    std::memcpy(finished, timer, sizeof *finished);
    rsktmr_finish(con, finished);
    std::memset(timer, 0, sizeof *timer);
    return 0;
}

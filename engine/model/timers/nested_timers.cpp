// Nested timers: a stack of running timers in the control structure. Stopping one charges its
// time to the enclosing timer and, when timers ran inside it, records its own (self) time too.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/tables/free_lists.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/timers/timers.h"
#include "host/kernel.h"

namespace {

constexpr int kStartChunk = 110;
constexpr int kStopChunk = 100;

// Copies the current project and run names of the run block into the record.
void copy_run_names(const RSKCON* con, RSKTIMER* timer) {
    std::memset(timer->project, ' ', sizeof timer->project);
    std::memset(timer->run, ' ', sizeof timer->run);
    timer->project_length = 0;
    timer->run_length = 0;
    if (con->run_block == nullptr) return;
    const RSKNAMEREC& project = con->run_block->project_name.name;
    const RSKNAMEREC& run = con->run_block->run_name.name;
    timer->project_length = static_cast<int16_t>(rsktmr_field(timer->project, 32, project.text, project.length));
    timer->run_length = static_cast<int16_t>(rsktmr_field(timer->run, 32, run.text, run.length));
}

int trimmed(const char* field, int width) {
    while (width > 0 && field[width - 1] == ' ') --width;
    return width;
}

}  // namespace

int rsktmr_field(char* field, int width, const char* text, int length) {
    std::memset(field, ' ', static_cast<size_t>(width));
    if (text == nullptr) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    int kept = length < width ? length : width;
    std::memcpy(field, text, static_cast<size_t>(kept));
    return kept;
}

RSKTIMER* rsktmr_take(RSKCON* con, int chunk) {
    size_t bytes = 0;
    RSKTIMER* timer = rsk_take_free(con->timers_free, con->current_pool, chunk, &bytes);
    if (timer == nullptr) {
        if (con->error == 0) rsknomem(con, bytes, "timer records");
        con->error = 1;
    }
    return timer;
}

void rsktmr_finish(RSKCON* con, RSKTIMER* timer) {
    timer->next = nullptr;
    if (con->timers_finished_tail != nullptr) con->timers_finished_tail->next = timer;
    else con->timers_finished_head = timer;
    con->timers_finished_tail = timer;
    ++con->timers_finished;
}

void rsktmr_release_finished(RSKCON* con) {
    if (con->timers_finished_head != nullptr) {
        con->timers_finished_tail->next = con->timers_free;
        con->timers_free = con->timers_finished_head;
    }
    con->timers_finished_head = nullptr;
    con->timers_finished_tail = nullptr;
    con->timers_finished = 0;
}

int rsktmr1(RSKCON* con, const char* name, int id, const char* label, int label_length) {
    if (con->timers_on == 0) return 0;
    RSKTIMER* timer = rsktmr_take(con, kStartChunk);
    if (timer == nullptr) return 1;
    rsktmr_field(timer->name, 8, name, -1);
    timer->id = static_cast<int16_t>(id);
    timer->label_length = static_cast<int16_t>(rsktmr_field(timer->label, 32, label, label_length));
    timer->level = static_cast<int16_t>(con->timer_depth);
    timer->next = con->timer_stack;
    con->timer_stack = timer;
    ++con->timer_depth;
    timer->state = RSKTMR_NESTED_RUNNING;
    timer->cpu = wttinfo(1);
    timer->wall = wttinfo(0);
    return 0;
}

int rsktmr2(RSKCON* con, int id) {
    if (con->timers_on == 0) return 1;
    RSKTIMER* timer = con->timer_stack;
    // Every check comes before the record is touched, so a wrong stop leaves the running timer
    // exactly as it was and its right stop still measures it.
    if (timer == nullptr) {
        xebug("rsktmr2: Null timer stack for %i.", id);
        return 1;
    }
    if (con->timer_depth < 1) {
        xebug("rsktmr2: con->timer.nest=%i.", con->timer_depth);
        return 1;
    }
    if (timer->id != id) {
        xebug("rsktmr2: tmr->id=%i != id=%i.", static_cast<int>(timer->id), id);
        return 1;
    }
    if (timer->state != RSKTMR_NESTED_RUNNING) {
        xebug("rsktmr2: called out of sequence for %i.", id);
        return 1;
    }
    const double cpu = (wttinfo(1) - timer->cpu) / 1000 - con->timer_overhead[0];
    const double wall = (wttinfo(0) - timer->wall) / 1000 - con->timer_overhead[1];
    // The self-time record is taken first: without it the stop fails and nothing has changed.
    RSKTIMER* self = nullptr;
    if (timer->child_cpu != 0 || timer->child_wall != 0) {
        self = rsktmr_take(con, kStopChunk);
        if (self == nullptr) return 1;
    }
    timer->cpu = cpu;
    timer->wall = wall;
    con->timer_stack = timer->next;
    --con->timer_depth;
    ++timer->count;
    copy_run_names(con, timer);
    if (con->timer_stack != nullptr) {
        con->timer_stack->child_cpu += cpu;
        con->timer_stack->child_wall += wall;
    }
    if (self != nullptr) {
        self->level = static_cast<int16_t>(timer->level + 1);
        std::memcpy(self->name, timer->name, sizeof self->name);
        std::memset(self->label, ' ', sizeof self->label);
        std::memcpy(self->label, timer->name, sizeof timer->name);
        self->label_length = static_cast<int16_t>(trimmed(timer->name, 8));
        std::memcpy(self->project, timer->project, sizeof self->project);
        self->project_length = timer->project_length;
        std::memcpy(self->run, timer->run, sizeof self->run);
        self->run_length = timer->run_length;
        self->id = kRskSelfTimeId;
        self->count = 1;
        self->cpu = cpu - timer->child_cpu;
        self->wall = wall - timer->child_wall;
        rsktmr_finish(con, self);
    }
    rsktmr_finish(con, timer);
    return 0;
}

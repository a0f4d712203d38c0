// The run's time line: the ages in years that the lag grids of the lagged risk factors need,
// ordered from the latest date (age 0, the base date) to the earliest, each age once.
#include "engine/model/control/out_of_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/lags/lags.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"

namespace {

// Puts a copy of the point into the line, ascending by age; an age already there is dropped.
// 0, or 1 when no entry can be had.
int insert_time_list(RSKCON* con, RSKLAG** line, double value, uint32_t unit, double age) {
    RSKLAG** at = line;
    while (*at != nullptr && (*at)->time < age) at = &(*at)->next;
    if (*at != nullptr && (*at)->time == age) return 0;
    RSKLAG* entry = rsk_take_record(con, con->free_lists->lags, kRskLagChunk, "time line");
    if (entry == nullptr) return 1;
    entry->value = value;
    entry->unit = unit;
    entry->time = age;
    entry->next = *at;
    *at = entry;
    return 0;
}

// The grid's times (0, then each point's age), built when the grid has none of its size.
int ensure_times(RSKCON* con, RSKTIMEGRID* grid) {
    if (grid->times != nullptr && grid->times_allocated == grid->count + 1) return 0;
    return rsktgde(con, grid);
}

}  // namespace

void free_time_line(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return;
    while (run->time_line != nullptr) {
        RSKLAG* entry = run->time_line;
        run->time_line = entry->next;
        rsk_give_free(con->free_lists->lags, entry);
    }
}

int setup_time_line(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || con->runtime_tables == nullptr) return 1;
    free_time_line(con);
    // The base date heads the line: market data is opened there before the earlier dates are read.
    if (insert_time_list(con, &run->time_line, 0, RSKUNIT_YEAR, 0) != 0) return 1;
    for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || !(v->flags2 & RSKF2_LAG_GRID) || v->lag_grid == nullptr) continue;
        if (ensure_times(con, v->lag_grid) != 0) return 1;
        for (const RSKTIMEPOINT* p = v->lag_grid->head; p != nullptr; p = p->next)
            if (insert_time_list(con, &run->time_line, p->value, p->unit, p->time) != 0) return 1;
    }
    return 0;
}

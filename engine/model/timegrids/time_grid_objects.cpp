// Time grid objects: look-up in the time-grid table, definition on a catalog object of kind 18,
// emptying, release to the free list and listing.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "common/memory/pool_memory.h"
#include "host/print.h"

namespace {

constexpr int kTimeGridChunk = 10;

}  // namespace

RSKCATOBJ* rsktgd(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_TIMEGRIDS], name));
}

int rsktgdd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (name == nullptr) return 1;
    // The name may be the grid's own: copy it before the grid is emptied.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, name, catalog_argument, RSKKIND_TIMEGRID) != 0 || header == nullptr))
        return 1;
    auto* grid = static_cast<RSKTIMEGRID*>(header->object);
    if (grid != nullptr) {
        rsktgdc(con, grid);
    } else {
        grid = rsk_take_record(con, con->free_lists->time_grids, kTimeGridChunk, "time grids");
        if (grid == nullptr) return 1;
        header->object = grid;
    }
    rskname(con, &grid->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rsktgdc(RSKCON* con, RSKTIMEGRID* grid) {
    if (grid == nullptr) return 0;
    if (grid->times != nullptr)
        vmfree_handler(con->current_pool, grid->times, sizeof(double) * grid->times_allocated, QOR_FREE_SIZED);
    grid->times = nullptr;
    grid->times_allocated = 0;
    while (grid->head != nullptr) {
        RSKTIMEPOINT* point = grid->head;
        grid->head = point->next;
        rsk_give_free(con->free_lists->time_points, point);
    }
    grid->tail = nullptr;
    grid->count = 0;
    return 0;
}

int rsktgdf(RSKCON* con, RSKTIMEGRID* grid) {
    if (grid == nullptr) return 0;
    rsktgdc(con, grid);
    std::memset(static_cast<void*>(grid), 0, sizeof *grid);
    rsk_give_free(con->free_lists->time_grids, grid);
    return 0;
}

int rsktgdp(RSKCON* con, const RSKTIMEGRID* grid) {
    if (grid == nullptr) return 0;
    xpmout(598, 2266, static_cast<int>(grid->name.name.length), grid->name.name.text);
    xpmout(598, 2267, static_cast<int>(grid->count));
    int ordinal = 0;
    for (const RSKTIMEPOINT* p = grid->head; p != nullptr; p = p->next) {
        const char* unit = nullptr;
        int unit_length = rskcstu(con, static_cast<int>(p->unit), &unit);
        xpmout(598, 2268, ++ordinal, p->value, unit_length, unit);
    }
    xpoflsh(0);
    return 0;
}

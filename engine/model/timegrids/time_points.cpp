// Time points of a grid: the unit conversion to years, the ordered insertion of a point, and the
// times array that callers index by point number (entry 0 is time 0).
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/tables/free_lists.h"
#include "common/memory/pool_memory.h"
#include "host/print.h"

namespace {

constexpr int kTimePointChunk = 20;
constexpr double kDaysPerYear = 365.25;

}  // namespace

double rsktime(RSKCON*, RSKTIMEPOINT* point, double value, uint32_t unit) {
    double years = value;
    switch (unit) {
        case RSKUNIT_DAY: years = value / kDaysPerYear; break;
        case RSKUNIT_WEEK: years = value * 7 / kDaysPerYear; break;
        case RSKUNIT_MONTH: years = value / 12; break;
        case RSKUNIT_HOUR: years = value / kDaysPerYear / 24; break;
        default: break;                  // years, and units that carry no scale
    }
    if (point != nullptr) {
        point->value = value;
        point->unit = unit;
        point->time = years;
    }
    return years;
}

int rsktgda(RSKCON* con, RSKTIMEGRID* grid, double value, uint32_t unit) {
    if (grid == nullptr) return 1;
    if (value < 0) xpmlog(598, 1190, value);
    RSKTIMEPOINT* point = rsk_take_record(con, con->free_lists->time_points, kTimePointChunk, "time grid points");
    if (point == nullptr) return 1;
    rsktime(con, point, value, unit);

    if (grid->head == nullptr) {
        grid->head = grid->tail = point;
    } else if (point->time >= grid->tail->time) {
        grid->tail->next = point;
        grid->tail = point;
    } else if (point->time < grid->head->time) {
        point->next = grid->head;
        grid->head = point;
    } else {
        // After the last point whose time is not above the new one: equal times keep their order.
        RSKTIMEPOINT* after = grid->head;
        while (after->next != nullptr && after->next->time <= point->time) after = after->next;
        point->next = after->next;
        after->next = point;
    }
    ++grid->count;
    return 0;
}

int rsktgde(RSKCON* con, RSKTIMEGRID* grid) {
    if (grid == nullptr) return 1;
    // A grid built before and given more points since gets a fresh array of the right size.
    if (grid->times != nullptr) {
        vmfree_handler(con->current_pool, grid->times, sizeof(double) * grid->times_allocated, QOR_FREE_SIZED);
        grid->times = nullptr;
        grid->times_allocated = 0;
    }
    const uint32_t n = grid->count + 1;
    const size_t bytes = sizeof(double) * n;
    auto* times = static_cast<double*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_PLAIN));
    if (times == nullptr) {
        rsknomem(con, bytes, "time grid times");
        return 1;
    }
    times[0] = 0;
    uint32_t i = 1;
    for (const RSKTIMEPOINT* p = grid->head; p != nullptr && i < n; p = p->next) times[i++] = p->time;
    grid->times = times;
    grid->times_allocated = n;
    return 0;
}

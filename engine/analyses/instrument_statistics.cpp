// Instrument statistics of a run: the statistics table made from the project's statistics
// specification before the analyses are built, and the output values taken from a finished cell.
#include "engine/analyses/instrument_statistics.h"

#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/analyses/instrument_statistics_cell.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/filters/filters.h"
#include "engine/model/projects/projects.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr int kReadRight = 4;
// Data types a statistic can be taken of: numeric, date and date-time.
constexpr uint32_t kNumeric = 1, kDate = 3, kDateTime = 4;

// The project's statistics specification loaded from the catalog, or null.
RSKTRANSTATS* specification_of(RSKCON* con, const RSKPROJECT* project) {
    RSKCATOBJ* object = rsktsg(con, &project->statistics.name);
    if (object == nullptr) return nullptr;
    return static_cast<RSKTRANSTATS*>(rssofiq(con, object, kReadRight));
}

// 1 when the entry's variable can be counted, else 0 after the internal-error line.
int usable(const RSKSTATENTRY* entry, const RSKVARIABLE* v) {
    const RSKNAMEREC& name = entry->variable.name;
    if (v == nullptr) {
        xebug("rsasta0: variable \"%*s\" for stat not found.", static_cast<int>(name.length), name.text);
        return 0;
    }
    if ((v->role_flags & RSKROLEF_INSTRUMENT_SIDE) == 0) {
        xebug("rsasta0: variable %*s for stat not trans var.", static_cast<int>(name.length), name.text);
        return 0;
    }
    if (v->data_type != kNumeric && v->data_type != kDate && v->data_type != kDateTime) {
        xebug("rsasta0: variable %*s for stat not numeric type.", static_cast<int>(name.length), name.text);
        return 0;
    }
    return 1;
}

}  // namespace

int rsasta0(RSKCON* con, RSKPROJECT* project) {
    RSKRUNRESULTS& results = con->run_block->result_sets;
    results.inst_stat_count = 0;
    results.inst_stats = nullptr;
    const RSKTRANSTATS* specification = specification_of(con, project);
    if (specification == nullptr) {
        xpmlog(598, 1990, static_cast<int>(project->statistics.name.length), project->statistics.name.text,
               static_cast<int>(project->name.name.length), project->name.name.text);
        return 1;
    }
    if (specification->count <= 0) return 0;

    const size_t bytes = sizeof(RSKINSTSTAT) * static_cast<size_t>(specification->count);
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->current_pool;
    auto* table = static_cast<RSKINSTSTAT*>(vmalcp_handler(pool, bytes, 0));
    if (table == nullptr) {
        rsknomem(con, bytes, "instrument statistics");
        return 1;
    }
    std::memset(static_cast<void*>(table), 0, bytes);
    con->run_block->run_pool_bytes += bytes;

    int32_t count = 0;
    for (const RSKSTATENTRY* entry = specification->head; entry != nullptr && count < specification->count;
         entry = entry->next) {
        RSKVARIABLE* v = rskvar(con, &entry->variable.name);
        if (!usable(entry, v)) continue;
        RSKINSTSTAT& row = table[count++];
        row.variable = v;
        row.alias = entry->result;
        row.alias.name.text = row.alias.buffer;
        row.statistic = entry->type;
        row.value = qor::missing();
    }
    results.inst_stats = table;
    results.inst_stat_count = count;
    return 0;
}

int rsasta5(RSKCON* con, const void* cell) {
    RSKRUNRESULTS& results = con->run_block->result_sets;
    for (int32_t i = 0; i < results.inst_stat_count; ++i) {
        RSKINSTSTAT& row = results.inst_stats[i];
        const RskStatSlots slots(con, const_cast<void*>(cell), i);
        row.value = qor::missing();
        if (slots.get(RSKSTATSLOT_COUNT) < 0) continue;
        switch (row.statistic) {
            case RSKSTAT_SUM:
            case RSKSTAT_MEAN: row.value = slots.get(RSKSTATSLOT_SUM); break;
            case RSKSTAT_WGTMEAN: row.value = slots.get(RSKSTATSLOT_WEIGHTED); break;
            case RSKSTAT_N: row.value = slots.get(RSKSTATSLOT_COUNT); break;
            case RSKSTAT_MIN: row.value = slots.get(RSKSTATSLOT_MINIMUM); break;
            case RSKSTAT_MAX: row.value = slots.get(RSKSTATSLOT_MAXIMUM); break;
            case RSKSTAT_STD: row.value = slots.get(RSKSTATSLOT_SPREAD); break;
            case RSKSTAT_WGT: row.value = slots.get(RSKSTATSLOT_WEIGHTS); break;
            default: rsk_stat_unknown("rsasta5", row); break;
        }
    }
    return 0;
}

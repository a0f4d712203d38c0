// The arrays an analysis record owns: each is allocated from the current pool at its exact size
// and released with that size, so a redefinition or a deletion never leaves one behind.
#include "engine/model/analyses/analysis_settings.h"

#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"

namespace {

template <typename T>
T* take(RSKCON* con, int32_t count, const char* label) {
    if (count <= 0) return nullptr;
    const size_t bytes = sizeof(T) * static_cast<size_t>(count);
    auto* block = static_cast<T*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_ZERO));
    if (block == nullptr) rsknomem(con, bytes, label);
    return block;
}

template <typename T>
void give(RSKCON* con, T*& block, int32_t count) {
    if (block != nullptr && count > 0)
        vmfree_handler(con->current_pool, block, sizeof(T) * static_cast<size_t>(count), QOR_FREE_SIZED);
    block = nullptr;
}

void free_targets(RSKCON* con, RSKANLOPT* o) {
    if (o->targets != nullptr)
        for (int32_t i = 0; i < o->target_lists; ++i)
            give(con, o->targets[i], o->target_counts != nullptr ? o->target_counts[i] : 0);
    give(con, o->targets, o->target_lists);
    give(con, o->target_counts, o->target_lists);
    o->target_lists = 0;
}

}  // namespace

int rskanl_store_horizons(RSKCON* con, RSKANLSIM* simulation, const int32_t* horizons, int32_t count) {
    int32_t* fresh = nullptr;
    if (count > 0 && horizons != nullptr) {
        fresh = take<int32_t>(con, count, "simulation horizons list");
        if (fresh == nullptr) return 1;
        std::memcpy(fresh, horizons, sizeof(int32_t) * static_cast<size_t>(count));
    } else {
        count = 0;
    }
    give(con, simulation->horizons, simulation->horizon_count);
    simulation->horizons = fresh;
    simulation->horizon_count = count;
    return 0;
}

int rskanl_copy_simulation(RSKCON* con, RSKANLSIM* to, const RSKANLSIM* from) {
    RSKANLSIM copy = *from;
    copy.horizons = nullptr;
    copy.horizon_count = 0;
    if (rskanl_store_horizons(con, &copy, from->horizons, from->horizon_count) != 0) return 1;
    give(con, to->horizons, to->horizon_count);
    *to = copy;
    to->source.name.text = to->source.buffer;   // the name's text lives in the record itself
    return 0;
}

int rskanl_store_targets(RSKCON* con, RSKANLOPT* optimisation, const double* values, int32_t lists,
                         const int32_t* ends) {
    RSKANLOPT fresh{};
    fresh.target_lists = lists > 0 ? lists : 0;
    fresh.target_counts = take<int32_t>(con, fresh.target_lists, "optimization constraint boundary list");
    fresh.targets = take<double*>(con, fresh.target_lists, "optimization constraint list");
    bool failed = fresh.target_lists > 0 && (fresh.target_counts == nullptr || fresh.targets == nullptr);
    for (int32_t i = 0; !failed && i < fresh.target_lists; ++i) {
        const int32_t start = i == 0 ? 0 : ends[i - 1];
        const int32_t count = ends[i] - start;
        if (count <= 0) continue;
        fresh.targets[i] = take<double>(con, count, "optimization constraint list");
        if (fresh.targets[i] == nullptr) {
            failed = true;
            break;
        }
        fresh.target_counts[i] = count;
        std::memcpy(fresh.targets[i], values + start, sizeof(double) * static_cast<size_t>(count));
    }
    if (failed) {
        free_targets(con, &fresh);
        return 1;
    }
    free_targets(con, optimisation);
    optimisation->target_lists = fresh.target_lists;
    optimisation->target_counts = fresh.target_counts;
    optimisation->targets = fresh.targets;
    return 0;
}

void rskanl_free_settings(RSKCON* con, RSKANALYSIS* analysis) {
    give(con, analysis->simulation.horizons, analysis->simulation.horizon_count);
    analysis->simulation.horizon_count = 0;
    free_targets(con, &analysis->optimisation);
}

// Calls through the entry tables by slot, typed as the slot is: the statements of projects,
// analyses and runs use these instead of one hand-written forwarder per routine.
#pragma once
#include <utility>

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"

namespace zozu {

// Calls the routine in engine slot S; `absent` when appendage A has published no table.
template <EngineSlot S, typename Result, typename... Args>
Result engine_call(Result absent, Args&&... args) {
    auto fn = engine_routine<S>();
    return fn != nullptr ? fn(std::forward<Args>(args)...) : absent;
}

// Calls the routine in catalog slot S; `absent` when catalog storage has published no table.
template <CatalogSlot S, typename Result, typename... Args>
Result catalog_call(Result absent, Args&&... args) {
    auto fn = catalog_routine<S>();
    return fn != nullptr ? fn(std::forward<Args>(args)...) : absent;
}

}  // namespace zozu

// Forwarding routines of the procedure: each fetches its slot from the published entry table and
// calls it. A table that is not published answers 1, so the caller sees a failure.
#include "procedure/engine_calls.h"

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"

namespace zozu {

namespace {

// Calls a slot that takes only the control structure.
template <typename Fn>
int call_con(Fn fn, RSKCON* con) {
    return fn != nullptr ? fn(con) : 1;
}

}  // namespace

int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager) {
    *out = nullptr;
    auto fn = engine_routine<EngineSlot::rskinit>();
    return fn != nullptr ? fn(out, client_kind, function_manager, manager) : 1;
}

int rsk0(RSKCON* con) { return call_con(engine_routine<EngineSlot::rsk0>(), con); }
int rskterm(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskterm>(), con); }
int rskadti(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskadti>(), con); }

int rskadtp(RSKCON* con, int table, int number, int stamp_length, const char* stamp,
            int name_length, const char* name) {
    auto fn = engine_routine<EngineSlot::rskadtp>();
    return fn != nullptr ? fn(con, table, number, stamp_length, stamp, name_length, name) : 1;
}

int rskclbi(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskclbi>(), con); }
int rsktrn0(RSKCON* con) { return call_con(engine_routine<EngineSlot::rsktrn0>(), con); }

int unittest_stmt(RSKCON* con, statement_node* node) {
    auto fn = engine_routine<EngineSlot::unittest_stmt>();
    return fn != nullptr ? fn(con, node) : 1;
}

int rssenvt(RSKCON* con) { return call_con(catalog_routine<CatalogSlot::rssenvt>(), con); }

}  // namespace zozu

// Calls from catalog storage into the engine's entry table (vector 381). The modules never call
// one another directly; a missing table is a failure, not a crash.
#include "catalog/engine_calls.h"

#include "engine/tables/engine_table.h"

void* engine_rsksym(RSKCON* con, const RSKSYMTAB* table, const RSKNAMEREC* name) {
    auto fn = engine_routine<EngineSlot::rsksym>();
    return fn != nullptr ? fn(con, table, name) : nullptr;
}

int engine_rsksymd(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name, void* object) {
    auto fn = engine_routine<EngineSlot::rsksymd>();
    return fn != nullptr ? fn(con, table, name, object) : 2;
}

int engine_rskname(RSKCON* con, RSKOBJNAME* rec, const char* text, int length) {
    auto fn = engine_routine<EngineSlot::rskname>();
    return fn != nullptr ? fn(con, rec, text, length) : 1;
}

int engine_rskvar0(RSKCON* con) {
    auto fn = engine_routine<EngineSlot::rskvar0>();
    return fn != nullptr ? fn(con) : 1;
}

int engine_rskvar1(RSKCON* con) {
    auto fn = engine_routine<EngineSlot::rskvar1>();
    return fn != nullptr ? fn(con) : 1;
}

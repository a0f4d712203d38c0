// Calls from catalog storage into the engine's entry table (vector 381). The modules never call
// one another directly; a missing table is a failure, not a crash.
#include "catalog/engine_calls.h"

#include <type_traits>

#include "engine/model/options/engine_options.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/object_tables.h"

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

int engine_rsksymf(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name) {
    auto fn = engine_routine<EngineSlot::rsksymf>();
    return fn != nullptr ? fn(con, table, name) : 1;
}

int engine_rskpthg(RSKCON* con, const RSKNAMEREC* spec, const char* type, char* libref, member_name* member,
                   char* path, int report) {
    auto fn = engine_routine<EngineSlot::rskpthg>();
    return fn != nullptr ? fn(con, spec, type, 1, libref, member, path, report) : 1;
}

int engine_rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
                   member_name* member, char* path, int report) {
    auto fn = engine_routine<EngineSlot::rskpthw>();
    return fn != nullptr ? fn(con, spec, length, type, libref, member, path, report) : 1;
}

int engine_rskpthd(RSKCON* con, const char* path, int length, int append, const char* libref) {
    auto fn = engine_routine<EngineSlot::rskpthd>();
    return fn != nullptr ? fn(con, path, length, append, libref) : 1;
}

int engine_rskaltb(RSKCON* con, int parts) {
    auto fn = engine_routine<EngineSlot::rskaltb>();
    return fn != nullptr ? fn(con, parts) : 1;
}

void engine_rskecmp(RSKCON* con) {
    if (con->compile_handle == nullptr) return;   // no compile session to end
    auto fn = engine_routine<EngineSlot::rskecmp>();
    if (fn != nullptr) fn(con);
}

int engine_fill_currency_table(RSKCON* con) {
    auto fn = engine_routine<EngineSlot::fill_currency_table>();
    return fn != nullptr ? fn(con) : 1;
}

int engine_rskgtyi(RSKCON* con) {
    auto fn = engine_routine<EngineSlot::rskgtyi>();
    if (fn == nullptr || con->options == nullptr) return 1;
    return fn(con, &con->options->type_names, 32);
}

namespace {

// Until the engine builds a routine, its slot holds a placeholder that takes the control
// structure only, reports itself and fails.
template <EngineSlot S, typename Object>
int call_with_object(RSKCON* con, Object* object) {
    auto fn = engine_routine<S>();
    if (fn == nullptr) return 1;
    if constexpr (std::is_invocable_v<engine_slot_t<S>, RSKCON*>) {
        (void)object;
        return fn(con);
    } else {
        return fn(con, object);
    }
}

}  // namespace

int engine_remove_variable(RSKCON* con, RSKVARIABLE* variable) {
    return call_with_object<EngineSlot::rskvarf>(con, variable);
}

int engine_rebuild_after_index(RSKCON* con) {
    int total = 0;
    const RSKOBJTABLES* tables = con->current_tables;
    // Parameter matrices and instrument types have their own steps; with none indexed there is
    // nothing for them to read or initialise.
    if (tables != nullptr && tables->tables[RSKTAB_PARMATRICES].count > 0) {
        auto read_values = engine_routine<EngineSlot::rskpmx0>();
        total += read_values ? read_values(con) : 1;
    }
    con->variables_reset_failed = 0;
    if (!con->importing) {
        auto reset = engine_routine<EngineSlot::rsk0>();
        if ((reset ? reset(con) : 1) != 0) con->variables_reset_failed = 1;
    }
    con->types_init_failed = 0;
    if (!con->importing && !con->variables_reset_failed && tables != nullptr &&
        tables->tables[RSKTAB_INSTTYPES].count > 0) {
        auto initialise = engine_routine<EngineSlot::rskclbi>();
        if ((initialise ? initialise(con) : 1) != 0) con->types_init_failed = 1;
    }
    return total;
}

// Look-ups of variables by name (environment table, the run's table of risk factors, the
// variables an instrument type resolved) and the definition-order list they share.
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/object_tables.h"

RSKSYMTAB* variable_table(RSKCON* con) {
    return con != nullptr && con->current_tables != nullptr ? &con->current_tables->tables[RSKTAB_VARIABLES]
                                                            : nullptr;
}

void append_variable(RSKCON* con, RSKVARIABLE* variable) {
    variable->next = nullptr;
    if (con->variables_tail == nullptr) con->variables_head = variable;
    else con->variables_tail->next = variable;
    con->variables_tail = variable;
    ++con->variables_count;
}

int unlink_variable(RSKCON* con, RSKVARIABLE* variable) {
    RSKVARIABLE* before = nullptr;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; before = v, v = v->next) {
        if (v != variable) continue;
        if (before == nullptr) con->variables_head = v->next;
        else before->next = v->next;
        if (con->variables_tail == v) con->variables_tail = before;
        v->next = nullptr;
        --con->variables_count;
        return 0;
    }
    return 1;
}

uint16_t value_class_of(uint32_t data_type) {
    switch (data_type) {
    case 1: case 3: case 4: case 5: case 6: return 1;
    case 2: case 7: case 9: case 10: return 2;
    case 11: return 3;
    default: return 0;
    }
}

RSKVARIABLE* rskvar(RSKCON* con, const RSKNAMEREC* name) {
    RSKSYMTAB* table = variable_table(con);
    if (table == nullptr || table->buckets == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKVARIABLE*>(rsksym(con, table, name));
}

RSKVARIABLE* rskvf(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->runtime_tables == nullptr || name == nullptr) return nullptr;
    const RSKSYMTAB* table = &con->runtime_tables->variables;
    if (table->buckets == nullptr) return nullptr;
    auto* v = static_cast<RSKVARIABLE*>(rsksym(con, table, name));
    return v != nullptr && v->kind != RSKVKIND_STATE ? v : nullptr;
}

RSKVARIABLE* rskvc(RSKCON* con, RSKINSTTYPE* type, const RSKNAMEREC* name) {
    if (con == nullptr || type == nullptr || name == nullptr || type->variables.buckets == nullptr) return nullptr;
    auto* link = static_cast<RSKVARLINK*>(rsksym(con, &type->variables, name));
    return link != nullptr ? link->variable : nullptr;
}

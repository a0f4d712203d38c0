// Creation of an engine instance's symbol tables: the environment's object tables with the spare
// table, and the run-time tables of arrays, instrument types and variables.
#include <cstring>

#include "engine/model/currencies/currency_table.h"
#include "engine/model/control/startup.h"
#include "engine/tables/object_tables.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variables.h"
#include "host/pool.h"

namespace {

// Bucket hints of the object tables; 0 marks a table that start-up does not create.
constexpr int kObjectTableHints[RSKTAB_COUNT] = {
    23, 4001, 53, 101, 53, 101, 211, 101, 101, 101, 101, 53, 53, 53,
    53, 211, 53, 53, 53, 53, 0, 59, 59, 0, 53, 101, 101, 211,
};

constexpr int kSpareTableHint = 53;
constexpr int kArrayTableHint = 1009;
constexpr int kVariableTableHint = 4001;

// The run-time view made in the environment pool that the caller has just replaced (a new
// environment is being chosen): forgotten, never walked or freed. The currency arrays live in the
// general pool and stay; the system-variable block stays allocated, its pointers cleared until
// rskvar1 defines the system variables again.
void forget_runtime_view(RSKCON* con) {
    RSKRTBLOCK* rt = con->runtime_tables;
    if (rt->reference_map_pool != nullptr) xmpoold(rt->reference_map_pool);
    const RSKCURTABLE currencies = rt->currency_table;
    std::memset(static_cast<void*>(rt), 0, sizeof *rt);
    rt->currency_table = currencies;
    RSKMEMBLOCK* block = con->memory_block;
    const int32_t longest = block->longest_type_name;
    std::memset(static_cast<void*>(block), 0, sizeof *block);
    block->longest_type_name = longest;
    if (con->system_variables != nullptr)
        std::memset(static_cast<void*>(con->system_variables), 0, sizeof *con->system_variables);
}

}  // namespace

int rskaltb(RSKCON* con, int parts) {
    int failed = 0;
    if (parts & RSKALTB_ENVIRONMENT) {
        for (int t = 0; t < RSKTAB_COUNT; ++t) {
            if (kObjectTableHints[t] == 0) continue;
            uint32_t flags = t == 0 ? RSKSYM_KEEP_LIST : RSKSYM_KEEP_LIST | RSKSYM_ALPHABETICAL;
            failed += rsktbla(con, &con->object_tables->tables[t], kObjectTableHints[t], nullptr,
                              con->current_pool, con->free_lists, flags);
        }
        failed += rsktbla(con, &con->reserved_names, kSpareTableHint, nullptr, con->current_pool,
                          con->free_lists, RSKSYM_KEEP_LIST);
    }
    if (parts & RSKALTB_RUNTIME) {
        forget_runtime_view(con);
        failed += rsktbla(con, &con->memory_block->symbols, kArrayTableHint, nullptr, con->current_pool,
                          con->free_lists, 0);
        failed += rsktbla(con, &con->runtime_tables->variables, kVariableTableHint, nullptr, con->current_pool,
                          con->free_lists, 0);
    }
    return failed;
}

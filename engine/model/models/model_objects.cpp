// Models and model specifications: look-up, definition (a redefinition keeps the first record and
// renews its description) and listing through the model solver's print service.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/models/models.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kModelChunk = 10;

RSKSYMTAB* table_of(RSKCON* con, uint32_t kind) {
    if (con == nullptr || con->current_tables == nullptr) return nullptr;
    return &con->current_tables->tables[kind == kRskModelSpecKind ? RSKTAB_MODELSPECS : RSKTAB_MODELS];
}

}  // namespace

RSKMODEL* rskmod(RSKCON* con, const RSKNAMEREC* name) {
    RSKSYMTAB* table = table_of(con, 0);
    return table != nullptr && name != nullptr ? static_cast<RSKMODEL*>(rsksym(con, table, name)) : nullptr;
}

RSKMODEL* rskmsp(RSKCON* con, const RSKNAMEREC* name) {
    RSKSYMTAB* table = table_of(con, kRskModelSpecKind);
    return table != nullptr && name != nullptr ? static_cast<RSKMODEL*>(rsksym(con, table, name)) : nullptr;
}

int rskmodd(RSKCON* con, const char* name, int length, uint32_t kind, const RSKNAMEREC* description,
            RSKMODEL** out) {
    if (out != nullptr) *out = nullptr;
    RSKSYMTAB* table = table_of(con, kind);
    if (table == nullptr) return 1;
    RSKMODEL* record = rsk_take_record(con, con->free_lists->models, kModelChunk, "models");
    if (record == nullptr) return 1;
    if (rskname(con, &record->name, name, length) != 0 && record->name.name.length == 0) {
        rsk_give_free(con->free_lists->models, record);
        return 1;
    }
    auto* existing = static_cast<RSKMODEL*>(rsksym(con, table, &record->name.name));
    if (existing != nullptr) {
        rsk_give_free(con->free_lists->models, record);
        record = existing;
        if (record->origin == RSKCATOBJ_INHERITED) {
            record->origin = RSKCATOBJ_OVERRIDDEN;
            record->environment = con->current_environment;
        }
    } else {
        if (rsksymd(con, table, &record->name.name, record) == RSKSYM_FAILED) {
            rsk_give_free(con->free_lists->models, record);
            rsknomem(con, 0, "model table");
            con->error = 1;
            return 1;
        }
        record->kind = kind;
        record->origin = RSKCATOBJ_OWN;
        record->environment = con->current_environment;
    }
    rssptyd(con, &record->properties, description, nullptr);
    if (out != nullptr) *out = record;
    return 0;
}

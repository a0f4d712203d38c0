// Statistics list objects: look-up in the statistics-list table, definition on a catalog object
// of kind 23, appending statistics, emptying, release and listing.
#include <cstring>

#include "engine/model/control/definition_objects.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/filters/filters.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kStatisticsListChunk = 10;
constexpr int kStatisticsEntryChunk = 40;

int text_length(const char* text, int length) {
    if (text == nullptr) return 0;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

}  // namespace

RSKCATOBJ* rsktsg(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_STATLISTS], name));
}

int rsktsgd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr) return 1;
    // The name may be the list's own: copy it before the list is emptied.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    RSKCATOBJ* header = nullptr;
    RSKTRANSTATS* list = nullptr;
    bool reused = false;
    if (rsk_definition_object(con, object, name, catalog_argument, RSKKIND_TRANSTATS,
                              con->free_lists->statistics_lists, kStatisticsListChunk, "statistics lists", &header,
                              &list, &reused) != 0)
        return 1;
    if (reused) rsktsgc(con, list);
    rskname(con, &list->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rsktsga(RSKCON* con, RSKTRANSTATS* list, int type, const char* variable, int variable_length,
            const char* result, int result_length) {
    if (con == nullptr || list == nullptr) return 1;
    variable_length = text_length(variable, variable_length);
    result_length = text_length(result, result_length);
    if (variable_length == 0) return 1;
    RSKSTATENTRY* entry =
        rsk_take_record(con, con->free_lists->statistics_entries, kStatisticsEntryChunk, "statistics entries");
    if (entry == nullptr) return 1;
    // A name longer than a name record holds is reported (598/97) and cut; it still counts.
    rskname(con, &entry->variable, variable, variable_length);
    if (result_length > 0) rskname(con, &entry->result, result, result_length);
    else entry->result.name = RSKNAMEREC{kRskObjectNameCapacity, 0, entry->result.buffer};
    entry->type = type;
    if (list->tail != nullptr) list->tail->next = entry;
    else list->head = entry;
    list->tail = entry;
    ++list->count;
    return 0;
}

int rsktsgc(RSKCON* con, RSKTRANSTATS* list) {
    if (con == nullptr || list == nullptr) return 0;
    while (list->head != nullptr) {
        RSKSTATENTRY* entry = list->head;
        list->head = entry->next;
        std::memset(static_cast<void*>(entry), 0, sizeof *entry);
        rsk_give_free(con->free_lists->statistics_entries, entry);
    }
    list->tail = nullptr;
    list->count = 0;
    return 0;
}

int rsktsgf(RSKCON* con, RSKTRANSTATS* list) {
    if (con == nullptr || list == nullptr) return 0;
    rsktsgc(con, list);
    std::memset(static_cast<void*>(list), 0, sizeof *list);
    rsk_give_free(con->free_lists->statistics_lists, list);
    return 0;
}

int rsktsgp(RSKCON* con, const RSKTRANSTATS* list) {
    if (list == nullptr) return 0;
    xpmout(598, 2280, static_cast<int>(list->name.name.length), list->name.name.text);
    xpmout(598, 2281, static_cast<int>(list->count));
    int ordinal = 0;
    for (const RSKSTATENTRY* e = list->head; e != nullptr; e = e->next) {
        const char* description = nullptr;
        int description_length = rskcsts(con, e->type, &description);
        xpmout(598, 2282, ++ordinal, description_length, description, static_cast<int>(e->variable.name.length),
               e->variable.name.text, static_cast<int>(e->result.name.length), e->result.name.text);
    }
    xpoflsh(0);
    return 0;
}

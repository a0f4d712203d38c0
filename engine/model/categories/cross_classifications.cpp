// Cross-classifications: catalog objects of kind 35 holding an ordered list of hierarchies of
// class variables, with definition, hierarchies, class variables, clearing, release and listing.
#include <strings.h>

#include <cstring>

#include "engine/model/categories/categories.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kCrossClassChunk = 10;
constexpr int kHierarchyChunk = 10;
constexpr int kClassCellChunk = 20;
constexpr uint8_t kClassVariableFlag = 0x02;

void no_memory(RSKCON* con, size_t bytes, const char* label) {
    rsknomem(con, bytes, label);
    con->error = 1;
}

// The system variable `which`: by the control structure's pointer once the system variables are
// made, else by its name (a reserved name, so no other variable can carry it).
bool is_system_variable(const RSKCON* con, const RSKVARIABLE* variable, RSKVARIABLE* RSKSYSVARS::*which,
                        const char* name) {
    if (con->system_variables != nullptr && con->system_variables->*which != nullptr)
        return variable == con->system_variables->*which;
    const size_t length = std::strlen(name);
    return variable->name.name.length == length && strncasecmp(variable->name.name.text, name, length) == 0;
}

}  // namespace

RSKCATOBJ* rskccs(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_CROSSCLASSES], name));
}

int rskccsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* symbol) {
    if (out != nullptr) *out = nullptr;
    if (name == nullptr) return 1;
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    RSKCATOBJ* header = symbol;
    if (header == nullptr &&
        (rssofid(con, &header, name, catalog_argument, RSKKIND_CROSSCLASS) != 0 || header == nullptr))
        return 1;
    auto* cross = static_cast<RSKCROSSCLASS*>(header->object);
    if (cross != nullptr) {
        rskccsc(con, cross);
    } else {
        size_t bytes = 0;
        cross = rsk_take_free(con->free_lists->cross_classes, con->current_pool, kCrossClassChunk, &bytes);
        if (cross == nullptr) {
            no_memory(con, bytes, "cross classifications");
            return 1;
        }
        header->object = cross;
    }
    rskname(con, &cross->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rskccsa(RSKCON* con, RSKCROSSCLASS* cross, RSKHIERARCHY** out) {
    if (out != nullptr) *out = nullptr;
    if (cross == nullptr) return 1;
    size_t bytes = 0;
    RSKHIERARCHY* hierarchy = rsk_take_free(con->free_lists->hierarchies, con->current_pool, kHierarchyChunk, &bytes);
    if (hierarchy == nullptr) {
        no_memory(con, bytes, "hierarchies");
        return 1;
    }
    if (cross->tail != nullptr) cross->tail->next = hierarchy;
    else cross->head = hierarchy;
    cross->tail = hierarchy;
    ++cross->count;
    if (out != nullptr) *out = hierarchy;
    return 0;
}

int rskhier(RSKCON* con, RSKCROSSCLASS* cross, RSKHIERARCHY* hierarchy, const RSKNAMEREC* name, int marker) {
    if (cross == nullptr || hierarchy == nullptr || name == nullptr) return 1;
    size_t bytes = 0;
    RSKHIERCELL* cell = rsk_take_free(con->free_lists->class_cells, con->current_pool, kClassCellChunk, &bytes);
    if (cell == nullptr) {
        no_memory(con, bytes, "class variables");
        return 1;
    }
    rskname(con, &cell->name, name->text, name->length);
    const auto* variable = con->current_tables != nullptr
        ? static_cast<const RSKVARIABLE*>(rsksym(con, &con->current_tables->tables[RSKTAB_VARIABLES], &cell->name.name))
        : nullptr;
    if (variable == nullptr) {
        xpmlog(598, 1162, static_cast<int>(cell->name.name.length), cell->name.name.text);
        rsk_give_free(con->free_lists->class_cells, cell);
        return 1;
    }
    if ((variable->role_flags & kClassVariableFlag) == 0 && !is_system_variable(con, variable, &RSKSYSVARS::inst_id, "InstID")) {
        if (variable->kind != RSKVKIND_INSTRUMENT) {
            xpmlog(598, 1163, static_cast<int>(cell->name.name.length), cell->name.name.text);
            rsk_give_free(con->free_lists->class_cells, cell);
            return 1;
        }
        xpmlog(598, 1164, static_cast<int>(cell->name.name.length), cell->name.name.text);
    }
    if (is_system_variable(con, variable, &RSKSYSVARS::al_type, "ALtype")) cross->has_altype = 1;
    cell->marker = marker != 0 ? 1 : 0;
    if (hierarchy->tail != nullptr) hierarchy->tail->next = cell;
    else hierarchy->head = cell;
    hierarchy->tail = cell;
    ++hierarchy->count;
    return 0;
}

int rskccsc(RSKCON* con, RSKCROSSCLASS* cross) {
    if (cross == nullptr) return 0;
    while (cross->head != nullptr) {
        RSKHIERARCHY* hierarchy = cross->head;
        cross->head = hierarchy->next;
        while (hierarchy->head != nullptr) {
            RSKHIERCELL* cell = hierarchy->head;
            hierarchy->head = cell->next;
            rsk_give_free(con->free_lists->class_cells, cell);
        }
        hierarchy->tail = nullptr;
        hierarchy->count = 0;
        rsk_give_free(con->free_lists->hierarchies, hierarchy);
    }
    cross->tail = nullptr;
    cross->count = 0;
    cross->has_altype = 0;
    return 0;
}

int rskccsf(RSKCON* con, RSKCROSSCLASS* cross) {
    if (cross == nullptr) return 0;
    rskccsc(con, cross);
    std::memset(static_cast<void*>(cross), 0, sizeof *cross);
    rsk_give_free(con->free_lists->cross_classes, cross);
    return 0;
}

int rskccsp(RSKCON*, const RSKCROSSCLASS* cross) {
    if (cross == nullptr) return 0;
    xpmout(598, 2161, static_cast<int>(cross->name.name.length), cross->name.name.text);
    xpmout(598, 2163);
    for (const RSKHIERARCHY* hierarchy = cross->head; hierarchy != nullptr; hierarchy = hierarchy->next) {
        xpm(598, 2164);
        for (const RSKHIERCELL* cell = hierarchy->head; cell != nullptr; cell = cell->next)
            xps("%s%*s", cell->marker != 0 ? " * " : " ", static_cast<int>(cell->name.name.length),
                cell->name.name.text);
        xpskip(1);
    }
    xpoflsh(0);
    return 0;
}

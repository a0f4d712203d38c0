// Risk-factor categories: named member lists of risk factors kept in the environment's category
// table (entered directly, not through the catalog), with their listing.
#include <cstring>

#include "engine/model/categories/categories.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kCategoryChunk = 10;
constexpr int kMemberChunk = 100;

RSKSYMTAB* category_table(RSKCON* con) {
    if (con == nullptr || con->current_tables == nullptr) return nullptr;
    return &con->current_tables->tables[RSKTAB_CATEGORIES];
}

void no_memory(RSKCON* con, size_t bytes, const char* label) {
    rsknomem(con, bytes, label);
    con->error = 1;
}

}  // namespace

RSKCATEGORY* rskcat(RSKCON* con, const RSKNAMEREC* name) {
    RSKSYMTAB* table = category_table(con);
    return table != nullptr && name != nullptr ? static_cast<RSKCATEGORY*>(rsksym(con, table, name)) : nullptr;
}

int rskcatd(RSKCON* con, const RSKNAMEREC* name, RSKCATEGORY** out) {
    if (out != nullptr) *out = nullptr;
    RSKSYMTAB* table = category_table(con);
    if (table == nullptr || name == nullptr) return 1;
    RSKOBJNAME new_name{};
    if (rskname(con, &new_name, name->text, name->length) != 0 && new_name.name.length == 0) return 1;

    auto* category = static_cast<RSKCATEGORY*>(rsksym(con, table, &new_name.name));
    if (category != nullptr) {
        rskcatc(con, category);
        rskname(con, &category->name, new_name.buffer, new_name.name.length);
    } else {
        size_t bytes = 0;
        category = rsk_take_free(con->free_lists->categories, con->current_pool, kCategoryChunk, &bytes);
        if (category == nullptr) {
            no_memory(con, bytes, "risk factor categories");
            return 1;
        }
        rskname(con, &category->name, new_name.buffer, new_name.name.length);
        if (rsksymd(con, table, &category->name.name, category) == RSKSYM_FAILED) {
            std::memset(static_cast<void*>(category), 0, sizeof *category);
            rsk_give_free(con->free_lists->categories, category);
            no_memory(con, 0, "risk factor categories");
            return 1;
        }
    }
    if (out != nullptr) *out = category;
    return 0;
}

int rskcata(RSKCON* con, RSKCATEGORY* category, RSKVARIABLE* variable) {
    if (category == nullptr) return 1;
    size_t bytes = 0;
    RSKMEMBERLINK* link = rsk_take_free(con->free_lists->category_members, con->current_pool, kMemberChunk, &bytes);
    if (link == nullptr) {
        no_memory(con, bytes, "risk factor category members");
        return 1;
    }
    link->variable = variable;
    if (category->tail != nullptr) category->tail->next = link;
    else category->head = link;
    category->tail = link;
    ++category->count;
    return 0;
}

int rskcatc(RSKCON* con, RSKCATEGORY* category) {
    if (category == nullptr) return 0;
    while (category->head != nullptr) {
        RSKMEMBERLINK* link = category->head;
        category->head = link->next;
        link->variable = nullptr;
        rsk_give_free(con->free_lists->category_members, link);
    }
    std::memset(static_cast<void*>(category), 0, sizeof *category);
    return 0;
}

int rskcatf(RSKCON* con) {
    RSKSYMTAB* table = category_table(con);
    if (table == nullptr || table->count == 0) return 0;
    for (RSKSYMBOL* symbol = table->list_head; symbol != nullptr; symbol = symbol->next_in_list) {
        auto* category = static_cast<RSKCATEGORY*>(symbol->object);
        if (category == nullptr) continue;
        rskcatc(con, category);
        rsk_give_free(con->free_lists->categories, category);
        symbol->object = nullptr;
    }
    rsktblc(con, table, 0);
    return 0;
}

int rskcatp(RSKCON* con) {
    RSKSYMTAB* table = category_table(con);
    if (table == nullptr || table->count == 0) {
        xpmout(598, 2340);
        return 0;
    }
    xpmout(598, 2341, static_cast<int>(table->count));
    int number = 0;
    for (const RSKSYMBOL* symbol = table->list_head; symbol != nullptr; symbol = symbol->next_in_list) {
        const auto* category = static_cast<const RSKCATEGORY*>(symbol->object);
        if (category == nullptr) continue;
        xpsout("%+*t%3i. %*.32s", 6, ++number, static_cast<int>(category->name.name.length),
               category->name.name.text);
        xps("%+*t The %i Risk Factors: %m", 10, static_cast<int>(category->count));
        for (const RSKMEMBERLINK* link = category->head; link != nullptr; link = link->next) {
            if (link->variable == nullptr) continue;
            xps("%*s ", static_cast<int>(link->variable->name.name.length), link->variable->name.name.text);
        }
        xpskip(1);
    }
    xpoflsh(0);
    return 0;
}

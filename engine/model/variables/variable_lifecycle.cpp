// What a variable carries after its definition (reference pairs, categories, current values) and
// its deletion: what it owns goes back to the free lists, the record to the variables free list.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/free_lists.h"
#include "host/print.h"

namespace {

#define NAME_ARG(rec) static_cast<int>((rec).name.length), (rec).name.text

// Refuses a variable of another kind than risk factor with `number` (1670 pair, 1675 category).
int only_risk_factors(RSKCON* con, const RSKVARIABLE* variable, int number) {
    if (variable->kind == RSKVKIND_FACTOR) return 0;
    const char* text = nullptr;
    int length = rskcsvk(con, static_cast<int>(variable->kind), &text);
    while (length > 0 && text[length - 1] == ' ') --length;
    xpmlog(598, number, length, text, NAME_ARG(variable->name));
    return 1;
}

// Drops the last cell of a list (the one just appended) back to the free list.
void drop_last(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail) {
    RSKNAMECELL* last = *tail;
    RSKNAMECELL* before = nullptr;
    for (RSKNAMECELL* c = *head; c != last; c = c->next) before = c;
    if (before == nullptr) *head = nullptr;
    else before->next = nullptr;
    *tail = before;
    rsk_give_free(con->free_lists->name_cells, last);
}

// Gives a list of links back to the links free list.
void give_links(RSKCON* con, RSKVARLINK** head, RSKVARLINK** tail) {
    if (*head != nullptr && *tail != nullptr) {
        (*tail)->next = con->free_lists->variable_links;
        con->free_lists->variable_links = *head;
    }
    *head = nullptr;
    *tail = nullptr;
}

bool is_system_variable(RSKCON* con, const RSKVARIABLE* variable) {
    if (variable->kind == RSKVKIND_SYSTEM) return true;
    const RSKSYSVARS* system = con->system_variables;
    if (system == nullptr) return false;
    auto* slots = reinterpret_cast<RSKVARIABLE* const*>(system);
    for (size_t i = 0; i < sizeof(RSKSYSVARS) / sizeof(RSKVARIABLE*); ++i)
        if (slots[i] == variable) return true;
    return false;
}

bool has_array_parts(const RSKVARIABLE* v) {
    return v->element_names_head != nullptr || v->elements != nullptr || v->maturities != nullptr ||
           v->first_derivatives != nullptr || v->second_derivatives != nullptr || v->element_count != 0;
}

}  // namespace

int rskvara(RSKCON* con, RSKVARIABLE* variable, const char* refname, int refname_length,
            const char* refkey, int refkey_length) {
    if (con == nullptr || variable == nullptr) return 1;
    if (only_risk_factors(con, variable, 1670) != 0) return 1;
    RSKNAMECELL** head = &variable->reference_pairs_head;
    RSKNAMECELL** tail = &variable->reference_pairs_tail;
    if (rsklsta(con, head, tail, refname, refname_length) != 0) return 1;
    if (rsklsta(con, head, tail, refkey, refkey_length) != 0) {
        drop_last(con, head, tail);   // a pair is two cells or none
        return 1;
    }
    ++variable->reference_pair_count;
    con->variables_pending = 1;
    con->environment_changed = 1;
    if (!con->catalog_loading) con->variables_dirty = 1;   // the stored definitions are out of date
    return 0;
}

int rskvarb(RSKCON* con, RSKVARIABLE* variable, const char* category, int length) {
    if (con == nullptr || variable == nullptr) return 1;
    if (only_risk_factors(con, variable, 1675) != 0) return 1;
    if (rsklsta(con, &variable->categories_head, &variable->categories_tail, category, length) != 0) return 1;
    ++variable->category_count;
    con->variables_pending = 1;
    con->environment_changed = 1;
    if (!con->catalog_loading) con->variables_dirty = 1;   // the stored definitions are out of date
    return 0;
}

int rskvarc(RSKCON* con, RSKVARIABLE* variable, const char* text, int length) {
    // Outside a run a variable has no value storage: refuse rather than write through null.
    if (con == nullptr || variable == nullptr || variable->value == nullptr) return 1;
    if (variable->value_class != 2) return 1;
    if (text == nullptr) length = 0;
    else if (length < 0) length = static_cast<int>(std::strlen(text));
    const int size = variable->length;
    const int kept = length < size ? length : size;
    auto* value = static_cast<char*>(variable->value);
    if (kept > 0) std::memcpy(value, text, static_cast<size_t>(kept));
    if (size > kept) std::memset(value + kept, ' ', static_cast<size_t>(size - kept));
    return 0;
}

int rskvarn(RSKCON* con, RSKVARIABLE* variable, double value) {
    if (con == nullptr || variable == nullptr || variable->value == nullptr) return 1;
    if (variable->value_class != 1) return 1;
    std::memcpy(variable->value, &value, sizeof value);
    return 0;
}

int rskvafc(RSKCON* con, RSKVARIABLE* variable) {
    if (con == nullptr || variable == nullptr) return 1;
    for (int i = 0; i < 2; ++i) give_links(con, &variable->rate_uses_head[i], &variable->rate_uses_tail[i]);
    rsklstf(con, &variable->reference_pairs_head, &variable->reference_pairs_tail);
    variable->reference_pair_count = 0;
    rsklstf(con, &variable->categories_head, &variable->categories_tail);
    variable->category_count = 0;
    if (variable->data_type == RSKDTYPE_ARRAY && has_array_parts(variable))
        own_engine_routine<EngineSlot::rskaryc>()(con, variable);
    RSKPROPS& props = variable->properties;
    if (props.description != nullptr && props.description_capacity > 0)
        vmfree_handler(con->current_pool, props.description, props.description_capacity, QOR_FREE_SIZED);
    std::memset(&props, 0, sizeof props);
    return 0;
}

int rskvarf(RSKCON* con, RSKVARIABLE* variable) {
    if (con == nullptr || variable == nullptr) return 1;
    RSKENV* environment = variable->environment;
    if (environment != nullptr && environment != con->current_environment) {
        const RSKOBJNAME& env_name = environment->name;
        xebug("rskvarf: attempt to delete variable \"%*s\" defined in inherited environment \"%*s\".",
              NAME_ARG(variable->name), NAME_ARG(env_name));
        return 1;
    }
    // System variables and reserved names stay: the control structure, instrument types and the
    // "Mitigant" alias point at them. Internal reference variables of the rebuild may go.
    const bool internal = (variable->flags3 & RSKF3_INTERNAL_REFERENCE) != 0;
    if (!internal && (is_system_variable(con, variable) || is_reserved_name(con, &variable->name.name))) {
        xebug("rskvarf: attempt to delete system variable \"%*s\".", NAME_ARG(variable->name));
        return 1;
    }
    if (variable->use_count > 0) {
        xebug("rskvarf: variable \"%*s\" is still used by %i instrument types.", NAME_ARG(variable->name),
              static_cast<int>(variable->use_count));
        return 1;
    }
    con->variables_pending = 1;
    con->environment_changed = 1;
    if (!con->catalog_loading) con->variables_dirty = 1;   // the stored definitions are out of date
    rskvafc(con, variable);
    if (RSKSYMTAB* table = variable_table(con)) {
        if (rsksym(con, table, &variable->name.name) == variable) rsksymf(con, table, &variable->name.name);
    }
    unlink_variable(con, variable);
    rsk_give_free(con->free_lists->variables, variable);
    return 0;
}

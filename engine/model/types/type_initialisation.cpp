// Initialisation of instrument types: the variables resolved along the base chain (base-most
// first), the system-variable slots, the record size in the stored layout, defaults and actions.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/control/startup.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/types/type_records.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr uint32_t kCurcode = 10;

RSKVARLINK* take_link(RSKCON* con, RSKVARIABLE* variable) {
    RSKVARLINK* link = rsk_take_record(con, con->free_lists->resolved_links, kRskTypeLinkChunk, "add elements to a list");
    if (link == nullptr) return nullptr;
    link->variable = variable;
    return link;
}

void append_link(RSKVARLINK*& head, RSKVARLINK*& tail, int32_t& count, RSKVARLINK* link) {
    if (tail != nullptr) tail->next = link;
    else head = link;
    tail = link;
    ++count;
}

// The slot of a system variable that types carry, or -1.
int system_slot(const RSKCON* con, const RSKVARIABLE* variable) {
    const RSKSYSVARS* s = con->system_variables;
    if (s == nullptr) return -1;
    const RSKVARIABLE* slots[RSKTSLOT_COUNT] = {s->holding,    s->short_position, s->counterparty_id,
                                                s->netting_set_id, s->collateral, s->maturity_date,
                                                nullptr,       s->currency,       s->al_type,
                                                s->al_position};
    for (int i = 0; i < RSKTSLOT_COUNT; ++i)
        if (slots[i] != nullptr && slots[i] == variable) return i;
    return -1;
}

// Adds one declared variable of a type in the chain to the target type.
int addvar(RSKCON* con, RSKINSTTYPE* target, const RSKTYPENAME* declared) {
    const RSKNAMEREC& name = declared->name.name;
    const RSKNAMEREC& tname = target->name.name;
    auto* variable = static_cast<RSKVARIABLE*>(rsksym(con, &con->current_tables->tables[RSKTAB_VARIABLES], &name));
    if (variable == nullptr) {
        // A base type's missing variable is reported when the base type itself is initialised.
        if (!target->resolving)
            xpmlog(598, 1050, static_cast<int>(name.length), name.text, static_cast<int>(tname.length), tname.text);
        return 1;
    }
    if ((variable->role_flags & RSKROLEF_INSTRUMENT_SIDE) == 0) {
        xpmlog(598, 1051, static_cast<int>(name.length), name.text, static_cast<int>(tname.length), tname.text);
        return 1;
    }
    // A name given twice along the chain lays the variable out once.
    if (rsksym(con, &target->variables, &variable->name.name) != nullptr) return 0;
    RSKVARLINK* link = take_link(con, variable);
    if (link == nullptr) return 1;
    if (rsksymd(con, &target->variables, &variable->name.name, link) == RSKSYM_FAILED) {
        rsk_give_free(con->free_lists->resolved_links, link);
        return 1;
    }
    append_link(target->resolved_head, target->resolved_tail, target->resolved_count, link);
    ++variable->use_count;
    const int slot = system_slot(con, variable);
    if (slot >= 0) target->system_slots[slot] = variable;
    if (target->quadratic) {
        RSKACTION& price = target->price;
        std::memset(&price, 0, sizeof price);
        rskname(con, &price.name, "*Delta-Gamma*", -1);
        price.code = RSKACT_PRICE;
        price.kind = RSKACTION_DELTA_GAMMA;
        price.target = variable;
        price.defined = 1;
    }
    RSKSTYPE storage{variable->storage_type, variable->storage_flags};
    target->record_size = rskalgn(con, target->record_size, storage) + static_cast<int32_t>(variable->storage_size);
    if (variable->data_type == kCurcode) {
        RSKVARLINK* currency = take_link(con, variable);
        if (currency == nullptr) return 1;
        append_link(target->currency_head, target->currency_tail, target->currency_count, currency);
    }
    return 0;
}

// Resolves the variables of `current` and its base chain into `target`, base-most first.
int get_varlist(RSKCON* con, RSKINSTTYPE* target, RSKINSTTYPE* current) {
    const RSKNAMEREC& cname = current->name.name;
    if (current->resolving) {
        xpmlog(598, 1060, static_cast<int>(cname.length), cname.text, static_cast<int>(target->name.name.length),
               target->name.name.text);
        return 1;
    }
    current->resolving = 1;
    int rc = 0;
    if (current->base_name.name.length > 0) {
        const RSKNAMEREC& bname = current->base_name.name;
        auto* base = static_cast<RSKINSTTYPE*>(rsksym(con, &con->current_tables->tables[RSKTAB_INSTTYPES], &bname));
        if (base != nullptr) {
            current->base = base;
            int r = get_varlist(con, target, base);
            if (r > rc) rc = r;
        } else {
            xpmlog(598, 1061, static_cast<int>(cname.length), cname.text, static_cast<int>(bname.length), bname.text,
                   static_cast<int>(bname.length), bname.text, static_cast<int>(target->name.name.length),
                   target->name.name.text);
            rc = 1;
        }
    }
    current->resolving = 0;
    for (const RSKTYPENAME* d = current->declared_head; d != nullptr; d = d->next) {
        int r = addvar(con, target, d);
        if (r > rc) rc = r;
    }
    return rc;
}

}  // namespace

int rskclsi(RSKCON* con, RSKINSTTYPE* type) {
    rskclsc(con, type, 1);
    std::memset(type->system_slots, 0, sizeof type->system_slots);
    type->record_size = 0;
    int rc = get_varlist(con, type, type);
    const RSKNAMEREC& tname = type->name.name;
    for (RSKTYPENAME* d = type->defaults_head; d != nullptr; d = d->next) {
        auto* link = static_cast<RSKVARLINK*>(rsksym(con, &type->variables, &d->name.name));
        if (d->value != nullptr) d->value->variable = link != nullptr ? link->variable : nullptr;
        if (link == nullptr) {
            xpmlog(598, 1082, static_cast<int>(d->name.name.length), d->name.name.text, static_cast<int>(tname.length),
                   tname.text);
            rc = 1;
        }
    }
    for (int i = 0; i < type->input_count; ++i) {
        int r = check_action(con, type, &type->inputs[i], 1);
        if (r > rc) rc = r;
    }
    if (type->price.defined) {
        int r = check_action(con, type, &type->price, 1);
        if (r > rc) rc = r;
    }
    if (type->fourth.defined) {
        int r = check_action(con, type, &type->fourth, 1);
        if (r > rc) rc = r;
    }
    if (type->system_slots[RSKTSLOT_CURRENCY] == nullptr && !con->catalog_loading && !type->cash_flows)
        xpmlog(598, 1602, static_cast<int>(tname.length), tname.text);
    return rc;
}

int rskclbi(RSKCON* con) {
    int rc = 0;
    if (con->memory_block == nullptr) return 0;
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
        int r = rskclsi(con, t);
        if (r > rc) rc = r;
    }
    return rc;
}

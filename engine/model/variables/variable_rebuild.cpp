// The rebuild of the run-time view of variables: lists by role, the run's table of risk factors,
// categories, lag grids, exchange-rate pairs and reference maps; and the USE of a spot variable.
#include <cstring>
#include <initializer_list>

#include "engine/model/categories/categories.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/rebuild_internal.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/tables/free_lists.h"
#include "host/print.h"

namespace {

constexpr int kLinkChunk = 1000;
constexpr int kRunTableHint = 4001;
constexpr int kInstrumentTableHint = 1009;
constexpr int kReadAccess = 4;

enum : uint32_t {
    DT_NUM = 1, ROLE_IR = 321, ROLE_FX_SPOT = 441, ROLE_VOLATILITY = 501, ROLE_CPTY_SPECIAL = 902,
    ROLE_MIT_SPECIAL = 911,
};

bool blank3(const char code[3]) { return code[0] == ' ' || code[0] == '\0'; }

// The run's tables exist from start-up; a bare control structure gets them here. A table whose
// chains would grow long for the environment's variables is made again, larger, while empty.
int ensure_table(RSKCON* con, RSKSYMTAB* table, int hint) {
    if (table->buckets != nullptr && table->count == 0 && table->bucket_count < con->variables_count / 2) {
        rsktblf(con, table);
        hint = con->variables_count;
    }
    if (table->buckets != nullptr) return 0;
    return rsktbla(con, table, hint, nullptr, con->current_pool, con->free_lists, 0);
}

int enter_name(RSKCON* con, RSKSYMTAB* table, RSKVARIABLE* variable) {
    return rsksymd(con, table, &variable->name.name, variable) == RSKSYM_FAILED ? 1 : 0;
}

// initialize_lists: every list back to the links free list, the run's tables emptied.
void initialize_lists(RSKCON* con) {
    RSKRTBLOCK* rt = con->runtime_tables;
    for (RSKRTLIST* list : {&rt->system_list, &rt->instrument_list, &rt->reference_list, &rt->factor_list,
                            &rt->array_list, &rt->lagged_list, &rt->project_list})
        release_list(con, list);
    rt->instrument_count = rt->output_count = rt->reference_count = 0;
    rt->factor_count = rt->state_count = 0;
    if (rt->variables.buckets != nullptr) rsktblc(con, &rt->variables, 0);
    if (rt->instrument_names.buckets != nullptr) rsktblc(con, &rt->instrument_names, 0);
    // Links between variables are made afresh, so none points at a variable deleted since.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        v->reference1 = v->reference2 = nullptr;
        v->fx_pair = nullptr;
    }
}

int add_system_var(RSKCON* con, RSKVARIABLE* v) {
    RSKRTBLOCK* rt = con->runtime_tables;
    int result = link_variable(con, &rt->system_list, v);
    if (v->role_flags & RSKROLEF_INSTRUMENT_SIDE) result |= enter_name(con, &rt->instrument_names, v);
    return result;
}

int process_fx_rate(RSKCON* con, RSKVARIABLE* v) {
    if (blank3(v->currency) || blank3(v->from_currency)) {
        const char* missing = blank3(v->currency) ? "currency" : "from currency";
        xpmlog(598, 2302, static_cast<int>(std::strlen(missing)), missing, RSK_NAME(v->name));
        return 1;
    }
    char currency[4] = {v->currency[0], v->currency[1], v->currency[2], 0};
    char from[4] = {v->from_currency[0], v->from_currency[1], v->from_currency[2], 0};
    RSKFXENTRY* entry = rskfx(con, currency, from);
    if (entry == nullptr && rskfxa(con, v->currency_row, v->from_currency_row, &entry) != 0) return 1;
    if (entry == nullptr) {
        xebug("process_fx_rate: no exchange-rate entry for %*s.", RSK_NAME(v->name));
        return 99;
    }
    if (v->role == ROLE_FX_SPOT) {
        RSKVARIABLE* spot = entry->state == RSKFX_DIRECT ? entry->slots[0] : nullptr;
        bool becomes_spot = false;
        if (spot == nullptr) {
            ++con->runtime_tables->currency_table.spot_pairs;
            becomes_spot = true;
        } else if (spot != v && v->selected) {
            spot->selected = 0;
            becomes_spot = true;
        }
        if (becomes_spot) {
            std::memset(entry->slots, 0, sizeof entry->slots);
            std::memset(entry->inverted, 0, sizeof entry->inverted);
            entry->slots[0] = v;
            entry->state = RSKFX_DIRECT;
            v->selected = 1;
        }
    }
    if (v->currency_row != nullptr) v->currency_row->used = 1;
    if (v->from_currency_row != nullptr) v->from_currency_row->used = 1;
    v->fx_pair = entry;
    return 0;
}

int check_volatility(RSKCON* con, RSKVARIABLE* v) {
    if (v->data_type != DT_NUM && v->data_type != RSKDTYPE_ARRAY) {
        xpmlog(598, 1627, RSK_NAME(v->name), RSK_TEXT(type_text(con, v->data_type)));
        return 1;
    }
    if (v->role != ROLE_VOLATILITY && v->reference1_name.name.length == 0) return 0;
    RSKVARIABLE* underlying = rskvar(con, &v->reference1_name.name);
    int number = 0;
    if (underlying == nullptr) number = 1628;
    else if (underlying->kind != RSKVKIND_FACTOR) number = 1632;
    else if (underlying->data_type != DT_NUM) number = 1629;
    else if (v->data_type == RSKDTYPE_ARRAY) number = 1630;
    if (number != 0) {
        xpmlog(598, number, RSK_NAME(v->name), RSK_NAME(v->reference1_name));
        return 1;
    }
    underlying->reference1 = v;
    return 0;
}

int load_lag_grid(RSKCON* con, RSKVARIABLE* v) {
    RSKCATOBJ* object = own_engine_routine<EngineSlot::rsktgd>()(con, &v->lag_grid_name.name);
    auto* grid = object != nullptr ? static_cast<RSKTIMEGRID*>(rssofiq(con, object, kReadAccess)) : nullptr;
    if (grid == nullptr) {
        xpmlog(598, 1633, RSK_NAME(v->lag_grid_name), RSK_NAME(v->name));
        return 1;
    }
    v->lag_grid = grid;
    v->element_count = static_cast<double>(grid->count) + 1;
    v->storage_size = 8 * grid->count + 8;
    return link_variable(con, &con->runtime_tables->lagged_list, v);
}

int add_categories(RSKCON* con, RSKVARIABLE* v) {
    int result = 0;
    for (RSKNAMECELL* cell = v->categories_head; cell != nullptr; cell = cell->next) {
        RSKCATEGORY* category = own_engine_routine<EngineSlot::rskcat>()(con, &cell->name.name);
        if (category == nullptr && own_engine_routine<EngineSlot::rskcatd>()(con, &cell->name.name, &category) != 0)
            category = nullptr;
        if (category == nullptr) {
            xpmlog(598, 1626, RSK_NAME(cell->name), RSK_NAME(v->name));
            result = 1;
            continue;
        }
        if (own_engine_routine<EngineSlot::rskcata>()(con, category, v) != 0) result = 1;
    }
    return result;
}

int process_zozu_factor_var(RSKCON* con, RSKVARIABLE* v) {
    int result = add_categories(con, v);
    int maps = addRiskFactorToMaps(con, v);
    if (maps > result) result = maps;
    if ((v->flags2 & RSKF2_LAG_GRID) && !con->converting && load_lag_grid(con, v) != 0) return 1;
    if (is_fx_rate(v->role)) {
        int fx = process_fx_rate(con, v);
        if (fx != 0) return fx > result ? fx : result;
    }
    if (is_volatility(v->role) && check_volatility(con, v) != 0) return 1;
    return result;
}

int add_zozu_factor_var(RSKCON* con, RSKVARIABLE* v) {
    RSKRTBLOCK* rt = con->runtime_tables;
    int result = link_variable(con, &rt->factor_list, v);
    result |= enter_name(con, &rt->variables, v);
    v->flags3 |= 0x02;
    if (v->kind == RSKVKIND_STATE) {
        v->flags2 |= 0x20;
        v->flags3 |= 0x10;
        ++rt->state_count;
    } else {
        ++rt->factor_count;
    }
    if (v->data_type == RSKDTYPE_ARRAY) result |= link_variable(con, &rt->array_list, v);
    if (v->kind != RSKVKIND_FACTOR) return result;
    int processed = process_zozu_factor_var(con, v);
    return processed > result ? processed : result;
}

int add_instrument_var(RSKCON* con, RSKVARIABLE* v) {
    RSKRTBLOCK* rt = con->runtime_tables;
    int result = link_variable(con, &rt->instrument_list, v);
    result |= enter_name(con, &rt->instrument_names, v);
    v->flags3 |= 0x02;
    v->flags4 |= 0x40;
    if (v->kind == RSKVKIND_INSTRUMENT) ++rt->instrument_count;
    else ++rt->output_count;
    return result;
}

int add_reference_var(RSKCON* con, RSKVARIABLE* v) {
    RSKRTBLOCK* rt = con->runtime_tables;
    int result = link_variable(con, &rt->reference_list, v);
    if (!(v->flags3 & RSKF3_INTERNAL_REFERENCE)) ++rt->reference_count;
    int processed = process_reference_var(con, v);
    return processed > result ? processed : result;
}

// Counterparty and mitigation variables: in the instrument-side table with their record, so that
// a look-up of a present name finds its variable; no list link.
int add_cpty_var(RSKCON* con, RSKVARIABLE* v) {
    v->flags4 |= 0x20;
    v->flags3 |= 0x1A;
    if (v->role == ROLE_CPTY_SPECIAL) v->flags4 |= 0x80;
    return enter_name(con, &con->runtime_tables->instrument_names, v);
}

int add_mit_var(RSKCON* con, RSKVARIABLE* v) {
    v->flags3 |= 0x1A;
    v->flags4 |= 0x40;
    if (v->role == ROLE_MIT_SPECIAL) v->flags4 |= 0x10;
    return enter_name(con, &con->runtime_tables->instrument_names, v);
}

int add_project_var(RSKCON* con, RSKVARIABLE* v) {
    v->flags2 |= 0x30;
    v->flags3 |= 0x11;
    v->flags4 |= 0x40;
    return link_variable(con, &con->runtime_tables->project_list, v);
}

int resolve_reference(RSKCON* con, RSKVARIABLE* v, const RSKOBJNAME& name, RSKVARIABLE** target) {
    if (name.name.length == 0) return 0;
    *target = rskvar(con, &name.name);
    if (*target != nullptr) return 0;
    xpmlog(598, 1631, RSK_NAME(v->name), RSK_NAME(name));
    return 1;
}

// The largest of two codes.
int larger(int a, int b) { return a > b ? a : b; }

// print_array_error and not_array_error: a spot rate is a single value.
int mark_rate_var(RSKCON* con, RSKVARIABLE* v) {
    const bool ir = is_ir_rate(v->role) != 0, fx = is_fx_rate(v->role) != 0;
    if (!ir && !fx) {
        xebug("mark_rate_var: role %i of %*s is neither an interest-rate nor an exchange-rate role.", static_cast<int>(v->role),
              RSK_NAME(v->name));
        return 1;
    }
    const bool wants_array = is_future_rate(v->role) != 0 && v->role != 451;
    const bool is_array = v->data_type == RSKDTYPE_ARRAY;
    if (is_array && !wants_array) {
        if (ir) xpmlog(598, 1696, RSK_NAME(v->name), 3, v->currency);
        else xpmlog(598, 1697, RSK_NAME(v->name), 3, v->currency, 3, v->from_currency);
        return 1;
    }
    if (!is_array && wants_array) {
        if (ir) xpmlog(598, 1694, RSK_NAME(v->name), 3, v->currency);
        else xpmlog(598, 1695, RSK_NAME(v->name), 3, v->currency, 3, v->from_currency);
        return 1;
    }
    char currency[4] = {v->currency[0], v->currency[1], v->currency[2], 0};
    char from[4] = {v->from_currency[0], v->from_currency[1], v->from_currency[2], 0};
    RSKFXENTRY* entry = rskfx(con, currency, from);
    if (entry == nullptr || entry->state != RSKFX_DIRECT || entry->slots[0] == nullptr) {
        xebug("mark_rate_var: the pair of %*s has no spot variable.", RSK_NAME(v->name));
        return 1;
    }
    if (entry->slots[0] != v) entry->slots[0]->selected = 0;
    entry->slots[0] = v;
    v->selected = 1;
    return 0;
}

}  // namespace

int link_variable(RSKCON* con, RSKRTLIST* list, RSKVARIABLE* variable) {
    RSKVARLINK* link = rsk_take_record(con, con->free_lists->variable_links, kLinkChunk, "variable list link");
    if (link == nullptr) return 1;
    link->variable = variable;
    if (list->tail == nullptr) list->head = link;
    else list->tail->next = link;
    list->tail = link;
    ++list->count;
    return 0;
}

void release_list(RSKCON* con, RSKRTLIST* list) {
    if (list->head != nullptr && list->tail != nullptr) {
        list->tail->next = con->free_lists->variable_links;
        con->free_lists->variable_links = list->head;
    }
    list->head = list->tail = nullptr;
    list->count = 0;
}

int rskvari(RSKCON* con, RSKVARIABLE* v) {
    if (con == nullptr || v == nullptr || con->runtime_tables == nullptr) return 1;
    int result = 0;
    switch (v->kind) {
    case RSKVKIND_SYSTEM: result = add_system_var(con, v); break;
    case RSKVKIND_FACTOR: case RSKVKIND_STATE: result = add_zozu_factor_var(con, v); break;
    case RSKVKIND_INSTRUMENT: case RSKVKIND_OUTPUT: result = add_instrument_var(con, v); break;
    case RSKVKIND_PARMAT: result = addRiskFactorToMaps(con, v); break;
    case RSKVKIND_REFERENCE: result = add_reference_var(con, v); break;
    case RSKVKIND_PROJECT: result = add_project_var(con, v); break;
    case RSKVKIND_COUNTERPARTY: result = add_cpty_var(con, v); break;
    case RSKVKIND_MITIGATION: result = add_mit_var(con, v); break;
    default: break;
    }
    result = larger(result, resolve_reference(con, v, v->reference1_name, &v->reference1));
    result = larger(result, resolve_reference(con, v, v->reference2_name, &v->reference2));
    return result;
}

int rskvar0(RSKCON* con) {
    if (con == nullptr || con->runtime_tables == nullptr || con->free_lists == nullptr) return 1;
    RSKRTBLOCK* rt = con->runtime_tables;
    if (rt->reference_map_pool != nullptr) clearRefTables(con);
    initialize_lists(con);
    if (ensure_table(con, &rt->variables, kRunTableHint) != 0 ||
        ensure_table(con, &rt->instrument_names, kInstrumentTableHint) != 0)
        return 1;
    rskfx_clear(con);
    own_engine_routine<EngineSlot::rskcatf>()(con);
    if (initRefMaps(con) != 0) return 1;
    int result = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind != RSKVKIND_REFERENCE) result = larger(result, rskvari(con, v));
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_REFERENCE) result = larger(result, rskvari(con, v));
    for (RSKVARLINK* link = rt->array_list.head; link != nullptr; link = link->next)
        if (link->variable->kind == RSKVKIND_FACTOR)
            result = larger(result, own_engine_routine<EngineSlot::rskaryb>()(con, link->variable));
    con->variables_pending = 0;
    return result;
}

int rskvarm(RSKCON* con, RSKVARIABLE* v) {
    if (con == nullptr || v == nullptr) return 1;
    con->variables_pending = 1;
    con->environment_changed = 1;
    if (v->kind != RSKVKIND_FACTOR) {
        xpmlog(598, 1690, RSK_NAME(v->name));
        return 1;
    }
    if (is_ir_rate(v->role) && v->currency_row == nullptr) {
        xpmlog(598, 1692, RSK_NAME(v->name));
        return 1;
    }
    if (is_fx_rate(v->role)) {
        char currency[4] = {v->currency[0], v->currency[1], v->currency[2], 0};
        char from[4] = {v->from_currency[0], v->from_currency[1], v->from_currency[2], 0};
        if (rskfx(con, currency, from) == nullptr) {
            xpmlog(598, 1693, RSK_NAME(v->name), 3, v->currency, 3, v->from_currency);
            return 1;
        }
    }
    if (v->role != ROLE_FX_SPOT) {
        xpmlog(598, 1691, RSK_TEXT(role_text(con, v->role)), RSK_NAME(v->name));
        return 1;
    }
    return mark_rate_var(con, v);
}

// Reference maps: symbol tables owned by reference variables that map a key (a risk factor's name,
// a currency, or "CUR:FRM") to a risk factor. They live in a pool that each rebuild makes anew.
#include <cstring>
#include <initializer_list>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/rebuild_internal.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/tables/free_lists.h"
#include "host/print.h"

namespace {

constexpr size_t kMapPoolBlock = 16384;
constexpr int kMinimumMapHint = 251;
constexpr int kVariableChunk = 100;

enum : uint32_t {
    DT_NUM = 1, DT_DATE = 3, DT_DATETIME = 4, DT_PARAMETER = 70, ROLE_FX_SPOT = 441, ROLE_VAR = 301,
};

struct StandardMap {
    const char* name;
    uint32_t type;
    uint32_t role;
};
const StandardMap kRiskFactorMap{"RiskFactor", DT_NUM, 0};
const StandardMap kParameterMap{"Parameter", DT_PARAMETER, 0};
const StandardMap kArrayMap{"RF_Array", RSKDTYPE_ARRAY, 0};
const StandardMap kSpotMap{"FX_Spot", DT_NUM, ROLE_FX_SPOT};

RSKNAMEREC name_rec(const char* text, int length) {
    return RSKNAMEREC{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(text)};
}

RSKRTBLOCK* block(RSKCON* con) { return con->runtime_tables; }

// A reference variable made by the rebuild: a zeroed record in the table and the list, no checks.
RSKVARIABLE* addInternalRefVar(RSKCON* con, const char* name, int length, uint32_t type, uint32_t role,
                               uint8_t made_by_every_rebuild) {
    RSKVARIABLE* v = rsk_take_record(con, con->free_lists->variables, kVariableChunk, "internal reference variable");
    if (v == nullptr) return nullptr;
    rskname(con, &v->name, name, length);
    for (RSKOBJNAME* n : {&v->lag_grid_name, &v->format_text, &v->reference1_name, &v->reference2_name,
                          &v->time_grid_name})
        n->name = RSKNAMEREC{kRskObjectNameCapacity, 0, n->buffer};
    v->hash = rskhash(v->name.buffer, v->name.name.length, 0);
    v->kind = RSKVKIND_REFERENCE;
    v->data_type = type;
    v->role = role;
    v->value_class = value_class_of(type);
    v->flags3 = static_cast<uint8_t>(RSKF3_INTERNAL_REFERENCE | (made_by_every_rebuild ? RSKF3_REBUILD_MADE : 0));
    v->format_number = 99;
    v->creation = 12;
    v->origin = 1;
    if (rsksymd(con, variable_table(con), &v->name.name, v) == RSKSYM_FAILED) {
        rsk_give_free(con->free_lists->variables, v);
        return nullptr;
    }
    append_variable(con, v);
    return v;
}

// Finds a standard map or makes it: the maps survive rebuilds, so they are never made twice.
int standard_map(RSKCON* con, const StandardMap& map, uint32_t hint) {
    const int length = static_cast<int>(std::strlen(map.name));
    RSKNAMEREC name = name_rec(map.name, length);
    RSKVARIABLE* v = rskvar(con, &name);
    if (v == nullptr) v = addInternalRefVar(con, map.name, length, map.type, map.role, 1);
    if (v == nullptr) return 1;
    if (v->flags3 & RSKF3_INTERNAL_REFERENCE) v->storage_size = hint;
    v->value = nullptr;
    return 0;
}

// The reference table of a map variable, built on first use.
RSKSYMTAB* constructRefTable(RSKCON* con, RSKVARIABLE* map) {
    if (map->value != nullptr) return static_cast<RSKSYMTAB*>(map->value);
    qor_pool* pool = block(con)->reference_map_pool;
    if (pool == nullptr) return nullptr;
    // Symbols of reference tables come from a free list of their own in the same pool, so that
    // nothing of them survives the pool.
    auto* table = static_cast<RSKSYMTAB*>(vmalcp_handler(pool, sizeof(RSKSYMTAB) + sizeof(RSKFREELISTS), QOR_ALLOC_ZERO));
    if (table == nullptr) {
        rsknomem(con, sizeof(RSKSYMTAB) + sizeof(RSKFREELISTS), "reference table");
        return nullptr;
    }
    auto* symbols = reinterpret_cast<RSKFREELISTS*>(table + 1);
    // The stored hint is a floor: a table is sized for a key per variable at most, so that chains
    // stay short when one map holds most risk factors.
    int hint = static_cast<int>(map->storage_size);
    if (hint < kMinimumMapHint) hint = kMinimumMapHint;
    if (hint < con->variables_count / 2) hint = con->variables_count / 2;
    if (rsktbla(con, table, hint, nullptr, pool, symbols, 0) != 0) {
        rsknomem(con, static_cast<size_t>(hint) * sizeof(RSKSYMBOL*), "reference table");
        return nullptr;
    }
    map->value = table;
    return table;
}

// Enters key -> risk factor: 0; 1 for a key held by another variable (598/1636) or no memory.
int enter_key(RSKCON* con, RSKVARIABLE* map, const char* key, int key_length, RSKVARIABLE* variable) {
    RSKSYMTAB* table = constructRefTable(con, map);
    if (table == nullptr) return 1;
    RSKNAMEREC name = name_rec(key, key_length);
    auto* holder = static_cast<RSKVARIABLE*>(rsksym(con, table, &name));
    if (holder != nullptr && holder != variable) {
        xpmlog(598, 1636, key_length, key, RSK_NAME(map->name), RSK_NAME(holder->name), RSK_NAME(variable->name));
        return 1;
    }
    if (holder == variable) return 0;
    return rsksymd(con, table, &name, variable) == RSKSYM_FAILED ? 1 : 0;
}

RSKVARIABLE* map_named(RSKCON* con, const char* name, int length) {
    RSKNAMEREC rec = name_rec(name, length);
    return rskvar(con, &rec);
}

// The key of an exchange-rate role: currency, ":", from currency.
int fx_key(const RSKVARIABLE* v, char key[7]) {
    std::memcpy(key, v->currency, 3);
    key[3] = ':';
    std::memcpy(key + 4, v->from_currency, 3);
    return 7;
}

bool has_currency(const RSKVARIABLE* v) { return v->currency[0] != ' ' && v->currency[0] != '\0'; }

int addOneMapKeyPair(RSKCON* con, RSKVARIABLE* variable, const char* map_name, int map_length, const char* key,
                     int key_length) {
    uint32_t type = variable->data_type;
    if (type == DT_DATE || type == DT_DATETIME) type = DT_NUM;
    RSKVARIABLE* map = map_named(con, map_name, map_length);
    if (map == nullptr) map = addInternalRefVar(con, map_name, map_length, type, 0, 0);
    if (map == nullptr) return 1;
    if (map->kind != RSKVKIND_REFERENCE) {
        xpmlog(598, 1634, RSK_NAME(map->name), RSK_TEXT(kind_text(con, map->kind)));
        return 1;
    }
    if (map->data_type != type) {
        xpmlog(598, 1637, RSK_NAME(map->name), RSK_TEXT(type_text(con, map->data_type)), RSK_NAME(variable->name),
               RSK_TEXT(type_text(con, type)));
        return 1;
    }
    if (map->role == ROLE_FX_SPOT) {
        xpmlog(598, 1638, RSK_NAME(map->name), RSK_TEXT(role_text(con, map->role)), key_length, key,
               RSK_NAME(variable->name));
        return 0;
    }
    return enter_key(con, map, key, key_length, variable);
}

bool in(uint32_t role, uint32_t low, uint32_t high) { return role >= low && role <= high; }

// Roles whose map is named by the role's short name and keyed by currency.
bool role_map_always(uint32_t role) { return role == 411 || role == 511 || role == 541; }
bool role_map_for_arrays(uint32_t role) {
    return in(role, 421, 424) || in(role, 431, 434) || role == 451 || in(role, 521, 524) || in(role, 531, 534) ||
           role == 551;
}

int addV6RoleToMaps(RSKCON* con, RSKVARIABLE* variable) {
    RskText map = role_name(con, variable->role);
    char key[7];
    int key_length = 3;
    if (is_fx_rate(variable->role)) key_length = fx_key(variable, key);
    else std::memcpy(key, variable->currency, 3);
    return addOneMapKeyPair(con, variable, map.text, map.length, key, key_length);
}

// The risk-factor role that a reference role collects, and whether it is keyed by a pair.
uint32_t factor_role_of(uint32_t reference_role, bool* by_pair) {
    *by_pair = false;
    if (reference_role == 711) return 411;
    if (in(reference_role, 721, 724) || in(reference_role, 731, 734)) return reference_role - 300;
    if (reference_role == 811) return 511;
    if (in(reference_role, 821, 824) || in(reference_role, 831, 834)) return reference_role - 300;
    *by_pair = true;
    if (reference_role == 751) return 451;
    if (reference_role == 851) return 551;
    if (reference_role == 841) return 541;
    return 0;
}

int addRFToRefTableByRole(RSKCON* con, RSKVARIABLE* reference) {
    bool by_pair = false;
    const uint32_t role = factor_role_of(reference->role, &by_pair);
    if (constructRefTable(con, reference) == nullptr) return 1;
    int result = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != RSKVKIND_FACTOR || v->role != role || v->data_type != reference->data_type || !has_currency(v))
            continue;
        char key[7];
        int key_length = 3;
        if (by_pair) key_length = fx_key(v, key);
        else std::memcpy(key, v->currency, 3);
        if (enter_key(con, reference, key, key_length, v) != 0) result = 1;
    }
    return result;
}

// Points the reference variable at the table of a map (built first when missing).
int share_table(RSKCON* con, RSKVARIABLE* variable, RSKVARIABLE* map) {
    if (map == nullptr || map == variable) return 1;
    RSKSYMTAB* table = constructRefTable(con, map);
    if (table == nullptr) return 1;
    variable->value = table;
    return 0;
}

RSKVARIABLE* standard(RSKCON* con, const StandardMap& map) {
    return map_named(con, map.name, static_cast<int>(std::strlen(map.name)));
}

}  // namespace

void clearRefTables(RSKCON* con) {
    RSKRTBLOCK* rt = block(con);
    RSKVARIABLE* v = con->variables_head;
    while (v != nullptr) {
        RSKVARIABLE* next = v->next;
        if (v->kind == RSKVKIND_REFERENCE) {
            v->value = nullptr;
            if ((v->flags3 & RSKF3_INTERNAL_REFERENCE) && !(v->flags3 & RSKF3_REBUILD_MADE)) {
                // Made on demand by the last rebuild: it goes without marking the environment.
                if (RSKSYMTAB* table = variable_table(con)) rsksymf(con, table, &v->name.name);
                unlink_variable(con, v);
                rsk_give_free(con->free_lists->variables, v);
            }
        }
        v = next;
    }
    if (rt->reference_map_pool != nullptr) xmpoold(rt->reference_map_pool);
    rt->reference_map_pool = nullptr;
}

int initRefMaps(RSKCON* con) {
    RSKRTBLOCK* rt = block(con);
    rt->reference_map_pool = xmpoolc(kMapPoolBlock, kMapPoolBlock, 0);
    if (rt->reference_map_pool == nullptr) {
        xpmlog(598, 500);
        return 1;
    }
    int failed = 0;
    failed |= standard_map(con, kRiskFactorMap, static_cast<uint32_t>(con->variables_count / 20));
    failed |= standard_map(con, kParameterMap, 0);
    failed |= standard_map(con, kArrayMap, 0);
    failed |= standard_map(con, kSpotMap, 0);
    return failed;
}

int addRiskFactorToMaps(RSKCON* con, RSKVARIABLE* variable) {
    int result = 0;
    const RSKNAMEREC& own = variable->name.name;
    RSKVARIABLE* map = nullptr;
    if (variable->kind == RSKVKIND_FACTOR)
        map = standard(con, variable->data_type == RSKDTYPE_ARRAY ? kArrayMap : kRiskFactorMap);
    else if (variable->kind == RSKVKIND_PARMAT)
        map = standard(con, kParameterMap);
    if (map != nullptr && enter_key(con, map, own.text, own.length, variable) != 0) result = 1;

    RSKNAMECELL* cell = variable->reference_pairs_head;
    while (cell != nullptr && cell->next != nullptr) {
        const RSKNAMECELL* key = cell->next;
        if (addOneMapKeyPair(con, variable, cell->name.name.text, cell->name.name.length, key->name.name.text,
                             key->name.name.length) != 0) {
            xpmlog(598, 1635, RSK_NAME(cell->name), RSK_NAME(key->name), RSK_NAME(variable->name));
            result = 1;
        }
        cell = key->next;
    }

    const bool is_array = variable->data_type == RSKDTYPE_ARRAY;
    if (variable->kind == RSKVKIND_FACTOR &&
        (role_map_always(variable->role) || (is_array && role_map_for_arrays(variable->role))))
        if (addV6RoleToMaps(con, variable) != 0) result = 1;
    return result;
}

int process_reference_var(RSKCON* con, RSKVARIABLE* variable) {
    if (variable->flags3 & RSKF3_INTERNAL_REFERENCE) return 0;
    const uint32_t role = variable->role;
    if (role == 770 || (role == ROLE_VAR && variable->data_type == DT_PARAMETER)) {
        variable->data_type = DT_PARAMETER;
        return share_table(con, variable, standard(con, kParameterMap));
    }
    if (role == ROLE_FX_SPOT) {
        variable->data_type = DT_NUM;
        return 0;
    }
    if (role == 701 || role == 780 || role == 801) {
        variable->data_type = DT_NUM;
        return share_table(con, variable, standard(con, kRiskFactorMap));
    }
    if (role == 702) {
        variable->data_type = RSKDTYPE_ARRAY;
        return share_table(con, variable, standard(con, kArrayMap));
    }
    const bool single = role == 711 || role == 811 || role == 841;
    const bool curve = in(role, 721, 724) || in(role, 731, 734) || role == 751 || in(role, 821, 824) ||
                       in(role, 831, 834) || role == 851;
    if (!single && !curve) return 0;
    variable->data_type = single ? static_cast<uint32_t>(DT_NUM) : static_cast<uint32_t>(RSKDTYPE_ARRAY);
    RskText name = role_name(con, role);
    RSKVARIABLE* named = name.length > 0 ? map_named(con, name.text, name.length) : nullptr;
    if (named != nullptr && named != variable && named->kind == RSKVKIND_REFERENCE)
        return share_table(con, variable, named);
    return addRFToRefTableByRole(con, variable);
}

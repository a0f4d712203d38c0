// Valid kind/role/type combinations: the static lists of data types per role and kind, the
// hashes built from them and from the registries at start-up, and the checks against them.
#include "engine/model/registries/role_combinations.h"

#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/registries/code_registries.h"
#include "engine/tables/free_lists.h"
#include "host/print.h"

namespace {

struct RoleTypes {
    int role;
    int types[10];                 // ends at the first 0
};

struct KindList {
    int kind;
    RoleTypes entries[kRskRoleListEntries - 1];   // ends at the first role 0
};

#define GENERAL_TYPES 1, 2, 3, 10, 9, 7, 5, 6

// Kinds in the order of the combinations: 1, 3, 11, 12, 8, 9, 2, 6, 7.
const KindList kLists[kRskRoleKinds] = {
    {1, {{999, {GENERAL_TYPES}}, {10, {1, 2, 10, 3}}, {40, {61, 62, 63}}, {20, {1, 2, 10, 3}},
         {30, {1, 2}}, {50, {1}}, {60, {1, 3, 2, 9, 5, 6, 10}}}},
    {3, {{999, {GENERAL_TYPES}}, {201, {GENERAL_TYPES, 60}}, {202, {1, 2}}, {203, {2}}, {204, {1, 60}}}},
    {11, {{999, {GENERAL_TYPES}}, {901, {GENERAL_TYPES, 60}}, {902, {1, 60}}}},
    {12, {{999, {GENERAL_TYPES}}, {910, {GENERAL_TYPES, 60}}, {911, {1, 60}}}},
    {8, {{999, {1, 3, 11}}, {221, {1, 3, 11}}}},
    {9, {{999, {1, 3, 11}}, {241, {1, 3, 11}}}},
    {2, {{999, {1, 3, 60}}, {301, {1, 3, 60}}, {501, {1}}, {321, {1, 60}}, {341, {1, 60}}, {411, {1}},
         {421, {1, 60}}, {422, {1, 60}}, {423, {1, 60}}, {424, {1, 60}},
         {431, {1, 60}}, {432, {1, 60}}, {433, {1, 60}}, {434, {1, 60}},
         {441, {1}}, {451, {1, 60}}, {511, {1}},
         {521, {1, 60}}, {522, {1, 60}}, {523, {1, 60}}, {524, {1, 60}},
         {531, {1, 60}}, {532, {1, 60}}, {533, {1, 60}}, {534, {1, 60}},
         {541, {1}}, {551, {1, 60}}}},
    {6, {{999, {GENERAL_TYPES}}, {301, {1, 70, 60}}, {321, {1, 60}}, {341, {1, 60}}, {441, {1, 105}},
         {701, {102}},
         {711, {104}}, {721, {104}}, {722, {104}}, {723, {104}}, {724, {104}},
         {731, {104}}, {732, {104}}, {733, {104}}, {734, {104}},
         {751, {105}}, {801, {102}},
         {811, {104}}, {821, {104}}, {822, {104}}, {823, {104}}, {824, {104}},
         {831, {104}}, {832, {104}}, {833, {104}}, {834, {104}},
         {841, {105}}, {851, {105}}, {770, {102}}, {780, {102}}, {702, {102}}}},
    {7, {{999, {GENERAL_TYPES}}, {204, {1, 60}}}},
};

#undef GENERAL_TYPES

// Kinds in the order of the type and role hashes, with their registries.
struct KindRegistries {
    int kind;
    int dtypes;
    int roles;
};
const KindRegistries kKindRegistries[] = {
    {1, RSKREG_DT_SYSTEM, RSKREG_RL_SYSTEM}, {3, RSKREG_DT_INSTRUMENT, RSKREG_RL_INSTRUMENT},
    {11, RSKREG_DT_CPTY, RSKREG_RL_CPTY}, {12, RSKREG_DT_MITIGATION, RSKREG_RL_MITIGATION},
    {2, RSKREG_DT_FACTOR, RSKREG_RL_FACTOR}, {6, RSKREG_DT_REFERENCE, RSKREG_RL_REFERENCE},
    {7, RSKREG_DT_OUTPUT, RSKREG_RL_OUTPUT}, {8, RSKREG_DT_PROJECT, RSKREG_RL_PROJECT},
    {9, RSKREG_DT_STATE, RSKREG_RL_STATE},
};

constexpr int kNodeChunk = 100;

uint32_t combination_bucket(int kind, int role, int type) {
    uint32_t k = static_cast<uint32_t>(kind), r = static_cast<uint32_t>(role), t = static_cast<uint32_t>(type);
    return (k + (r + t * 1000u) * 10u) % kRskRoleBuckets;
}

uint32_t code_bucket(int kind, int code) {
    return (static_cast<uint32_t>(code) + static_cast<uint32_t>(kind) * 1000u) % kRskRoleBuckets;
}

// A node from free list `which`, refilled from the general pool; null when memory ran out.
RSKROLENODE* take_node(RSKCON* con, int which) {
    return rsk_take_free(con->free_role_nodes[which], con->general_pool, kNodeChunk, nullptr);
}

bool link(RSKCON* con, RSKROLENODE** buckets, int which, uint32_t bucket, int kind, int code, int role,
          const void* row) {
    RSKROLENODE* node = take_node(con, which);
    if (node == nullptr) return false;
    node->kind = kind;
    node->code = code;
    node->role = role;
    node->row = row;
    node->next = buckets[bucket];
    buckets[bucket] = node;
    return true;
}

void copy_lists(RSKROLETYPES* block) {
    for (int k = 0; k < kRskRoleKinds; ++k) {
        block->kinds[k] = kLists[k].kind;
        for (int e = 0; e < kRskRoleListEntries - 1 && kLists[k].entries[e].role != 0; ++e) {
            RSKROLETYPELIST& list = block->lists[k][e];
            list.role = kLists[k].entries[e].role;
            int n = 0;
            while (n < 10 && kLists[k].entries[e].types[n] != 0) {
                list.types[n] = kLists[k].entries[e].types[n];
                ++n;
            }
            list.count = n;
        }
    }
}

bool build_hashes(RSKCON* con, RSKROLETYPES* block) {
    for (int k = 0; k < kRskRoleKinds; ++k) {
        int kind = block->kinds[k];
        for (int e = 0; e < kRskRoleListEntries && block->lists[k][e].count != 0; ++e) {
            const RSKROLETYPELIST& list = block->lists[k][e];
            for (int t = 0; t < list.count; ++t)
                if (!link(con, block->combinations, 0, combination_bucket(kind, list.role, list.types[t]),
                          kind, list.types[t], list.role, nullptr))
                    return false;
        }
    }
    for (const KindRegistries& kr : kKindRegistries) {
        const auto* types = static_cast<const RSKDTYPEROW*>(con->registries[kr.dtypes].rows);
        for (int i = 0; i < rskreg_all(con, kr.dtypes); ++i)
            if (!link(con, block->types, 1, code_bucket(kr.kind, types[i].code), kr.kind, types[i].code, 0,
                      &types[i]))
                return false;
    }
    for (const KindRegistries& kr : kKindRegistries) {
        const auto* roles = static_cast<const RSKROLEROW*>(con->registries[kr.roles].rows);
        for (int i = 0; i < rskreg_all(con, kr.roles); ++i)
            if (!link(con, block->roles, 2, code_bucket(kr.kind, roles[i].code), kr.kind, roles[i].code, 0,
                      &roles[i]))
                return false;
    }
    return true;
}

}  // namespace

int get_roles(RSKCON* con) {
    RSKROLETYPES* block = con->role_types;
    if (block == nullptr) return 1;
    block->bucket_count = kRskRoleBuckets;
    copy_lists(block);
    if (!build_hashes(con, block)) {
        con->no_memory_reported = 1;
        xpmlog(598, 93, static_cast<long>(sizeof(RSKROLENODE) * kNodeChunk), "role and type tables");
        return 1;
    }
    return 0;
}

int rskckt(RSKCON* con, int kind, int type) {
    if (con->role_types == nullptr) return 1;
    for (const RSKROLENODE* n = con->role_types->types[code_bucket(kind, type)]; n != nullptr; n = n->next)
        if (n->kind == kind && n->code == type) return 0;
    return 1;
}

int rskckr(RSKCON* con, int kind, int role) {
    if (con->role_types == nullptr) return 1;
    for (const RSKROLENODE* n = con->role_types->roles[code_bucket(kind, role)]; n != nullptr; n = n->next)
        if (n->kind == kind && n->code == role) return 0;
    return 1;
}

int rskckrt(RSKCON* con, int kind, int role, int type) {
    if (con->role_types == nullptr) return 1;
    const RSKROLENODE* n = con->role_types->combinations[combination_bucket(kind, role, type)];
    for (; n != nullptr; n = n->next)
        if (n->kind == kind && n->code == type && n->role == role) return 0;
    return 1;
}

// Valid kind/role/type combinations of variables: the lists of data types allowed per role and
// the three hashes built from them and from the registries, with their checks.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

constexpr int kRskRoleBuckets = 261;
constexpr int kRskRoleKinds = 9;
constexpr int kRskRoleListEntries = 32;   // entries per kind, the last one ends the list (n = 0)

// A role and the data types it allows.
struct RSKROLETYPELIST {
    int32_t role;
    int32_t count;                        // 0 ends a kind's list
    int32_t types[10];
};

// A node of the three hashes: the combinations hold (kind, type, role), the type and role
// hashes (kind, code) and the registry row of that code.
struct RSKROLENODE {
    RSKROLENODE* next;
    int32_t kind;
    int32_t code;                         // data type, or role for the role hash
    int32_t role;                         // combinations only
    const void* row;                      // type and role hashes: RSKDTYPEROW or RSKROLEROW
};

struct RSKROLETYPES {
    int32_t kinds[kRskRoleKinds];         // kind of each list, in list order
    RSKROLETYPELIST lists[kRskRoleKinds][kRskRoleListEntries];
    int32_t bucket_count;                 // 261
    RSKROLENODE* combinations[kRskRoleBuckets];
    RSKROLENODE* types[kRskRoleBuckets];
    RSKROLENODE* roles[kRskRoleBuckets];
};

// Fills the block that RSKCON points to: the lists, then the three hashes (nodes from the general
// pool, 100 at a time). Needs the registries. 0, or 1 when memory ran out (598/93).
int get_roles(RSKCON* con);

// 0 when the combination is valid, 1 when it is not.
int rskckt(RSKCON* con, int kind, int type);
int rskckr(RSKCON* con, int kind, int role);
int rskckrt(RSKCON* con, int kind, int role, int type);

// Models and model specifications: the named records the environment keeps for objects whose
// contents live in catalog entries maintained by the model editor and the model solver.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

constexpr uint32_t kRskModelSpecKind = 6;   // any other kind code is a model

struct RSKMODEL {
    RSKMODEL* next;                  // free-list link
    RSKOBJNAME name;
    uint32_t kind;                   // 6 model specification, otherwise model
    RSKENV* environment;             // defining environment
    uint32_t origin;                 // 1 own, 2 inherited, 3 inherited and redefined
    RSKPROPS properties;             // description
};

// The model (any kind but 6) of that name, or null.
RSKMODEL* rskmod(RSKCON* con, const RSKNAMEREC* name);
// The model specification of that name, or null.
RSKMODEL* rskmsp(RSKCON* con, const RSKNAMEREC* name);
// Defines a model or model specification (length < 0: NUL-terminated name); an existing record
// is kept and only its description renewed. *out (may be null) receives the record. 0, or 1.
int rskmodd(RSKCON* con, const char* name, int length, uint32_t kind, const RSKNAMEREC* description,
            RSKMODEL** out);
// Lists the model specifications (kind 6) or the models (any other kind). 0.
int rskmodp(RSKCON* con, uint32_t kind);

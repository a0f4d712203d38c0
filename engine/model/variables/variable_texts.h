// Registry texts that the variable messages print: descriptions of kinds, data types and roles and
// the short names of roles, without their blank padding, as (length, text) for "%*s".
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct RskText {
    int length;
    const char* text;
};

RskText kind_text(RSKCON* con, uint32_t kind);
RskText type_text(RSKCON* con, uint32_t type);
RskText role_text(RSKCON* con, uint32_t role);
// The role's short name (the map a role names).
RskText role_name(RSKCON* con, uint32_t role);
// A text with trailing blanks and NULs dropped; a negative length means NUL-terminated.
RskText trimmed(const char* text, int length);

// The (length, text) arguments of "%*s".
#define RSK_TEXT(t) (t).length, (t).text
#define RSK_NAME(rec) static_cast<int>((rec).name.length), (rec).name.text

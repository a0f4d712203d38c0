// The engine's one door to the host's WHERE services: compiles a filter text with every name
// resolved among the variables a filter may use, evaluates it, frees it.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/where.h"

// Role flag of the variables a filter may name (instrument variables that are not computed).
constexpr uint8_t kRskFilterRoleFlag = 0x01;

// What the names are bound to: the variables' current value storage (a compiled filter that is
// evaluated), or a blank area that stands for every value (a text that is only checked).
enum class RskWhereValues { current, stand_in };

// Called once for every occurrence of a name, with the variable it resolved to: 0 to go on, or
// a code that ends the compile and is returned (QOR_WHERE_NO_MEMORY when a record cannot be had).
using RskWhereUse = int (*)(void* user, RSKVARIABLE* variable);

// Compiles `text` (length < 0: NUL-terminated). 0 and *out. Otherwise *out is null and the
// result is the host's failure code; *names_failed (when given) says whether the failure came
// from a name: QOR_WHERE_NOT_FOUND for a name that is no variable a filter may use,
// QOR_WHERE_BAD_ARGUMENT for one whose value cannot be read (no value storage, a composite
// value), or the code `use` answered. `use` may be null.
int rsk_where_compile(RSKCON* con, const char* text, int length, RskWhereValues values, RskWhereUse use,
                      void* user, qor_where** out, bool* names_failed);
// 1 true, 0 false, or the host's failure code (negative).
int rsk_where_evaluate(qor_where* where);
// Frees a compiled expression (null allowed).
void rsk_where_free(qor_where* where);

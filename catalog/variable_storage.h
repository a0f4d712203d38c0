// Variable storage: the variables of an environment packed into "_VARLIST" entries of member type
// RISK13, at most 100 per entry; the list form of one variable, reading entries back, rewriting them.
#pragma once
#include <cstdint>

#include "catalog/catalog_lists.h"
#include "engine/tables/control_structure.h"

// Slot 115: appends the items of one variable to `list`; 1 at the first item that cannot be
// added (the label names the caller in the list layer's messages).
int rssvarg(RSKCON* con, RSKVARIABLE* variable, qor_list_id list, RSKLISTWS* workspace, const char* label,
            int label_length);
// Slot 117: defines a variable in memory from one variable list, owned by `owner`; the variable
// into *out when given. 0, or 1 after its message.
int rssvars(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, const char* label, int label_length,
            RSKVARIABLE** out, RSKENV* owner);
// Slot 116: loads one RISK13 entry of the environment (packed, or an older entry of one variable).
// 1 only when the entry cannot be read at all; a variable that fails is reported and skipped.
int rssvarl(RSKCON* con, const RSKNAMEREC* name, const RSKNAMEREC* member, RSKENV* environment);
// Slot 114: the variable's properties into the PROPERTIES sublist of `list` (made when absent).
int rssvara(RSKCON* con, RSKVARIABLE* variable, qor_list_id list);
// Replaces every RISK13 entry of the environment by packed entries of its own variables, in one
// transaction of its catalog, when the variables changed since the last rewrite. 0, or 1 after
// its message with the catalog as it was and the change flag kept.
int rssvarx(RSKCON* con, RSKENV* environment);
// Variables defined in `from` belong to `to` from now on (an environment saved as another one
// without a working copy is replaced by the target's record).
void rss_variables_change_owner(RSKCON* con, const RSKENV* from, RSKENV* to);
// The name of packed entry n: "_VARLIST" and n in 8 digits with leading zeros (more when larger).
int rss_varlist_name(int64_t number, char (&out)[32]);

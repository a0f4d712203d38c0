// Rule checks over the names that a compiled method reads and assigns: environment variables that
// exist and may be used by a method of its kind, cast suffixes and two-level reference names.
#pragma once
#include "engine/compiler/method_objects.h"

struct RSKCMPCON;
struct cmp_symbol;

// Checks one name of the method's compiled program (flags CMP_SYM_READ / CMP_SYM_ASSIGNED):
// 1 when the use is refused (the method then fails), else 0. Messages by mode as
// rsk_method_report says.
int check_method_name(RSKGENTRANS* method, RSKCMPCON* handle, cmp_symbol* symbol, const char* name, int flags,
                      int mode);
// A message of a method compile: mode 0 drops it, mode 1 appends it to the handle's log buffer,
// a higher mode logs it.
void rsk_method_report(RSKCMPCON* handle, int mode, const char* text);
// Sets the environment's catalogs (the current one and those it inherits, member type RODI24) as
// where RUNMETHOD finds a method that the source does not define: 0, or 1 when refused.
int rsktrn_catalogs(RSKCON* con, cmp_session* program);

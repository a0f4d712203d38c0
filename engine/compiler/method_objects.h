// Method objects (generated transformations): the in-memory record of each method of an
// environment, its source statements and compile state, and the routines of entry slots 262-273.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/method_records.h"

struct cmp_session;

// Kind letter of a METHOD kind option (1 INPUT .. 8 MITIGATION; anything else 'N').
char rsktrn_kind_letter(int option);
// The word that listings print for a kind letter ("price", "*unknown*", ...).
const char* rsktrn_kind_word(char kind);

// 262: the method object of that name in the current environment; null when none.
RSKGENTRANS* rsktrn(RSKCON* con, const RSKNAMEREC* name);
// 267: defines a method (see the .cpp): 0, or 1 (catalog refusal, no memory). *out receives the
// environment object.
int rsktrnd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description, char kind,
            RSKCATOBJ* object);
// 265: installs `count` NUL-terminated statements of `source` (size bytes) and, unless compiles are
// deferred, compiles the method: 0, or the compile's result after 598/3133.
int rsktrni(RSKCON* con, RSKGENTRANS* method, char* source, size_t size, int count, int keep, void* extra,
            int extra_count, int mode);
// 269: compiles one method: 0, or 1 when it failed.
int rsktrns(RSKCON* con, RSKGENTRANS* method, int mode);
// 270: compiles every method of the environment in list order (mode 2): the largest result.
int rsktrn0(RSKCON* con);
// 266: clears the compiled code and the source.
int rsktrnc(RSKCON* con, RSKGENTRANS* method);
// The method's variable uses from the compiler's data-flow analysis of its pushed statements
// (replacing earlier ones): 0, or 1 after 598/2797. Kept until the method's source is replaced.
int rsk_method_uses(RSKCON* con, RSKGENTRANS* method, cmp_session* session);
void rsk_free_uses(RSKCON* con, RSKGENTRANS* method);
// 268: clears the method, unlinks it from the environment's list and frees the record.
int rsktrnf(RSKCON* con, RSKGENTRANS* method);
// 263: lists every method (name null) or the one named: 0, or 1 when one could not be fetched.
int rsktrnl(RSKCON* con, const RSKNAMEREC* name);
// 264: prints one method: name, kind word, description, then the source when flag is set.
int rsktrnp(RSKGENTRANS* method, int flag);
// 271: opens a compile for the method: 0, or the result of opening the compilation.
int rskitrn(RSKGENTRANS* context);
// 272: pushes one statement of the method: the compiler's answer, or -3 when the compiled method
// breaks a rule of its kind.
int rskptrn(RSKGENTRANS* context, const char* statement, char kind, int mode);
// The text pushed for one stored statement (kept without its ';'): trailing blanks dropped and
// the ';' put back, in `buffer`.
const char* rsk_pushed_statement(const RSKSTMTDESC& statement, std::string* buffer);
// 273: closes the method's compile context.
void rskctrn(RSKGENTRANS* context);

// Rule checks of a compiled method's names (method_checks.cpp).
// The row of the cast suffix after the last '.' of a name, or -1 (no suffix, or not a row).
int verify_castsuffix(const char* name, int length);
// 1 when "first.second" is a reference variable and an instrument variable, in either order.
int verify_instrref(RSKCON* con, const char* first, int first_length, const char* second, int second_length);

// Name lists that the run statements hand to the engine's drivers (transformation sets, methods,
// filters, market data sources), read from one operand field and checked name by name.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

// Kinds of method list of get_prmlist.
enum MethodListKind : int { kProjectMethods = 0, kPostValuationMethods = 1, kPostPricingMethods = 2 };

// Result of a reader whose list could not take a name (the statement goes on).
constexpr int kListAppendFailed = 99;

// Each reader walks the names of `field` (a name list or a single name; absent gives an empty
// list), looks each name up, reports a missing one (table 670) and skips it, and appends the
// others to (head, tail). 0, or kListAppendFailed when a name cannot be appended. Free the list
// with free_name_list.

// Transformation sets (pricing method sets); missing: 670/1135.
int get_rftrans(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail);
// Methods of one list kind; missing: 670/1169 with the list word ("Project", "PostVaR",
// "PostPrice"), the name and the statement word.
int get_prmlist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                const char* statement, int kind);
int get_postvarlist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                    const char* statement);
int get_postprclist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                    const char* statement);
// Filters; missing: 670/1136.
int get_filters(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail);
// Market data sources, each loaded from the catalog; missing or not loadable: 670/1023 with the
// statement word and the name.
int get_idslist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                const char* statement);

// Gives the cells of a list back and empties it.
void free_name_list(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail);

// The list word of a method list kind ("Project", "PostVaR", "PostPrice").
const char* method_list_word(int kind);

}  // namespace zozu

// Running the statements of a ZOZU step: the dispatcher with its deferred rebuilds, the table of
// statement names and their handlers, and the rights code of objects that statements define.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

// A statement handler: 0 for success.
using StatementHandler = int (*)(RSKCON* con, statement_node* node);

// One row of the dispatch table. A statement whose handler is not built yet has a null routine:
// the dispatcher reports the handler as not yet available and the statement fails.
struct HandlerEntry {
    const char* statement;       // upper-case statement name
    const char* handler_name;    // the handler routine's name, for reports
    StatementHandler handler;
};

// The dispatch table in match order; ends with a row whose statement is null.
extern const HandlerEntry kHandlers[];
// The row of an upper-case statement name (length bytes, no padding); null when none.
const HandlerEntry* find_handler(const char* name, int length);

// Runs one statement: upper-cases its name in place, echoes it when asked, runs the rebuilds
// that the statement needs first, then its handler. Returns the handler's result; a non-zero
// result sets the error flag of the control structure.
int rspstmt(RSKCON* con, statement_node* node);

// Length of a statement's name without its trailing blanks.
int statement_name_length(const statement_node* node);

// The rights code for an object the statement defines: from the access options (bits 11-20),
// with the rights of others (7) for a guest.
int get_security_access(RSKCON* con, const statement_node* node);

// ENVIRONMENT / ENV: opens or creates an environment, or saves the one in use.
int environment_stmt(RSKCON* con, statement_node* node);

}  // namespace zozu

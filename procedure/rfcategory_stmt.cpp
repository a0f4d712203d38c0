// RFCATEGORY / RFCATEGORIES: defines each risk-factor category of the statement's name list and
// answers the worst result, so one failed definition fails the statement.
#include <cstring>

#include "procedure/definition_handlers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"

namespace zozu {

int rfcategory_stmt(RSKCON* con, statement_node* node) {
    int result = 0;
    NameCursor names(node, 1);
    OperandText name;
    while (names.next(&name)) {
        if (name.length == 0) continue;
        char buffer[64];
        const int n = name.length < 63 ? name.length : 63;
        std::memcpy(buffer, name.text, static_cast<size_t>(n));
        buffer[n] = '\0';
        RSKNAMEREC rec{static_cast<uint16_t>(sizeof buffer), static_cast<uint16_t>(n), buffer};
        RSKCATEGORY* category = nullptr;
        const int rc = rskcatd(con, &rec, &category);
        if (rc > result) result = rc;
    }
    return result;
}

}  // namespace zozu

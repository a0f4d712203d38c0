// The USE statement: prepares the named variables for the next run.
#include <initializer_list>

#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/operand_reading.h"

namespace zozu {

// A name that is not a variable is reported and fails the statement; otherwise the result is
// the largest code of the preparations (0 when none ran).
int use_stmt(RSKCON* con, statement_node* node) {
    int result = 0;
    for (int field : {1, 2}) {
        for_each_name(node, field, [&](const char* name, int length) {
            if (length == 0) return;
            RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
            RSKVARIABLE* variable = rskvar(con, &key);
            if (variable == nullptr) {
                xpmlog(670, 1138, length, name);
                if (result < 1) result = 1;
                return;
            }
            int rc = rskvarm(con, variable);
            if (rc > result) result = rc;
        });
    }
    return result;
}

}  // namespace zozu

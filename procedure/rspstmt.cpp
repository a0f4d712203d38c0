// The statement dispatcher: each statement's name is normalised and echoed, the rebuilds that
// earlier definitions left pending run unless this statement defines more, then its handler.
#include <cstring>

#include "common/module/not_yet.h"
#include "host/kernel.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

// Statements that leave each rebuild pending: they define what the rebuild would read.
constexpr const char* kKeepVariables[] = {"DECLARE", "READVARS", "READARRAYS", "ARRAY", "ARRAYS",
                                          "TIMEGRID", nullptr};
constexpr const char* kKeepTypes[] = {"INSTRUMENT", "DECLARE", "READVARS", "READTYPES", "READARRAYS",
                                      "ARRAY", "ARRAYS", nullptr};
constexpr const char* kKeepMethods[] = {"DECLARE", "READVARS", "READARRAYS", "ARRAY", "ARRAYS",
                                        "TIMEGRID", "METHOD", nullptr};

bool listed(const char* const* names, const char* name, int length) {
    for (; *names != nullptr; ++names) {
        if (std::strlen(*names) == static_cast<size_t>(length) &&
            std::memcmp(*names, name, static_cast<size_t>(length)) == 0)
            return true;
    }
    return false;
}

// Runs a pending rebuild: its failure flag records the result; the pending flag is cleared.
void rebuild(RSKCON* con, uint8_t* pending, uint8_t* failed, int (*routine)(RSKCON*)) {
    int rc = routine(con);
    *failed = rc != 0 ? 1 : 0;
    *pending = 0;
}

}  // namespace

int statement_name_length(const statement_node* node) {
    int n = static_cast<int>(sizeof node->name);
    while (n > 0 && (node->name[n - 1] == ' ' || node->name[n - 1] == '\0')) --n;
    return n;
}

int rspstmt(RSKCON* con, statement_node* node) {
    int length = statement_name_length(node);
    wzstrup(node->name, length);
    const char* name = node->name;
    // The whole name is echoed: an eight-character field would cut RUNPROJECT and the like.
    if (con->echo) xpsout("ZOZU: Executing %*b Statement.", length, name);

    if (con->variables_pending && !listed(kKeepVariables, name, length))
        rebuild(con, &con->variables_pending, &con->variables_failed, &rsk0);
    if (con->types_pending && !listed(kKeepTypes, name, length))
        rebuild(con, &con->types_pending, &con->types_failed, &rskclbi);
    if (con->methods_pending && !listed(kKeepMethods, name, length))
        rebuild(con, &con->methods_pending, &con->methods_failed, &rsktrn0);

    int rc;
    const HandlerEntry* entry = find_handler(name, length);
    if (entry == nullptr) {
        xebug("ZOZU: \"%*s\" statement not recognized.", length, name);
        rc = 1;
    } else if (entry->handler == nullptr) {
        rc = not_yet_available(entry->handler_name);
    } else {
        rc = entry->handler(con, node);
    }
    if (rc != 0) con->error = 1;
    return rc;
}

}  // namespace zozu

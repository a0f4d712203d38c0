// RUNWEBREPORT / RUNWEBREPORTS: runs again the web reports of a named environment, writing under
// the statement's output path.
#include <string>

#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kEnvironmentField = 1, kOutPathField = 4;
}  // namespace

int runwebreport_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText environment = operand_text(node, kEnvironmentField);
    if (environment.length == 0) {
        xpmlog(670, 1013);
        return 1;
    }
    const OperandText path = operand_text(node, kOutPathField);
    const std::string name(environment.text, static_cast<size_t>(environment.length));
    const std::string outpath(path.text, static_cast<size_t>(path.length));
    const int rc = catalog_call<CatalogSlot::rsswebr>(1, con, name.c_str(), environment.length,
                                                      path.length > 0 ? outpath.c_str() : static_cast<const char*>(nullptr),
                                                      path.length);
    if (rc != 0) {
        xpmlog(670, 1017, environment.length, environment.text);
        return rc;
    }
    xpmlog(670, 1019, environment.length, environment.text, path.length, path.text);
    return 0;
}

}  // namespace zozu

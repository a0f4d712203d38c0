// RFTRANS: a transformation set, the ordered transformation methods, parameter matrices and sets
// that a project applies to the market data before pricing; stored in the catalog.
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kMembersField = 4;
constexpr uint32_t kMemberKindFromName = 0;     // the set classifies each member by its name
const char kObjectWord[] = "transformation set";
}  // namespace

int rftrans_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const RSKNAMEREC key = name_record(name);
    const CatalogArgument argument(node);
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rskprsd>(1, con, &object, &key, argument.get(), static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr)
        return report_define_failed(kObjectWord, name);

    // Each member is added; the largest code of the members is the statement's.
    int result = 0;
    NameCursor members(node, kMembersField);
    for (OperandText member; members.next(&member);) {
        if (member.length == 0) continue;
        const RSKNAMEREC method = name_record(member);
        const int rc = engine_call<EngineSlot::rskprsa>(1, con, object, kMemberKindFromName, &method);
        if (rc > result) result = rc;
    }
    const int stored = store_definition(con, object, kObjectWord, name);
    return stored > result ? stored : result;
}

}  // namespace zozu

// CROSSCLASS: a cross classification whose class variables each make one hierarchy of the
// classification, in the order written; stored in the catalog.
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kVariablesField = 4;
const char kObjectWord[] = "cross classification";
}  // namespace

int crossclass_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const RSKNAMEREC key = name_record(name);
    const CatalogArgument argument(node);
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rskccsd>(1, con, &object, &key, argument.get(), static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr || object->object == nullptr)
        return report_define_failed(kObjectWord, name);
    auto* cross = static_cast<RSKCROSSCLASS*>(object->object);

    NameCursor variables(node, kVariablesField);
    for (OperandText variable; variables.next(&variable);) {
        if (variable.length == 0) continue;
        RSKHIERARCHY* hierarchy = nullptr;
        const int added = engine_call<EngineSlot::rskccsa>(1, con, cross, &hierarchy);
        if (added != 0 || hierarchy == nullptr) {
            xpmlog(670, 1166, variable.length, variable.text);
            return added != 0 ? added : 1;
        }
        const RSKNAMEREC class_variable = name_record(variable);
        const int placed = engine_call<EngineSlot::rskhier>(1, con, cross, hierarchy, &class_variable, 0);
        if (placed != 0) {
            xpmlog(670, 1086, variable.length, variable.text);
            return placed;
        }
    }
    return store_definition(con, object, kObjectWord, name, 1087);
}

}  // namespace zozu

// TIMEGRID: a time grid set, its points given in days, weeks, months, years or hours. Variables
// and methods read the grids, so both are rebuilt before the next statement that needs them.
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
// The unit fields in grammar order and the time unit of each.
struct UnitField {
    int field;
    int unit;
};
constexpr UnitField kUnitFields[] = {{4, 1}, {5, 2}, {6, 3}, {7, 4}, {8, 5}};
const char kObjectWord[] = "time grid set";
}  // namespace

int get_time_unit(double code) {
    if (code == 1 || code == 2 || code == 3 || code == 5) return static_cast<int>(code);
    return 4;
}

int timegrid_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const RSKNAMEREC key = name_record(name);
    const CatalogArgument argument(node);
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rsktgdd>(1, con, &object, &key, argument.get(), static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr || object->object == nullptr)
        return report_define_failed(kObjectWord, name);
    auto* grid = static_cast<RSKTIMEGRID*>(object->object);
    con->variables_pending = 1;
    con->methods_pending = 1;

    int result = 0;
    for (const UnitField& unit : kUnitFields) {
        for (long long i = 0;; ++i) {
            const operand_field* f = qor_operand(node, unit.field);
            if (f == nullptr || !f->given || i >= f->used) break;
            const double value = operand_list_number(node, unit.field, i, 0);
            const int rc = engine_call<EngineSlot::rsktgda>(1, con, grid, value,
                                                            static_cast<uint32_t>(get_time_unit(unit.unit)));
            if (rc != 0) {
                xpmlog(670, 1091);
                if (rc > result) result = rc;
            }
        }
    }
    // A grid with a point missing would shift every later bucket: it is not stored.
    if (result != 0) return result;
    return store_definition(con, object, kObjectWord, name);
}

}  // namespace zozu

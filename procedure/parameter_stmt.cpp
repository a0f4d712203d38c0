// PARAMETER / PARAMETERS: a parameter matrix read from a data set, with the identifiers of its
// rows and columns in the order written; stored in the catalog.
#include "engine/model/parameters/parameter_matrices.h"
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kColumnsField = 4, kDataField = 5, kRowsField = 6;
constexpr int kLinearTransformationBit = 2;
const char kObjectWord[] = "parameter matrix";

int name_count(const statement_node* node, int field) {
    int count = 0;
    NameCursor names(node, field);
    for (OperandText name; names.next(&name);)
        if (name.length > 0) ++count;
    return count;
}

// Sizes the map for the field's names and enters each at its place; the largest code.
int fill_map(RSKCON* con, RSKIDMAP* map, const statement_node* node, int field) {
    const int count = name_count(node, field);
    if (count == 0) return 0;
    int result = engine_call<EngineSlot::rskpidm>(1, con, map, count, 0);
    if (result != 0) return result;
    int index = 0;
    NameCursor names(node, field);
    for (OperandText name; names.next(&name);) {
        if (name.length == 0) continue;
        const int rc = engine_call<EngineSlot::rskpida>(1, con, map, name.text, name.length, index++);
        if (rc > result) result = rc;
    }
    return result;
}
}  // namespace

int parameter_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const OperandText data = operand_text(node, kDataField);
    const RSKNAMEREC key = name_record(name), dataset = name_record(data);
    const CatalogArgument argument(node);
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rskpmxd>(1, con, &object, &key, argument.get(), data.length > 0 ? &dataset : nullptr,
                                         qor_option_bit(node, kLinearTransformationBit) ? 1 : 0,
                                         static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr || object->object == nullptr)
        return report_define_failed(kObjectWord, name);
    auto* matrix = static_cast<RSKPARMATRIX*>(object->object);
    int result = fill_map(con, &matrix->rows, node, kRowsField);
    const int columns = fill_map(con, &matrix->columns, node, kColumnsField);
    if (columns > result) result = columns;
    const int stored = store_definition(con, object, kObjectWord, name);
    return stored > result ? stored : result;
}

}  // namespace zozu

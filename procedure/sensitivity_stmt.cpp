// SENSITIVITY: a sensitivity analysis, the first (and with HESSIAN the cross) derivatives of the
// positions' values with respect to the listed risk factors, optionally theta and vega.
#include "engine/model/analyses/analyses.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kHessianBit = 2, kThetaBit = 3, kVegaBit = 4, kNumericBit = 5;
constexpr int kVariablesField = 4, kInstrumentIdField = 5, kInstrumentTypeField = 6;
const char kObjectWord[] = "sensitivity analysis";

OperandText name_or_text(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    if (f == nullptr || !f->given || f->value == nullptr) return {"", 0};
    if (f->kind == QOR_OPERAND_TEXT) return {static_cast<const char*>(f->value), f->used};
    if (f->kind == QOR_OPERAND_NAMES) {
        const char* text = static_cast<const char*>(f->value);
        return {text, static_cast<int>(strnlen(text, static_cast<size_t>(f->used)))};
    }
    return {"", 0};
}
}  // namespace

int sensitivity_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKCATOBJ* object = nullptr;
    RSKANALYSIS* analysis = get_analysis(con, node, &object);
    if (analysis == nullptr) return 1;
    const OperandText name = operand_text(node, kFieldName);
    const OperandText type = name_or_text(node, kInstrumentTypeField), id = name_or_text(node, kInstrumentIdField);
    const RSKNAMEREC type_key = name_record(type), id_key = name_record(id);
    if (engine_call<EngineSlot::rsadela>(1, con, analysis, static_cast<int32_t>(qor_option_bit(node, kThetaBit)),
                                         static_cast<int32_t>(qor_option_bit(node, kVegaBit)),
                                         static_cast<int32_t>(qor_option_bit(node, kHessianBit)),
                                         static_cast<int32_t>(qor_option_bit(node, kNumericBit)),
                                         type.length > 0 ? &type_key : nullptr, id.length > 0 ? &id_key : nullptr) != 0)
        return report_define_failed(kObjectWord, name);

    int result = 0;
    NameCursor variables(node, kVariablesField);
    for (OperandText variable; variables.next(&variable);) {
        if (variable.length == 0) continue;
        const RSKNAMEREC key = name_record(variable);
        if (engine_call<EngineSlot::rskvf>(static_cast<RSKVARIABLE*>(nullptr), con, &key) == nullptr) {
            xpmlog(670, 1153, variable.length, variable.text, name.length, name.text);
            result = 1;
            continue;
        }
        // A factor listed twice (-1) is kept once.
        if (engine_call<EngineSlot::rsafaca>(1, con, analysis, &key) > 0) {
            xpmlog(670, 1154, variable.length, variable.text, name.length, name.text);
            result = 1;
        }
    }
    if (result != 0) return result;
    return store_definition(con, object, kObjectWord, name);
}

}  // namespace zozu

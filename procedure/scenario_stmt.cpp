// SCENARIO / SCENARIOS: a scenario analysis, one market state with each listed risk factor moved
// by its amount (absolute, relative, set to a value, or in standard deviations).
#include "engine/model/analyses/analyses.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kTypeField = 4;
const char kObjectWord[] = "scenario analysis";
}  // namespace

int scenario_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKCATOBJ* object = nullptr;
    RSKANALYSIS* analysis = get_analysis(con, node, &object);
    if (analysis == nullptr) return 1;
    const OperandText name = operand_text(node, kFieldName);
    const int default_type = get_perturb_type(operand_number(node, kTypeField, 0), kPerturbAbsolute);
    if (engine_call<EngineSlot::rsascna>(1, con, analysis, static_cast<int32_t>(default_type)) != 0)
        return report_define_failed(kObjectWord, name);

    int result = 0;
    long long amount_at = 0;
    long long index = 0;
    NameCursor factors(node, kFactorsField + QOR_FACTOR_NAMES);
    for (OperandText factor; factors.next(&factor); ++index) {
        const long long amounts = static_cast<long long>(
            operand_list_number(node, kFactorsField + QOR_FACTOR_AMOUNT_COUNTS, index, 0));
        const long long first = amount_at;
        amount_at += amounts > 0 ? amounts : 0;
        const RSKNAMEREC key = name_record(factor);
        // A factor that is not a variable would shift nothing: reported, left out, and the
        // statement fails.
        if (engine_call<EngineSlot::rskvf>(static_cast<RSKVARIABLE*>(nullptr), con, &key) == nullptr) {
            xpmlog(670, 1071, factor.length, factor.text, name.length, name.text);
            result = 1;
            continue;
        }
        // A scenario is one state: a factor takes exactly one amount.
        if (amounts != 1) {
            xpmlog(670, 1073, factor.length, factor.text, static_cast<int>(amounts), name.length, name.text);
            result = 1;
            continue;
        }
        const double amount = operand_list_number(node, kFactorsField + QOR_FACTOR_AMOUNTS, first, 0);
        const int type =
            get_perturb_type(operand_list_number(node, kFactorsField + QOR_FACTOR_CODES, index, 0), default_type);
        if (engine_call<EngineSlot::rsafacp>(1, con, analysis, &key, amount, static_cast<uint32_t>(type)) != 0) {
            xpmlog(670, 1072, factor.length, factor.text, name.length, name.text);
            result = 1;
        }
    }
    // An analysis with a factor left out is not stored: it would run as a different scenario.
    if (result != 0) return result;
    return store_definition(con, object, kObjectWord, name);
}

}  // namespace zozu

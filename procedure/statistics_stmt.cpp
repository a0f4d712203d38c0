// STATISTICS: a portfolio statistics specification, the statistics (MAX, MEAN, ...) of the
// instrument variables listed under each; stored in the catalog.
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
// The statistics in grammar order; group g's members are in field kStatisticsFirstField + 10 g + 1.
const char* const kStatistics[] = {"MAX", "MEAN", "MIN", "N", "STD", "SUM", "WGT", "WGTMEAN"};
constexpr int kGroupWidth = 10, kMembersOffset = 1;
const char kObjectWord[] = "portfolio statistics specification";
}  // namespace

int statistics_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const RSKNAMEREC key = name_record(name);
    const CatalogArgument argument(node);
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rsktsgd>(1, con, &object, &key, argument.get(), static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr || object->object == nullptr)
        return report_define_failed(kObjectWord, name);
    auto* list = static_cast<RSKTRANSTATS*>(object->object);

    int result = 0;
    int group = 0;
    for (const char* statistic : kStatistics) {
        const int field = kStatisticsFirstField + kGroupWidth * group++ + kMembersOffset;
        NameCursor members(node, field);
        OperandText variable;
        if (!members.next(&variable)) continue;
        const int code = engine_call<EngineSlot::rskcdts>(0, con, statistic, text_length(statistic));
        if (code <= 0) {
            xpmlog(670, 1149, text_length(statistic), statistic, name.length, name.text);
            result = 1;
            continue;
        }
        do {
            if (variable.length == 0) continue;
            const RSKNAMEREC variable_key = name_record(variable);
            if (rskvar(con, &variable_key) == nullptr) {
                xpmlog(670, 1150, variable.length, variable.text, text_length(statistic), statistic);
                result = 1;
                continue;
            }
            if (engine_call<EngineSlot::rsktsga>(1, con, list, code, variable.text, variable.length,
                                                 static_cast<const char*>(nullptr), 0) != 0) {
                xpmlog(670, 1151, text_length(statistic), statistic, variable.length, variable.text);
                result = 1;
            }
        } while (members.next(&variable));
    }
    const int stored = store_definition(con, object, kObjectWord, name);
    return stored > result ? stored : result;
}

}  // namespace zozu

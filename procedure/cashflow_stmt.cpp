// CASHFLOW: a cash-flow analysis: traditional, Macaulay or modified durations, partial durations
// over listed risk factors, or the cash flows of the states of a named analysis, in buckets.
#include <strings.h>

#include "engine/model/analyses/analyses.h"
#include "host/missing.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kDurationField = 4, kAnalysisField = 5, kEvaluationDateField = 7;
constexpr int kAllBucketsBit = 2;
// Words of the DURATION choice, by their grammar code.
// (TRAD 2, CF 6 and NONE 8 keep the defaults.)
enum : int { kPartial = 1, kMacaulay = 3, kModified = 4, kSimple = 5, kCumulative = 7 };
// Methods of the cash-flow analysis.
enum : int32_t { kMethodTraditional = 0, kMethodEffective = 2, kMethodPartial = 3, kMethodNamed = 99 };
const char kObjectWord[] = "cash flow analysis";

bool is_word(const OperandText& text, const char* word) {
    const int length = text_length(word);
    return text.length == length && strncasecmp(text.text, word, static_cast<size_t>(length)) == 0;
}

}  // namespace

int cashflow_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKCATOBJ* object = nullptr;
    RSKANALYSIS* analysis = get_analysis(con, node, &object);
    if (analysis == nullptr) return 1;
    const OperandText name = operand_text(node, kFieldName);

    const double word = operand_number(node, kDurationField, 0);
    const int code = qor::is_missing(word) ? 0 : static_cast<int>(word);
    const int32_t duration = code == kMacaulay ? 1 : code == kModified ? 2 : 0;
    int32_t buckets = code == kSimple ? 1 : code == kCumulative ? 2 : 0;
    if (qor_option_bit(node, kAllBucketsBit)) buckets = 3;

    NameCursor names(node, kAnalysisField);
    OperandText first{"", 0};
    names.next(&first);
    int32_t method = kMethodTraditional;
    if (code == kPartial) method = kMethodPartial;
    else if (is_word(first, "EFFECTDUR")) method = kMethodEffective;
    else if (first.length > 0 && !is_word(first, "TRADITIONAL")) method = kMethodNamed;
    if (method == kMethodEffective) {
        xebug(" Effective duration approximation not done yet");
        return 1;
    }
    const RSKNAMEREC source = name_record(first);
    const double evaluation = operand_number(node, kEvaluationDateField, qor::make_missing());
    if (engine_call<EngineSlot::rsacfla>(1, con, analysis, method, buckets, duration,
                                         method == kMethodNamed ? &source : static_cast<const RSKNAMEREC*>(nullptr),
                                         evaluation, qor::make_missing()) != 0)
        return report_define_failed(kObjectWord, name);
    analysis->kind = RSKANL_CASHFLOW;

    // Partial durations are taken with respect to the listed risk factors.
    int result = 0;
    if (method == kMethodPartial) {
        NameCursor factors(node, kAnalysisField);
        for (OperandText factor; factors.next(&factor);) {
            if (factor.length == 0) continue;
            const RSKNAMEREC key = name_record(factor);
            if (engine_call<EngineSlot::rskvf>(static_cast<RSKVARIABLE*>(nullptr), con, &key) == nullptr) {
                xpmlog(670, 3521, factor.length, factor.text, name.length, name.text);
                result = 1;
                continue;
            }
            const int rc = engine_call<EngineSlot::rsafaca>(1, con, analysis, &key);
            if (rc > 0) {
                xpmlog(670, 3523, factor.length, factor.text, name.length, name.text);
                result = 1;
            }
        }
    }
    if (result != 0) return result;
    return store_definition(con, object, kObjectWord, name, 1081);
}

}  // namespace zozu

// PROJECT: a project, everything one run combines: the portfolio, filters, transformation sets,
// methods, analyses, classification, currency, reports, outputs, date, models, market data and
// statistics, with its own copy of the run options; stored in the catalog.
#include <cctype>

#include "engine/model/projects/projects.h"
#include "procedure/housekeeping.h"
#include "procedure/run_definitions.h"
#include "procedure/run_lists.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

enum : int {
    kPortfolioField = 4, kFilterField = 5, kRfTransField = 6, kProjectMethodsField = 7, kPostVarField = 8,
    kPostPriceField = 9, kAnalysesField = 10, kCrossClassField = 11, kNumeraireField = 12, kReportsField = 13,
    kRunDateField = 14, kModelsField = 15, kMarketDataField = 16, kStatisticsField = 17, kOutField = 19,
    kOutLibField = 20, kOutPathField = 21, kAlTypeField = 22,
};
constexpr int kNettingBit = 3, kAlTypeBit = 27;
const char kObjectWord[] = "project";
const char kStatementWord[] = "PROJECT";

// Adds one item; a refusal logs 670/1140 with the item word (none: the object word). The code.
int add_item(RSKCON* con, RSKPROJECT* project, int item, const RSKNAMEREC* name, double date, const char* word) {
    const int rc = engine_call<EngineSlot::rskprja>(1, con, project, item, name, date);
    if (rc != 0) {
        const char* shown = word != nullptr ? word : kObjectWord;
        xpmlog(670, 1140, text_length(shown), shown);
    }
    return rc;
}

// A look-up: whether an object of the name exists.
using Exists = bool (*)(RSKCON*, const RSKNAMEREC*);

bool portfolio_file_exists(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rsktdf>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}
bool filter_exists(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rskwhr>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}
bool transformation_set_exists(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rskprs>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}
bool analysis_exists(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rskanl>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}
bool report_exists(RSKCON* con, const RSKNAMEREC* n) {
    return catalog_call<CatalogSlot::rssrpt>(static_cast<void*>(nullptr), con, n) != nullptr ||
           engine_call<EngineSlot::rskrep>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr ||
           engine_call<EngineSlot::rskweb>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}
bool model_exists(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rskmod>(static_cast<RSKMODEL*>(nullptr), con, n) != nullptr;
}
bool source_exists(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rskids>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}
bool statistics_exist(RSKCON* con, const RSKNAMEREC* n) {
    return engine_call<EngineSlot::rsktsg>(static_cast<RSKCATOBJ*>(nullptr), con, n) != nullptr;
}

// Adds each name of a field (a name list or one name) that exists; a missing one logs its
// message (table 670) with the name and is left out. The largest code of the additions.
int add_named(RSKCON* con, RSKPROJECT* project, const statement_node* node, int field, int item, Exists exists,
              int missing, const char* word) {
    int result = 0;
    auto add = [&](const OperandText& name) {
        if (name.length == 0) return;
        const RSKNAMEREC key = name_record(name);
        if (!exists(con, &key)) {
            xpmlog(670, missing, name.length, name.text);
            return;
        }
        const int rc = add_item(con, project, item, &key, 0, word);
        if (rc > result) result = rc;
    };
    const OperandText single = operand_text(node, field);
    if (single.length > 0) {
        add(single);
        return result;
    }
    NameCursor names(node, field);
    for (OperandText name; names.next(&name);) add(name);
    return result;
}

// Adds the methods of one list kind, read with get_prmlist.
int add_methods(RSKCON* con, RSKPROJECT* project, const statement_node* node, int field, int kind, int item) {
    RSKNAMECELL* head = nullptr;
    RSKNAMECELL* tail = nullptr;
    int result = get_prmlist(con, qor_operand(node, field), &head, &tail, kStatementWord, kind);
    for (const RSKNAMECELL* cell = head; cell != nullptr; cell = cell->next) {
        const int rc = add_item(con, project, item, &cell->name.name, 0, "project method");
        if (rc > result) result = rc;
    }
    free_name_list(con, &head, &tail);
    return result;
}

int add_numeraire(RSKCON* con, RSKPROJECT* project, const statement_node* node) {
    const OperandText given = operand_text(node, kNumeraireField);
    if (given.length == 0) return 0;
    char code[4] = {};
    const bool three = given.length == 3;
    if (three)
        for (int i = 0; i < 3; ++i) code[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(given.text[i])));
    if (!three || engine_call<EngineSlot::rskcur>(static_cast<RSKCURRENCY*>(nullptr), con, code) == nullptr) {
        xpmlog(670, 1142, given.length, given.text);
        return 0;
    }
    const RSKNAMEREC key = name_record(code, 3);
    return add_item(con, project, RSKPRJ_NUMERAIRE, &key, 0, nullptr);
}

int add_text(RSKCON* con, RSKPROJECT* project, const statement_node* node, int field, int item) {
    const OperandText text = operand_text(node, field);
    if (text.length == 0) return 0;
    const RSKNAMEREC key = name_record(text);
    return add_item(con, project, item, &key, 0, nullptr);
}

int keep_largest(int result, int rc) { return rc > result ? rc : result; }

}  // namespace

int project_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const RSKNAMEREC key = name_record(name);
    const CatalogArgument argument(node);
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rskprjd>(1, con, &object, &key, argument.get(), static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr || object->object == nullptr)
        return report_define_failed(kObjectWord, name);
    auto* project = static_cast<RSKPROJECT*>(object->object);

    int result = 0;
    result = keep_largest(result, add_named(con, project, node, kPortfolioField, RSKPRJ_INSTRUMENT_DATA,
                                            &portfolio_file_exists, 1139, "portfolio file"));
    result = keep_largest(result, add_named(con, project, node, kFilterField, RSKPRJ_FILTER, &filter_exists, 1141,
                                            "portfolio filter"));
    result = keep_largest(result, add_named(con, project, node, kRfTransField, RSKPRJ_PRICING_SET,
                                            &transformation_set_exists, 1143, "transformation set"));
    result = keep_largest(result, add_methods(con, project, node, kProjectMethodsField, kProjectMethods,
                                              RSKPRJ_PROJECT_METHOD));
    result = keep_largest(result, add_methods(con, project, node, kPostVarField, kPostValuationMethods,
                                              RSKPRJ_POST_VALUATION));
    result = keep_largest(result, add_methods(con, project, node, kPostPriceField, kPostPricingMethods,
                                              RSKPRJ_POST_PRICING));
    result = keep_largest(result, add_named(con, project, node, kAnalysesField, RSKPRJ_ANALYSIS, &analysis_exists,
                                            1145, "analysis"));
    // The classification is checked where it is used: the project keeps the name it was given.
    result = keep_largest(result, add_text(con, project, node, kCrossClassField, RSKPRJ_CROSS_CLASS));
    if (qor_option_bit(node, kNettingBit))
        result = keep_largest(result, add_item(con, project, RSKPRJ_NETSET, nullptr, 0, nullptr));
    result = keep_largest(result, add_numeraire(con, project, node));
    result = keep_largest(result, add_named(con, project, node, kReportsField, RSKPRJ_REPORT, &report_exists, 1144,
                                            "report"));
    result = keep_largest(result, add_text(con, project, node, kOutField, RSKPRJ_OUTPUT));
    result = keep_largest(result, add_text(con, project, node, kOutPathField, RSKPRJ_OUTPUT_PATH));
    result = keep_largest(result, add_text(con, project, node, kOutLibField, RSKPRJ_OUTPUT_LIBRARY));
    const double run_date = operand_number(node, kRunDateField, 0);
    if (qor_operand(node, kRunDateField) != nullptr && qor_operand(node, kRunDateField)->given)
        result = keep_largest(result, add_item(con, project, RSKPRJ_DEFAULT_DATE, nullptr, run_date, nullptr));
    result = keep_largest(result, add_named(con, project, node, kModelsField, RSKPRJ_MODEL, &model_exists, 1146,
                                            "model"));
    result = keep_largest(result, add_named(con, project, node, kMarketDataField, RSKPRJ_INPUT_DATA, &source_exists,
                                            1147, "market data source"));
    result = keep_largest(result, add_named(con, project, node, kStatisticsField, RSKPRJ_STATISTICS,
                                            &statistics_exist, 1148, "statistics list"));
    if (qor_option_bit(node, kAlTypeBit)) {
        const OperandText altype = operand_text(node, kAlTypeField);
        const RSKNAMEREC altype_key = name_record(altype);
        const double altype_value = operand_number(node, kAlTypeField, 0);
        if (engine_call<EngineSlot::rskprja>(1, con, project, static_cast<int>(RSKPRJ_ALTYPE),
                                             altype.length > 0 ? &altype_key : nullptr,
                                             altype.length > 0 ? 0.0 : (altype_value != 0 ? altype_value : 1.0)) != 0) {
            xpmlog(670, 3520, name.length, name.text);
            result = keep_largest(result, 1);
        }
    }
    get_options(con, node, &project->options);
    return keep_largest(result, store_definition(con, object, kObjectWord, name));
}

}  // namespace zozu

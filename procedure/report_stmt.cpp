// REPORT: a batch report (a program run after the project) or, when any web option is given, a
// web report with its host, code base, addressees and bookmark; stored in the catalog.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "host/kernel.h"
#include "host/missing.h"
#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {
constexpr int kSourceField = 3, kDescriptionField = 4, kKindField = 5, kAddresseesField = 6,
              kBookmarkField = 7, kCodeBaseField = 8, kWebHostField = 9;
const char kBatchWord[] = "batch report";
const char kWebWord[] = "web report";
// The report kinds of the KIND word, by its code.
const char* const kKindWords[] = {"", "PLC", "PLS", "SIM"};

// The text of a field written as a name or text, or the number written, as text.
std::string any_text(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    if (f == nullptr || !f->given || f->value == nullptr) return {};
    if (f->kind == QOR_OPERAND_TEXT) return std::string(static_cast<const char*>(f->value), static_cast<size_t>(f->used));
    if (f->kind == QOR_OPERAND_NAMES) return std::string(static_cast<const char*>(f->value));
    if (f->kind == QOR_OPERAND_NUMBER) return std::to_string(static_cast<long long>(*static_cast<const double*>(f->value)));
    return {};
}

bool web_fields_given(const statement_node* node) {
    for (int f = kReportFirstWebField; f <= kReportLastWebField; ++f) {
        const operand_field* field = qor_operand(node, f);
        if (field != nullptr && field->given) return true;
    }
    return false;
}

const char* kind_word(const statement_node* node) {
    const double code = operand_number(node, kKindField, 0);
    return code >= 1 && code <= 3 ? kKindWords[static_cast<int>(code)] : "";
}
}  // namespace

int report_stmt(RSKCON* con, statement_node* node) {
    if (web_fields_given(node)) return webreport_stmt(con, node);
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const OperandText source = operand_text(node, kSourceField);
    if (source.length == 0) {
        xpmlog(670, 1092, name.length, name.text);
        return 1;
    }
    const OperandText description = operand_text(node, kDescriptionField);
    const char* kind = kind_word(node);
    const RSKNAMEREC key = name_record(name), path = name_record(source), described = name_record(description),
                     type = name_record(kind, text_length(kind));
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rskrepd>(1, con, &object, &key, description.length > 0 ? &described : nullptr, &path,
                                         type.length > 0 ? &type : nullptr, static_cast<const RSKNAMEREC*>(nullptr),
                                         static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr)
        return report_define_failed(kBatchWord, name);
    return store_definition(con, object, kBatchWord, name);
}

int webreport_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    const std::string host = any_text(node, kWebHostField);
    const std::string code_base = any_text(node, kCodeBaseField);
    if (host.empty()) {
        xpmlog(670, 1102, name.length, name.text);
        return 1;
    }
    if (code_base.empty()) {
        xpmlog(670, 1103, name.length, name.text);
        return 1;
    }
    const std::string bookmark_text = any_text(node, kBookmarkField);
    int bookmark = 0;
    if (!bookmark_text.empty()) {
        char* end = nullptr;
        const long value = std::strtol(bookmark_text.c_str(), &end, 10);
        if (end == bookmark_text.c_str() || *end != '\0' || value < 0 || value > 32767) {
            xpmlog(670, 1104, static_cast<int>(bookmark_text.size()), bookmark_text.c_str(), name.length, name.text);
            return 1;
        }
        bookmark = static_cast<int>(value);
    }
    // The addressees' records point into the node, which lives until the step ends.
    std::vector<RSKNAMEREC> addressees;
    try {
        NameCursor names(node, kAddresseesField);
        for (OperandText addressee; names.next(&addressee);)
            if (addressee.length > 0) addressees.push_back(name_record(addressee));
    } catch (const std::bad_alloc&) {
        xpmlog(598, 500);
        xexit(1016);
    }
    const OperandText description = operand_text(node, kDescriptionField);
    const OperandText category = operand_text(node, kSourceField);
    const double kind_code = operand_number(node, kKindField, 0);
    const RSKNAMEREC key = name_record(name), described = name_record(description), category_key = name_record(category),
                     host_key = name_record(host.c_str(), static_cast<int>(host.size())),
                     code_key = name_record(code_base.c_str(), static_cast<int>(code_base.size()));
    RSKCATOBJ* object = nullptr;
    if (engine_call<EngineSlot::rskwebd>(1, con, &object, &key, description.length > 0 ? &described : nullptr,
                                         category.length > 0 ? &category_key : nullptr, &host_key, &code_key,
                                         qor::is_missing(kind_code) ? 0 : static_cast<int>(kind_code),
                                         addressees.empty() ? nullptr : addressees.data(),
                                         static_cast<int>(addressees.size()), bookmark,
                                         static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        object == nullptr) {
        xpmlog(670, 1105, name.length, name.text);
        return 1;
    }
    return store_definition(con, object, kWebWord, name);
}

}  // namespace zozu

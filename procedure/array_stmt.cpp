// ARRAY / ARRAYS: defines an array risk factor with its role, currencies and time grid, then adds
// its elements and reference pairs; the statement answers the worst result met.
#include <cctype>
#include <cstring>

#include "engine/tables/variable_request.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/definition_handlers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

constexpr int kFieldRole = 4;
constexpr int kFieldElements = 5;
constexpr int kFieldRefMap = 6;
constexpr int kFieldTimeGrid = 7;
constexpr int kFieldCurrency = 8;
constexpr int kFieldFromCurrency = 9;
constexpr int kFieldToCurrency = 10;
constexpr int kFieldRoleText = 11;
constexpr int kRoleFx = 2;
constexpr uint32_t kDataTypeArray = 60;
constexpr uint32_t kClassRiskFactor = 2;

// Role words of VAR=, by the code the statement stores.
constexpr const char* kRoleWords[] = {"", "IR", "FX", "CATEGORY", "GROUP"};

int largest(int a, int b) { return a > b ? a : b; }

// A currency operand: absent, or three characters. false after the message when not.
bool currency_ok(const OperandText& text) {
    if (text.length == 0 || text.length == 3) return true;
    xpslog("ERROR: Invalid currency code used %.*s.", text.length, text.text);
    return false;
}

}  // namespace

int array_stmt(RSKCON* con, statement_node* node) {
    con->variables_pending = 1;
    con->types_pending = 1;
    con->methods_pending = 1;

    const OperandText name = operand_text(node, kFieldName);
    const double role_value = operand_number(node, kFieldRole, 0);
    const int role_index = qor::is_missing(role_value) || role_value < 0 || role_value > 4 ? 0 : static_cast<int>(role_value);
    // ROLE= names the role; without it the word of VAR= is the role.
    const OperandText role_operand = operand_text(node, kFieldRoleText);
    char role_text[64];
    const char* role_source = role_operand.length > 0 ? role_operand.text : kRoleWords[role_index];
    const int role_source_length = role_operand.length > 0 ? role_operand.length : static_cast<int>(std::strlen(role_source));
    const int role_length = role_source_length < 63 ? role_source_length : 63;
    for (int i = 0; i < role_length; ++i)
        role_text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(role_source[i])));
    role_text[role_length] = '\0';
    const int role = rskcdva(con, kClassRiskFactor, role_text, role_length);
    if (role == 999) {
        xpmlog(670, 1001, role_length, role_text, name.length, name.text);
        return 1;
    }

    // A currency code that is not three characters is not used: the array is not defined.
    const OperandText currency = operand_text(node, kFieldCurrency);
    const OperandText from = operand_text(node, kFieldFromCurrency);
    const OperandText to = operand_text(node, kFieldToCurrency);
    int result = 0;
    if (!currency_ok(currency) || !currency_ok(from) || !currency_ok(to)) {
        xpmlog(670, 1090, 5, "array", name.length, name.text);
        return 1;
    }
    if ((from.length > 0 || to.length > 0) && role_index != kRoleFx) {
        xpmlog(670, 1002, name.length, name.text);
        return 1;
    }

    RSKVARDEF r{};
    r.name = name.text;
    r.name_length = static_cast<int16_t>(name.length);
    const OperandText label = operand_text(node, kFieldLabel);
    r.label = label.text;
    r.label_length = static_cast<int16_t>(label.length);
    r.kind = kClassRiskFactor;
    r.data_type = kDataTypeArray;
    r.role = static_cast<uint32_t>(role);
    const OperandText own = to.length > 0 ? to : currency;
    r.currency = own.text;
    r.currency_length = static_cast<int16_t>(own.length);
    r.from_currency = from.text;
    r.from_currency_length = static_cast<int16_t>(from.length);
    const OperandText grid = operand_text(node, kFieldTimeGrid);
    r.lag_grid = grid.text;
    r.lag_grid_length = static_cast<int16_t>(grid.length);
    r.maturity = qor::make_missing();
    r.scale = qor::make_missing();
    r.environment = con->current_environment;

    RSKVARIABLE* array = nullptr;
    int rc = rskvard(con, &array, &r);
    if (rc != 0 || array == nullptr) {
        xpmlog(670, 1114, 5, "array", name.length, name.text);
        return rc != 0 ? rc : 1;
    }
    NameCursor elements(node, kFieldElements);
    OperandText e;
    while (elements.next(&e)) {
        if (rskarya(con, array, e.text, e.length) != 0) {
            xpmlog(670, 1005);
            result = largest(result, 1);
        }
    }
    NameCursor pairs(node, kFieldRefMap);
    OperandText a, b;
    while (pairs.next(&a)) {
        if (!pairs.next(&b) || rskvara(con, array, a.text, a.length, b.text, b.length) != 0) {
            xpmlog(670, 1090, 5, "array", name.length, name.text);
            result = largest(result, 1);
            break;
        }
    }
    return result;
}

}  // namespace zozu

// INSTRUMENT: defines an instrument type with its variables, default values and methods, then
// initialises it (unless NOSEQCHECK) and stores its actions in the catalog.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/print.h"
#include "procedure/definition_handlers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

constexpr int kFieldKind = 4;
constexpr int kFieldVariables = 5;
constexpr int kFieldDefaults = 6;
constexpr int kFieldMethods = 8;
constexpr int kFieldInput = 9;
constexpr int kFieldPrice = 10;
constexpr int kFieldValRecord = 11;
constexpr int kNameLimit = 32;

int largest(int a, int b) { return a > b ? a : b; }

// A variable name as the type keeps it: cut to 32, upper-cased; CPTYID is the system variable
// COUNTERPARTYID. Returns the length written into out (at least 33 bytes).
int type_variable_name(const OperandText& in, char* out) {
    int n = in.length < kNameLimit ? in.length : kNameLimit;
    for (int i = 0; i < n; ++i) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(in.text[i])));
    out[n] = '\0';
    if (n == 6 && std::memcmp(out, "CPTYID", 6) == 0) {
        std::memcpy(out, "COUNTERPARTYID", 15);
        n = 14;
    }
    return n;
}

// Sets one default value: the name list does not keep whether the value was quoted, so a value
// that reads whole as a number is numeric and any other is text. 0, or the failure's code after
// 670/1026.
int set_default(RSKCON* con, RSKINSTTYPE* type, const char* name, int name_length, const OperandText& value) {
    char text[64] = {};
    const int n = value.length < 63 ? value.length : 63;
    std::memcpy(text, value.text, static_cast<size_t>(n));
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text, &end);
    const bool numeric = n > 0 && end == text + n && errno == 0;
    const int rc = numeric ? rskdflt(con, type, name, name_length, number, nullptr, 0, 1)
                           : rskdflt(con, type, name, name_length, 0, value.text, value.length, 2);
    if (rc != 0) xpmlog(670, 1026);
    return rc;
}

// Attaches one method to an action named by text. 0, or the failure's code after its message.
int attach_method(RSKCON* con, RSKINSTTYPE* type, const OperandText& action, const OperandText& method) {
    char upper[64];
    const int n = action.length < 63 ? action.length : 63;
    for (int i = 0; i < n; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(action.text[i])));
    upper[n] = '\0';
    const int code = rskcdac(con, upper, n);
    if (code <= 0 || code == 999) {
        xpmlog(670, 1027);
        return 1;
    }
    const int rc = rskactd(con, type, code, method.text, method.length);
    if (rc != 0) xpmlog(670, 1028, n, upper);
    return rc;
}

}  // namespace

int instrument_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    con->types_pending = 1;

    const OperandText name = operand_text(node, kFieldName);
    const OperandText label = operand_text(node, kFieldLabel);
    const OperandText desc = operand_text(node, kFieldDesc);
    const double kind = operand_number(node, kFieldKind, 0);
    RSKINSTTYPE* type = nullptr;
    if (rskclsd(con, &type, name.text, name.length, label.text, label.length, desc.text, desc.length,
                kind == 1 ? 1 : 0, kind == 2 ? 1 : 0, con->current_environment) != 0 ||
        type == nullptr) {
        xpmlog(670, 1024, name.length, name.text);
        return 1;
    }

    int result = 0;
    NameCursor variables(node, kFieldVariables);
    OperandText v;
    while (variables.next(&v)) {
        char upper[kNameLimit + 1];
        const int n = type_variable_name(v, upper);
        const int rc = rskclsv(con, type, upper, n);
        if (rc != 0) xpmlog(670, 1025);
        result = largest(result, rc);
    }

    NameCursor defaults(node, kFieldDefaults);
    OperandText dname, dvalue;
    while (defaults.next(&dname)) {
        if (!defaults.next(&dvalue)) {
            xpmlog(670, 1026);
            result = largest(result, 1);
            break;
        }
        char upper[kNameLimit + 1];
        const int n = type_variable_name(dname, upper);
        result = largest(result, set_default(con, type, upper, n, dvalue));
    }

    NameCursor methods(node, kFieldMethods);
    OperandText action, method;
    while (methods.next(&action)) {
        if (!methods.next(&method)) method = {"", 0};
        result = largest(result, attach_method(con, type, action, method));
    }
    static constexpr struct { int field; const char* action; } kActionFields[] = {
        {kFieldInput, "INPUT"}, {kFieldPrice, "PRICE"}, {kFieldValRecord, "VALRECORD"}};
    for (const auto& a : kActionFields) {
        const OperandText m = operand_text(node, a.field);
        if (m.length > 0)
            result = largest(result, attach_method(con, type, {a.action, static_cast<int>(std::strlen(a.action))}, m));
    }
    if (result != 0) return result;

    if (!con->no_sequence_check && rskclsi(con, type) != 0) {
        xpmlog(670, 1137, name.length, name.text);
        return 1;
    }
    const int rc = rssclsa(con, type, 0);
    if (rc != 0) xpmlog(670, 1029, name.length, name.text);
    return rc;
}

}  // namespace zozu

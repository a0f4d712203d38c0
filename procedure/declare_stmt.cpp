// DECLARE: defines the variables of the eight classes from their groups of operand fields, each
// variable with its data type, role and options, and answers the worst result of all classes.
#include <strings.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "host/kernel.h"
#include "engine/tables/variable_request.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/counterparty_containers.h"
#include "procedure/definition_handlers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

// One class of DECLARE: its engine class code, the data-type table it uses and its label.
struct VariableClass {
    int class_code;
    int data_type_table;
    const char* label;
};

// In processing order; group i of the statement starts at kDeclareFirstField + 10 * i.
constexpr VariableClass kClasses[kDeclareClasses] = {
    {3, 2, "instrument variable"},  {2, 3, "risk factor variable"}, {6, 4, "reference variable"},
    {7, 5, "output variable"},      {8, 6, "project variable"},     {9, 7, "state variable"},
    {11, 8, "counterparty variable"}, {12, 9, "mitigation variable"},
};

constexpr int kNameLimit = 32;
constexpr int kCounterpartyClass = 11;
constexpr int kMitigationClass = 12;
constexpr int kUnitDay = 1;
constexpr int kUnitLast = 10;

int largest(int a, int b) { return a > b ? a : b; }

// Upper-cased copy of a text into a buffer of 64 bytes; the length kept.
int upper_copy(const OperandText& in, char out[64]) {
    int n = in.length < 63 ? in.length : 63;
    for (int i = 0; i < n; ++i) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(in.text[i])));
    out[n] = '\0';
    return n;
}

// Walks the option lists of one group in step with its members.
struct GroupCursor {
    const statement_node* node;
    int base;
    long long option_index = 0;     // next option of the group
    NameCursor texts;
    NameCursor elements;
    GroupCursor(const statement_node* n, int b)
        : node(n), base(b), texts(n, b + QOR_GROUP_TEXTS), elements(n, b + QOR_GROUP_ELEMENTS) {}
};

// Element lists and pairs of one variable, applied once the variable exists.
struct ElementLists {
    std::vector<OperandText> names;
};

// Everything that applying the options of one variable found.
struct VariableOptions {
    RSKVARDEF request{};
    char group[64] = {};
    ElementLists single;             // option 7: element names
    ElementLists pairs;              // option 15: element-name pairs
    int failed = 0;                  // an option that cannot be used: the variable is not stored
    int internal = 0;                // a bad option code (result 99)
    OperandText currency_from{nullptr, 0};
    OperandText currency_to{nullptr, 0};
};

// Reads one list option's element names (up to the empty name that ends the list).
void take_elements(GroupCursor& g, ElementLists& list) {
    OperandText e;
    while (g.elements.next(&e) && e.length > 0) list.names.push_back(e);
}

// A currency code option: three characters, or the option is refused.
bool currency_ok(const OperandText& text) {
    if (text.length == 3) return true;
    xpslog("ERROR: Invalid currency code used %.*s.", text.length, text.text);
    return false;
}

// Applies option `index` of the group to the definition request.
void apply_option(GroupCursor& g, VariableOptions& v) {
    const int code_value = static_cast<int>(operand_list_number(g.node, g.base + QOR_GROUP_OPTION_CODES, g.option_index, -1));
    const double value = operand_list_number(g.node, g.base + QOR_GROUP_VALUES, g.option_index, qor::make_missing());
    const double unit = operand_list_number(g.node, g.base + QOR_GROUP_VALUES2, g.option_index, qor::make_missing());
    OperandText text{"", 0};
    g.texts.next(&text);
    ++g.option_index;
    const int integer = qor::is_missing(value) ? 0 : static_cast<int>(value);
    RSKVARDEF& r = v.request;
    switch (code_value) {
        case 1: break;                                   // bounds: kept by no definition field
        case 2: {
            int n = upper_copy(text, v.group);
            r.group = v.group;
            r.group_length = static_cast<int16_t>(n);
            break;
        }
        case 3: r.label = text.text; r.label_length = static_cast<int16_t>(text.length); break;
        case 4:
            if (currency_ok(text)) v.currency_from = text;
            else v.failed = 1;
            break;
        case 5:
            if (currency_ok(text)) v.currency_to = text;
            else v.failed = 1;
            break;
        case 6: break;                                   // interval: checked by the grammar only
        case 7: take_elements(g, v.single); break;
        case 8: r.format = text.text; r.format_length = static_cast<int16_t>(text.length); break;
        case 9: break;                                   // description: no definition field
        case 10: {
            // The engine turns the value into years by its unit; a missing or unknown unit
            // counts days, and hours convert like the other units rather than read as years.
            r.maturity = value;
            int u = qor::is_missing(unit) ? 0 : static_cast<int>(unit);
            r.maturity_unit = static_cast<uint32_t>(u < kUnitDay || u > kUnitLast ? kUnitDay : u);
            break;
        }
        case 11: r.reference1 = text.text; r.reference1_length = static_cast<int16_t>(text.length); break;
        case 12: r.noholding = (!qor::is_missing(value) && value != 0) ? 0 : 1; break;
        case 13: r.lag_grid = text.text; r.lag_grid_length = static_cast<int16_t>(text.length); break;
        case 14: r.measurement_level = static_cast<uint32_t>(integer >= 0 && integer <= 2 ? integer : 0); break;
        case 15: take_elements(g, v.pairs); break;
        case 16: break;                                  // class: no definition field
        case 17: r.noshortpos = integer != 0 ? 0 : 1; break;
        case 18:
            r.rollup = static_cast<uint32_t>(integer > 0 ? integer : 0);
            r.drop = integer == 0 ? 1 : 0;
            break;
        case 19: r.nofx = integer != 0 ? 0 : 1; break;
        case 20: case 21: break;                         // extra value lists: no keyword writes them
        default:
            xebug("declare_variable: bad option code %g.", static_cast<double>(code_value));
            v.internal = 1;
            break;
    }
}

// With both currency options, the first is the "from" currency; alone it is the variable's own.
void place_currencies(VariableOptions& v) {
    RSKVARDEF& r = v.request;
    if (v.currency_to.text != nullptr) {
        r.currency = v.currency_to.text;
        r.currency_length = static_cast<int16_t>(v.currency_to.length);
        if (v.currency_from.text != nullptr) {
            r.from_currency = v.currency_from.text;
            r.from_currency_length = static_cast<int16_t>(v.currency_from.length);
        }
    } else if (v.currency_from.text != nullptr) {
        r.currency = v.currency_from.text;
        r.currency_length = static_cast<int16_t>(v.currency_from.length);
    }
}

// Adds the element names and pairs of a defined variable; 1 when any could not be added.
int add_elements(RSKCON* con, RSKVARIABLE* variable, const VariableOptions& v) {
    int rc = 0;
    const auto& pairs = v.pairs.names;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        if (rskvara(con, variable, pairs[i].text, pairs[i].length, pairs[i + 1].text, pairs[i + 1].length) != 0)
            rc = 1;
    if (pairs.size() % 2 != 0) rc = 1;
    for (const OperandText& e : v.single.names)
        if (rskvarb(con, variable, e.text, e.length) != 0) rc = 1;
    return rc;
}

}  // namespace

int declare_variables(RSKCON* con, int class_index, const statement_node* node) {
    const VariableClass& c = kClasses[class_index];
    const int base = kDeclareFirstField + QOR_GROUP_FIELDS * class_index;
    const double count_value = operand_number(node, base + QOR_GROUP_COUNT, 0);
    const long long count = qor::is_missing(count_value) ? 0 : static_cast<long long>(count_value);
    if (count <= 0) return 0;

    // Counterparty and mitigation variables live in their container as well: it is built (or
    // widened) first, and without it the class defines nothing.
    if (c.class_code == kCounterpartyClass && initialize_cpty_con(con, static_cast<int>(count)) != 0) {
        xpmlog(598, 7720);
        return 1;
    }
    if (c.class_code == kMitigationClass && initialize_mit_con(con, static_cast<int>(count)) != 0) {
        xpmlog(598, 319);
        return 1;
    }

    int result = 0;
    NameCursor names(node, base + QOR_GROUP_MEMBERS);
    NameCursor types(node, base + QOR_GROUP_ATTRIBUTE1);
    NameCursor roles(node, base + QOR_GROUP_ATTRIBUTE2);
    GroupCursor g(node, base);
    for (long long i = 0; i < count; ++i) {
        OperandText name{"", 0}, type{"", 0}, role{"", 0};
        names.next(&name);
        types.next(&type);
        roles.next(&role);
        const long long option_end = static_cast<long long>(
            operand_list_number(node, base + QOR_GROUP_OPTION_ENDS, i, static_cast<double>(g.option_index)));

        // The counterparty's identifier, under either name, is the container's own CPTYID: it is
        // there already. Any other reserved name cannot be declared and fails the class.
        if (c.class_code == kCounterpartyClass && name.length == 14 && strncasecmp(name.text, "COUNTERPARTYID", 14) == 0)
            name = {"CPTYID", 6};
        if (cpty_system_variable(name.text, name.length) || mit_system_variable(name.text, name.length)) {
            const bool own_id = c.class_code == kCounterpartyClass && name.length == 6 &&
                                strncasecmp(name.text, "CPTYID", 6) == 0;
            if (!own_id) {
                xpmlog(598, 7743, name.length, name.text);
                result = largest(result, 1);
            }
            VariableOptions skipped;     // its options are passed over with it
            while (g.option_index < option_end) apply_option(g, skipped);
            continue;
        }
        if (name.length > kNameLimit) {
            xpmlog(670, 1085, name.length, name.text, kNameLimit);
            name.length = kNameLimit;
        }
        char type_text[64], role_text[64];
        const int type_length = upper_copy(type, type_text);
        const int role_length = upper_copy(role, role_text);
        int variable_rc = 0;
        const int data_type = rskcddt(con, c.data_type_table, type_text, type_length);
        if (data_type == 999) {
            xpmlog(670, 1112, type_length, type_text);
            variable_rc = 1;
        }
        const int role_code = rskcdva(con, c.class_code, role_text, role_length);
        if (role_code == 999) {
            xpmlog(670, 1113, role_length, role_text);
            variable_rc = 1;
        }

        VariableOptions v;
        while (g.option_index < option_end) apply_option(g, v);
        if (v.internal) result = largest(result, 99);
        if (variable_rc != 0) {
            result = largest(result, variable_rc);
            continue;
        }
        if (v.failed) {
            xpmlog(670, 1090, 8, "variable", name.length, name.text);
            result = largest(result, 1);
            continue;
        }
        place_currencies(v);
        RSKVARDEF& r = v.request;
        r.name = name.text;
        r.name_length = static_cast<int16_t>(name.length);
        r.kind = static_cast<uint32_t>(c.class_code);
        r.data_type = static_cast<uint32_t>(data_type);
        r.role = static_cast<uint32_t>(role_code);
        r.scale = qor::make_missing();
        if (r.maturity_unit == 0) r.maturity = qor::make_missing();
        r.environment = con->current_environment;

        RSKVARIABLE* variable = nullptr;
        int rc = rskvard(con, &variable, &r);
        if (rc != 0 || variable == nullptr) {
            xpmlog(670, 1114, 8, "variable", name.length, name.text);
            result = largest(result, rc != 0 ? rc : 1);
            continue;
        }
        int added = 0;
        if (c.class_code == kCounterpartyClass || c.class_code == kMitigationClass) {
            const int rc_container =
                c.class_code == kCounterpartyClass
                    ? con_add_cpty_var(con, name.text, name.length, r.label, r.label_length, role_text, role_length,
                                       data_type, variable)
                    : con_add_mit_var(con, name.text, name.length, r.label, r.label_length, role_text, role_length,
                                      data_type, variable);
            if (rc_container != 0) {
                xpmlog(598, 7722, name.length, name.text);
                added = 1;
            }
        }
        if (add_elements(con, variable, v) != 0) added = 1;
        if (added != 0) {
            xpmlog(670, 1090, 8, "variable", name.length, name.text);
            result = largest(result, 1);
        }
    }
    return result;
}

int declare_stmt(RSKCON* con, statement_node* node) {
    con->variables_pending = 1;
    con->types_pending = 1;
    con->methods_pending = 1;
    con->last_variable_definition = wzdttme();
    // Every class runs whatever the others answer; the statement answers the worst of them, so
    // a class that failed is never reported as success.
    int result = 0;
    for (int i = 0; i < kDeclareClasses; ++i) {
        int rc = declare_variables(con, i, node);
        if (rc != 0) xpmlog(670, 1111, static_cast<int>(std::strlen(kClasses[i].label)), kClasses[i].label);
        result = largest(result, rc);
    }
    return result;
}

}  // namespace zozu

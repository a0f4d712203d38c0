// Compile-time checks of the pricing special functions: argument counts and kinds, the variables
// that arguments name, the marks the compiler needs on arguments, and the function-use bits that
// tell the method compile which families a method calls. A check logs its message and refuses.
#include <cstring>

#include "engine/compiler/special_functions.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

constexpr uint32_t kParameterMatrix = 70;
constexpr uint32_t kYieldCurveType = 321;
constexpr uint32_t kFxCurveType = 341;
constexpr uint32_t kLagReference = 1;
constexpr uint32_t kArrayReference = 60;

RSKCON* con_of(void* context) { return context != nullptr ? static_cast<RSKCMPCON*>(context)->con : nullptr; }

void use(void* context, uint16_t bits) {
    if (context != nullptr) static_cast<RSKCMPCON*>(context)->function_use |= bits;
}

int refuse(const cmp_call_node* call, char* message, int size) {
    if (message != nullptr && size > 0) xpsstr(message, size, "%s refused its arguments", call->function);
    return 1;
}

bool omitted(const cmp_arg_node& a) { return a.kind == CMP_ARG_OMITTED; }
bool literal(const cmp_arg_node& a) { return a.kind == CMP_ARG_LITERAL; }
bool char_literal(const cmp_arg_node& a) { return a.kind == CMP_ARG_LITERAL && a.type == 'c'; }
bool variable(const cmp_arg_node& a) { return a.kind == CMP_ARG_VARIABLE; }
bool numeric(const cmp_arg_node& a) { return a.type == 'n'; }
// A literal, or a value of character type.
bool character_value(const cmp_arg_node& a) { return a.kind == CMP_ARG_LITERAL || a.type == 'c'; }

RSKVARIABLE* env_variable(RSKCON* con, const char* name, int length) {
    if (con == nullptr || name == nullptr || length <= 0 || length > 255) return nullptr;
    RSKNAMEREC rec{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    return rskvar(con, &rec);
}

int base_length(const cmp_arg_node& a) {
    int n = 0;
    while (n < a.text_length && a.text[n] != '.') ++n;
    return n;
}

// A curve argument: a risk factor of the curve type written without a point, or a reference
// variable of reference type 1 or 60. 0 accepted; otherwise the message given.
int check_curve(RSKCON* con, const cmp_arg_node& a, uint32_t curve_type, int number, const char* function,
                const char* what) {
    if (a.text == nullptr || literal(a)) {
        xpmlog(670, 3602, number, function, what);
        return 1;
    }
    int base = base_length(a);
    RSKVARIABLE* v = env_variable(con, a.text, base);
    if (v != nullptr && v->kind == RSKVKIND_FACTOR) {
        // A curve is a risk factor of the curve type, or an array of risk factors of that role.
        const bool curve = v->data_type == curve_type || (v->data_type == RSKDTYPE_ARRAY && v->role == curve_type);
        if (curve && base == a.text_length) return 0;
        xpmlog(670, 3604, a.text_length, a.text);
        return 1;
    }
    if (v != nullptr && v->kind == RSKVKIND_REFERENCE && (v->data_type == kLagReference || v->data_type == kArrayReference))
        return 0;
    xpmlog(670, 3602, number, function, what);
    return 1;
}

bool square_count(int count) {
    if (count <= 0) return true;   // unsized
    for (int r = 1; r * r <= count; ++r)
        if (r * r == count) return true;
    return false;
}

int matrix_function(void* context, cmp_call_node* call, char* message, int size) {
    RSKCON* con = con_of(context);
    if (call->nargs != 3) {
        xpmlog(598, 3924, call->function);
        return refuse(call, message, size);
    }
    const cmp_arg_node& first = call->args[0];
    if (first.text != nullptr && !literal(first) &&
        checkArg(con, first.text, first.text_length, RSKVKIND_PARMAT, kParameterMatrix, nullptr, nullptr, 1) == 0) {
        // a parameter matrix: its storage is checked when the run binds it
    } else if (first.kind == CMP_ARG_ARRAY && numeric(first)) {
        if (!square_count(first.dimension)) {
            xpmlog(670, 3803, call->function);
            return refuse(call, message, size);
        }
    } else {
        xpslog("%%1zFirst argument to %s must be an array or a Parameter Matrix.", call->function);
        return refuse(call, message, size);
    }
    if (!numeric(call->args[2])) {
        xpmlog(670, 3802, call->function);
        return refuse(call, message, size);
    }
    const cmp_arg_node& result = call->args[1];
    if (result.kind == CMP_ARG_ARRAY && result.dimension > 0) {
        xpmlog(670, 3804, call->function);
        return refuse(call, message, size);
    }
    if (result.text != nullptr && env_variable(con, result.text, result.text_length) != nullptr) {
        xpmlog(670, 3805, result.text_length, result.text, call->function);
        return refuse(call, message, size);
    }
    if (result.kind != CMP_ARG_ARRAY && result.kind != CMP_ARG_VARIABLE) {
        xpmlog(670, 3804, call->function);
        return refuse(call, message, size);
    }
    return 0;
}

}  // namespace

int rskpme0(void* context, cmp_call_node* call, char* message, int size) {
    RSKCON* con = con_of(context);
    if (call->nargs != 4) {
        xpmlog(598, 3331, "PMXELEM", 4);
        return refuse(call, message, size);
    }
    const cmp_arg_node* a = call->args;
    if (a[0].text == nullptr || literal(a[0]) ||
        checkArg(con, a[0].text, a[0].text_length, RSKVKIND_PARMAT, kParameterMatrix, nullptr, nullptr, 0) != 0)
        return refuse(call, message, size);
    if (omitted(a[1]) && omitted(a[2])) {
        xpmlog(598, 3326);
        return refuse(call, message, size);
    }
    int kind = omitted(a[2]) ? RSKLP_PMX_ROW : omitted(a[1]) ? RSKLP_PMX_COLUMN : RSKLP_PMX_ELEMENT;
    const cmp_arg_node& target = a[3];
    if (kind != RSKLP_PMX_ELEMENT) {
        if (target.text != nullptr && env_variable(con, target.text, target.text_length) != nullptr) {
            xpmlog(670, 3805, target.text_length, target.text, "PMXELEM");
            return refuse(call, message, size);
        }
    } else if (!variable(target) || !numeric(target)) {
        xpmlog(598, 3330);
        return refuse(call, message, size);
    }
    static const char* const kWhich[2] = {"row", "column"};
    static const char* const kOrdinal[2] = {"2nd", "3rd"};
    for (int i = 1; i <= 2; ++i) {
        const cmp_arg_node& s = a[i];
        if (omitted(s) || literal(s) || variable(s)) continue;
        xpmlog(598, 3323, kOrdinal[i - 1], kWhich[i - 1], "PMXELEM");
        return refuse(call, message, size);
    }
    return 0;
}

int rsklgn0(void* context, cmp_call_node* call, char* message, int size) {
    if (call->nargs != 2) {
        xpmlog(598, 3331, "RLAG", 2);
        return refuse(call, message, size);
    }
    const cmp_arg_node& lagged = call->args[0];
    if (literal(lagged) || lagged.text == nullptr) {
        xpmlog(598, 3332);
        return refuse(call, message, size);
    }
    if (checkArg(con_of(context), lagged.text, lagged.text_length, RSKVKIND_FACTOR, kLagReference, nullptr, nullptr, 0) != 0)
        return refuse(call, message, size);
    return 0;
}

int cshflw0(void* context, cmp_call_node* call, char* message, int size) {
    RSKCON* con = con_of(context);
    const char* name = call->function;
    if (std::strcmp(name, "N_CASH_FLOWS") == 0) {
        use(context, RSKFN_N_CASH_FLOWS);
        return 0;
    }
    if (std::strcmp(name, "CF_VERTICES") == 0) {
        use(context, RSKFN_CF_VERTICES);
        // Argument 2 is the literal name of the curve variable; 3 to 6 are written by the body.
        if (checkRefArg(con, &call->args[1], name, 2) != 0) return refuse(call, message, size);
        call->args[1].flags[0] |= CMP_ARGF_LITERAL_NAME;
        for (int i = 2; i < 6; ++i) call->args[i].flags[0] |= CMP_ARGF_BY_REFERENCE;
        return 0;
    }
    // CASHFLOW and CASH_FLOW; CASH_FLOW has one argument more before the optional ones.
    use(context, RSKFN_CASHFLOW);
    const int fixed = std::strcmp(name, "CASH_FLOW") == 0 ? 5 : 4;
    if (call->nargs < fixed) {
        xpmlog(598, 3331, name, fixed);
        return refuse(call, message, size);
    }
    for (int i = 1; i < 4; ++i) call->args[i].flags[0] |= CMP_ARGF_BY_REFERENCE;
    int next = fixed;
    if (next < call->nargs) {   // the rate
        const cmp_arg_node& rate = call->args[next];
        if (!omitted(rate)) {
            use(context, RSKFN_CASHFLOW_RATE);
            if (!numeric(rate)) {
                xpmlog(598, 3432, next + 1, "CASHFLOW", "numeric value");
                return refuse(call, message, size);
            }
        }
        ++next;
    }
    if (next < call->nargs) {   // the curve's reference variable
        if (checkRefArg(con, &call->args[next], name, next + 1) != 0) return refuse(call, message, size);
        call->args[next].flags[0] |= CMP_ARGF_LITERAL_NAME;
    }
    return 0;
}

int rskder0(void* context, cmp_call_node* call, char* message, int size) {
    use(context, RSKFN_SET_DER);
    if (call->nargs != 5 && call->nargs != 6) {
        xpmlog(598, 3331, "SET_DER", 5);
        return refuse(call, message, size);
    }
    for (int i = 0; i < call->nargs; ++i)
        if (variable(call->args[i]) || call->args[i].kind == CMP_ARG_ARRAY) call->args[i].flags[0] |= CMP_ARGF_BY_REFERENCE;
    if (call->nargs == 6 && !numeric(call->args[5])) {
        xpmlog(598, 3927, "SET_DER");
        return refuse(call, message, size);
    }
    return 0;
}

int rskpvcf0(void* context, cmp_call_node* call, char* message, int size) {
    RSKCON* con = con_of(context);
    use(context, RSKFN_PV_CASHFLOW);
    if (call->nargs < 4 || call->nargs > 5) {
        xpmlog(670, 3601, "PV_CASHFLOW");
        return refuse(call, message, size);
    }
    cmp_arg_node* a = call->args;
    if (!numeric(a[0])) {
        xpmlog(670, 3602, 1, "PV_CASHFLOW", "numeric value");
        return refuse(call, message, size);
    }
    for (int i = 1; i <= 2; ++i)
        if (!omitted(a[i]) && a[i].kind != CMP_ARG_ARRAY) {
            xpmlog(670, 3602, i + 1, "PV_CASHFLOW", "matrix or array");
            return refuse(call, message, size);
        }
    if (call->nargs == 4)
        return check_curve(con, a[3], kYieldCurveType, 4, "PV_CASHFLOW", "yield curve") != 0 ? refuse(call, message, size) : 0;
    if (checkRefArg(con, &a[3], "PV_CASHFLOW", 4) != 0) return refuse(call, message, size);
    a[3].flags[0] |= CMP_ARGF_LITERAL_NAME;
    if (!character_value(a[4]) || a[4].kind == CMP_ARG_EXPRESSION) {
        xpmlog(670, 3613, "PV_CASHFLOW");
        return refuse(call, message, size);
    }
    return 0;
}

int rskregfx0(void* context, cmp_call_node* call, char* message, int size) {
    RSKCON* con = con_of(context);
    use(context, RSKFN_REGISTER_FX);
    if (call->nargs == 1)
        return check_curve(con, call->args[0], kFxCurveType, 1, "REGISTER_FX", "fx curve") != 0 ? refuse(call, message, size) : 0;
    if (call->nargs != 2) {
        xpmlog(670, 3601, "REGISTER_FX");
        return refuse(call, message, size);
    }
    if (checkRefArg(con, &call->args[0], "REGISTER_FX", 1) != 0) return refuse(call, message, size);
    call->args[0].flags[0] |= CMP_ARGF_LITERAL_NAME;
    if (!character_value(call->args[1])) {
        xpmlog(670, 3613, "REGISTER_FX");
        return refuse(call, message, size);
    }
    return 0;
}

int rskgetfx0(void* context, cmp_call_node* call, char* message, int size) {
    use(context, RSKFN_GET_FX_SPOT);
    if (call->nargs != 1) {
        xpmlog(670, 3601, "GET_FX_SPOT");
        return refuse(call, message, size);
    }
    if (!character_value(call->args[0])) {
        xpmlog(670, 3613, "GET_FX_SPOT");
        return refuse(call, message, size);
    }
    if (literal(call->args[0])) call->args[0].flags[0] |= CMP_ARGF_LITERAL_NAME;
    return 0;
}

int rskoutv0(void* context, cmp_call_node* call, char* message, int size) {
    RSKCON* con = con_of(context);
    const char kind = call->method_kind;
    if (kind != RSKMKIND_POSTVAR && kind != RSKMKIND_POSTPRICE) {
        xpmlog(598, 3925);
        return refuse(call, message, size);
    }
    if (call->nargs != 3) {
        xpmlog(598, 3926);
        return refuse(call, message, size);
    }
    const cmp_arg_node& statistic = call->args[0];
    static const char* const kBoth[] = {"MTM", "VALUE"};
    static const char* const kPostvarOnly[] = {"MIN", "MAX", "VAR", "STD", "MEAN", "VAR_L", "VAR_U", "MEDIAN"};
    auto is = [&](const char* word) {
        return statistic.text_length == static_cast<int>(std::strlen(word)) &&
               strncasecmp(statistic.text, word, static_cast<size_t>(statistic.text_length)) == 0;
    };
    bool known_both = false, known_postvar = false;
    if (char_literal(statistic)) {
        for (const char* w : kBoth) known_both = known_both || is(w);
        for (const char* w : kPostvarOnly) known_postvar = known_postvar || is(w);
    }
    if (!known_both && !known_postvar) {
        xpmlog(670, 3617);
        return refuse(call, message, size);
    }
    if (known_postvar && kind != RSKMKIND_POSTVAR) {
        xpmlog(670, 3619, statistic.text_length, statistic.text, "postprice");
        return refuse(call, message, size);
    }
    const cmp_arg_node& target = call->args[1];
    RSKVARIABLE* v = char_literal(target) ? env_variable(con, target.text, target.text_length) : nullptr;
    if (v == nullptr) {
        xpmlog(670, 3621, target.text_length, target.text != nullptr ? target.text : "");
        return refuse(call, message, size);
    }
    if (v->kind != RSKVKIND_SYSTEM && v->kind != RSKVKIND_OUTPUT) {
        xpmlog(670, 3618, target.text_length, target.text);
        return refuse(call, message, size);
    }
    const RSKSYSVARS* sys = con->system_variables;
    bool result = sys != nullptr && (v == sys->value || v == sys->return_value);
    if (v->data_type != RSKDTYPE_ARRAY && !result) {
        xpmlog(670, 3622, target.text_length, target.text);
        return refuse(call, message, size);
    }
    v->dependencies.flags |= RSKDEP_OUTPUT_VECTOR;
    return 0;
}

int rskant0(void*, cmp_call_node* call, char*, int) {
    for (int i = 0; i < call->nargs; ++i)
        if (literal(call->args[i])) call->args[i].flags[0] |= CMP_ARGF_LITERAL_NAME;
    return 0;
}

int rskmlvl0(void*, cmp_call_node*, char*, int) { return 0; }

int rskmpw0(void* context, cmp_call_node* call, char* message, int size) {
    return matrix_function(context, call, message, size);
}

int rskmexp0(void* context, cmp_call_node* call, char* message, int size) {
    return matrix_function(context, call, message, size);
}

// Compiling method objects: each method in a compile of its own through the environment's compile
// handle, its statements pushed one by one, then the rules of its kind checked over the names the
// compiled program reads and assigns; and the rebuild that compiles every method.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/method_checks.h"
#include "engine/compiler/method_objects.h"
#include "engine/model/variables/variables.h"
#include "host/compiler.h"
#include "host/print.h"

namespace {

constexpr const char kEntryType[] = "RODI24";

// The functions a method of a kind other than pricing may not call, in the order they are
// tested, with their bits in the compile handle's function-use word.
struct PricingFunction {
    uint16_t bit;
    const char* name;
};
constexpr PricingFunction kPricingFunctions[] = {
    {RSKFN_CASHFLOW, "CASHFLOW"},
    {RSKFN_SET_DER, "SET_DER"},
    {RSKFN_N_CASH_FLOWS, "N_CASH_FLOWS"},
    {RSKFN_CF_VERTICES, "CF_VERTICES"},
};

// A statement of the source as the compiler takes it: ended by its ';' (the source keeps the
// statements without it, as the METHOD statement's body gives them).
bool is_end_marker(const char* statement) { return std::strcmp(statement, CMP_END_MARKER) == 0; }

bool same_name(const char* upper_name, const RSKVARIABLE* variable) {
    if (variable == nullptr) return false;
    const RSKNAMEREC& n = variable->name.name;
    if (std::strlen(upper_name) != n.length) return false;
    for (size_t i = 0; i < n.length; ++i)
        if (upper_name[i] != std::toupper(static_cast<unsigned char>(n.text[i]))) return false;
    return true;
}

// Walks the compiled program's names after the end marker: the price flags, the cast suffixes,
// the two-level names, and the variable uses. The count of refused uses.
int check_program_names(RSKGENTRANS* method, RSKCMPCON* handle, int mode) {
    RSKCON* con = method->con;
    cmp_session* program = handle->compilation.program;
    const RSKSYSVARS* system = con->system_variables;
    int refused = 0;
    for (cmp_symbol* symbol = cmplstv(program); symbol != nullptr; symbol = cmpsymnext(symbol)) {
        const int flags = cmpsymflags(symbol);
        if ((flags & (CMP_SYM_READ | CMP_SYM_ASSIGNED)) == 0) continue;
        const char* name = cmpsymname(symbol);
        if (flags & CMP_SYM_ASSIGNED) {
            if (system != nullptr && same_name(name, system->value)) method->assigns_price = 1;
            if (system != nullptr && same_name(name, system->cashflow)) method->assigns_second = 1;
        }
        refused += check_method_name(method, handle, symbol, name, flags, mode);
    }
    return refused;
}

// A broken rule of the method's kind: logged, or with mode 1 kept in the handle's log buffer.
void report_rule(RSKCMPCON* handle, int mode, int number, const char* function, const RSKGENTRANS* method) {
    char text[512];
    const int name_length = method != nullptr ? static_cast<int>(method->name.name.length) : 0;
    const char* name = method != nullptr ? method->name.name.text : "";
    if (function != nullptr)
        xpmstr(text, sizeof text, 598, number, static_cast<int>(std::strlen(function)), function, name_length, name);
    else
        xpmstr(text, sizeof text, 598, number, name_length, name);
    rsk_method_report(handle, mode, text);
}

}  // namespace

void rsk_method_report(RSKCMPCON* handle, int mode, const char* text) {
    if (mode == 0 || text == nullptr) return;
    if (mode >= 2) {
        xpslog("%s", text);
        return;
    }
    // Mode 1: the text goes after what the log buffer holds, as far as it fits.
    const int room = static_cast<int>(handle->log_size) - 1 - static_cast<int>(handle->log_length);
    if (room <= 1) return;
    int n = static_cast<int>(std::strlen(text));
    const bool newline = handle->log_length > 0;
    if (newline) handle->log[handle->log_length++] = '\n';
    n = std::min(n, room - (newline ? 1 : 0));
    std::memcpy(handle->log + handle->log_length, text, static_cast<size_t>(n));
    handle->log_length = static_cast<uint16_t>(handle->log_length + n);
    handle->log[handle->log_length] = '\0';
}

int rsktrn_catalogs(RSKCON* con, cmp_session* program) {
    if (con == nullptr || program == nullptr) return 0;
    std::vector<cmp_method_catalog> chain;
    for (const RSKENVCELL* cell = con->inherit_first; cell != nullptr; cell = cell->next) {
        const RSKENV* environment = cell->environment;
        if (environment == nullptr || environment->name.name.length == 0) continue;
        int library_length = 8;
        while (library_length > 0 && (environment->libref[library_length - 1] == ' ' ||
                                      environment->libref[library_length - 1] == '\0'))
            --library_length;
        if (library_length == 0) continue;
        chain.push_back({environment->libref, library_length, environment->name.name.text,
                         static_cast<int>(environment->name.name.length)});
    }
    if (chain.empty()) return 0;
    return rsxcat(chain.data(), static_cast<int>(chain.size()), kEntryType, static_cast<int>(sizeof kEntryType - 1),
                  program) > 0
               ? 0
               : 1;
}

int rskitrn(RSKGENTRANS* context) {
    if (context == nullptr || context->con == nullptr) return 1;
    RSKCON* con = context->con;
    if (con->compile_handle != nullptr && con->compile_handle->current_method != nullptr)
        rskctrn(con->compile_handle->current_method);
    // A compile that took its end marker takes no more statements: every method opens afresh.
    int rc = rskicmp(0, 0, con, 0);
    if (rc != 0) return rc;
    RSKCMPCON* handle = con->compile_handle;
    if (handle == nullptr) return 1;
    std::memset(handle->label_counters, 0, sizeof handle->label_counters);
    handle->declare_hook = 1;
    context->handle = handle;
    // A RUNMETHOD of a method no statement defines is read from the environment's catalogs,
    // which the compile open listed.
    context->program = handle->compilation.program;
    return 0;
}

void rskctrn(RSKGENTRANS* context) {
    if (context == nullptr) return;
    RSKCMPCON* handle = context->handle;
    if (handle != nullptr && handle->current_method == context) handle->current_method = nullptr;
    context->handle = nullptr;
    context->program = nullptr;
}

int rskptrn(RSKGENTRANS* context, const char* statement, char kind, int mode) {
    RSKCMPCON* handle = context->handle;
    if (handle == nullptr || statement == nullptr) return CMP_ERROR;
    handle->phase_letter = kind;
    const int pushed = rskpush(handle, statement, 0, mode);
    if (pushed > 0 || !is_end_marker(statement)) return pushed;

    handle->log_length = 0;
    handle->error_length = 0;
    if (handle->log != nullptr) handle->log[0] = '\0';
    if (handle->error != nullptr) handle->error[0] = '\0';
    context->assigns_price = 0;
    context->assigns_second = 0;
    bool broken = check_program_names(context, handle, mode) > 0;
    RSKGENTRANS* current = handle->current_method;
    if (kind == 'P' && !context->assigns_price) {
        report_rule(handle, mode, current != nullptr ? 1209 : 1217, nullptr, current);
        broken = true;
    } else if (kind != 'P') {
        for (const PricingFunction& f : kPricingFunctions) {
            if ((handle->function_use & f.bit) == 0) continue;
            report_rule(handle, mode, current != nullptr ? 1208 : 1215, f.name, current);
            broken = true;
            break;
        }
    }
    return broken ? -3 : pushed;
}

int rsktrns(RSKCON* con, RSKGENTRANS* method, int mode) {
    if (con == nullptr || method == nullptr) return 1;
    method->con = con;
    const char kind = method->kind;
    method->compiled = 0;
    int rc = rskitrn(method);
    if (rc != 0) return rc;
    RSKCMPCON* handle = method->handle;
    handle->current_method = method;
    if (method->statement_count <= 0) {
        method->compiled = 1;
        return 0;
    }
    // Every statement is pushed, so that each error is reported; any refusal fails the method.
    bool refused = false;
    int last = 0;
    std::string statement;
    for (int i = 0; i < method->statement_count; ++i) {
        const RSKSTMTDESC& d = method->statements[i];
        last = d.text != nullptr ? rskptrn(method, rsk_pushed_statement(d, &statement), kind, mode) : CMP_ERROR;
        if (last > 0) refused = true;
    }
    const RSKNAMEREC& name = method->name.name;
    if (refused || last == CMP_OPEN_GROUP) {
        xpmlog(598, 3132, static_cast<int>(name.length), name.text);
        return 1;
    }
    // The variables the statements read and write, known before the end marker drops the
    // compiler's analysis of them.
    if (rsk_method_uses(con, method, handle->compilation.program) != 0) return 1;
    if (rskptrn(method, CMP_END_MARKER, kind, mode) != CMP_COMPLETE) return 1;
    method->compiled = 1;
    method->function_use = handle->function_use;
    return 0;
}

int rsktrn0(RSKCON* con) {
    if (con == nullptr) return 1;
    int result = 0;
    for (RSKGENTRANS* method = con->methods_first; method != nullptr; method = method->next) {
        int rc = rsktrns(con, method, 2);
        if (rc != 0) xpmlog(598, 3133, static_cast<int>(method->name.name.length), method->name.name.text);
        result = std::max(result, rc);
    }
    return result;
}

const char* rsk_pushed_statement(const RSKSTMTDESC& d, std::string* buffer) {
    int end = d.length;
    while (end > 0 && std::isspace(static_cast<unsigned char>(d.text[end - 1]))) --end;
    buffer->assign(d.text, static_cast<size_t>(end));
    if (end == 0 || d.text[end - 1] != ';') buffer->push_back(';');
    return buffer->c_str();
}

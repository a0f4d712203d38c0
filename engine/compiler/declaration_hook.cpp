// The compiler's declaration hook (rskcmpd): a name that method source uses without declaring
// it is looked up among the environment's variables and declared in the program: numbers bound
// to the variable's value when it has one, texts, and arrays and parameter matrices as matrices.
#include <cctype>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

bool is_cashflow_name(const char* name, int length) {
    static const char kPrefix[] = "_CASHFLOW_";
    int n = static_cast<int>(sizeof kPrefix - 1);
    if (length < n) return false;
    for (int i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != kPrefix[i]) return false;
    return true;
}

// Marks the method being compiled as one that declared a name of the environment.
void note_declaration(RSKCMPEXT* extension) {
    if (extension->methods_last != nullptr && !extension->methods_last->defined)
        extension->methods_last->declared_names = 1;
}

cmp_symbol* declare_variable(cmp_session* session, const RSKVARIABLE* v, const char* name, int length) {
    if (v->data_type == RSKDTYPE_ARRAY || v->kind == RSKVKIND_PARMAT) {
        int rows = v->element_count > 0 ? static_cast<int>(v->element_count) : 1;   // 12.9 is 12
        return cmpmtrx(session, name, length, rows, 0, nullptr, 0);
    }
    if (v->value_class == 2) return cmpsymd(session, name, length, 'v', 'c');
    cmp_symbol* symbol = cmpsymd(session, name, length, 'v', 'n');
    if (symbol != nullptr && v->value != nullptr && v->value_class == 1 &&
        cmppdvb(session, symbol, static_cast<double*>(v->value)) != 0)
        return nullptr;
    return symbol;
}

// "<name>.<suffix>" with one of the ten post-variable suffixes ("_VALUE_.VaR", "x.std", ...):
// the analyses fill these for the post-valuation methods.
bool is_post_variable(const char* name, int length) {
    static const char* const kSuffixes[] = {"MTM", "VAR", "VAR_L", "VAR_U", "MEAN", "STD", "MIN", "MAX", "MEDIAN", "VALUE"};
    const int point = lastpos(name, length, '.');
    if (point <= 0) return false;
    const int suffix_length = length - point - 1;
    for (const char* suffix : kSuffixes) {
        if (static_cast<int>(std::strlen(suffix)) != suffix_length) continue;
        int i = 0;
        while (i < suffix_length && std::toupper(static_cast<unsigned char>(name[point + 1 + i])) == suffix[i]) ++i;
        if (i == suffix_length) return true;
    }
    return false;
}

}  // namespace

int rskcmpd(void* user, cmp_session* session, const char* name, int length) {
    auto* extension = static_cast<RSKCMPEXT*>(user);
    RSKCMPCON* h = extension != nullptr ? extension->handle : nullptr;
    // Only a compile that asked for the hook declares; otherwise the name becomes a local.
    if (h == nullptr || !h->declare_hook || h->con == nullptr || session == nullptr || name == nullptr ||
        length <= 0 || length > kRskObjectNameCapacity)
        return 0;
    // Cash-flow legs are bound by the glue, not here.
    if (is_cashflow_name(name, length)) return 0;
    if (is_post_variable(name, length)) {
        if (cmpsymd(session, name, length, 'v', 'n') == nullptr) xpmlog(598, 3405, length, name);
        return 0;
    }
    RSKNAMEREC key{0, static_cast<uint16_t>(length), const_cast<char*>(name)};
    const RSKVARIABLE* v = rskvar(h->con, &key);
    if (v == nullptr) return 0;
    note_declaration(extension);
    if (declare_variable(session, v, name, length) == nullptr) xpmlog(598, 3405, length, name);
    return 0;
}

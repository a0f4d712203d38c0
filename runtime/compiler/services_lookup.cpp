// Symbol look-ups and data addresses for callers outside the language: the last symbol and
// array, two-level names, matrix elements, character values and argument write-back.
#include <cstring>
#include <string>

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor;
using namespace qor::cmp;

namespace {

std::string upper_of(const char* p, int n) {
    if (!p || n <= 0) return std::string();
    std::string s = upper(std::string_view(p, static_cast<size_t>(n)));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

cmp_symbol* cmplstt(cmp_session* s) { return s && !s->src.symbols.empty() ? s->src.symbols.back().get() : nullptr; }

cmp_symbol* cmparyt(cmp_session* s) { return s && !s->src.arrays.empty() ? s->src.arrays.back() : nullptr; }

cmp_symbol* cmpsymp(cmp_session* s, const char* name, int length, const char* member, int mlength) try {
    if (!s) return nullptr;
    std::string n = upper_of(name, length);
    if (n.empty()) return nullptr;
    std::string m = upper_of(member, mlength);
    return s->src.find(m.empty() ? n : n + "." + m);
}
QOR_SERVICE_CATCH(nullptr)

double* cmpmatn(cmp_instance* in, const cmp_symbol* sym, int row, int column) {
    if (!in || !sym || sym->array_index < 0 || sym->array_index >= static_cast<int>(in->array_addresses.size()))
        return nullptr;
    const auto& addr = in->array_addresses[static_cast<size_t>(sym->array_index)];
    const auto& ext = in->extents[static_cast<size_t>(sym->array_index)];
    long k;
    if (ext[1] == 0) {
        if (column > 1 || row < 1 || row > static_cast<int>(addr.size())) return nullptr;
        k = row - 1;
    } else {
        if (row < 1 || row > ext[0] || column < 1 || column > ext[1]) return nullptr;
        k = static_cast<long>(row - 1) * ext[1] + (column - 1);
    }
    if (k >= static_cast<long>(addr.size())) return nullptr;
    return addr[static_cast<size_t>(k)];
}

qor_namerec* cmppdvp(cmp_instance* in, const cmp_symbol* sym) {
    if (!in || !sym || sym->type != 'c' || sym->kind != 'v' || sym->storage != SymStorage::Local || sym->slot < 0 ||
        sym->slot >= static_cast<int>(in->str.size()))
        return nullptr;
    return &in->str[static_cast<size_t>(sym->slot)];
}

// Arguments reach a body by the address of their storage, so what the body writes is already
// the variable's value: write-back is the identity here. It still refuses what a body must not
// write (an omitted argument, a numeric argument without an address) so that faults show.
int cmppdvs(cmp_instance* in, const cmp_arg_value* arg) try {
    if (!in || !arg || arg->kind == CMP_ARG_OMITTED) return 1;
    if (arg->type == 'n' && arg->kind != CMP_ARG_ARRAY && !arg->number) return 1;
    if (arg->type == 'c' && !arg->text) return 1;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpmdef(cmp_session* s, const char* name, int length) try {
    if (!s || !name) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(name));
    auto it = s->src.method_by_name.find(upper_of(name, length));
    return it != s->src.method_by_name.end() && s->src.methods[static_cast<size_t>(it->second)].defined ? 1 : 0;
}
QOR_SERVICE_CATCH(0)

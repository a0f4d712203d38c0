// Array and matrix services at the host boundary: arrays whose elements are other symbols
// (engine cells among them) and matrices on engine storage or each instance's own, never copied.
#include <cstring>

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"

using namespace qor::cmp;

namespace {

constexpr long kMaxElements = 65535;

// A new array symbol of the session, or null when the name cannot be used.
cmp_symbol* new_array(cmp_session* s, const char* name, int length) {
    if (!s || !name || s->generated) return nullptr;
    std::string n = upper(std::string_view(name, length < 0 ? std::strlen(name) : static_cast<size_t>(length)));
    if (n.empty() || n.size() > 64 || s->src.find(n)) return nullptr;
    if (!(std::isalpha(static_cast<unsigned char>(n[0])) || n[0] == '_')) return nullptr;
    for (char c : n)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.')) return nullptr;
    cmp_symbol* sym = s->src.add(n, 'a', 'n');
    sym->type_known = true;
    sym->array_index = static_cast<int>(s->src.arrays.size());
    s->src.arrays.push_back(sym);
    return sym;
}

}  // namespace

cmp_symbol* cmparay(cmp_session* s, const char* name, int length, cmp_symbol* const* elements, int count) {
    if (!s || !elements || count < 1 || count > kMaxElements) return nullptr;
    for (int i = 0; i < count; ++i) {
        const cmp_symbol* e = elements[i];
        // members move with their structure's base: an array keeps fixed element addresses
        if (!e || e->kind != 'v' || e->type != 'n' ||
            (e->storage != SymStorage::Local && e->storage != SymStorage::Bound))
            return nullptr;
    }
    cmp_symbol* sym = new_array(s, name, length);
    if (!sym) return nullptr;
    sym->elements.assign(elements, elements + count);
    sym->dims = {count};
    for (cmp_symbol* e : sym->elements) e->type_known = true;
    return sym;
}

cmp_symbol* cmpmtrx(cmp_session* s, const char* name, int length, int rows, int columns, double* data) {
    if (rows < 1 || columns < 0 || static_cast<long>(rows) * (columns ? columns : 1) > kMaxElements) return nullptr;
    cmp_symbol* sym = new_array(s, name, length);
    if (!sym) return nullptr;
    sym->matrix = true;
    sym->matrix_data = data;
    sym->dims = columns ? std::vector<int>{rows, columns} : std::vector<int>{rows};
    return sym;
}

int cmpmtrxb(cmp_instance* in, cmp_symbol* sym, double* data) {
    if (!in || !sym || !data || !sym->matrix || sym->array_index < 0 ||
        sym->array_index >= static_cast<int>(in->array_addresses.size()))
        return 1;
    std::vector<double*>& addr = in->array_addresses[static_cast<size_t>(sym->array_index)];
    for (size_t i = 0; i < addr.size(); ++i) addr[i] = data + i;
    return 0;
}

char cmpsymkind(const cmp_symbol* sym) {
    if (!sym) return 0;
    return sym->matrix ? 'm' : sym->kind;
}

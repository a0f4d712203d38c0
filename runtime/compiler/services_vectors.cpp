// Program data vectors: a record of the engine's (a market state, an instrument record, a
// vector of pointers) whose elements are added one at a time and read by their bare names.
#include <string>

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor;
using namespace qor::cmp;

namespace {

std::string upper_of(const char* p, int n) {
    if (!p) return std::string();
    if (n < 0) n = static_cast<int>(std::char_traits<char>::length(p));
    std::string s = upper(std::string_view(p, static_cast<size_t>(n)));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool is_name(const std::string& n) {
    if (n.empty() || n.size() > 64 || std::isdigit(static_cast<unsigned char>(n[0]))) return false;
    for (char c : n)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

// An element name: a name, or a name, a point and a name (a reference named after its
// variable and a cast word, "X.LAGS").
bool is_element_name(const std::string& n) {
    size_t point = n.find('.');
    if (point == std::string::npos) return is_name(n);
    return is_name(n.substr(0, point)) && is_name(n.substr(point + 1));
}

// The instance index of a vector, or -1.
int vector_at(const cmp_session* s, int vector) {
    if (vector < 0 || vector >= static_cast<int>(s->src.instances.size())) return -1;
    const StructInstance& si = s->src.instances[static_cast<size_t>(vector)];
    return s->vector_capacity.count(si.structure) ? vector : -1;
}

}  // namespace

int cmppdvd(cmp_session* s, const char* name, int length, int size, int count) try {
    if (!s || s->closed() || size < 0 || count < 0) return -1;
    std::string n = upper_of(name, length);
    if (!is_name(n)) return -1;
    for (const Structure& st : s->src.structures)
        if (st.name == n) return -2;
    for (const StructInstance& si : s->src.instances)
        if (si.name == n) return -2;
    if (s->src.find(n)) return -2;
    Structure st;
    st.name = n;
    st.size = size;
    s->src.structures.push_back(std::move(st));
    StructInstance si;
    si.name = n;
    si.structure = static_cast<int>(s->src.structures.size()) - 1;
    si.pointer = s->src.pointer_slots++;
    si.bare_names = true;
    s->src.bound_addresses.resize(static_cast<size_t>(s->src.pointer_slots), nullptr);
    s->src.instances.push_back(si);
    s->vector_capacity[si.structure] = count;
    return static_cast<int>(s->src.instances.size()) - 1;
}
QOR_SERVICE_CATCH(-1)

cmp_symbol* cmppdve(cmp_session* s, int vector, const char* name, int length, char kind, int offset) try {
    if (!s || s->closed() || vector_at(s, vector) < 0) return nullptr;
    const StructInstance& si = s->src.instances[static_cast<size_t>(vector)];
    Structure& st = s->src.structures[static_cast<size_t>(si.structure)];
    std::string n = upper_of(name, length);
    int width = kind == CMP_MEMBER_POINTER ? static_cast<int>(sizeof(double*)) : static_cast<int>(sizeof(double));
    if (!is_element_name(n) || (kind != CMP_MEMBER_NUMBER && kind != CMP_MEMBER_POINTER) || offset < 0 ||
        offset % 8 != 0 || offset > st.size - width)
        return nullptr;
    if (static_cast<int>(st.members.size()) >= s->vector_capacity[si.structure] || s->src.find(n) ||
        s->src.find(si.name + "." + n))
        return nullptr;
    st.members.push_back(cmp_member{nullptr, kind, offset});
    st.member_names.push_back(n);
    st.text_lengths.push_back(0);
    cmp_symbol* sym = nullptr;
    for (const std::string& each : {si.name + "." + n, n}) {
        sym = s->src.add(each, 'v', 'n');
        sym->type_known = true;
        sym->storage = kind == CMP_MEMBER_POINTER ? SymStorage::PointerMember : SymStorage::Member;
        sym->pointer = si.pointer;
        sym->offset = offset;
    }
    return sym;
}
QOR_SERVICE_CATCH(nullptr)

int cmppdvx(cmp_session* s, cmp_symbol* sym, int vector) try {
    if (!s || !sym || s->closed() || vector_at(s, vector) < 0) return 1;
    if (sym->kind != 'v' || sym->type != 'n') return 2;
    if (sym->storage != SymStorage::Member && sym->storage != SymStorage::PointerMember) return 2;
    const StructInstance& si = s->src.instances[static_cast<size_t>(vector)];
    const Structure& st = s->src.structures[static_cast<size_t>(si.structure)];
    int width = sym->storage == SymStorage::PointerMember ? static_cast<int>(sizeof(double*)) : 8;
    if (sym->offset > st.size - width) return 3;
    sym->pointer = si.pointer;
    return 0;
}
QOR_SERVICE_CATCH(1)

// Array and matrix services at the host boundary: arrays whose elements are other symbols
// (engine cells among them), matrices on engine storage or each instance's own, and read-only
// bindings of shared storage, copied only for a program that may change the matrix.
#include <algorithm>
#include <cstring>
#include <new>

#include "host/missing.h"

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor::cmp;

namespace {

constexpr long kMaxElements = 65535;

// A new array symbol of the session, or null when the name cannot be used.
cmp_symbol* new_array(cmp_session* s, const char* name, int length) {
    if (!s || !name || s->closed()) return nullptr;
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

cmp_symbol* cmparay(cmp_session* s, const char* name, int length, cmp_symbol* const* elements, int count) try {
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
QOR_SERVICE_CATCH(nullptr)

cmp_symbol* cmpmtrx(cmp_session* s, const char* name, int length, int rows, int columns, double* data, int flags) try {
    bool resizable = (flags & CMP_MTX_RESIZABLE) != 0;
    if ((flags & ~CMP_MTX_RESULT) != 0 || (flags & 0x02 && !resizable)) return nullptr;
    if (rows < (resizable ? 0 : 1) || columns < 0 || static_cast<long>(rows) * (columns ? columns : 1) > kMaxElements)
        return nullptr;
    if (resizable && rows == 0 && data) return nullptr;
    cmp_symbol* sym = new_array(s, name, length);
    if (!sym) return nullptr;
    sym->dims = columns ? std::vector<int>{rows, columns} : std::vector<int>{rows};
    s->src.make_matrix(sym, data, flags);
    return sym;
}
QOR_SERVICE_CATCH(nullptr)

namespace {

// The instance's view of a matrix symbol, or -1.
int matrix_index(const cmp_instance* in, const cmp_symbol* sym) {
    if (!in || !sym || !sym->matrix || sym->array_index < 0 ||
        sym->array_index >= static_cast<int>(in->array_addresses.size()))
        return -1;
    return sym->array_index;
}

// Points a matrix of the instance at data with the given extents.
void point_at(cmp_instance* in, const cmp_symbol* sym, int k, double* data, int rows, int columns) {
    std::vector<double*>& addr = in->array_addresses[static_cast<size_t>(k)];
    size_t count = static_cast<size_t>(rows) * static_cast<size_t>(columns ? columns : 1);
    addr.resize(count);
    for (size_t i = 0; i < count; ++i) addr[i] = data + i;
    in->array_base[static_cast<size_t>(k)] = addr.data();
    in->extents[static_cast<size_t>(k)] = {rows, columns};
    in->ptr[static_cast<size_t>(sym->pointer)] = data;
}

}  // namespace

int cmpmtrxb(cmp_instance* in, cmp_symbol* sym, double* data) try {
    int k = matrix_index(in, sym);
    if (k < 0 || !data) return 1;
    point_at(in, sym, k, data, in->extents[k][0], in->extents[k][1]);
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpmtrxr(cmp_instance* in, cmp_symbol* sym, const double* data) try {
    int k = matrix_index(in, sym);
    if (k < 0 || !data) return 1;
    const size_t index = static_cast<size_t>(k);
    const std::vector<unsigned char>& written = in->code->array_written;
    if (index >= written.size() || !written[index]) {
        // Never changed by the code: read in place. The executor only loads through it.
        point_at(in, sym, k, const_cast<double*>(data), in->extents[index][0], in->extents[index][1]);
        return 0;
    }
    // The code may store into it: the instance gets its own copy, made before any store.
    size_t count = in->array_addresses[index].size();
    qor::cmp::LineVector<double>& own = in->matrix_store[index];
    if (own.size() != count) {
        try {
            qor::cmp::LineVector<double> fresh(count, 0.0);
            own.swap(fresh);
        } catch (const std::bad_alloc&) {
            return 4;
        }
    }
    if (count > 0) std::memcpy(own.data(), data, count * sizeof(double));
    point_at(in, sym, k, own.data(), in->extents[index][0], in->extents[index][1]);
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpmtrxs(cmp_instance* in, cmp_symbol* sym, int rows, int columns) try {
    int k = matrix_index(in, sym);
    if (k < 0 || !(sym->matrix_flags & CMP_MTX_RESIZABLE) || rows < 0 || columns < 0) return 1;
    if ((columns != 0) != (sym->dims.size() == 2)) return 2;   // the number of dimensions is fixed
    long count = static_cast<long>(rows) * (columns ? columns : 1);
    if (count > kMaxElements) return 3;
    try {
        qor::cmp::LineVector<double> fresh(static_cast<size_t>(count), qor::missing());
        const std::vector<double*>& old = in->array_addresses[static_cast<size_t>(k)];
        int old_rows = in->extents[k][0], old_columns = in->extents[k][1];
        int width = columns ? columns : 1, old_width = old_columns ? old_columns : 1;
        for (int r = 0; r < std::min(rows, old_rows); ++r)
            for (int c = 0; c < std::min(width, old_width); ++c)
                fresh[static_cast<size_t>(r * width + c)] = *old[static_cast<size_t>(r * old_width + c)];
        in->matrix_store[static_cast<size_t>(k)].swap(fresh);
    } catch (const std::bad_alloc&) {
        return 4;
    }
    point_at(in, sym, k, in->matrix_store[static_cast<size_t>(k)].data(), rows, columns);
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpmtrxe(const cmp_instance* in, const cmp_symbol* sym, int* rows, int* columns) {
    int k = matrix_index(in, sym);
    if (k < 0) return -1;
    if (rows) *rows = in->extents[k][0];
    if (columns) *columns = in->extents[k][1];
    return static_cast<int>(in->array_addresses[static_cast<size_t>(k)].size());
}

double* const* cmpmtrxa(cmp_instance* in, cmp_symbol* sym) {
    int k = matrix_index(in, sym);
    return k < 0 ? nullptr : in->array_addresses[static_cast<size_t>(k)].data();
}

int cmpa2m(cmp_session* s, cmp_symbol* sym) try {
    if (!s || !sym || s->closed() || sym->kind != 'a' || sym->matrix || sym->type != 'n' || sym->elements.empty())
        return 1;
    for (size_t i = 0; i < sym->elements.size(); ++i) {
        const cmp_symbol* e = sym->elements[i];
        if (e->storage != SymStorage::Local || e->loop_variable) return 2;
        if (std::find(sym->elements.begin(), sym->elements.begin() + static_cast<long>(i), e) !=
            sym->elements.begin() + static_cast<long>(i))
            return 2;
        for (const cmp_symbol* other : s->src.arrays)
            if (other != sym && std::find(other->elements.begin(), other->elements.end(), e) != other->elements.end())
                return 2;
    }
    s->src.make_matrix(sym, nullptr, 0);
    // the element names now stand for places in the matrix's storage
    for (size_t i = 0; i < sym->elements.size(); ++i) {
        cmp_symbol* e = sym->elements[i];
        e->storage = SymStorage::Member;
        e->pointer = sym->pointer;
        e->offset = static_cast<int>(i * sizeof(double));
    }
    return 0;
}
QOR_SERVICE_CATCH(1)

char cmpsymkind(const cmp_symbol* sym) {
    if (!sym) return 0;
    return sym->matrix ? 'm' : sym->kind;
}

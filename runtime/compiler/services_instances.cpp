// Copying one program instance's data into another: the frame's locals and the matrices the
// source instance keeps in its own storage, so that several execution blocks start alike.
#include <cstring>
#include <new>

#include "host/compiler.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

namespace {

// True when the instance reads matrix k from storage of its own.
bool owns_matrix(const cmp_instance* in, size_t k) {
    const auto& store = in->matrix_store[k];
    const auto& addresses = in->array_addresses[k];
    return !store.empty() && !addresses.empty() && addresses[0] == store.data();
}

// Points the instance's matrix k at its own storage with the given extents.
void point_at_own(cmp_instance* in, size_t k, const qor::cmp::ArrayTable& table, std::array<int, 2> extents) {
    auto& store = in->matrix_store[k];
    auto& addresses = in->array_addresses[k];
    addresses.resize(store.size());
    for (size_t i = 0; i < store.size(); ++i) addresses[i] = store.data() + i;
    in->array_base[k] = addresses.data();
    in->extents[k] = extents;
    in->ptr[static_cast<size_t>(table.pointer)] = store.data();
}

}  // namespace

int cmpinsd(cmp_instance* to, const cmp_instance* from) try {
    if (!to || !from || to == from || to->code != from->code) return 1;
    const qor::cmp::Code& code = *from->code;
    // Matrices first: an allocation that fails leaves the frame of `to` as it was.
    for (size_t k = 0; k < code.arrays.size(); ++k) {
        if (!code.arrays[k].matrix || !owns_matrix(from, k)) continue;
        auto& store = to->matrix_store[k];
        const auto& source = from->matrix_store[k];
        if (store.size() != source.size()) {
            try {
                qor::cmp::LineVector<double> fresh(source.size(), 0.0);
                store.swap(fresh);
            } catch (const std::bad_alloc&) {
                return 4;
            }
        }
    }
    for (size_t k = 0; k < code.arrays.size(); ++k) {
        if (!code.arrays[k].matrix || !owns_matrix(from, k)) continue;
        const auto& source = from->matrix_store[k];
        if (!source.empty()) std::memcpy(to->matrix_store[k].data(), source.data(), source.size() * sizeof(double));
        point_at_own(to, k, code.arrays[k], from->extents[k]);
    }
    // The frames have one layout: numbers as they are, characters by value into the target's
    // own character storage (each record keeps pointing into its own instance).
    // An empty frame has no storage to copy (memcpy must not see its null address).
    if (!from->num.empty()) std::memcpy(to->num.data(), from->num.data(), from->num.size() * sizeof(double));
    if (!from->chars.empty()) std::memcpy(to->chars.data(), from->chars.data(), from->chars.size());
    for (size_t i = 0; i < from->str.size(); ++i) to->str[i].length = from->str[i].length;
    return 0;
}
QOR_SERVICE_CATCH(1)

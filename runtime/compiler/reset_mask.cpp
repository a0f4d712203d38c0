// What cmpexi resets of each symbol: cmpsymr marks symbols to keep (retained variables), and the
// instance reset puts their values back after bringing the frame to its initial image.
#include <algorithm>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor::cmp;

namespace {

// The values of the kept symbols of one instance, taken before a reset.
struct KeptValues {
    std::vector<std::pair<int, double>> numbers;            // frame slot, value
    std::vector<std::pair<int, std::string>> texts;         // character slot, value
    std::vector<std::pair<int, std::vector<double>>> matrices;   // array index, the instance's storage
};

void take(const cmp_instance* in, const cmp_symbol* sym, KeptValues* kept) {
    if (sym->kind == 'a' || sym->kind == 'm') {
        size_t k = static_cast<size_t>(sym->array_index);
        if (sym->matrix && !sym->matrix_data && k < in->matrix_store.size()) {
            const auto& store = in->matrix_store[k];
            kept->matrices.emplace_back(sym->array_index, std::vector<double>(store.begin(), store.end()));
        }
        for (const cmp_symbol* e : sym->elements) take(in, e, kept);
        return;
    }
    if (sym->storage != SymStorage::Local || sym->slot < 0) return;
    size_t slot = static_cast<size_t>(sym->slot);
    if (sym->type == 'n' && slot < in->num.size()) kept->numbers.emplace_back(sym->slot, in->num[slot]);
    if (sym->type == 'c' && slot < in->str.size())
        kept->texts.emplace_back(sym->slot, std::string(in->str[slot].text, in->str[slot].length));
}

void put_back(cmp_instance* in, const KeptValues& kept) {
    for (const auto& [slot, value] : kept.numbers) in->num[static_cast<size_t>(slot)] = value;
    for (const auto& [slot, value] : kept.texts) {
        qor_namerec& r = in->str[static_cast<size_t>(slot)];
        size_t n = std::min(value.size(), static_cast<size_t>(r.capacity));
        std::copy_n(value.data(), n, r.text);
        r.length = static_cast<uint16_t>(n);
    }
    for (const auto& [k, values] : kept.matrices) {
        auto& store = in->matrix_store[static_cast<size_t>(k)];
        std::copy_n(values.data(), std::min(values.size(), store.size()), store.data());
    }
}

}  // namespace

bool reset_cmp_instance_keeping(cmp_instance* in) {
    const std::vector<cmp_symbol*>& symbols = in->session->kept;
    if (symbols.empty()) {
        reset_cmp_instance(in);
        return true;
    }
    KeptValues kept;
    try {
        for (const cmp_symbol* sym : symbols) take(in, sym, &kept);
    } catch (const std::bad_alloc&) {
        return false;   // nothing reset yet
    }
    reset_cmp_instance(in);
    put_back(in, kept);
    return true;
}

int cmpsymr(cmp_session* s, cmp_symbol* sym, int mask) try {
    if (!s || !sym || (mask != CMP_RESET_NONE && mask != CMP_RESET_VALUE)) return 1;
    if (sym->storage != SymStorage::Local || (sym->matrix && sym->matrix_data)) return 2;
    auto at = std::find(s->kept.begin(), s->kept.end(), sym);
    if (mask == CMP_RESET_NONE && at == s->kept.end()) s->kept.push_back(sym);
    if (mask == CMP_RESET_VALUE && at != s->kept.end()) s->kept.erase(at);
    return 0;
}
QOR_SERVICE_CATCH(5)

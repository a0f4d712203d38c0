// The data of the blocks' program instances: what phase 1 (a method's INST_INIT) and the base
// state leave in block 0's instance is copied into every block and kept in a snapshot instance;
// every priced state starts from it, so prices do not depend on the block boundaries.
#include <algorithm>
#include <cstring>

#include "engine/run/pricing.h"
#include "engine/run/run_storage.h"
#include "host/compiler.h"

namespace {

// A variable is the program's own when each instance has its own storage for it: the address in
// block 0's instance and in the snapshot instance (never bound to engine records) differ and both
// exist. Engine cells (one address for all) and structure members (none in the snapshot) are not.
bool own_variable(cmp_instance* first, cmp_instance* spare, cmp_symbol* symbol) {
    const char kind = cmpsymkind(symbol);
    if (kind == 'm') {
        // A matrix on its own storage: the two instances' first elements lie apart.
        if (cmpmtrxe(first, symbol, nullptr, nullptr) < 1 || cmpmtrxe(spare, symbol, nullptr, nullptr) < 1) return false;
        return cmpmtrxa(first, symbol)[0] != cmpmtrxa(spare, symbol)[0];
    }
    if (kind != 'v') return false;
    double* a = cmppdva(first, symbol);
    double* b = cmppdva(spare, symbol);
    if (a != nullptr || b != nullptr) return a != nullptr && b != nullptr && a != b;
    qor_namerec* x = cmppdvp(first, symbol);
    qor_namerec* y = cmppdvp(spare, symbol);
    return x != nullptr && y != nullptr && x != y;
}

void copy_variable(cmp_instance* from, cmp_instance* to, cmp_symbol* symbol) {
    if (cmpsymkind(symbol) == 'm') {
        int rows = 0, columns = 0;
        const int n = cmpmtrxe(from, symbol, &rows, &columns);
        int to_rows = 0, to_columns = 0;
        if (n < 0 || cmpmtrxe(to, symbol, &to_rows, &to_columns) < 0) return;
        if ((to_rows != rows || to_columns != columns) && cmpmtrxs(to, symbol, rows, columns) != 0) return;
        double* const* source = cmpmtrxa(from, symbol);
        double* const* target = cmpmtrxa(to, symbol);
        if (source == nullptr || target == nullptr) return;
        for (int k = 0; k < n; ++k) *target[k] = *source[k];
        return;
    }
    if (double* a = cmppdva(from, symbol)) {
        *cmppdva(to, symbol) = *a;
        return;
    }
    const qor_namerec* x = cmppdvp(from, symbol);
    qor_namerec* y = cmppdvp(to, symbol);
    if (x == nullptr || y == nullptr) return;
    const uint16_t n = std::min(x->length, y->capacity);
    std::memcpy(y->text, x->text, n);
    y->length = n;
}

void copy_locals(const RSKPRICERUN& p, cmp_instance* from, cmp_instance* to) {
    if (from == nullptr || to == nullptr || from == to) return;
    for (int32_t k = 0; k < p.local_count; ++k) copy_variable(from, to, p.locals[k]);
}

}  // namespace

int rskex_find_locals(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    const int32_t spare_block = std::max(run->thread_count, 1);
    cmp_instance* first = run->compile.programs[0].instance;
    cmp_instance* spare = run->compile.programs[spare_block].instance;
    cmp_session* session = run->compile.programs[0].program;
    p.snapshot = spare;
    p.local_count = 0;
    if (session == nullptr || first == nullptr || spare == nullptr) return 0;
    int32_t count = 0;
    for (cmp_symbol* s = cmplstv(session); s != nullptr; s = cmpsymnext(s)) ++count;
    if (count == 0) return 0;
    p.locals = static_cast<cmp_symbol**>(
        rskmem_alloc(con, sizeof(cmp_symbol*) * static_cast<size_t>(count), "pricing work vector", RSKMEM_PRICING_RESULTS, 0));
    if (p.locals == nullptr) {
        run->abort = 1;
        return 1;
    }
    for (cmp_symbol* s = cmplstv(session); s != nullptr; s = cmpsymnext(s))
        if (own_variable(first, spare, s)) p.locals[p.local_count++] = s;
    return 0;
}

int rskex_spread(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKPRICERUN& p = run->pricing;
    cmp_instance* first = run->compile.programs[0].instance;
    copy_locals(p, first, p.snapshot);
    for (int32_t i = 1; i < run->thread_count; ++i) copy_locals(p, first, run->compile.programs[i].instance);
    return 0;
}

void rskex_restore(RSKCON* con, RSKTHREADCTL* block) {
    const RSKPRICERUN& p = con->run_block->pricing;
    if (block->record != nullptr) copy_locals(p, p.snapshot, block->record->instance);
}

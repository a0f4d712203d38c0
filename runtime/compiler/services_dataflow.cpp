// The data-flow services at the host boundary: build the analysis, walk a symbol's
// dependencies, list what a statement or a method reads and writes.
#include <cstring>
#include <new>

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor::cmp;

namespace {

int copy_symbols(const std::vector<cmp_symbol*>& symbols, cmp_symbol** out, int size) {
    for (int i = 0; out && i < size && i < static_cast<int>(symbols.size()); ++i) out[i] = symbols[i];
    return static_cast<int>(symbols.size());
}

std::vector<cmp_symbol*> pick(const DataFlow& df, const SymbolUse& use, int which) {
    std::set<int> chosen;
    if (which & CMP_DF_READ) chosen.insert(use.reads.begin(), use.reads.end());
    if (which & CMP_DF_WRITE) chosen.insert(use.writes.begin(), use.writes.end());
    std::vector<cmp_symbol*> out;
    for (int i : chosen) out.push_back(df.symbols[i]);
    return out;
}

}  // namespace

int cmpdfla(cmp_session* s) try {
    if (!s) return 1;
    try {
        auto df = std::make_unique<DataFlow>();
        if (!build_dataflow(*s, *df)) {
            s->dataflow.reset();
            return 1;
        }
        s->dataflow = std::move(df);
    } catch (const std::bad_alloc&) {
        s->dataflow.reset();
        return 2;
    }
    return 0;
}
QOR_SERVICE_CATCH(1)

void cmpdfre(cmp_session* s) try {
    if (s) s->dataflow.reset();
}
QOR_SERVICE_CATCH()

cmp_symbol* cmpdeps(cmp_session* s, cmp_symbol* symbol) try {
    if (!s || !s->dataflow || !symbol) return nullptr;
    DataFlow& df = *s->dataflow;
    try {
        df.walk = dependencies(df, symbol);
    } catch (const std::bad_alloc&) {
        df.walk.clear();
    }
    df.walk_next = 0;
    return cmpndep(s);
}
QOR_SERVICE_CATCH(nullptr)

cmp_symbol* cmpndep(cmp_session* s) {
    if (!s || !s->dataflow) return nullptr;
    DataFlow& df = *s->dataflow;
    return df.walk_next < df.walk.size() ? df.walk[df.walk_next++] : nullptr;
}

int cmpdfuse(cmp_session* s, int statement, int which, cmp_symbol** out, int size) try {
    if (!s || !s->dataflow) return -1;
    const DataFlow& df = *s->dataflow;
    auto it = df.by_statement.find(statement);
    if (it == df.by_statement.end()) return 0;
    return copy_symbols(pick(df, it->second, which), out, size);
}
QOR_SERVICE_CATCH(-1)

int cmpdfmth(cmp_session* s, const char* method, int length, int block, int which, cmp_symbol** out, int size) try {
    if (!s || !s->dataflow || !method || block < -1 || block > 4) return -1;
    std::string name = upper(std::string_view(method, length < 0 ? std::strlen(method) : static_cast<size_t>(length)));
    int m = s->src.method_index(name);
    if (m < 0 || !s->src.methods[m].defined) return -1;
    const Method& meth = s->src.methods[m];
    const DataFlow& df = *s->dataflow;
    if (block >= 0) {
        if (!meth.blocks[block].defined) return -1;
        return copy_symbols(region_use(df, DataFlow::region(m, block), which), out, size);
    }
    std::set<cmp_symbol*> all;
    std::vector<cmp_symbol*> merged;
    for (int b = -1; b < 5; ++b) {
        if (b >= 0 && !meth.blocks[b].defined) continue;
        for (cmp_symbol* sym : region_use(df, DataFlow::region(m, b), which)) all.insert(sym);
    }
    for (cmp_symbol* sym : df.symbols)
        if (all.count(sym)) merged.push_back(sym);
    return copy_symbols(merged, out, size);
}
QOR_SERVICE_CATCH(-1)

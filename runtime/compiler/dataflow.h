// Data-flow information of a compiled source: the symbols each statement and method reads and
// writes, and for each symbol the symbols its value is computed from (cmpdfla, cmpdeps, cmpndep).
#pragma once
#include <cstddef>
#include <map>
#include <set>
#include <vector>

struct cmp_session;
struct cmp_symbol;

namespace qor::cmp {

// Symbols by their index in the session's declaration order.
struct SymbolUse {
    std::set<int> reads;
    std::set<int> writes;
};

struct DataFlow {
    std::vector<cmp_symbol*> symbols;        // declaration order at the time of the analysis
    std::vector<int> node;                   // symbol -> storage node (names of one storage share it)
    std::vector<std::set<int>> depends;      // node -> nodes its value is computed from (direct)
    std::map<int, SymbolUse> by_statement;   // statement number -> its own reads and writes
    std::vector<SymbolUse> by_region;        // region (main, method body, block) -> reads and writes
    std::vector<std::set<int>> calls;        // region -> regions it runs with RUNMETHOD
    // the walk of cmpdeps / cmpndep
    std::vector<cmp_symbol*> walk;
    size_t walk_next = 0;

    // Region of a method's statements outside blocks (block -1) or of one of its blocks.
    static int region(int method, int block) { return 1 + method * 6 + (block + 1); }
};

// Analyses every statement of the session; false when the source has refused statements.
bool build_dataflow(cmp_session& s, DataFlow& out);

// Every symbol whose value can flow into `symbol` (directly or through other symbols, or as a
// condition deciding whether it is assigned), in declaration order, without the symbol itself
// and other names of its storage.
std::vector<cmp_symbol*> dependencies(const DataFlow& df, const cmp_symbol* symbol);

// Symbols read or written (which: 1 read, 2 written, 3 either) by a region and the regions it
// runs, in declaration order.
std::vector<cmp_symbol*> region_use(const DataFlow& df, int region, int which);

}  // namespace qor::cmp

// Data-flow analysis over the resolved statements: flow-insensitive (an assignment anywhere
// counts), with the conditions and loop bounds that decide whether an assignment runs.
#include "runtime/compiler/dataflow.h"

#include <algorithm>
#include <deque>
#include <tuple>
#include <unordered_map>

#include "runtime/compiler/lexer.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"

namespace qor::cmp {

namespace {

using Set = std::set<int>;

// One place where symbols are written: the writes take their values from the reads, and run
// only when the context symbols (enclosing conditions, loop bounds) allow.
struct Fact {
    int region;
    Set context;
    Set writes;
    Set reads;
};

struct Call {
    int from_region;
    Set context;
    int to_region;
};

class Analysis {
public:
    Analysis(cmp_session& s, DataFlow& df) : s_(s), df_(df) {
        for (const auto& sym : s.src.symbols) {
            index_[sym.get()] = static_cast<int>(df.symbols.size());
            df.symbols.push_back(sym.get());
        }
        df.by_region.resize(1 + s.src.methods.size() * 6);
        df.calls.resize(df.by_region.size());
        extra_.resize(df.by_region.size());
        nodes();
    }

    void run() {
        statements(s_.src.main, 0, {});
        for (size_t m = 0; m < s_.src.methods.size(); ++m) {
            const Method& method = s_.src.methods[m];
            statements(method.body, DataFlow::region(static_cast<int>(m), -1), {});
            for (int b = 0; b < 5; ++b)
                if (method.blocks[b].defined)
                    statements(method.blocks[b].body, DataFlow::region(static_cast<int>(m), b), {});
        }
        std::vector<Set> inherited = inherited_contexts();
        df_.depends.assign(df_.symbols.size(), {});
        for (const Fact& f : facts_) {
            Set from = f.reads;
            from.insert(f.context.begin(), f.context.end());
            from.insert(inherited[f.region].begin(), inherited[f.region].end());
            for (int w : f.writes)
                for (int r : from) df_.depends[df_.node[w]].insert(df_.node[r]);
        }
    }

private:
    cmp_session& s_;
    DataFlow& df_;
    std::unordered_map<const cmp_symbol*, int> index_;
    std::vector<Fact> facts_;
    std::vector<Call> calls_;
    std::vector<Set> extra_;   // per region: conditions of jumps that may skip its statements

    // Names of one storage (an instance member and its bare name) are one node.
    void nodes() {
        std::map<std::tuple<int, int, int>, int> by_storage;
        for (size_t i = 0; i < df_.symbols.size(); ++i) {
            const cmp_symbol* sym = df_.symbols[i];
            int node = static_cast<int>(i);
            if (sym->storage != SymStorage::Local) {
                auto key = std::make_tuple(static_cast<int>(sym->storage), sym->pointer,
                                           sym->storage == SymStorage::Bound ? 0 : sym->offset);
                auto it = by_storage.emplace(key, node).first;
                node = it->second;
            }
            df_.node.push_back(node);
        }
    }

    void add_symbol(const cmp_symbol* sym, Set& to) {
        if (!sym) return;
        auto it = index_.find(sym);
        if (it == index_.end()) return;
        to.insert(it->second);
        for (const cmp_symbol* e : sym->elements) add_symbol(e, to);   // an array stands for its elements
    }

    // Reads of an expression; arguments written back by special functions become facts of their own.
    void expression(const Expr* e, Set& reads, int region, const Set& context, SymbolUse& use) {
        if (!e) return;
        if (e->kind == ExprKind::Name) add_symbol(e->sym, reads);
        if (e->kind == ExprKind::Call && e->special) {
            Fact f{region, context, {}, {}};
            for (const Expr* a : e->args) {
                expression(a, f.reads, region, context, use);
                if (a && a->written_back) add_symbol(a->sym, f.writes);
            }
            reads.insert(f.reads.begin(), f.reads.end());
            if (!f.writes.empty()) {
                use.writes.insert(f.writes.begin(), f.writes.end());
                facts_.push_back(std::move(f));
            }
            return;
        }
        for (const Expr* a : e->args) expression(a, reads, region, context, use);
    }

    void statements(const std::vector<Stmt*>& list, int region, const Set& context) {
        for (const Stmt* st : list) statement(st, region, context);
    }

    void statement(const Stmt* st, int region, const Set& context) {
        if (!st) return;
        SymbolUse& use = df_.by_statement[st->line];
        Set reads;
        switch (st->kind) {
            case StmtKind::Assign: {
                Fact f{region, context, {}, {}};
                expression(st->value, f.reads, region, context, use);
                for (const Expr* sub : st->target->args) expression(sub, f.reads, region, context, use);
                add_symbol(st->target->sym, f.writes);
                reads = f.reads;
                use.writes.insert(f.writes.begin(), f.writes.end());
                facts_.push_back(std::move(f));
                break;
            }
            case StmtKind::If: {
                expression(st->value, reads, region, context, use);
                Set inner = with(context, reads);
                statement(st->then_stmt, region, inner);
                statement(st->else_stmt, region, inner);
                break;
            }
            case StmtKind::DoIter: {
                Fact f{region, context, {}, {}};
                add_symbol(st->target->sym, f.writes);
                f.reads = f.writes;   // the next pass adds the step to the variable
                expression(st->from, f.reads, region, context, use);
                expression(st->to, f.reads, region, context, use);
                expression(st->by, f.reads, region, context, use);
                for (const DoItem& it : st->do_items)
                    for (const Expr* e : {it.from, it.to, it.by}) expression(e, f.reads, region, context, use);
                expression(st->do_cond, f.reads, region, context, use);
                reads = f.reads;
                use.writes.insert(f.writes.begin(), f.writes.end());
                Set inner = with(context, f.reads);
                facts_.push_back(std::move(f));
                statements(st->body, region, inner);
                break;
            }
            case StmtKind::DoWhile:
            case StmtKind::DoUntil:
                expression(st->value, reads, region, context, use);
                statements(st->body, region, with(context, reads));
                break;
            case StmtKind::Do: statements(st->body, region, context); break;
            case StmtKind::Select: {
                // a WHEN runs only when every WHEN before it did not match
                expression(st->value, reads, region, context, use);
                Set inner = with(context, reads);
                for (const WhenClause& w : st->whens) {
                    Set values;
                    for (const Expr* v : w.values) expression(v, values, region, context, use);
                    reads.insert(values.begin(), values.end());
                    inner.insert(values.begin(), values.end());
                    statement(w.action, region, inner);
                }
                break;
            }
            case StmtKind::Call:
                expression(st->call, reads, region, context, use);
                call_by_name(st->call, region, context);
                break;
            case StmtKind::Put:
                for (const PutItem& it : st->items) expression(it.value, reads, region, context, use);
                break;
            case StmtKind::Return:
                expression(st->value, reads, region, context, use);
                jump(region, context);
                break;
            case StmtKind::Goto:
            case StmtKind::Leave:
            case StmtKind::Continue: jump(region, context); break;
            case StmtKind::RunMethod: run_method(st, region, context); break;
            default: break;
        }
        use.reads.insert(reads.begin(), reads.end());
        SymbolUse& r = df_.by_region[region];
        r.reads.insert(use.reads.begin(), use.reads.end());
        r.writes.insert(use.writes.begin(), use.writes.end());
    }

    static Set with(const Set& a, const Set& b) {
        Set r = a;
        r.insert(b.begin(), b.end());
        return r;
    }

    // A conditional jump may skip any statement of its region: they all depend on its conditions.
    void jump(int region, const Set& context) { extra_[region].insert(context.begin(), context.end()); }

    void run_method(const Stmt* st, int region, const Set& context) {
        if (st->method < 0 || st->method >= static_cast<int>(s_.src.methods.size())) return;
        const Method& m = s_.src.methods[st->method];
        int block = st->block_type >= 0 ? st->block_type : m.has_blocks() ? 2 : -1;
        int to = DataFlow::region(st->method, block);
        df_.calls[region].insert(to);
        calls_.push_back(Call{region, context, to});
    }

    // CALLSUBR with the method (and block) written as literals runs like RUNMETHOD; a name
    // computed at run time cannot be followed.
    void call_by_name(const Expr* call, int region, const Set& context) {
        if (!call || !call->special || s_.src.specials[call->function].name != "CALLSUBR") return;
        if (call->args.empty() || call->args[0]->kind != ExprKind::String) return;
        int m = s_.src.method_index(upper(trimmed(call->args[0]->text)));
        if (m < 0) return;
        int block = -1;
        if (call->args.size() > 1) {
            if (call->args[1]->kind != ExprKind::String) return;
            block = block_type_of(trimmed(call->args[1]->text));
            if (block < 0) return;
        } else if (s_.src.methods[m].has_blocks()) {
            block = 2;
        }
        int to = DataFlow::region(m, block);
        df_.calls[region].insert(to);
        calls_.push_back(Call{region, context, to});
    }
    static std::string trimmed(const std::string& t) {
        size_t a = t.find_first_not_of(' '), b = t.find_last_not_of(' ');
        return a == std::string::npos ? std::string() : t.substr(a, b - a + 1);
    }

    // Conditions under which each region runs: those of its RUNMETHOD calls, and of the calls
    // of the regions that call it, until nothing changes.
    std::vector<Set> inherited_contexts() {
        std::vector<Set> in = extra_;
        for (bool changed = true; changed;) {
            changed = false;
            for (const Call& c : calls_) {
                size_t before = in[c.to_region].size();
                in[c.to_region].insert(c.context.begin(), c.context.end());
                if (c.from_region != c.to_region) in[c.to_region].insert(in[c.from_region].begin(), in[c.from_region].end());
                changed = changed || in[c.to_region].size() != before;
            }
        }
        return in;
    }
};

}  // namespace

bool build_dataflow(cmp_session& s, DataFlow& out) {
    if (s.errors > 0) return false;
    out = DataFlow{};
    Analysis(s, out).run();
    return true;
}

std::vector<cmp_symbol*> dependencies(const DataFlow& df, const cmp_symbol* symbol) {
    auto at = std::find(df.symbols.begin(), df.symbols.end(), symbol);
    if (at == df.symbols.end()) return {};
    int start = df.node[static_cast<size_t>(at - df.symbols.begin())];
    std::vector<char> seen(df.symbols.size(), 0);
    std::deque<int> todo{start};
    seen[start] = 1;
    while (!todo.empty()) {
        int n = todo.front();
        todo.pop_front();
        for (int d : df.depends[n])
            if (!seen[d]) {
                seen[d] = 1;
                todo.push_back(d);
            }
    }
    std::vector<cmp_symbol*> out;
    for (size_t i = 0; i < df.symbols.size(); ++i)
        if (seen[df.node[i]] && df.node[i] != start) out.push_back(df.symbols[i]);
    return out;
}

std::vector<cmp_symbol*> region_use(const DataFlow& df, int region, int which) {
    std::vector<char> reached(df.by_region.size(), 0);
    std::vector<int> todo{region};
    reached[region] = 1;
    Set used;
    while (!todo.empty()) {
        int r = todo.back();
        todo.pop_back();
        if (which & 1) used.insert(df.by_region[r].reads.begin(), df.by_region[r].reads.end());
        if (which & 2) used.insert(df.by_region[r].writes.begin(), df.by_region[r].writes.end());
        for (int c : df.calls[r])
            if (!reached[c]) {
                reached[c] = 1;
                todo.push_back(c);
            }
    }
    std::vector<cmp_symbol*> out;
    for (int i : used) out.push_back(df.symbols[i]);
    return out;
}

}  // namespace qor::cmp

// The code generator: lays out the frame (locals, constants, loop slots, temporaries), lowers
// every statement to register bytecode, resolves labels, GOTOs and RUNMETHOD targets, and
// builds the tables of call sites. It runs twice: the first pass counts constants.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/compiler/functions.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"

using namespace qor;
using namespace qor::cmp;

namespace {

struct GenError {
    std::string message;
    int line;
};

// Slot numbers are 32-bit operands; the frame is held below 2^31 slots so that every slot
// number is also a non-negative int.
constexpr int kMaxSlots = 0x7FFFFFFE;

class Generator {
public:
    Generator(cmp_session& s, Code& c, int nconst, int nhidden)
        : s_(s), c_(c), nconst_known_(nconst), nhidden_known_(nhidden) {}

    int constants() const { return static_cast<int>(const_values_.size()); }
    int hidden() const { return hidden_count_; }

    void run() {
        layout();
        c_.code.clear();
        c_.line_of.clear();
        block(s_.src.main, false);
        emit(OP_HALT, 0, 0, 0);
        for (auto& [pc, label, line] : goto_fix_) {
            auto it = c_.labels.find(label);
            if (it == c_.labels.end()) {
                char buf[256];
                xpmstr(buf, sizeof buf, 672, 4004, static_cast<int>(label.size()), label.c_str(), line);
                std::string t(buf);
                throw GenError{t.rfind("ERROR: ", 0) == 0 ? t.substr(7) : t, line};
            }
            set_target(pc, it->second);
        }
        // a GOTO back spends the length of the code it goes back over
        for (auto& [tick, pc] : goto_ticks_)
            if (c_.code[pc].b <= pc) c_.code[tick].a = static_cast<uint32_t>(pc - c_.code[pc].b + 1);
        for (auto& [pc, st] : runm_fix_) set_target(pc, method_target(st));
        // frame image: locals missing, constants, loop slots and temporaries missing
        size_t frame = std::max(static_cast<size_t>(temp_base_ + temp_max_), const_base_ + const_values_.size());
        if (frame > static_cast<size_t>(kMaxSlots) + 1u) fail("The program is too large for one frame");
        c_.num_init.assign(frame, missing());
        c_.temp_base = static_cast<uint32_t>(temp_base_);
        c_.temp_count = static_cast<uint32_t>(temp_max_);
        for (size_t i = 0; i < const_values_.size(); ++i) c_.num_init[const_base_ + i] = const_values_[i];
        for (cmp_symbol* a : s_.src.arrays) array_initial(a);
    }

private:
    cmp_session& s_;
    Code& c_;
    int nconst_known_, nhidden_known_;
    int nlocals_ = 0, const_base_ = 0, hidden_base_ = 0, temp_base_ = 0;
    int temp_top_ = 0, temp_max_ = 0, hidden_count_ = 0;
    std::map<uint64_t, int> consts_;
    std::vector<double> const_values_;
    std::map<std::string, int> str_consts_;
    int line_ = 0;
    bool in_method_ = false;
    std::vector<std::tuple<size_t, std::string, int>> goto_fix_;
    std::vector<std::pair<size_t, Stmt*>> runm_fix_;
    std::vector<std::pair<size_t, size_t>> goto_ticks_;   // budget: TICK before a GOTO, the GOTO
    struct MethodCode { uint32_t start = 0; uint32_t blocks[5] = {0, 0, 0, 0, 0}; bool generated = false; };
    std::vector<MethodCode> methods_;
    struct Loop { uint32_t continue_pc = 0; std::vector<size_t> exits, continues; bool continue_known = false; };
    std::vector<Loop> loops_;

    [[noreturn]] void fail(const std::string& m) { throw GenError{m, line_}; }

    void layout() {
        int nnum = 0, nstr = 0;
        c_.str_slots.clear();
        for (auto& sp : s_.src.symbols) {
            cmp_symbol* sym = sp.get();
            if (sym->kind != 'v' || sym->storage != SymStorage::Local) continue;
            if (sym->type == 'n') sym->slot = nnum++;
            else {
                sym->slot = nstr++;
                c_.str_slots.push_back(StrSlotInit{sym->length, true, std::string()});
            }
        }
        nlocals_ = nnum;
        const_base_ = nlocals_;
        hidden_base_ = const_base_ + nconst_known_;
        temp_base_ = hidden_base_ + nhidden_known_;
        c_.arrays.clear();
        for (cmp_symbol* a : s_.src.arrays) {
            ArrayTable t;
            t.type = a->type;
            t.matrix = a->matrix;
            t.data = a->matrix_data;
            t.resizable = (a->matrix_flags & CMP_MTX_RESIZABLE) != 0;
            t.rows = a->dims.empty() ? 0 : a->dims[0];
            t.columns = a->dims.size() > 1 ? a->dims[1] : 0;
            t.pointer = a->matrix ? a->pointer : -1;
            t.symbol = a;
            t.count = 1;
            for (int d : a->dims) t.count *= d;
            for (cmp_symbol* e : a->elements) {
                t.slots.push_back(e->storage == SymStorage::Local ? e->slot : -1);
                t.pointers.push_back(e->storage == SymStorage::Bound ? e->pointer : -1);
            }
            c_.arrays.push_back(std::move(t));
        }
        methods_.assign(s_.src.methods.size(), MethodCode{});
        c_.generic_sites.clear();
        c_.special_sites.clear();
        c_.put_sites.clear();
        c_.methods.clear();
        c_.budget = s_.budget;
        c_.labels.clear();
        c_.entries.clear();
        c_.entry_names.clear();
        c_.fn1.clear();
        c_.fn2.clear();
        for (auto& f : s_.lib1) c_.fn1.push_back(f.second);
        for (auto& f : s_.lib2) c_.fn2.push_back(f.second);
    }

    void array_initial(cmp_symbol* a) {
        (void)a;   // initial values are applied by the ARRAY statement's own code (see Array)
    }

    // ---- emission ----
    size_t emit(uint16_t op, int a, int b, int c) {
        if (a < 0 || b < 0 || c < 0) fail("The program is too large for one frame");
        c_.code.push_back(Instr{op, 0, static_cast<uint32_t>(a), static_cast<uint32_t>(b), static_cast<uint32_t>(c)});
        c_.line_of.push_back(line_);
        return c_.code.size() - 1;
    }
    uint32_t here() const { return static_cast<uint32_t>(c_.code.size()); }
    void set_target(size_t pc, uint32_t target) { c_.code[pc].b = target; }
    // A label is a run-list entry numbered in the order the labels are generated (program
    // order), whatever their names; a label defined again moves to its later place.
    void define_label(const std::string& name) {
        auto [it, added] = c_.labels.emplace(name, here());
        if (added) {
            c_.entries.push_back(here());
            c_.entry_names.push_back(name);
            return;
        }
        it->second = here();
        for (size_t e = 0; e < c_.entry_names.size(); ++e)
            if (c_.entry_names[e] == name) c_.entries[e] = here();
    }
    size_t jump(uint16_t op, int a) { return emit(op, a, 0, 0); }

    // Budget counting, generated only when the program has a budget: a TICK spends `span`
    // instructions (at least 1). open_tick places one whose span close_tick sets later.
    bool budgeted() const { return c_.budget > 0; }
    void tick(uint32_t span) {
        if (budgeted()) emit(OP_TICK, static_cast<int>(std::max<uint32_t>(span, 1)), 0, 0);
    }
    size_t open_tick() {
        if (!budgeted()) return SIZE_MAX;
        return emit(OP_TICK, 1, 0, 0);
    }
    void close_tick(size_t pc, uint32_t from) {
        if (pc != SIZE_MAX) c_.code[pc].a = std::max<uint32_t>(here() - from, 1);
    }

    int temp() {
        int t = temp_base_ + temp_top_++;
        temp_max_ = std::max(temp_max_, temp_top_);
        if (t >= kMaxSlots) fail("Expression needs too many temporary values");
        return t;
    }
    int hidden_slot() {
        int h = hidden_count_++;
        return hidden_base_ + std::min(h, std::max(nhidden_known_ - 1, 0));
    }
    int constant(double v) {
        uint64_t bits = bits_of(v);
        auto it = consts_.find(bits);
        if (it != consts_.end()) return it->second;
        int slot = const_base_ + static_cast<int>(const_values_.size());
        const_values_.push_back(v);
        consts_[bits] = slot;
        return slot;
    }
    int str_slot(int capacity, bool variable, const std::string& init = std::string()) {
        c_.str_slots.push_back(StrSlotInit{std::max(1, capacity), variable, init});
        return static_cast<int>(c_.str_slots.size()) - 1;
    }
    int str_constant(const std::string& text) {
        std::string t = text.empty() ? std::string(" ") : text;
        auto it = str_consts_.find(t);
        if (it != str_consts_.end()) return it->second;
        int slot = str_slot(static_cast<int>(t.size()), false, t);
        str_consts_[t] = slot;
        return slot;
    }

    // ---- statements ----
    void block(const std::vector<Stmt*>& list, bool) {
        for (Stmt* st : list) statement(st);
    }

    void statement(Stmt* st) {
        // A statement nested in another of the same push (IF ... THEN x = 1) shares its number and
        // is traced once, with it.
        bool nested = st->line == line_;
        line_ = st->line;
        temp_top_ = 0;
        for (const std::string& l : st->labels) define_label(l);
        if (s_.trace >= 2 && !nested) trace_statement(st);
        switch (st->kind) {
            case StmtKind::Null:
            case StmtKind::Length:
                break;
            case StmtKind::Assign:
                assign(st->target, st->value);
                if (s_.trace >= 3) trace_assigned(st->target);
                break;
            case StmtKind::If: {
                size_t jf = jump_unless(st->value);
                statement(st->then_stmt);
                if (st->else_stmt) {
                    size_t jend = jump(OP_JMP, 0);
                    set_target(jf, here());
                    statement(st->else_stmt);
                    set_target(jend, here());
                } else {
                    set_target(jf, here());
                }
                break;
            }
            case StmtKind::Do: block(st->body, false); break;
            case StmtKind::DoIter: do_iterative(st); break;
            case StmtKind::DoWhile: {
                loops_.emplace_back();
                uint32_t top = here();
                loops_.back().continue_pc = top;
                loops_.back().continue_known = true;
                size_t tk = open_tick();
                temp_top_ = 0;
                size_t jf = jump_unless(st->value);
                block(st->body, false);
                line_ = st->line;
                size_t back = jump(OP_JMP, 0);
                close_tick(tk, top);
                set_target(back, top);
                set_target(jf, here());
                close_loop(here());
                break;
            }
            case StmtKind::DoUntil: {
                loops_.emplace_back();
                uint32_t top = here();
                block(st->body, false);
                line_ = st->line;
                temp_top_ = 0;
                uint32_t test = here();
                tick(test - top);
                for (size_t pc : loops_.back().continues) set_target(pc, test);
                loops_.back().continues.clear();
                size_t jf = jump_unless(st->value);
                set_target(jf, top);
                close_loop(here());
                break;
            }
            case StmtKind::Select: select(st); break;
            case StmtKind::Goto: {
                size_t tk = open_tick();
                size_t pc = jump(OP_JMP, 0);
                goto_fix_.emplace_back(pc, st->name, st->line);
                if (tk != SIZE_MAX) goto_ticks_.emplace_back(tk, pc);
                break;
            }
            case StmtKind::Return: emit(in_method_ ? OP_MRET : OP_ERET, 0, 0, 0); break;
            case StmtKind::Leave: loops_.back().exits.push_back(jump(OP_JMP, 0)); break;
            case StmtKind::Continue: {
                Loop& l = loops_.back();
                size_t pc = jump(OP_JMP, 0);
                if (l.continue_known) set_target(pc, l.continue_pc);
                else l.continues.push_back(pc);
                break;
            }
            case StmtKind::Call: call(st->call, -1); break;
            case StmtKind::Put: put(st); break;
            case StmtKind::Method: method(st); break;
            case StmtKind::RunMethod: runm_fix_.emplace_back(jump(OP_RUNM, 0), st); break;
            case StmtKind::Array: array_init(st); break;
            default: fail("Statement cannot be generated here");
        }
    }

    void close_loop(uint32_t exit) {
        for (size_t pc : loops_.back().exits) set_target(pc, exit);
        loops_.pop_back();
    }

    // DO i = items [WHILE|UNTIL (c)]: a hidden item number picks the next item after each pass;
    // the body is generated once.
    void do_list(Stmt* st) {
        int var = st->target->sym->slot;
        int next = hidden_slot(), active = hidden_slot();
        size_t n = st->do_items.size();
        std::vector<int> tos(n, -1), bys(n, -1);
        for (size_t k = 0; k < n; ++k)
            if (st->do_items[k].to) { tos[k] = hidden_slot(); bys[k] = hidden_slot(); }
        emit(OP_MOV, next, constant(1), 0);
        std::vector<size_t> to_dispatch;   // jumps back to the item choice
        uint32_t dispatch = here();
        std::vector<size_t> to_item(n);
        for (size_t k = 0; k < n; ++k) {
            temp_top_ = 0;
            int t = temp();
            emit(OP_EQ, t, next, constant(static_cast<double>(k + 1)));
            to_item[k] = jump(OP_JT, t);
        }
        loops_.emplace_back();
        loops_.back().exits.push_back(jump(OP_JMP, 0));   // no item left
        std::vector<size_t> to_test;
        for (size_t k = 0; k < n; ++k) {
            set_target(to_item[k], here());
            temp_top_ = 0;
            const DoItem& it = st->do_items[k];
            num_into(it.from, var);
            emit(OP_MOV, next, constant(static_cast<double>(k + 2)), 0);
            emit(OP_MOV, active, constant(it.to ? static_cast<double>(k + 1) : 0), 0);
            if (it.to) {
                num_into(it.to, tos[k]);
                if (it.by) num_into(it.by, bys[k]);
                else emit(OP_MOV, bys[k], constant(1), 0);
                emit(OP_LOOPCHK, var, tos[k], bys[k]);
                emit(OP_FORTEST, var, tos[k], bys[k]);
                size_t leave = emit(OP_EXT, 0, 0, 0);
                set_target(leave, dispatch);
            }
            to_test.push_back(jump(OP_JMP, 0));
        }
        uint32_t top = here();
        for (size_t pc : to_test) set_target(pc, top);
        temp_top_ = 0;
        if (st->do_cond_kind == 'W') loops_.back().exits.push_back(jump_unless(st->do_cond));
        block(st->body, false);
        line_ = st->line;
        uint32_t cont = here();
        tick(cont - top);
        for (size_t pc : loops_.back().continues) set_target(pc, cont);
        temp_top_ = 0;
        if (st->do_cond_kind == 'U') {
            size_t go_on = jump_unless(st->do_cond);
            loops_.back().exits.push_back(jump(OP_JMP, 0));
            set_target(go_on, here());
        }
        for (size_t k = 0; k < n; ++k) {
            if (!st->do_items[k].to) continue;
            temp_top_ = 0;
            int t = temp();
            emit(OP_EQ, t, active, constant(static_cast<double>(k + 1)));
            size_t other = jump(OP_JF, t);
            emit(OP_FORNEXT, var, tos[k], bys[k]);
            size_t back = emit(OP_EXT, 0, 0, 0);
            set_target(back, top);
            set_target(other, here());
        }
        set_target(jump(OP_JMP, 0), dispatch);
        close_loop(here());
    }

    void do_iterative(Stmt* st) {
        if (!st->do_items.empty()) return do_list(st);
        int var = st->target->sym->slot;
        int to = hidden_slot(), by = hidden_slot();
        num_into(st->from, var);
        num_into(st->to, to);
        if (st->by) num_into(st->by, by);
        else emit(OP_MOV, by, constant(1), 0);
        emit(OP_LOOPCHK, var, to, by);
        emit(OP_FORTEST, var, to, by);
        size_t skip = emit(OP_EXT, 0, 0, 0);
        uint32_t top = here();
        loops_.emplace_back();
        block(st->body, false);
        line_ = st->line;
        uint32_t cont = here();
        tick(cont - top);
        for (size_t pc : loops_.back().continues) set_target(pc, cont);
        double step = 1;
        bool positive = !st->by || (fold(st->by, step) && step > 0);
        emit(positive ? OP_FORNEXTP : OP_FORNEXT, var, to, by);
        size_t back = emit(OP_EXT, 0, 0, 0);
        set_target(back, top);
        set_target(skip, here());
        close_loop(here());
    }

    void select(Stmt* st) {
        bool character = st->value && st->value->type == 'c';
        int operand = -1;
        if (st->value) {
            if (character) operand = str(st->value);
            else {
                operand = hidden_slot();
                num_into(st->value, operand);
            }
        }
        std::vector<size_t> to_end;
        for (WhenClause& w : st->whens) {
            line_ = st->line;
            temp_top_ = 0;
            std::vector<size_t> to_action;
            size_t skip = 0;
            bool otherwise = w.values.empty();
            if (!otherwise) {
                for (Expr* v : w.values) {
                    int t;
                    if (!st->value) t = num(v);
                    else if (character) {
                        t = temp();
                        emit(OP_SCMP, t, operand, str(v));
                        emit(OP_EXT, CMP_EQ, 0, 0);
                    } else {
                        t = temp();
                        emit(OP_EQ, t, operand, num(v));
                    }
                    to_action.push_back(jump(OP_JT, t));
                }
                skip = jump(OP_JMP, 0);
            }
            for (size_t pc : to_action) set_target(pc, here());
            statement(w.action);
            to_end.push_back(jump(OP_JMP, 0));
            if (!otherwise) set_target(skip, here());
        }
        for (size_t pc : to_end) set_target(pc, here());
    }

    void method(Stmt* st) {
        Method& m = s_.src.methods[st->method];
        MethodCode& mc = methods_[st->method];
        size_t past = jump(OP_JMP, 0);
        MethodRange range;
        range.start = here();
        range.name = m.name;
        mc.start = here();
        in_method_ = true;
        size_t tk = open_tick();
        block(m.body, false);
        line_ = st->line;
        emit(OP_MRET, 0, 0, 0);
        close_tick(tk, mc.start);
        for (int b = 0; b < 5; ++b) {
            if (!m.blocks[b].defined) continue;
            mc.blocks[b] = here();
            size_t btk = open_tick();
            block(m.blocks[b].body, false);
            emit(OP_MRET, 0, 0, 0);
            close_tick(btk, mc.blocks[b]);
        }
        in_method_ = false;
        mc.generated = true;
        set_target(past, here());
        range.end = here();
        for (int b = 0; b < 5; ++b)
            if (m.blocks[b].defined) range.blocks[b] = mc.blocks[b];
        c_.methods.push_back(range);
    }

    uint32_t method_target(Stmt* st) {
        Method& m = s_.src.methods[st->method];
        MethodCode& mc = methods_[st->method];
        line_ = st->line;
        if (!m.defined || !mc.generated) {
            char buf[256];
            xpmstr(buf, sizeof buf, 672, 1008, static_cast<int>(m.name.size()), m.name.c_str());
            std::string t(buf);
            fail(t.rfind("ERROR: ", 0) == 0 ? t.substr(7) : t);
        }
        int b = st->block_type;
        if (b >= 0 && !m.blocks[b].defined) {
            char buf[256];
            xpmstr(buf, sizeof buf, 672, 1020, static_cast<int>(m.name.size()), m.name.c_str(), block_type_name(b));
            std::string t(buf);
            fail(t.rfind("ERROR: ", 0) == 0 ? t.substr(7) : t);
        }
        if (b < 0 && m.blocks[2].defined) b = 2;   // a method with blocks runs its MAIN block
        return b >= 0 ? mc.blocks[b] : mc.start;
    }

    void array_init(Stmt* st) {
        const ArrayDecl& a = st->array;
        cmp_symbol* sym = s_.src.find(a.name);
        for (size_t i = 0; i < a.initial.size(); ++i) {
            cmp_symbol* e = sym->elements[i];
            if (a.character) emit(OP_SMOV, e->slot, str_constant(a.initial[i]->text), 0);
            else if (e->storage == SymStorage::Member) emit(OP_STM, constant(a.initial[i]->num), e->pointer, e->offset);
            else emit(OP_MOV, e->slot, constant(a.initial[i]->num), 0);
        }
    }

    void assign(Expr* target, Expr* value) {
        cmp_symbol* sym = target->sym;
        if (sym->type == 'c') {
            int src = str(value);
            if (sym->kind == 'a') {
                int flat = index(target);
                emit(OP_SSTX, src, sym->array_index, flat);
            } else if (sym->storage == SymStorage::Member) {
                emit(OP_SSTM, src, sym->pointer, sym->offset);
                emit(OP_EXT, sym->length, 0, 0);
            } else {
                emit(OP_SMOV, sym->slot, src, 0);
            }
            return;
        }
        if (sym->kind == 'a') {
            int flat = index(target);
            int v = num(value);
            emit(OP_STX, v, sym->array_index, flat);
            return;
        }
        switch (sym->storage) {
            case SymStorage::Local: num_into(value, sym->slot); break;
            case SymStorage::Member: emit(OP_STM, num(value), sym->pointer, sym->offset); break;
            case SymStorage::PointerMember: emit(OP_STP, num(value), sym->pointer, sym->offset); break;
            case SymStorage::Bound: emit(OP_STB, num(value), sym->pointer, 0); break;
        }
    }

    // flat zero-based element number of an indexed array reference, checked at run time
    int index(Expr* e) {
        cmp_symbol* sym = e->sym;
        int acc = temp();
        bool resizable = sym->matrix && (sym->matrix_flags & CMP_MTX_RESIZABLE);
        for (size_t k = 0; k < e->args.size(); ++k) {
            int i = num(e->args[k]);
            if (resizable) {
                emit(OP_MIDX, acc, i, sym->array_index);
                emit(OP_EXT, k == 0 ? 1 : 0, static_cast<int>(k), 0);
            } else {
                emit(OP_XIDX, acc, i, sym->dims[k]);
                emit(OP_EXT, k == 0 ? 1 : 0, 0, 0);
            }
        }
        return acc;
    }

    // ---- numeric expressions ----
    bool single_op(Expr* e) const {
        if (e->type != 'n') return false;
        switch (e->kind) {
            case ExprKind::Unary: return e->uop != '+';
            case ExprKind::Binary: return e->bop != BinOp::Concat;
            case ExprKind::Call: return !e->special;
            default: return false;
        }
    }

    void num_into(Expr* e, int dst) {
        int r = num(e, single_op(e) ? dst : -1);
        if (r != dst) emit(OP_MOV, dst, r, 0);
    }

    // The value of a numeric expression made of literals and pure built-ins, computed as the
    // executor would; false when it is not constant or when the executor would make a missing
    // value of it (that must happen, and be counted, at every run).
    bool fold(const Expr* e, double& v) const {
        if (!e || e->type != 'n') return false;
        double x = 0, y = 0;
        switch (e->kind) {
            case ExprKind::Number: v = e->num; return true;
            case ExprKind::Unary:
                if (e->uop == '+') return fold(e->args[0], v);
                if (e->uop != '-' || !fold(e->args[0], x) || !is_finite(x)) return false;
                v = -x;
                return true;
            case ExprKind::Binary: {
                if (!fold(e->args[0], x) || !is_finite(x) || !fold(e->args[1], y) || !is_finite(y)) return false;
                switch (e->bop) {
                    case BinOp::Add: v = x + y; break;
                    case BinOp::Sub: v = x - y; break;
                    case BinOp::Mul: v = x * y; break;
                    case BinOp::Div: v = x / y; break;
                    case BinOp::Pow: v = std::pow(x, y); break;
                    default: return false;
                }
                return is_finite(v);
            }
            case ExprKind::Call: {
                if (e->special || e->function < 0) return false;
                const BuiltinFunction& f = builtin_at(e->function);
                if (f.form == FnForm::Num1 && e->args.size() == 1) {
                    if (!fold(e->args[0], x) || !is_finite(x)) return false;
                    v = f.num1(x);
                } else if (f.form == FnForm::Num2 && !e->args.empty() && e->args.size() <= 2) {
                    if (!fold(e->args[0], x) || !is_finite(x)) return false;
                    if (e->args.size() > 1) {
                        if (!e->args[1] || !fold(e->args[1], y)) return false;
                    } else {
                        y = f.default2;
                    }
                    if (!is_finite(y)) return false;
                    v = f.num2(x, y);
                } else {
                    return false;
                }
                return is_finite(v);
            }
            default: return false;
        }
    }
    static bool is_finite(double v) { return std::fabs(v) <= DBL_MAX; }
    bool folds(const Expr* e) const {
        double v;
        return e->kind != ExprKind::Number && fold(e, v);
    }

    // A numeric operand read straight from a structure member.
    static bool member_operand(const Expr* e) {
        return e->kind == ExprKind::Name && e->type == 'n' && e->args.empty() && e->sym && e->sym->kind == 'v' &&
               e->sym->storage == SymStorage::Member;
    }
    // A product worth fusing into its parent (a numeric product that is not a constant).
    bool product(const Expr* e) const {
        return e->kind == ExprKind::Binary && e->bop == BinOp::Mul && e->type == 'n' && !folds(e);
    }
    // Whether evaluating e may write memory: special functions may write their arguments back.
    static bool writes_memory(const Expr* e) {
        if (!e) return false;
        if (e->kind == ExprKind::Call && e->special) return true;
        for (const Expr* a : e->args)
            if (writes_memory(a)) return true;
        return false;
    }

    // Jump to be patched that is taken unless cond is true; compare-and-branch for comparisons.
    size_t jump_unless(Expr* cond) {
        bool comparison = cond->kind == ExprKind::Binary && cond->bop >= BinOp::Eq && cond->bop <= BinOp::Ge;
        if (!comparison || (cond->args[0]->type == 'c' && cond->args[1]->type == 'c')) return jump(OP_JF, num(cond));
        static const uint16_t ops[] = {OP_JFEQ, OP_JFNE, OP_JFLT, OP_JFLE, OP_JFGT, OP_JFGE};
        int a = num(cond->args[0]);
        int b = num(cond->args[1]);
        emit(ops[static_cast<int>(cond->bop) - static_cast<int>(BinOp::Eq)], a, b, 0);
        return emit(OP_EXT, 0, 0, 0);
    }

    int num(Expr* e, int dst = -1) {
        if (e->type == 'c') {
            int s = str(e);
            int t = dst >= 0 ? dst : temp();
            emit(OP_S2N, t, s, 0);
            return t;
        }
        double folded;
        if (e->kind != ExprKind::Number && fold(e, folded)) return constant(folded);
        switch (e->kind) {
            case ExprKind::Number: return constant(e->num);
            case ExprKind::Name: return load(e);
            case ExprKind::Unary: {
                if (e->uop == '+') return num(e->args[0]);
                if (e->uop == '-' && member_operand(e->args[0])) {
                    int t = dst >= 0 ? dst : temp();
                    emit(OP_NEGM, t, e->args[0]->sym->pointer, e->args[0]->sym->offset);
                    return t;
                }
                int x = num(e->args[0]);
                int t = dst >= 0 ? dst : temp();
                emit(e->uop == '-' ? OP_NEG : OP_NOT, t, x, 0);
                return t;
            }
            case ExprKind::Binary: return binary(e, dst);
            case ExprKind::In: {
                Expr* x = e->args[0];
                bool ch = x->type == 'c';
                int v = ch ? str(x) : num(x);
                int acc = temp();
                for (size_t i = 1; i < e->args.size(); ++i) {
                    int t = i == 1 ? acc : temp();
                    if (ch) {
                        emit(OP_SCMP, t, v, str(e->args[i]));
                        emit(OP_EXT, CMP_EQ, 0, 0);
                    } else {
                        emit(OP_EQ, t, v, num(e->args[i]));
                    }
                    if (i > 1) emit(OP_OR, acc, acc, t);
                }
                return acc;
            }
            case ExprKind::Call: return call(e, dst);
            default: fail("Expression cannot be generated");
        }
    }

    int load(Expr* e) {
        cmp_symbol* sym = e->sym;
        if (sym->kind == 'a') {
            int flat = index(e);
            int t = temp();
            emit(OP_LDX, t, sym->array_index, flat);
            return t;
        }
        switch (sym->storage) {
            case SymStorage::Local: return sym->slot;
            case SymStorage::Member: { int t = temp(); emit(OP_LDM, t, sym->pointer, sym->offset); return t; }
            case SymStorage::PointerMember: { int t = temp(); emit(OP_LDP, t, sym->pointer, sym->offset); return t; }
            case SymStorage::Bound: { int t = temp(); emit(OP_LDB, t, sym->pointer, 0); return t; }
        }
        return -1;
    }

    int binary(Expr* e, int dst) {
        Expr* l = e->args[0];
        Expr* r = e->args[1];
        static const uint16_t arith[] = {OP_OR, OP_AND, OP_EQ, OP_NE, OP_LT, OP_LE, OP_GT, OP_GE, 0,
                                         OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_POW};
        int idx = static_cast<int>(e->bop);
        bool comparison = e->bop >= BinOp::Eq && e->bop <= BinOp::Ge;
        if (comparison && l->type == 'c' && r->type == 'c') {
            int a = str(l), b = str(r);
            int t = dst >= 0 ? dst : temp();
            emit(OP_SCMP, t, a, b);
            emit(OP_EXT, idx - static_cast<int>(BinOp::Eq), 0, 0);
            return t;
        }
        if (e->type == 'n' && l->type == 'n' && r->type == 'n') {
            int t = fused(e, dst);
            if (t >= 0) return t;
        }
        int a = num(l);
        int b = num(r);
        int t = dst >= 0 ? dst : temp();
        emit(arith[idx], t, a, b);
        return t;
    }

    // One instruction for frequent shapes: b +/- c * d, (b * c) * d and an arithmetic operator
    // with a structure member on one side. Operands are evaluated in the order the plain
    // instructions would evaluate them. -1 when e has none of these shapes.
    int fused(Expr* e, int dst) {
        Expr* l = e->args[0];
        Expr* r = e->args[1];
        BinOp op = e->bop;
        auto two_words = [&](uint16_t code, int b, int c, int ext) {
            int t = dst >= 0 ? dst : temp();
            emit(code, t, b, c);
            emit(OP_EXT, ext, 0, 0);
            return t;
        };
        if ((op == BinOp::Add || op == BinOp::Sub) && product(r)) {
            int b = num(l);
            int c = num(r->args[0]);
            int d = num(r->args[1]);
            return two_words(op == BinOp::Add ? OP_MADD : OP_MSUB, b, c, d);
        }
        if (op == BinOp::Add && product(l)) {   // c * d + b: addition commutes bit for bit
            int c = num(l->args[0]);
            int d = num(l->args[1]);
            int b = num(r);
            return two_words(OP_MADD, b, c, d);
        }
        if (op == BinOp::Mul && product(l)) {
            int b = num(l->args[0]);
            int c = num(l->args[1]);
            int d = num(r);
            return two_words(OP_MMUL, b, c, d);
        }
        if (op != BinOp::Add && op != BinOp::Sub && op != BinOp::Mul && op != BinOp::Div) return -1;
        static const uint16_t right[] = {OP_ADDM, OP_SUBM, OP_MULM, OP_DIVM};
        static const uint16_t left[] = {OP_ADDM, OP_RSUBM, OP_MULM, OP_RDIVM};
        int k = static_cast<int>(op) - static_cast<int>(BinOp::Add);
        if (member_operand(r)) {
            int b = num(l);
            return two_words(right[k], b, r->sym->pointer, r->sym->offset);
        }
        // the member is read after the other side: only when that side writes nothing
        if (member_operand(l) && !writes_memory(r)) {
            int b = num(r);
            return two_words(left[k], b, l->sym->pointer, l->sym->offset);
        }
        return -1;
    }

    int call(Expr* e, int dst) {
        if (e->special) return special(e, dst);
        if (e->whole_array && e->sym) {   // DIM / HBOUND of a resizable matrix: known only at run time
            int t = dst >= 0 ? dst : temp();
            emit(OP_MDIM, t, e->sym->array_index, static_cast<int>(e->num));
            return t;
        }
        if (e->function <= -2) {   // session library function
            int code = -2 - e->function;
            int index = code / 2, arity = code % 2 + 1;
            int a = num(e->args[0]);
            if (arity == 1) {
                int t = dst >= 0 ? dst : temp();
                emit(OP_CALL1, t, a, index);
                return t;
            }
            int b = num(e->args[1]);
            int t = dst >= 0 ? dst : temp();
            emit(OP_CALL2, t, a, index);
            emit(OP_EXT, b, 0, 0);
            return t;
        }
        const BuiltinFunction& f = builtin_at(e->function);
        switch (f.form) {
            case FnForm::Num1: {
                int a = num(e->args[0]);
                int t = dst >= 0 ? dst : temp();
                emit(OP_CALL1, t, a, fn1_index(f.num1));
                return t;
            }
            case FnForm::Num2: {
                int a = num(e->args[0]);
                int b = e->args.size() > 1 ? num(e->args[1]) : constant(f.default2);
                int t = dst >= 0 ? dst : temp();
                emit(OP_CALL2, t, a, fn2_index(f.num2));
                emit(OP_EXT, b, 0, 0);
                return t;
            }
            case FnForm::Aggregate: {
                int first = -1;
                std::vector<int> vals;
                for (Expr* a : e->args) vals.push_back(num(a));
                for (size_t i = 0; i < vals.size(); ++i) {
                    int t = temp();
                    if (i == 0) first = t;
                    emit(OP_MOV, t, vals[i], 0);
                }
                int t = dst >= 0 ? dst : temp();
                emit(OP_AGG, t, first, static_cast<int>(vals.size()));
                emit(OP_EXT, f.aggregate, 0, 0);
                return t;
            }
            case FnForm::Generic: {
                GenericSite site;
                site.function = e->function;
                site.result = f.result;
                size_t tl = std::strlen(f.arg_types);
                for (size_t i = 0; i < e->args.size(); ++i) {
                    Expr* a = e->args[i];
                    char want = f.arg_types[std::min(i, tl - 1)];
                    ArgRef ar;
                    bool as_char = want == 'c' || (want == '?' && a->type == 'c');
                    ar.type = as_char ? 'c' : 'n';
                    ar.slot = as_char ? str(a) : num(a);
                    site.args.push_back(ar);
                }
                int t;
                if (f.result == 'c') t = str_slot(e->capacity, false);
                else t = dst >= 0 ? dst : temp();
                site.dst = t;
                c_.generic_sites.push_back(std::move(site));
                emit(OP_GCALL, static_cast<int>(c_.generic_sites.size()) - 1, 0, 0);
                return t;
            }
            case FnForm::ArrayInfo: break;
        }
        fail("Function cannot be generated");
    }

    int fn1_index(double (*f)(double)) {
        for (size_t i = 0; i < c_.fn1.size(); ++i)
            if (c_.fn1[i] == f) return static_cast<int>(i);
        c_.fn1.push_back(f);
        return static_cast<int>(c_.fn1.size()) - 1;
    }
    int fn2_index(double (*f)(double, double)) {
        for (size_t i = 0; i < c_.fn2.size(); ++i)
            if (c_.fn2[i] == f) return static_cast<int>(i);
        c_.fn2.push_back(f);
        return static_cast<int>(c_.fn2.size()) - 1;
    }

    int special(Expr* e, int dst) {
        const SpecialFunction& f = s_.src.specials[e->function];
        SpecialSite site;
        site.function = e->function;
        site.name = f.name;
        site.body = f.def.body;
        site.context = f.def.context;
        site.result = f.def.result_type;
        site.hidden_size = f.def.hidden_size;
        for (Expr* a : e->args) {
            ArgRef ar;
            if (a->kind == ExprKind::Omitted) {
                ar.type = 'o';
            } else if (a->whole_array) {
                ar.type = 'a';
                ar.slot = a->sym->array_index;
                ar.variable = true;
            } else if (a->kind == ExprKind::Name && a->args.empty() && a->sym->kind == 'v') {
                cmp_symbol* sym = a->sym;
                ar.type = sym->type;
                ar.variable = true;
                ar.slot = sym->slot;
                ar.pointer = sym->pointer;
                ar.offset = sym->offset;
                ar.length = sym->length;
                ar.storage = sym->storage == SymStorage::Local ? ARG_FRAME
                             : sym->storage == SymStorage::Member ? ARG_MEMBER
                             : sym->storage == SymStorage::PointerMember ? ARG_POINTER_MEMBER : ARG_BOUND;
            } else if (a->type == 'c') {
                ar.type = 'c';
                int s = str(a);
                // a copy, so that the body never writes into a constant
                int copy = str_slot(a->capacity, false);
                emit(OP_SMOV, copy, s, 0);
                ar.slot = copy;
            } else {
                ar.type = 'n';
                int v = num(a);
                int t = temp();
                emit(OP_MOV, t, v, 0);
                ar.slot = t;
            }
            site.args.push_back(ar);
        }
        int t = -1;
        if (f.def.result_type == 'c') t = str_slot(e->capacity, false);
        else if (f.def.result_type == 'n') t = dst >= 0 ? dst : temp();
        site.dst = t;
        if (site.hidden_size > 0) {
            int n = 0;
            for (const SpecialSite& other : c_.special_sites)
                if (other.hidden_size > 0) ++n;
            site.hidden_index = n;
        }
        c_.special_sites.push_back(std::move(site));
        emit(OP_XCALL, static_cast<int>(c_.special_sites.size()) - 1, 0, 0);
        return t >= 0 ? t : constant(missing());
    }

    // ---- character expressions ----
    int str(Expr* e) {
        if (e->type == 'n') {
            int v = num(e);
            int t = str_slot(12, false);
            emit(OP_N2S, t, v, 0);
            return t;
        }
        switch (e->kind) {
            case ExprKind::String: return str_constant(e->text);
            case ExprKind::Name: {
                cmp_symbol* sym = e->sym;
                if (sym->kind == 'a') {
                    int flat = index(e);
                    int t = str_slot(sym->length, false);
                    emit(OP_SLDX, t, sym->array_index, flat);
                    return t;
                }
                if (sym->storage == SymStorage::Member) {
                    int t = str_slot(sym->length, false);
                    emit(OP_SLDM, t, sym->pointer, sym->offset);
                    return t;
                }
                return sym->slot;
            }
            case ExprKind::Binary: {
                int a = str(e->args[0]);
                int b = str(e->args[1]);
                int t = str_slot(e->capacity, false);
                emit(OP_SCAT, t, a, b);
                return t;
            }
            case ExprKind::Call: return call(e, -1);
            default: fail("Character expression cannot be generated");
        }
    }

    // Statement tracing is generated, not tested at run time: a program compiled without the
    // trace option carries no trace instructions at all. Each traced statement writes a line to
    // the instance's PUT destination before its own code runs.
    void trace_statement(Stmt* st) {
        switch (st->kind) {
            case StmtKind::Null: case StmtKind::Length: case StmtKind::Array: case StmtKind::Method:
            case StmtKind::EndMethod: case StmtKind::Block: case StmtKind::EndBlock: case StmtKind::Do:
            case StmtKind::Else: case StmtKind::When: case StmtKind::Otherwise: case StmtKind::End:
                return;   // declarations and structure: nothing of their own runs
            default: break;
        }
        PutSite site;
        site.items.push_back(PutSite::Item{0, "TRACE: statement " + std::to_string(st->line), 'n', -1});
        emit_put(std::move(site));
    }

    // With the detailed trace, the value an assignment stored: "TRACE: NAME=value".
    void trace_assigned(Expr* target) {
        if (!target || !target->sym || target->kind != ExprKind::Name || !target->args.empty()) return;
        PutSite site;
        site.items.push_back(PutSite::Item{0, "TRACE:", 'n', -1});
        PutSite::Item value{2, target->text, target->type, -1};
        value.slot = target->type == 'c' ? str(target) : num(target);
        site.items.push_back(value);
        emit_put(std::move(site));
    }

    void emit_put(PutSite site) {
        c_.put_sites.push_back(std::move(site));
        emit(OP_PUT, static_cast<int>(c_.put_sites.size()) - 1, 0, 0);
    }

    void put(Stmt* st) {
        PutSite site;
        for (PutItem& it : st->items) {
            PutSite::Item item{it.kind, it.text, 'n', -1};
            if (it.value) {
                item.type = it.value->type;
                item.slot = it.value->type == 'c' ? str(it.value) : num(it.value);
            }
            site.items.push_back(item);
        }
        emit_put(std::move(site));
    }
};

// The pointer slots of a run: their initial addresses, and those the code dereferences with
// the name of what the engine must bind there, checked before each run.
void note_pointer_slots(const ProgramSource& src, Code& c) {
    c.pointer_slots = static_cast<size_t>(src.pointer_slots);
    c.pointer_image.assign(c.pointer_slots, nullptr);
    for (size_t i = 0; i < src.bound_addresses.size() && i < c.pointer_slots; ++i)
        c.pointer_image[i] = src.bound_addresses[i];
    std::vector<unsigned char> used(c.pointer_slots, 0);
    auto use = [&](uint32_t slot) {
        if (slot < used.size()) used[slot] = 1;
    };
    for (const Instr& in : c.code) {
        switch (in.op) {
            case OP_LDM: case OP_STM: case OP_LDP: case OP_STP: case OP_LDB: case OP_STB:
            case OP_NEGM: case OP_SLDM: case OP_SSTM:
                use(in.b);
                break;
            case OP_ADDM: case OP_SUBM: case OP_MULM: case OP_DIVM: case OP_RSUBM: case OP_RDIVM:
                use(in.c);
                break;
            default: break;
        }
    }
    for (const SpecialSite& site : c.special_sites)
        for (const ArgRef& ar : site.args)
            if (ar.type != 'o' && ar.type != 'a' && ar.storage != ARG_FRAME) use(static_cast<uint32_t>(ar.pointer));
    std::vector<std::string> names(c.pointer_slots);
    for (const StructInstance& si : src.instances)
        if (si.pointer >= 0 && static_cast<size_t>(si.pointer) < names.size()) names[si.pointer] = si.name;
    for (const auto& sym : src.symbols)
        if (sym->storage == SymStorage::Bound && sym->pointer >= 0 && static_cast<size_t>(sym->pointer) < names.size() &&
            names[sym->pointer].empty())
            names[sym->pointer] = sym->name;
    for (const cmp_symbol* a : src.arrays)
        if (a->matrix && a->pointer >= 0 && static_cast<size_t>(a->pointer) < names.size()) names[a->pointer] = a->name;
    c.required_slots.clear();
    c.required_names.clear();
    for (size_t k = 0; k < used.size(); ++k)
        if (used[k]) {
            c.required_slots.push_back(static_cast<uint32_t>(k));
            c.required_names.push_back(names[k]);
        }
}

// Which arrays the code may change: the read-only binding copies those before a store.
void note_written_arrays(Code& c) {
    c.array_written.assign(c.arrays.size(), 0);
    std::vector<int> by_pointer(c.pointer_slots, -1);   // a matrix's pointer slot -> the array
    for (size_t k = 0; k < c.arrays.size(); ++k)
        if (c.arrays[k].matrix && c.arrays[k].pointer >= 0 && static_cast<size_t>(c.arrays[k].pointer) < by_pointer.size())
            by_pointer[static_cast<size_t>(c.arrays[k].pointer)] = static_cast<int>(k);
    auto mark_array = [&](uint32_t k) {
        if (k < c.array_written.size()) c.array_written[k] = 1;
    };
    auto mark_pointer = [&](int slot) {
        if (slot >= 0 && static_cast<size_t>(slot) < by_pointer.size() && by_pointer[static_cast<size_t>(slot)] >= 0)
            c.array_written[static_cast<size_t>(by_pointer[static_cast<size_t>(slot)])] = 1;
    };
    for (const Instr& in : c.code) {
        switch (in.op) {
            case OP_STX: case OP_SSTX: mark_array(in.b); break;
            case OP_STM: case OP_STP: case OP_SSTM: mark_pointer(static_cast<int>(in.b)); break;
            default: break;
        }
    }
    for (const SpecialSite& site : c.special_sites)
        for (const ArgRef& ar : site.args) {
            if (ar.type == 'a') mark_array(static_cast<uint32_t>(ar.slot));
            else if (ar.variable && ar.storage == ARG_MEMBER) mark_pointer(ar.pointer);
        }
}

}  // namespace

bool cmp_session::generate(std::string& message, int& line) {
    tier.reset();   // machine code of an earlier program goes with it
    code = std::make_unique<Code>();
    try {
        Generator first(*this, *code, 0, 0);
        first.run();
        Generator second(*this, *code, first.constants(), first.hidden());
        second.run();
    } catch (const GenError& e) {
        message = e.message;
        line = e.line;
        code.reset();
        return false;
    }
    size_t bytes = 0;
    for (const StrSlotInit& s : code->str_slots) bytes += static_cast<size_t>(s.capacity) + 1;
    code->string_bytes = bytes;
    note_pointer_slots(src, *code);
    note_written_arrays(*code);
    for (size_t i = 0; i < code->methods.size(); ++i)
        code->method_by_name.emplace(code->methods[i].name, static_cast<uint32_t>(i));
    return true;
}

// Semantic analysis of one pushed statement: names resolved to symbols (asking the engine's
// declaration hook first), types and character capacities settled, function calls checked,
// special functions' compile-time checks called. Nothing here runs at execution time.
#include <algorithm>
#include <cstring>

#include "runtime/compiler/functions.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"

using namespace qor::cmp;

namespace {

constexpr int kMaxCapacity = 32767;
constexpr int kMaxArgs = 64;

struct Failure {
    std::string message;
    int pos;
};

class Analyzer {
public:
    explicit Analyzer(cmp_session& s) : s_(s) {}

    void statement(Stmt* st) {
        switch (st->kind) {
            case StmtKind::Assign: assign(st->target, st->value); break;
            case StmtKind::If: condition(st->value); statement(st->then_stmt); break;
            case StmtKind::Else:
            case StmtKind::Otherwise: statement(st->then_stmt); break;
            case StmtKind::When:
                for (Expr* v : st->whens[0].values) value(v);
                statement(st->whens[0].action);
                break;
            case StmtKind::DoIter: {
                Symbol* v = variable(st->target, true);
                if (v->type != 'n' || v->storage != SymStorage::Local || v->kind != 'v')
                    throw Failure{"Loop variable " + v->name + " must be a numeric local variable", st->target->pos};
                v->loop_variable = true;
                v->flags |= CMP_SYM_ASSIGNED | CMP_SYM_READ;
                if (st->from) numeric_only(st->from);
                if (st->to) numeric_only(st->to);
                if (st->by) numeric_only(st->by);
                for (DoItem& it : st->do_items)
                    for (Expr* e : {it.from, it.to, it.by})
                        if (e) numeric_only(e);
                if (st->do_cond) numeric(st->do_cond);
                break;
            }
            case StmtKind::DoWhile:
            case StmtKind::DoUntil: condition(st->value); break;
            case StmtKind::Select: if (st->value) value(st->value); break;
            case StmtKind::Call: call_statement(st->call); break;
            case StmtKind::Put:
                for (PutItem& it : st->items)
                    if (it.value) value(it.value);
                break;
            case StmtKind::Array: array(st); break;
            case StmtKind::Length: lengths(st); break;
            default: break;
        }
    }

private:
    cmp_session& s_;

    [[noreturn]] void fail(const std::string& m, int pos) { throw Failure{m, pos}; }

    // Looks a name up; asks the declaration hook once for names the program does not know.
    Symbol* lookup(const std::string& name, int pos, bool create) {
        Symbol* sym = s_.src.find(name);
        if (!sym && s_.hooks.declare && s_.asked_hook.insert(name).second) {
            if (s_.hooks.declare(s_.hooks.user, &s_, name.c_str(), static_cast<int>(name.size())) != 0)
                fail("Name " + name + " was refused by the declaration hook", pos);
            sym = s_.src.find(name);
        }
        if (!sym && create) {
            if (name.find('.') != std::string::npos)
                fail("Name " + name + " is not declared (a point-joined name needs a structure member or engine name)", pos);
            sym = s_.src.add(name, 'v', 'n');
            if (s_.open_method >= 0) sym->flags |= CMP_SYM_IN_METHOD;
        }
        return sym;
    }

    // A variable reference (not a whole array); subscripts resolved.
    Symbol* variable(Expr* e, bool for_write) {
        Symbol* sym = lookup(e->text, e->pos, true);
        e->sym = sym;
        if (sym->kind == 'a') {
            if (e->args.empty()) fail("Array " + sym->name + " needs a subscript here", e->pos);
            if (e->args.size() != sym->dims.size())
                fail("Array " + sym->name + " has " + std::to_string(sym->dims.size()) + " dimension(s)", e->pos);
            for (Expr* i : e->args) numeric(i);
        } else if (!e->args.empty()) {
            fail(sym->name + " is not an array", e->pos);
        }
        if (!for_write) {
            if (!sym->type_known) sym->type_known = true;   // read before any assignment: numeric
            sym->flags |= CMP_SYM_READ;
        }
        e->type = sym->type;
        e->capacity = sym->length;
        return sym;
    }

    void assign(Expr* target, Expr* val) {
        value(val);
        Symbol* sym = variable(target, true);
        if (!sym->type_known && sym->kind == 'v') {
            sym->type = val->type;
            if (val->type == 'c') sym->length = std::max(1, val->capacity);
            sym->type_known = true;
            target->type = sym->type;
            target->capacity = sym->length;
        }
        if (val->type != sym->type) converted(sym->type, val, sym->name);
        sym->flags |= CMP_SYM_ASSIGNED;
    }

    void condition(Expr* e) { numeric(e); }

    // A value of the other type is converted where it is used: the push says so in its log.
    void converted(char to, const Expr* e, const std::string& name) {
        char buf[512];
        std::string what = name.empty() ? (e->kind == ExprKind::Name ? e->text : "a " + std::string(to == 'n' ? "character" : "numeric") + " expression") : name;
        xpmstr(buf, sizeof buf, 598, to == 'n' ? 3105 : 3106, static_cast<int>(what.size()), what.c_str(), s_.line,
               e->pos);
        s_.warnings.emplace_back(buf);
    }
    void want_number(const Expr* e) {
        if (e->type == 'c') converted('n', e, std::string());
    }
    void numeric_only(Expr* e) {
        value(e);
        if (e->type != 'n') fail("The values of an iterative DO are numeric", e->pos);
    }
    void numeric(Expr* e) {
        value(e);
        want_number(e);
    }

    void value(Expr* e) {
        switch (e->kind) {
            case ExprKind::Number: e->type = 'n'; break;
            case ExprKind::String:
                e->type = 'c';
                e->capacity = std::max<int>(1, static_cast<int>(e->text.size()));
                if (e->capacity > kMaxCapacity) fail("Quoted text is longer than 32767 characters", e->pos);
                break;
            case ExprKind::Name: variable(e, false); break;
            case ExprKind::Omitted: fail("An argument is missing here", e->pos);
            case ExprKind::Unary:
                value(e->args[0]);
                want_number(e->args[0]);
                e->type = 'n';
                break;
            case ExprKind::Binary: binary(e); break;
            case ExprKind::In: {
                value(e->args[0]);
                for (size_t i = 1; i < e->args.size(); ++i) {
                    value(e->args[i]);
                    if (e->args[i]->type != e->args[0]->type)
                        fail("IN list values must have the type of the tested value", e->args[i]->pos);
                }
                e->type = 'n';
                break;
            }
            case ExprKind::Call: call(e, false); break;
        }
    }

    void binary(Expr* e) {
        value(e->args[0]);
        value(e->args[1]);
        bool strings = e->args[0]->type == 'c' && e->args[1]->type == 'c';
        bool comparison = e->bop >= BinOp::Eq && e->bop <= BinOp::Ge;
        if (e->bop == BinOp::Concat) {
            for (Expr* a : e->args)
                if (a->type == 'n') converted('c', a, std::string());
        } else if (!(comparison && strings)) {
            for (Expr* a : e->args) want_number(a);
        }
        if (e->bop == BinOp::Concat) {
            e->type = 'c';
            int cap = 0;
            for (Expr* a : e->args) cap += a->type == 'c' ? a->capacity : 12;
            e->capacity = std::min(cap, kMaxCapacity);
        } else {
            e->type = 'n';
        }
    }

    // Array names stand for the whole array only as function arguments.
    void argument(Expr* a) {
        if (a->kind == ExprKind::Name && a->args.empty()) {
            Symbol* sym = lookup(a->text, a->pos, false);
            if (sym && sym->kind == 'a') {
                a->sym = sym;
                a->whole_array = true;
                a->type = sym->type;
                sym->flags |= CMP_SYM_READ;
                return;
            }
        }
        if (a->kind != ExprKind::Omitted) value(a);
    }

    void call(Expr* e, bool as_routine) {
        // a(i) with parentheses: an array element
        if (!as_routine) {
            Symbol* sym = lookup(e->text, e->pos, false);
            if (sym && sym->kind == 'a') {
                e->kind = ExprKind::Name;
                variable(e, false);
                return;
            }
        }
        if (e->args.size() > kMaxArgs) fail("Too many arguments (at most 64)", e->pos);
        for (size_t i = 0; i < s_.src.specials.size(); ++i)
            if (s_.src.specials[i].name == e->text) return special(e, static_cast<int>(i), as_routine);
        if (as_routine) fail("CALL needs a routine; " + e->text + " is not one", e->pos);
        for (size_t i = 0; i < s_.lib1.size(); ++i)
            if (s_.lib1[i].first == e->text) return library(e, static_cast<int>(i), 1);
        for (size_t i = 0; i < s_.lib2.size(); ++i)
            if (s_.lib2[i].first == e->text) return library(e, static_cast<int>(i), 2);
        int index = -1;
        const BuiltinFunction* f = find_builtin(e->text, &index);
        if (!f) fail("Unknown function " + e->text, e->pos);
        e->function = index;
        int n = static_cast<int>(e->args.size());
        if (n < f->min_args || (f->max_args >= 0 && n > f->max_args))
            fail("Function " + e->text + " takes " + std::to_string(f->min_args) +
                     (f->max_args == f->min_args ? "" : f->max_args < 0 ? " or more" : " to " + std::to_string(f->max_args)) +
                     " argument(s)",
                 e->pos);
        if (f->form == FnForm::ArrayInfo) return array_info(e);
        for (int i = 0; i < n; ++i) {
            Expr* a = e->args[i];
            if (a->kind == ExprKind::Omitted) fail("Argument " + std::to_string(i + 1) + " of " + e->text + " is missing", a->pos);
            value(a);
            size_t tl = std::strlen(f->arg_types);
            char want = f->arg_types[std::min<size_t>(static_cast<size_t>(i), tl - 1)];
            if (want == 'c' && a->type != 'c')
                fail("Argument " + std::to_string(i + 1) + " of " + e->text + " must be character", a->pos);
            if (want == 'n') want_number(a);
        }
        e->type = f->result;
        if (f->result == 'c') {
            int cap = f->fixed_len;
            if (f->result_len == ResultLen::Arg0) cap = e->args[0]->type == 'c' ? e->args[0]->capacity : 12;
            if (f->result_len == ResultLen::Sum) {
                cap = 0;
                for (Expr* a : e->args) cap += a->type == 'c' ? a->capacity : 12;
                if (e->text == "CATX") cap += e->args[0]->capacity * n;
            }
            if (e->text == "PUT" && n > 1 && e->args[1]->kind == ExprKind::String) {
                int w = 0;
                for (char c : e->args[1]->text)
                    if (c >= '0' && c <= '9') w = w * 10 + (c - '0');
                    else if (c == '.') break;
                if (w > 0) cap = w;
            }
            e->capacity = std::clamp(cap, 1, kMaxCapacity);
        }
    }

    void library(Expr* e, int index, int arity) {
        if (static_cast<int>(e->args.size()) != arity)
            fail("Function " + e->text + " takes " + std::to_string(arity) + " argument(s)", e->pos);
        for (Expr* a : e->args) {
            if (a->kind == ExprKind::Omitted) fail("An argument of " + e->text + " is missing", a->pos);
            value(a);
        }
        e->function = -2 - index * 2 - (arity - 1);   // decoded by the code generator
        e->type = 'n';
    }

    // DIM(a [, k]) and HBOUND(a [, k]): numbers known now (arrays are indexed from 1).
    void array_info(Expr* e) {
        Expr* a = e->args[0];
        Symbol* sym = a->kind == ExprKind::Name ? lookup(a->text, a->pos, false) : nullptr;
        if (!sym || sym->kind != 'a') fail(e->text + " needs an array name", a->pos);
        size_t k = 1;
        if (e->args.size() > 1) {
            Expr* d = e->args[1];
            if (d->kind != ExprKind::Number || d->num < 1 || d->num > static_cast<double>(sym->dims.size()) ||
                d->num != static_cast<int>(d->num))
                fail("Dimension number of " + e->text + " must be a whole number from 1 to " +
                         std::to_string(sym->dims.size()),
                     d->pos);
            k = static_cast<size_t>(d->num);
        }
        e->args.clear();
        e->type = 'n';
        if (sym->matrix && (sym->matrix_flags & CMP_MTX_RESIZABLE)) {
            e->whole_array = true;   // read from the instance when the statement runs
            e->sym = sym;
            e->num = static_cast<double>(k - 1);
            e->function = -1;
            sym->flags |= CMP_SYM_READ;
            return;
        }
        e->kind = ExprKind::Number;
        e->num = sym->dims[k - 1];
    }

    void special(Expr* e, int index, bool as_routine) {
        SpecialFunction& f = s_.src.specials[index];
        e->special = true;
        e->function = index;
        int n = static_cast<int>(e->args.size());
        if (f.def.nargs > 0 && n != f.def.nargs)
            fail("Function " + f.name + " takes " + std::to_string(f.def.nargs) + " argument(s)", e->pos);
        if (!as_routine && f.def.result_type == 0) fail(f.name + " is a routine: use it with CALL", e->pos);
        std::vector<cmp_arg_node> nodes(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            Expr* a = e->args[i];
            argument(a);
            cmp_arg_node& nd = nodes[i];
            std::memset(&nd, 0, sizeof nd);
            if (a->kind == ExprKind::Omitted) { nd.kind = CMP_ARG_OMITTED; continue; }
            nd.type = a->type;
            if (a->kind == ExprKind::Number || a->kind == ExprKind::String) {
                nd.kind = CMP_ARG_LITERAL;
                nd.number = a->num;
            } else if (a->whole_array) {
                nd.kind = CMP_ARG_ARRAY;
                nd.dimension = 1;
                for (int d : a->sym->dims) nd.dimension *= d;
            } else if (a->kind == ExprKind::Name && a->args.empty()) {
                nd.kind = CMP_ARG_VARIABLE;
            } else {
                nd.kind = CMP_ARG_EXPRESSION;
            }
            nd.text = a->kind == ExprKind::String || a->kind == ExprKind::Name ? a->text.c_str() : nullptr;
            nd.text_length = nd.text ? static_cast<int>(a->text.size()) : 0;
            if (!f.arg_types.empty() && i < static_cast<int>(f.arg_types.size())) {
                char want = f.arg_types[i];
                if ((want == 'n' || want == 'c') && a->type != want)
                    fail("Argument " + std::to_string(i + 1) + " of " + f.name + " must be " +
                             (want == 'n' ? "numeric" : "character"),
                         a->pos);
            }
        }
        if (f.def.check) {
            cmp_call_node node{f.name.c_str(), n, nodes.data(), s_.open_method >= 0 ? 1 : 0, s_.method_kind(), s_.line};
            char message[256] = {0};
            if (f.def.check(f.def.context, &node, message, sizeof message) != 0)
                fail(message[0] ? std::string(message) : "Function " + f.name + " refused these arguments", e->pos);
        }
        for (int i = 0; i < n; ++i) {
            if ((nodes[i].flags[0] & CMP_ARGF_BY_REFERENCE) && nodes[i].kind != CMP_ARG_VARIABLE &&
                nodes[i].kind != CMP_ARG_ARRAY)
                fail("Argument " + std::to_string(i + 1) + " of " + f.name + " must be a variable", e->args[i]->pos);
            const Symbol* as = e->args[i]->whole_array ? e->args[i]->sym : nullptr;
            if (as && (as->matrix_flags & CMP_MTX_RESULT) == CMP_MTX_RESULT) e->args[i]->written_back = true;
            if ((nodes[i].flags[0] & CMP_ARGF_BY_REFERENCE) && e->args[i]->sym) {
                e->args[i]->sym->flags |= CMP_SYM_ASSIGNED;
                e->args[i]->written_back = true;
            }
        }
        e->type = f.def.result_type ? f.def.result_type : 'n';
        e->capacity = f.def.result_type == 'c' ? std::clamp(f.def.result_length, 1, kMaxCapacity) : 0;
    }

    void call_statement(Expr* e) { call(e, true); }

    void array(Stmt* st) {
        ArrayDecl& a = st->array;
        if (s_.src.find(a.name)) fail("Name " + a.name + " is already used", st->pos);
        size_t count = 1;
        bool star = false;
        for (int d : a.dims) {
            if (d == 0) star = true;
            else count *= static_cast<size_t>(d);
        }
        if (star && a.elements.empty() && std::count(a.dims.begin(), a.dims.end(), 0) == static_cast<long>(a.dims.size())) {
            // ARRAY a[*]; or a[*, *]; a dynamic array, sized when the program runs
            if (a.character) fail("A dynamic array is numeric", st->pos);
            if (a.dims.size() > 2) fail("A dynamic array has one or two dimensions", st->pos);
            if (!a.initial.empty()) fail("A dynamic array takes no initial values", st->pos);
            Symbol* sym = s_.src.add(a.name, 'a', 'n');
            sym->type_known = true;
            sym->dims = a.dims;
            sym->array_index = static_cast<int>(s_.src.arrays.size());
            s_.src.make_matrix(sym, nullptr, CMP_MTX_RESIZABLE);
            if (s_.open_method >= 0) sym->flags |= CMP_SYM_IN_METHOD;
            s_.src.arrays.push_back(sym);
            return;
        }
        if (star) {
            if (a.dims.size() != 1 || a.elements.empty()) fail("'*' needs one dimension and a list of elements", st->pos);
            a.dims[0] = static_cast<int>(a.elements.size());
            count = a.elements.size();
        }
        if (count > 65535) fail("Array " + a.name + " has more than 65535 elements", st->pos);
        if (!a.elements.empty() && a.elements.size() != count)
            fail("Array " + a.name + " has " + std::to_string(count) + " elements but " +
                     std::to_string(a.elements.size()) + " names",
                 st->pos);
        if (a.initial.size() > count) fail("More initial values than elements in array " + a.name, st->pos);
        for (Expr* v : a.initial)
            if ((v->kind == ExprKind::String) != a.character) fail("Initial value has the wrong type", v->pos);
        std::vector<Symbol*> elems;
        for (size_t i = 0; i < count; ++i) {
            std::string en = a.elements.empty() ? a.name + std::to_string(i + 1) : a.elements[i];
            Symbol* e = lookup(en, st->pos, true);
            if (e->kind != 'v' || e->storage != SymStorage::Local)
                fail("Element " + en + " of array " + a.name + " must be a local variable", st->pos);
            if (e->type_known && e->type != (a.character ? 'c' : 'n'))
                fail("Element " + en + " has the other type than array " + a.name, st->pos);
            e->type = a.character ? 'c' : 'n';
            if (a.character && !e->type_known) e->length = a.length;
            e->type_known = true;
            elems.push_back(e);
        }
        Symbol* sym = s_.src.add(a.name, 'a', a.character ? 'c' : 'n');
        sym->type_known = true;
        sym->elements = elems;
        sym->dims = a.dims;
        sym->length = a.length;
        sym->array_index = static_cast<int>(s_.src.arrays.size());
        if (s_.open_method >= 0) sym->flags |= CMP_SYM_IN_METHOD;
        s_.src.arrays.push_back(sym);
    }

    void lengths(Stmt* st) {
        for (LengthItem& it : st->lengths) {
            Symbol* sym = s_.src.find(it.name);
            char t = it.character ? 'c' : 'n';
            if (sym && sym->type_known && (sym->type != t || (t == 'c' && sym->length != it.length)))
                fail("Length of " + it.name + " must be set before its first use", st->pos);
            if (!sym) sym = lookup(it.name, st->pos, true);
            if (sym->kind != 'v' || sym->storage != SymStorage::Local) fail(it.name + " is not a local variable", st->pos);
            sym->type = t;
            if (it.character) sym->length = it.length;
            sym->type_known = true;
        }
    }
};

}  // namespace

bool cmp_session::resolve(Stmt* st, std::string& message, int& pos) {
    try {
        Analyzer(*this).statement(st);
    } catch (const Failure& f) {
        message = f.message;
        pos = f.pos;
        return false;
    }
    return true;
}

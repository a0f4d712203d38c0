// Recursive-descent parser of the methods language: statements, expressions with their
// precedence, argument lists with omitted positions, PUT items, ARRAY and LENGTH lists.
#include "runtime/compiler/parser.h"

#include <cmath>

namespace qor::cmp {

namespace {

const char* const kBlockNames[] = {"INIT", "INST_INIT", "MAIN", "INST_TERM", "TERM"};
const char* const kKindWords[] = {"INPUT", "TRANS", "PRICE", "PROJECT", "POSTVAR", "POSTPRICE", "SCORE",
                                  "MITIGATION"};

// Thrown only inside this file; parse_statements turns it into a SyntaxError.
struct Fail {
    std::string message;
    int pos;
};

class Parser {
public:
    Parser(std::vector<Token>& toks, int line, NodeStore& store) : t_(toks), line_(line), store_(store) {}

    bool at_end() const { return t_[i_].kind == Tok::End; }

    Stmt* statement() {
        Stmt* s = store_.stmt();
        s->line = line_;
        s->pos = cur().pos;
        // labels: name ':' (a point-joined name is never a label)
        while (cur().kind == Tok::Name && peek_op(1, ":") && cur().text.find('.') == std::string::npos) {
            s->labels.push_back(upper(cur().text));
            i_ += 2;
        }
        body(s);
        return s;
    }

private:
    std::vector<Token>& t_;
    size_t i_ = 0;
    int line_;
    NodeStore& store_;

    const Token& cur() const { return t_[i_]; }
    const Token& at(size_t k) const { return t_[std::min(i_ + k, t_.size() - 1)]; }
    bool is_op(const char* op) const { return cur().kind == Tok::Op && cur().text == op; }
    bool peek_op(size_t k, const char* op) const { return at(k).kind == Tok::Op && at(k).text == op; }
    bool is_word(const char* kw) const { return cur().kind == Tok::Name && same_word(cur().text, kw); }
    [[noreturn]] void fail(const std::string& msg) const { throw Fail{msg, cur().pos}; }
    void expect_op(const char* op) {
        if (!is_op(op)) fail(std::string("Expected '") + op + "'");
        ++i_;
    }
    void expect_semi() {
        if (cur().kind != Tok::Semi) fail("Expected ';' to end the statement");
        ++i_;
    }
    std::string name(const char* what) {
        if (cur().kind != Tok::Name) fail(std::string("Expected ") + what);
        return t_[i_++].text;
    }
    std::string simple_name(const char* what) {
        std::string n = name(what);
        if (n.find('.') != std::string::npos) { --i_; fail(std::string("Expected ") + what + " without a point"); }
        return n;
    }
    int integer(const char* what) {
        if (cur().kind != Tok::Number || cur().number != std::floor(cur().number) || cur().number < 0 ||
            cur().number > 1e9)
            fail(std::string("Expected ") + what);
        return static_cast<int>(t_[i_++].number);
    }

    void body(Stmt* s) {
        if (cur().kind == Tok::Semi) { ++i_; s->kind = StmtKind::Null; return; }
        if (cur().kind != Tok::Name) fail("A statement starts with a name or a keyword");
        // a name followed by '=' or '[' is always an assignment, whatever the name
        if (peek_op(1, "=") || peek_op(1, "[")) { assignment(s); return; }
        if (peek_op(1, "(") && !is_word("DO") && !is_word("WHEN") && !is_word("SELECT") && !is_word("IF") &&
            !is_word("CALL") && !is_word("RETURN")) {
            // a(i) = ... : array element with parentheses
            assignment(s);
            return;
        }
        if (is_word("IF")) return if_stmt(s);
        if (is_word("ELSE")) {
            ++i_;
            s->kind = StmtKind::Else;
            s->then_stmt = nested();
            return;
        }
        if (is_word("DO")) return do_stmt(s);
        if (is_word("END")) { ++i_; s->kind = StmtKind::End; expect_semi(); return; }
        if (is_word("SELECT")) {
            ++i_;
            s->kind = StmtKind::Select;
            if (is_op("(")) { ++i_; s->value = expr(); expect_op(")"); }
            expect_semi();
            return;
        }
        if (is_word("WHEN")) {
            ++i_;
            s->kind = StmtKind::When;
            expect_op("(");
            WhenClause w;
            w.values.push_back(expr());
            while (is_op(",")) { ++i_; w.values.push_back(expr()); }
            expect_op(")");
            w.action = nested();
            s->whens.push_back(w);
            return;
        }
        if (is_word("OTHERWISE")) {
            ++i_;
            s->kind = StmtKind::Otherwise;
            s->then_stmt = nested();
            return;
        }
        if (is_word("GOTO") || (is_word("GO") && at(1).kind == Tok::Name && same_word(at(1).text, "TO"))) {
            i_ += is_word("GO") ? 2 : 1;
            s->kind = StmtKind::Goto;
            s->name = upper(simple_name("a label after GOTO"));
            expect_semi();
            return;
        }
        if (is_word("RETURN")) {
            ++i_;
            s->kind = StmtKind::Return;
            if (cur().kind != Tok::Semi) fail("RETURN takes no value here");
            expect_semi();
            return;
        }
        if (is_word("LEAVE")) { ++i_; s->kind = StmtKind::Leave; expect_semi(); return; }
        if (is_word("CONTINUE")) { ++i_; s->kind = StmtKind::Continue; expect_semi(); return; }
        if (is_word("CALL")) {
            ++i_;
            s->kind = StmtKind::Call;
            Expr* c = store_.expr();
            c->kind = ExprKind::Call;
            c->pos = cur().pos;
            c->text = upper(simple_name("a routine name after CALL"));
            if (is_op("(")) { ++i_; args(c); }
            s->call = c;
            expect_semi();
            return;
        }
        if (is_word("PUT")) return put_stmt(s);
        if (is_word("METHOD")) return method_stmt(s);
        if (is_word("ENDMETHOD")) { ++i_; s->kind = StmtKind::EndMethod; expect_semi(); return; }
        if (is_word("BLOCK")) {
            ++i_;
            s->kind = StmtKind::Block;
            int p = cur().pos;
            s->name = upper(simple_name("a block name (INIT, INST_INIT, MAIN, INST_TERM or TERM)"));
            s->block_type = block_type_of(s->name);
            if (s->block_type < 0) throw Fail{"Unknown block name " + s->name +
                                              " (use INIT, INST_INIT, MAIN, INST_TERM or TERM)", p};
            expect_semi();
            return;
        }
        if (is_word("ENDBLOCK")) { ++i_; s->kind = StmtKind::EndBlock; expect_semi(); return; }
        if (is_word("RUNMETHOD")) {
            ++i_;
            s->kind = StmtKind::RunMethod;
            s->name = upper(simple_name("a method name after RUNMETHOD"));
            if (cur().kind == Tok::Name) {
                int p = cur().pos;
                std::string b = upper(simple_name("a block name"));
                s->block_type = block_type_of(b);
                if (s->block_type < 0) throw Fail{"Unknown block name " + b, p};
            }
            expect_semi();
            return;
        }
        if (is_word("ARRAY")) return array_stmt(s);
        if (is_word("LENGTH")) return length_stmt(s);
        fail("Unknown statement " + upper(cur().text) + " (an assignment needs '=')");
    }

    Stmt* nested() {
        Stmt* n = store_.stmt();
        n->line = line_;
        n->pos = cur().pos;
        if (cur().kind == Tok::End) { n->kind = StmtKind::Null; return n; }   // 'else;' style
        body(n);
        if (n->kind == StmtKind::Method || n->kind == StmtKind::EndMethod || n->kind == StmtKind::Block ||
            n->kind == StmtKind::EndBlock || n->kind == StmtKind::Array || n->kind == StmtKind::Length ||
            n->kind == StmtKind::Else || n->kind == StmtKind::When || n->kind == StmtKind::Otherwise ||
            n->kind == StmtKind::End)
            throw Fail{"This statement cannot follow THEN, ELSE, WHEN or OTHERWISE", n->pos};
        return n;
    }

    void assignment(Stmt* s) {
        s->kind = StmtKind::Assign;
        s->target = reference();
        expect_op("=");
        s->value = expr();
        expect_semi();
    }

    Expr* reference() {
        Expr* e = store_.expr();
        e->kind = ExprKind::Name;
        e->pos = cur().pos;
        e->text = upper(name("a variable name"));
        if (is_op("[") || is_op("(")) {
            const char* close = is_op("[") ? "]" : ")";
            ++i_;
            e->args.push_back(expr());
            while (is_op(",")) { ++i_; e->args.push_back(expr()); }
            expect_op(close);
        }
        return e;
    }

    void if_stmt(Stmt* s) {
        ++i_;
        s->kind = StmtKind::If;
        s->value = expr();
        if (!is_word("THEN")) fail("Expected THEN");
        ++i_;
        s->then_stmt = nested();
    }

    void do_stmt(Stmt* s) {
        ++i_;
        if (cur().kind == Tok::Semi) { ++i_; s->kind = StmtKind::Do; return; }
        if (is_word("WHILE") || is_word("UNTIL")) {
            s->kind = is_word("WHILE") ? StmtKind::DoWhile : StmtKind::DoUntil;
            ++i_;
            expect_op("(");
            s->value = expr();
            expect_op(")");
            expect_semi();
            return;
        }
        s->kind = StmtKind::DoIter;
        s->target = store_.expr();
        s->target->kind = ExprKind::Name;
        s->target->pos = cur().pos;
        s->target->text = upper(simple_name("a loop variable, WHILE, UNTIL or ';' after DO"));
        expect_op("=");
        // items: value or from TO to [BY by], separated by commas; then WHILE (c) or UNTIL (c)
        for (;;) {
            DoItem item;
            item.from = expr();
            if (is_word("TO")) {
                ++i_;
                item.to = expr();
                if (is_word("BY")) { ++i_; item.by = expr(); }
            }
            s->do_items.push_back(item);
            if (!is_op(",")) break;
            ++i_;
        }
        if (is_word("WHILE") || is_word("UNTIL")) {
            s->do_cond_kind = is_word("WHILE") ? 'W' : 'U';
            ++i_;
            if (!is_op("(")) fail("Expected '(' after WHILE or UNTIL");
            s->do_cond = expr();
        }
        if (s->do_items.size() == 1 && s->do_items[0].to && !s->do_cond) {   // the plain form
            s->from = s->do_items[0].from;
            s->to = s->do_items[0].to;
            s->by = s->do_items[0].by;
            s->do_items.clear();
        }
        expect_semi();
    }

    void put_stmt(Stmt* s) {
        ++i_;
        s->kind = StmtKind::Put;
        while (cur().kind != Tok::Semi) {
            PutItem it;
            if (cur().kind == Tok::String) {
                it.kind = 0;
                it.text = t_[i_++].text;
            } else if (is_op("/")) {
                it.kind = 3;
                ++i_;
            } else if (cur().kind == Tok::Name) {
                it.text = cur().text;
                it.value = reference();
                it.kind = 1;
                if (is_op("=")) { it.kind = 2; ++i_; }
            } else {
                fail("PUT takes quoted texts, variables, 'name=' and '/'");
            }
            s->items.push_back(std::move(it));
        }
        expect_semi();
    }

    void method_stmt(Stmt* s) {
        ++i_;
        s->kind = StmtKind::Method;
        s->name = upper(simple_name("a method name after METHOD"));
        s->block_type = 0;   // kind option 0 = none ('N')
        if (is_word("KIND")) {
            ++i_;
            expect_op("=");
            int p = cur().pos;
            if (cur().kind == Tok::Number) {
                int k = integer("a kind number 1 to 8");
                if (k < 1 || k > 8) throw Fail{"Method kind number must be 1 to 8", p};
                s->block_type = k;
            } else {
                std::string w = name("a method kind");
                s->block_type = method_kind_of(w);
                if (s->block_type == 0)
                    throw Fail{"Unknown method kind " + upper(w) +
                               " (use INPUT, TRANS, PRICE, PROJECT, POSTVAR, POSTPRICE, SCORE or MITIGATION)", p};
            }
        }
        if (cur().kind == Tok::String) {
            PutItem d;
            d.text = t_[i_++].text;
            s->items.push_back(d);   // the description
        }
        expect_semi();
    }

    void array_stmt(Stmt* s) {
        ++i_;
        s->kind = StmtKind::Array;
        ArrayDecl& a = s->array;
        a.name = upper(simple_name("an array name"));
        if (!is_op("[") && !is_op("(")) fail("Expected '[' and the array's dimensions");
        const char* close = is_op("[") ? "]" : ")";
        ++i_;
        for (;;) {
            if (is_op("*")) { ++i_; a.dims.push_back(0); }
            else {
                int p = cur().pos;
                int d = integer("a dimension (a whole number or '*')");
                if (d < 1 || d > 65535) throw Fail{"Array dimension must be 1 to 65535", p};
                a.dims.push_back(d);
            }
            if (is_op(",")) { ++i_; continue; }
            break;
        }
        expect_op(close);
        if (is_op("$")) {
            ++i_;
            a.character = true;
            if (cur().kind == Tok::Number) {
                int p = cur().pos;
                a.length = integer("a length");
                if (a.length < 1 || a.length > 32767) throw Fail{"Character length must be 1 to 32767", p};
            }
        }
        while (cur().kind == Tok::Name) a.elements.push_back(upper(simple_name("an element name")));
        if (is_op("(")) {
            ++i_;
            for (;;) {
                a.initial.push_back(constant());
                if (is_op(",")) ++i_;
                if (is_op(")")) break;
            }
            ++i_;
        }
        expect_semi();
    }

    Expr* constant() {
        Expr* e = store_.expr();
        e->pos = cur().pos;
        bool neg = false;
        if (is_op("-")) { neg = true; ++i_; }
        if (cur().kind == Tok::Number || cur().kind == Tok::Missing) {
            e->kind = ExprKind::Number;
            e->is_missing_literal = cur().kind == Tok::Missing;
            e->num = neg && !e->is_missing_literal ? -cur().number : cur().number;
        } else if (cur().kind == Tok::String && !neg) {
            e->kind = ExprKind::String;
            e->text = cur().text;
        } else {
            fail("Initial values are numbers, missing values or quoted texts");
        }
        ++i_;
        return e;
    }

    void length_stmt(Stmt* s) {
        ++i_;
        s->kind = StmtKind::Length;
        while (cur().kind == Tok::Name) {
            LengthItem it;
            it.name = upper(simple_name("a variable name"));
            if (is_op("$")) { ++i_; it.character = true; }
            int p = cur().pos;
            it.length = integer("a length");
            if (it.character ? (it.length < 1 || it.length > 32767) : (it.length < 3 || it.length > 8))
                throw Fail{it.character ? "Character length must be 1 to 32767" : "Numeric length must be 3 to 8", p};
            s->lengths.push_back(it);
        }
        if (s->lengths.empty()) fail("LENGTH needs a variable name and a length");
        expect_semi();
    }

    // ---- expressions, lowest precedence first ----
    Expr* binary(BinOp op, Expr* l, Expr* r, int pos) {
        Expr* e = store_.expr();
        e->kind = ExprKind::Binary;
        e->bop = op;
        e->pos = pos;
        e->args = {l, r};
        return e;
    }

    Expr* expr() { return or_expr(); }

    Expr* or_expr() {
        Expr* l = and_expr();
        while (is_op("|") || is_word("OR")) {
            int p = cur().pos;
            ++i_;
            l = binary(BinOp::Or, l, and_expr(), p);
        }
        return l;
    }
    Expr* and_expr() {
        Expr* l = not_expr();
        while (is_op("&") || is_word("AND")) {
            int p = cur().pos;
            ++i_;
            l = binary(BinOp::And, l, not_expr(), p);
        }
        return l;
    }
    Expr* not_expr() {
        if (is_op("^") || is_word("NOT")) {
            Expr* e = store_.expr();
            e->kind = ExprKind::Unary;
            e->uop = '^';
            e->pos = cur().pos;
            ++i_;
            e->args.push_back(not_expr());
            return e;
        }
        return compare();
    }
    bool comparison_op(BinOp& op) const {
        static const struct { const char* sym; const char* word; BinOp op; } ops[] = {
            {"=", "EQ", BinOp::Eq}, {"^=", "NE", BinOp::Ne}, {"<", "LT", BinOp::Lt},
            {"<=", "LE", BinOp::Le}, {">", "GT", BinOp::Gt}, {">=", "GE", BinOp::Ge}};
        for (auto& o : ops)
            if (is_op(o.sym) || is_word(o.word)) { op = o.op; return true; }
        return false;
    }
    Expr* compare() {
        Expr* l = concat();
        BinOp op;
        if (is_word("IN")) {
            Expr* e = store_.expr();
            e->kind = ExprKind::In;
            e->pos = cur().pos;
            ++i_;
            expect_op("(");
            e->args.push_back(l);
            for (;;) {
                e->args.push_back(constant());
                if (is_op(",")) { ++i_; continue; }
                break;
            }
            expect_op(")");
            return e;
        }
        if (comparison_op(op)) {
            int p = cur().pos;
            ++i_;
            l = binary(op, l, concat(), p);
            BinOp again;
            if (comparison_op(again) || is_word("IN")) fail("Comparisons do not chain; join them with AND");
        }
        return l;
    }
    Expr* concat() {
        Expr* l = additive();
        while (is_op("||")) {
            int p = cur().pos;
            ++i_;
            l = binary(BinOp::Concat, l, additive(), p);
        }
        return l;
    }
    Expr* additive() {
        Expr* l = multiplicative();
        while (is_op("+") || is_op("-")) {
            BinOp op = is_op("+") ? BinOp::Add : BinOp::Sub;
            int p = cur().pos;
            ++i_;
            l = binary(op, l, multiplicative(), p);
        }
        return l;
    }
    Expr* multiplicative() {
        Expr* l = unary();
        while (is_op("*") || is_op("/")) {
            BinOp op = is_op("*") ? BinOp::Mul : BinOp::Div;
            int p = cur().pos;
            ++i_;
            l = binary(op, l, unary(), p);
        }
        return l;
    }
    Expr* unary() {
        if (is_op("-") || is_op("+")) {
            Expr* e = store_.expr();
            e->kind = ExprKind::Unary;
            e->uop = cur().text[0];
            e->pos = cur().pos;
            ++i_;
            e->args.push_back(unary());
            return e;
        }
        return power();
    }
    Expr* power() {
        Expr* base = primary();
        if (is_op("**")) {
            int p = cur().pos;
            ++i_;
            return binary(BinOp::Pow, base, unary(), p);   // right-associative, signed exponent
        }
        return base;
    }
    Expr* primary() {
        Expr* e = store_.expr();
        e->pos = cur().pos;
        switch (cur().kind) {
            case Tok::Number:
            case Tok::Missing:
                e->kind = ExprKind::Number;
                e->is_missing_literal = cur().kind == Tok::Missing;
                e->num = t_[i_++].number;
                return e;
            case Tok::String:
                e->kind = ExprKind::String;
                e->text = t_[i_++].text;
                return e;
            case Tok::Name: {
                std::string n = t_[i_++].text;
                if (is_op("(")) {
                    ++i_;
                    e->kind = ExprKind::Call;
                    e->text = upper(n);
                    args(e);
                    return e;
                }
                e->kind = ExprKind::Name;
                e->text = upper(n);
                if (is_op("[")) {
                    ++i_;
                    e->args.push_back(expr());
                    while (is_op(",")) { ++i_; e->args.push_back(expr()); }
                    expect_op("]");
                }
                return e;
            }
            case Tok::Op:
                if (is_op("(")) {
                    ++i_;
                    Expr* inner = expr();
                    expect_op(")");
                    return inner;
                }
                break;
            default:
                break;
        }
        fail(cur().kind == Tok::Semi || cur().kind == Tok::End ? "Expression is incomplete" : "Expected an operand");
    }

    // argument list after '(' up to and including ')'; empty positions become omitted nodes
    void args(Expr* call) {
        if (is_op(")")) { ++i_; return; }
        for (;;) {
            if (is_op(",") || is_op(")")) {
                Expr* o = store_.expr();
                o->kind = ExprKind::Omitted;
                o->pos = cur().pos;
                call->args.push_back(o);
            } else {
                call->args.push_back(expr());
            }
            if (is_op(",")) { ++i_; continue; }
            expect_op(")");
            return;
        }
    }
};

}  // namespace

bool is_statement_keyword(std::string_view word) {
    // every word Parser::body dispatches on
    static const char* const kWords[] = {"IF", "ELSE", "DO", "END", "SELECT", "WHEN", "OTHERWISE", "GOTO", "GO",
                                         "RETURN", "LEAVE", "CONTINUE", "CALL", "PUT", "METHOD", "ENDMETHOD",
                                         "BLOCK", "ENDBLOCK", "RUNMETHOD", "ARRAY", "LENGTH"};
    for (const char* w : kWords)
        if (same_word(word, w)) return true;
    return false;
}

int block_type_of(std::string_view name) {
    for (int i = 0; i < 5; ++i)
        if (same_word(name, kBlockNames[i])) return i;
    return -1;
}

const char* block_type_name(int type) { return type >= 0 && type < 5 ? kBlockNames[type] : "?"; }

int method_kind_of(std::string_view word) {
    for (int i = 0; i < 8; ++i)
        if (same_word(word, kKindWords[i])) return i + 1;
    return 0;
}

bool parse_statements(std::string_view text, int line, NodeStore& store, std::vector<Stmt*>& out,
                      SyntaxError& err) {
    std::vector<Token> toks;
    // a statement starting with '*' is a comment up to its ';'
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '*' &&
        !(first + 1 < text.size() && text[first + 1] == '*')) {
        size_t semi = text.find(';', first);
        if (semi == std::string_view::npos) {
            err = {"Comment statement is not ended by ';'", static_cast<int>(first) + 1};
            return false;
        }
        Stmt* s = store.stmt();
        s->line = line;
        s->kind = StmtKind::Null;
        s->text = std::string(text);
        s->source = std::string(text.substr(first, semi + 1 - first));
        out.push_back(s);
        std::string_view rest = text.substr(semi + 1);
        if (rest.find_first_not_of(" \t\r\n") == std::string_view::npos) return true;
        std::vector<Stmt*> more;
        if (!parse_statements(rest, line, store, more, err)) {
            err.pos += static_cast<int>(semi) + 1;
            return false;
        }
        out.insert(out.end(), more.begin(), more.end());
        return true;
    }
    if (!tokenize(text, toks, err.message, err.pos)) return false;
    Parser p(toks, line, store);
    try {
        if (p.at_end()) {
            err = {"Statement is empty (end it with ';')", 1};
            return false;
        }
        size_t first_new = out.size();
        while (!p.at_end()) {
            Stmt* s = p.statement();
            s->text = std::string(text);
            out.push_back(s);
        }
        // each statement's own text: from its first token up to the next statement's
        for (size_t k = first_new; k < out.size(); ++k) {
            size_t from = static_cast<size_t>(out[k]->pos - 1);
            size_t to = k + 1 < out.size() ? static_cast<size_t>(out[k + 1]->pos - 1) : text.size();
            out[k]->source = std::string(text.substr(from, to - from));
        }
    } catch (const Fail& f) {
        err = {f.message, f.pos};
        return false;
    }
    return true;
}

}  // namespace qor::cmp

// The PROC SQL translator: a recursive-descent reading of the query that writes SQLite text as
// it goes. Ordering comparisons, arithmetic, MAX/MIN/SUM/AVG/COUNT and ORDER BY go through the
// registered missing-aware functions; = and <> stay native (missing values are one-byte blobs).
#include "runtime/sql/sql_translate.h"

#include <strings.h>

#include <cctype>
#include <cmath>
#include <cstdio>

namespace qor::runtime::sql {

namespace {

enum class Kind { Unknown, Numeric, Text };

struct Expr {
    std::string sql;
    Kind kind = Kind::Unknown;
    bool column = false;          // a plain column reference
    std::string column_name;      // its last part
    bool literal = false;         // a string literal
    std::string body;             // the literal's text, trailing blanks kept
};

// One item of a select list.
struct Item {
    bool star = false;
    std::string sql;              // the translated expression
    std::string output;           // the output name (alias or column), empty for stars
};

struct Query {
    std::string sql;
    std::vector<Item> items;      // of the first SELECT
    bool compound = false;
};

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool same_name(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string string_literal(const std::string& body) {
    std::string out = "'";
    for (char c : body) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::string right_trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string number_literal(double value) {
    if (std::isinf(value)) return value > 0 ? "9e999" : "-9e999";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    std::string s = buffer;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string missing_literal(char code) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "x'%02X'", static_cast<unsigned char>(code));
    return buffer;
}

// Words that end a table reference instead of naming its alias.
bool ends_table_reference(const Token& t) {
    static const char* const kWords[] = {"WHERE", "GROUP", "HAVING", "ORDER", "ON", "JOIN",
                                          "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "OUTER",
                                          "UNION", "EXCEPT", "INTERSECT", "NATURAL", "USING"};
    for (const char* w : kWords)
        if (is_word(t, w)) return true;
    return false;
}

// Words that end or start a clause and so never name a column.
bool reserved(const Token& t) {
    static const char* const kWords[] = {"FROM", "WHERE", "GROUP", "HAVING", "ORDER", "SELECT",
                                          "AS", "ON", "JOIN", "UNION", "EXCEPT", "INTERSECT",
                                          "OUTER", "BY", "AND", "OR", "NOT", "WHEN", "THEN",
                                          "ELSE", "END"};
    for (const char* w : kWords)
        if (is_word(t, w)) return true;
    return false;
}

class Parser {
public:
    Parser(const std::string& text, const std::vector<Token>& tokens, size_t begin, size_t end,
           TranslationCatalog& catalog, Translation* out)
        : text_(text), tokens_(tokens), pos_(begin), end_(end), catalog_(catalog), out_(out) {
        end_token_.kind = TokenKind::End;
        end_token_.line = end < tokens.size() ? tokens[end].line : (tokens.empty() ? 1 : tokens.back().line);
        end_token_.offset = end_token_.end = end < tokens.size() ? tokens[end].offset : text.size();
    }

    bool run() {
        Query q;
        if (!query(&q)) return false;
        if (pos_ < end_) return fail(peek(), "unexpected " + shown(peek()) + " after the query");
        out_->sql = q.sql;
        return true;
    }

    const std::string& error() const { return error_; }

private:
    const Token& peek(size_t k = 0) const {
        return pos_ + k < end_ ? tokens_[pos_ + k] : end_token_;
    }
    const Token& take() { return pos_ < end_ ? tokens_[pos_++] : end_token_; }
    bool word(const char* w) { return is_word(peek(), w) ? (++pos_, true) : false; }
    bool symbol(const char* s) { return is_symbol(peek(), s) ? (++pos_, true) : false; }

    static std::string shown(const Token& t) {
        switch (t.kind) {
        case TokenKind::End: return "end of statement";
        case TokenKind::String: return "string '" + t.text + "'";
        case TokenKind::Number: return "number";
        case TokenKind::Missing: return "missing value";
        default: return "\"" + t.text + "\"";
        }
    }

    bool fail(const Token& at, const std::string& what) {
        if (error_.empty()) error_ = "line " + std::to_string(at.line) + ": " + what;
        return false;
    }
    bool expect_symbol(const char* s) {
        if (symbol(s)) return true;
        return fail(peek(), std::string("expected \"") + s + "\" but found " + shown(peek()));
    }
    bool name(std::string* out, const char* what) {
        if (peek().kind != TokenKind::Name)
            return fail(peek(), std::string("expected ") + what + " but found " + shown(peek()));
        *out = take().text;
        return true;
    }
    // Guards the recursion of nested expressions and queries.
    bool deeper() {
        if (++depth_ > 200) return fail(peek(), "the query nests too deeply");
        return true;
    }

    // query := select { set-operator select } [ORDER BY terms]
    bool query(Query* q) {
        if (!deeper()) return false;
        bool top = !in_query_;
        in_query_ = true;
        if (!select(&q->sql, &q->items, top)) return false;
        std::vector<std::string> columns;   // of q->sql so far, when OUTER UNION CORR needs them
        bool have_columns = false;
        while (true) {
            const Token& at = peek();
            std::string op;
            bool outer = false;
            if (word("OUTER")) {
                if (!word("UNION") || !word("CORR"))
                    return fail(at, "OUTER must be followed by UNION CORR");
                outer = true;
            } else if (word("UNION")) {
                op = word("ALL") ? "UNION ALL" : "UNION";
                if (is_word(peek(), "CORR")) return fail(peek(), "UNION CORR is not supported; use OUTER UNION CORR");
            } else if (word("EXCEPT")) {
                op = word("ALL") ? "EXCEPT ALL" : "EXCEPT";
            } else if (word("INTERSECT")) {
                op = word("ALL") ? "INTERSECT ALL" : "INTERSECT";
            } else {
                break;
            }
            std::string right;
            std::vector<Item> ignored;
            if (!select(&right, &ignored, top)) return false;
            q->compound = true;
            if (!outer) {
                q->sql += " " + op + " " + right;
                have_columns = false;
                continue;
            }
            std::string why;
            std::vector<std::string> right_columns;
            if (!have_columns && !catalog_.columns(q->sql, &columns, &why)) return fail(at, why);
            if (!catalog_.columns(right, &right_columns, &why)) return fail(at, why);
            std::vector<std::string> all;
            auto add = [&all](const std::string& n) {
                for (const std::string& a : all)
                    if (same_name(a, n)) return;
                all.push_back(n);
            };
            for (const std::string& n : columns) add(n);
            for (const std::string& n : right_columns) add(n);
            q->sql = "SELECT " + projection(all, columns) + " FROM (" + q->sql + ") UNION ALL SELECT " +
                     projection(all, right_columns) + " FROM (" + right + ")";
            columns = all;
            have_columns = true;
        }
        if (is_word(peek(), "ORDER")) {
            ++pos_;
            if (!word("BY")) return fail(peek(), "ORDER must be followed by BY");
            std::string terms;
            if (!order_terms(*q, &terms)) return false;
            if (q->compound) q->sql = "SELECT * FROM (" + q->sql + ") ORDER BY " + terms;
            else q->sql += " ORDER BY " + terms;
        }
        --depth_;
        return true;
    }

    // The columns of `all`, each from `have` when it is there, else missing.
    static std::string projection(const std::vector<std::string>& all,
                                  const std::vector<std::string>& have) {
        std::string out;
        for (const std::string& n : all) {
            bool present = false;
            for (const std::string& h : have) present = present || same_name(h, n);
            if (!out.empty()) out += ", ";
            out += present ? quote_name(n) : "NULL AS " + quote_name(n);
        }
        return out;
    }

    // ORDER BY: a name of the select list stands for that item; every term sorts missing
    // values first, in the order of their codes, through qor_rank.
    bool order_terms(const Query& q, std::string* out) {
        do {
            std::string term;
            const Token& t = peek();
            const Token& after = peek(1);
            bool bare = (t.kind == TokenKind::Name || t.kind == TokenKind::Number) &&
                        (after.kind == TokenKind::End || is_symbol(after, ",") ||
                         is_word(after, "ASC") || is_word(after, "DESC"));
            bool resolved = false;
            if (bare && t.kind == TokenKind::Name) {
                if (q.compound) {
                    term = quote_name(t.text);
                    resolved = true;
                } else {
                    for (const Item& item : q.items)
                        if (!item.star && same_name(item.output, t.text)) {
                            term = item.sql;
                            resolved = true;
                            break;
                        }
                }
            } else if (bare && t.kind == TokenKind::Number) {
                double k = t.value;
                if (k != std::floor(k) || k < 1 || k > 32767)
                    return fail(t, "ORDER BY position must be a whole number from 1");
                size_t index = static_cast<size_t>(k) - 1;
                bool stars = false;
                for (size_t i = 0; i <= index && i < q.items.size(); ++i) stars = stars || q.items[i].star;
                if (!q.compound && !stars && index < q.items.size()) {
                    term = q.items[index].sql;
                } else {
                    // A position over stars or a compound query: SQLite's own order.
                    ++pos_;
                    std::string dir = word("DESC") ? " DESC" : (word("ASC"), "");
                    if (!out->empty()) *out += ", ";
                    *out += std::to_string(index + 1) + dir;
                    continue;
                }
                resolved = true;
            }
            if (resolved) {
                ++pos_;
            } else {
                Expr e;
                if (!expression(&e)) return false;
                term = e.sql;
            }
            std::string dir = word("DESC") ? " DESC" : (word("ASC"), "");
            if (!out->empty()) *out += ", ";
            *out += "qor_rank(" + term + ")" + dir + ", " + term + dir;
        } while (symbol(","));
        return true;
    }

    // select := SELECT [DISTINCT] items [FROM tables] [WHERE e] [GROUP BY e, ...] [HAVING e]
    bool select(std::string* sql, std::vector<Item>* items, bool top) {
        if (!word("SELECT")) return fail(peek(), "expected SELECT but found " + shown(peek()));
        *sql = "SELECT ";
        if (word("DISTINCT")) *sql += "DISTINCT ";
        do {
            Item item;
            if (!select_item(&item, top, items->size() + 1)) return false;
            if (!items->empty()) *sql += ", ";
            *sql += item.star ? item.sql : item.sql + (item_alias_.empty() ? "" : " AS " + quote_name(item_alias_));
            items->push_back(item);
        } while (symbol(","));
        if (word("FROM")) {
            std::string from;
            if (!tables(&from)) return false;
            *sql += " FROM " + from;
        }
        if (word("WHERE")) {
            Expr e;
            if (!expression(&e)) return false;
            *sql += " WHERE " + e.sql;
        }
        if (word("GROUP")) {
            if (!word("BY")) return fail(peek(), "GROUP must be followed by BY");
            *sql += " GROUP BY ";
            bool first = true;
            do {
                Expr e;
                if (!expression(&e)) return false;
                *sql += (first ? "" : ", ") + e.sql;
                first = false;
            } while (symbol(","));
        }
        if (word("HAVING")) {
            Expr e;
            if (!expression(&e)) return false;
            *sql += " HAVING " + e.sql;
        }
        return true;
    }

    // item := * | name.* | expr [AS name] {FORMAT=f | LABEL='text' | LENGTH=n | INFORMAT=f}
    bool select_item(Item* item, bool top, size_t number) {
        item_alias_.clear();
        if (symbol("*")) {
            item->star = true;
            item->sql = "*";
            return true;
        }
        if (peek().kind == TokenKind::Name && is_symbol(peek(1), ".") && is_symbol(peek(2), "*")) {
            item->star = true;
            item->sql = quote_name(take().text) + ".*";
            pos_ += 2;
            return true;
        }
        Expr e;
        if (!expression(&e)) return false;
        item->sql = e.sql;
        std::string alias;
        if (word("AS")) {
            if (!name(&alias, "a column name after AS")) return false;
        }
        item->output = !alias.empty() ? alias : e.column ? e.column_name : "_COL" + std::to_string(number);
        if (!e.column || !alias.empty()) item_alias_ = item->output;
        std::string key = upper(item->output);
        if (top && e.kind == Kind::Numeric) out_->numeric_columns.insert(key);
        while (true) {
            const Token& at = peek();
            if (is_word(at, "FORMAT") || is_word(at, "INFORMAT") || is_word(at, "LENGTH")) {
                ++pos_;
                if (!expect_symbol("=")) return false;
                std::string spec;
                if (!format_spec(&spec)) return false;
                if (top && is_word(at, "FORMAT")) out_->attributes[key].format = spec;
            } else if (is_word(at, "LABEL")) {
                ++pos_;
                if (!expect_symbol("=")) return false;
                if (peek().kind != TokenKind::String)
                    return fail(peek(), "LABEL= needs a quoted text");
                std::string label = take().text;
                if (top) {
                    out_->attributes[key].label = label;
                    out_->attributes[key].has_label = true;
                }
            } else {
                break;
            }
        }
        return true;
    }

    // A format as written: the tokens that touch one another after '=' ("comma12.2", "$10.").
    bool format_spec(std::string* spec) {
        const Token& first = peek();
        if (first.kind != TokenKind::Name && first.kind != TokenKind::Number && !is_symbol(first, "$"))
            return fail(first, "expected a format but found " + shown(first));
        size_t last_end = take().end;
        while (pos_ < end_ && peek().offset == last_end &&
               (peek().kind == TokenKind::Name || peek().kind == TokenKind::Number ||
                is_symbol(peek(), ".")))
            last_end = take().end;
        *spec = text_.substr(first.offset, last_end - first.offset);
        return true;
    }

    // tables := reference { (',' | join) reference [ON e | USING (names)] }
    bool tables(std::string* out) {
        if (!table_reference(out)) return false;
        while (true) {
            std::string join;
            if (symbol(",")) {
                join = ", ";
            } else if (word("JOIN")) {
                join = " JOIN ";
            } else if (word("INNER")) {
                if (!word("JOIN")) return fail(peek(), "INNER must be followed by JOIN");
                join = " JOIN ";
            } else if (is_word(peek(), "LEFT") || is_word(peek(), "RIGHT") || is_word(peek(), "FULL")) {
                join = " " + upper(take().text);
                word("OUTER");
                if (!word("JOIN")) return fail(peek(), "expected JOIN but found " + shown(peek()));
                join += " JOIN ";
            } else if (word("CROSS")) {
                if (!word("JOIN")) return fail(peek(), "CROSS must be followed by JOIN");
                join = " CROSS JOIN ";
            } else {
                return true;
            }
            std::string reference;
            if (!table_reference(&reference)) return false;
            *out += join + reference;
            if (join != ", " && join != " CROSS JOIN ") {
                if (word("ON")) {
                    Expr e;
                    if (!expression(&e)) return false;
                    *out += " ON " + e.sql;
                } else if (word("USING")) {
                    if (!expect_symbol("(")) return false;
                    *out += " USING (";
                    bool first = true;
                    do {
                        std::string column;
                        if (!name(&column, "a column name")) return false;
                        *out += (first ? "" : ", ") + quote_name(column);
                        first = false;
                    } while (symbol(","));
                    if (!expect_symbol(")")) return false;
                    *out += ")";
                } else {
                    return fail(peek(), "a JOIN needs ON or USING");
                }
            }
        }
    }

    // reference := lib.member [[AS] alias] | member [[AS] alias] | (query) [AS] alias
    bool table_reference(std::string* out) {
        const Token& at = peek();
        std::string alias;
        if (symbol("(")) {
            Query q;
            if (!query(&q)) return false;
            if (!expect_symbol(")")) return false;
            word("AS");
            if (!name(&alias, "an alias for the subquery")) return false;
            *out = "(" + q.sql + ") AS " + quote_name(alias);
            return true;
        }
        std::string libref, member;
        if (!name(&member, "a table name")) return false;
        if (symbol(".")) {
            libref = member;
            if (!name(&member, "a member name after the library")) return false;
        }
        if (word("AS")) {
            if (!name(&alias, "an alias after AS")) return false;
        } else if (peek().kind == TokenKind::Name && !ends_table_reference(peek())) {
            alias = take().text;
        }
        std::string sql_name, why;
        if (!catalog_.table(libref, member, at.line, &sql_name, &why)) return fail(at, why);
        *out = quote_name(sql_name) + " AS " + quote_name(alias.empty() ? member : alias);
        return true;
    }

    // ---- expressions, lowest precedence first ------------------------------------------------

    bool expression(Expr* e) {
        if (!deeper()) return false;
        bool ok = disjunction(e);
        --depth_;
        return ok;
    }

    bool disjunction(Expr* e) {
        if (!conjunction(e)) return false;
        while (word("OR") || symbol("|")) {
            Expr r;
            if (!conjunction(&r)) return false;
            *e = numeric("(" + e->sql + " OR " + r.sql + ")");
        }
        return true;
    }

    bool conjunction(Expr* e) {
        if (!negation(e)) return false;
        while (word("AND") || symbol("&")) {
            Expr r;
            if (!negation(&r)) return false;
            *e = numeric("(" + e->sql + " AND " + r.sql + ")");
        }
        return true;
    }

    bool negation(Expr* e) {
        if (word("NOT") || symbol("^") || symbol("~")) {
            if (!deeper()) return false;
            Expr inner;
            if (!negation(&inner)) return false;
            --depth_;
            *e = numeric("(NOT " + inner.sql + ")");
            return true;
        }
        return comparison(e);
    }

    static Expr numeric(std::string sql) {
        Expr e;
        e.sql = std::move(sql);
        e.kind = Kind::Numeric;
        return e;
    }

    // The comparison operator at the cursor: the function or native operator it becomes.
    bool comparison_operator(std::string* native, std::string* function) {
        static const struct { const char* symbol; const char* word; const char* native; const char* function; } kOps[] = {
            {"=", "EQ", "=", nullptr},     {"^=", "NE", "<>", nullptr}, {"~=", nullptr, "<>", nullptr},
            {"<>", nullptr, "<>", nullptr}, {"!=", nullptr, "<>", nullptr},
            {"<", "LT", nullptr, "qor_lt"}, {"<=", "LE", nullptr, "qor_le"},
            {">", "GT", nullptr, "qor_gt"}, {">=", "GE", nullptr, "qor_ge"},
        };
        for (const auto& op : kOps) {
            if (symbol(op.symbol) || (op.word && word(op.word))) {
                *native = op.native ? op.native : "";
                *function = op.function ? op.function : "";
                return true;
            }
        }
        return false;
    }

    bool comparison(Expr* e) {
        if (!concatenation(e)) return false;
        std::string native, function;
        if (comparison_operator(&native, &function)) {
            Expr r;
            if (!concatenation(&r)) return false;
            *e = numeric(function.empty() ? "(" + e->sql + " " + native + " " + r.sql + ")"
                                          : function + "(" + e->sql + ", " + r.sql + ")");
            return true;
        }
        bool negated = false;
        if (is_word(peek(), "NOT") && (is_word(peek(1), "IN") || is_word(peek(1), "BETWEEN") ||
                                       is_word(peek(1), "LIKE") || is_word(peek(1), "CONTAINS"))) {
            ++pos_;
            negated = true;
        }
        std::string result;
        if (word("IN")) {
            if (!expect_symbol("(")) return false;
            std::string list;
            if (is_word(peek(), "SELECT")) {
                Query q;
                if (!query(&q)) return false;
                list = q.sql;
            } else {
                do {
                    Expr item;
                    if (!concatenation(&item)) return false;
                    list += (list.empty() ? "" : ", ") + item.sql;
                } while (symbol(","));
            }
            if (!expect_symbol(")")) return false;
            result = "(" + e->sql + " IN (" + list + "))";
        } else if (word("BETWEEN")) {
            Expr low, high;
            if (!concatenation(&low)) return false;
            if (!word("AND")) return fail(peek(), "BETWEEN needs AND");
            if (!concatenation(&high)) return false;
            result = "(qor_ge(" + e->sql + ", " + low.sql + ") AND qor_le(" + e->sql + ", " + high.sql + "))";
        } else if (word("LIKE")) {
            Expr pattern;
            if (!concatenation(&pattern)) return false;
            result = "(" + e->sql + " LIKE " + pattern.sql + ")";
        } else if (word("CONTAINS")) {
            Expr part;
            if (!concatenation(&part)) return false;
            result = "(instr(" + e->sql + ", " + part.sql + ") > 0)";
        } else if (!negated && is_word(peek(), "IS")) {
            ++pos_;
            bool is_not = word("NOT");
            if (!word("NULL") && !word("MISSING"))
                return fail(peek(), "IS must be followed by [NOT] NULL or [NOT] MISSING");
            *e = numeric(std::string(is_not ? "(NOT " : "(") + "qor_missing(" + e->sql + "))");
            return true;
        } else {
            if (negated) return fail(peek(), "NOT must be followed by IN, BETWEEN, LIKE or CONTAINS");
            return true;
        }
        *e = numeric(negated ? "(NOT " + result + ")" : result);
        return true;
    }

    bool concatenation(Expr* e) {
        if (!additive(e)) return false;
        while (symbol("||")) {
            Expr r;
            if (!additive(&r)) return false;
            std::string left = e->literal ? string_literal(e->body) : e->sql;
            std::string right = r.literal ? string_literal(r.body) : r.sql;
            Expr joined;
            joined.sql = "(" + left + " || " + right + ")";
            joined.kind = Kind::Text;
            *e = joined;
        }
        return true;
    }

    bool additive(Expr* e) {
        if (!multiplicative(e)) return false;
        while (is_symbol(peek(), "+") || is_symbol(peek(), "-")) {
            std::string fn = take().text == "+" ? "qor_add" : "qor_sub";
            Expr r;
            if (!multiplicative(&r)) return false;
            *e = numeric(fn + "(" + e->sql + ", " + r.sql + ")");
        }
        return true;
    }

    bool multiplicative(Expr* e) {
        if (!unary(e)) return false;
        while (is_symbol(peek(), "*") || is_symbol(peek(), "/")) {
            std::string fn = take().text == "*" ? "qor_mul" : "qor_div";
            Expr r;
            if (!unary(&r)) return false;
            *e = numeric(fn + "(" + e->sql + ", " + r.sql + ")");
        }
        return true;
    }

    bool unary(Expr* e) {
        if (is_symbol(peek(), "-") || is_symbol(peek(), "+")) {
            bool minus = take().text == "-";
            if (!deeper()) return false;
            Expr inner;
            if (!unary(&inner)) return false;
            --depth_;
            if (!minus) {
                *e = inner;
            } else if (inner.kind == Kind::Numeric && inner.sql.find_first_not_of("0123456789.e+-") == std::string::npos) {
                *e = numeric(inner.sql[0] == '-' ? inner.sql.substr(1) : "-" + inner.sql);
            } else {
                *e = numeric("qor_neg(" + inner.sql + ")");
            }
            return true;
        }
        return power(e);
    }

    bool power(Expr* e) {
        if (!primary(e)) return false;
        if (symbol("**")) {
            if (!deeper()) return false;
            Expr r;
            if (!unary(&r)) return false;
            --depth_;
            *e = numeric("qor_pow(" + e->sql + ", " + r.sql + ")");
        }
        return true;
    }

    bool primary(Expr* e) {
        const Token& t = peek();
        switch (t.kind) {
        case TokenKind::Number: ++pos_; *e = numeric(number_literal(t.value)); return true;
        case TokenKind::Missing: ++pos_; *e = numeric(missing_literal(t.missing)); return true;
        case TokenKind::String:
            ++pos_;
            e->sql = string_literal(right_trimmed(t.text));
            e->kind = Kind::Text;
            e->literal = true;
            e->body = t.text;
            return true;
        case TokenKind::End: return fail(t, "the statement ends where a value was expected");
        default: break;
        }
        if (symbol("(")) {
            if (is_word(peek(), "SELECT")) {
                Query q;
                if (!query(&q)) return false;
                e->sql = "(" + q.sql + ")";
            } else if (!expression(e)) {
                return false;
            } else {
                e->sql = "(" + e->sql + ")";
                e->column = false;
            }
            return expect_symbol(")");
        }
        if (t.kind != TokenKind::Name || reserved(t))
            return fail(t, "expected a value but found " + shown(t));
        if (is_word(t, "CASE")) return case_expression(e);
        ++pos_;
        if (symbol("(")) return function_call(t, e);
        e->column = true;
        e->column_name = t.text;
        e->sql = quote_name(t.text);
        if (symbol(".")) {
            std::string column;
            if (!name(&column, "a column name after the point")) return false;
            e->column_name = column;
            e->sql += "." + quote_name(column);
        }
        return true;
    }

    // CASE [operand] WHEN e THEN e ... [ELSE e] END
    bool case_expression(Expr* e) {
        ++pos_;
        std::string sql = "CASE";
        if (!is_word(peek(), "WHEN")) {
            Expr operand;
            if (!expression(&operand)) return false;
            sql += " " + operand.sql;
        }
        if (!is_word(peek(), "WHEN")) return fail(peek(), "CASE needs WHEN");
        Kind kind = Kind::Unknown;
        while (word("WHEN")) {
            Expr when, then;
            if (!expression(&when)) return false;
            if (!word("THEN")) return fail(peek(), "WHEN needs THEN");
            if (!expression(&then)) return false;
            sql += " WHEN " + when.sql + " THEN " + then.sql;
            kind = then.kind;
        }
        if (word("ELSE")) {
            Expr otherwise;
            if (!expression(&otherwise)) return false;
            sql += " ELSE " + otherwise.sql;
        }
        if (!word("END")) return fail(peek(), "CASE needs END");
        e->sql = sql + " END";
        e->kind = kind;
        return true;
    }

    // name( [DISTINCT] args ) with the summary and scalar functions mapped.
    bool function_call(const Token& function, Expr* e) {
        std::string fn = upper(function.text);
        bool distinct = word("DISTINCT");
        std::vector<std::string> args;
        if (symbol("*")) {
            args.push_back("*");
        } else if (!is_symbol(peek(), ")")) {
            do {
                Expr a;
                if (!expression(&a)) return false;
                args.push_back(a.sql);
            } while (symbol(","));
        }
        if (!expect_symbol(")")) return false;
        std::string list;
        for (const std::string& a : args) list += (list.empty() ? "" : ", ") + a;
        std::string prefix = distinct ? "DISTINCT " : "";
        if (args.size() == 1 && args[0] == "*" && fn != "COUNT")
            return fail(function, "only COUNT takes *");
        if (fn == "MAX" || fn == "MIN") {
            if (args.empty()) return fail(function, fn + " needs an argument");
            std::string name = fn == "MAX" ? "qor_max" : "qor_min";
            *e = numeric(args.size() == 1 ? name + "_agg(" + prefix + list + ")" : name + "(" + list + ")");
        } else if (fn == "SUM" || fn == "AVG" || fn == "MEAN") {
            if (args.size() != 1) return fail(function, fn + " takes one argument");
            *e = numeric(std::string(fn == "SUM" ? "qor_sum(" : "qor_avg(") + prefix + list + ")");
        } else if (fn == "COUNT" || fn == "N" || fn == "FREQ") {
            if (args.size() != 1) return fail(function, fn + " takes one argument");
            if (args[0] == "*") *e = numeric("count(*)");
            else if (distinct) *e = numeric("count(DISTINCT CASE WHEN qor_missing(" + list + ") THEN NULL ELSE " + list + " END)");
            else *e = numeric("qor_count(" + list + ")");
        } else if (fn == "NMISS") {
            if (args.size() != 1) return fail(function, fn + " takes one argument");
            *e = numeric("qor_sum(qor_missing(" + list + "))");
        } else if (fn == "COALESCE") {
            e->sql = "qor_coalesce(" + list + ")";
        } else if (fn == "UPCASE") {
            e->sql = "upper(" + list + ")";
        } else if (fn == "LOWCASE") {
            e->sql = "lower(" + list + ")";
        } else if (fn == "ABS" || fn == "ROUND" || fn == "INT" || fn == "SQRT" || fn == "EXP" ||
                   fn == "LOG") {
            std::string lower = fn;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            *e = numeric("qor_" + lower + "(" + list + ")");
        } else {
            e->sql = function.text + "(" + prefix + list + ")";
        }
        return true;
    }

    const std::string& text_;
    const std::vector<Token>& tokens_;
    size_t pos_;
    size_t end_;
    TranslationCatalog& catalog_;
    Translation* out_;
    Token end_token_;
    std::string error_;
    std::string item_alias_;   // the AS name the current select item is written with
    int depth_ = 0;
    bool in_query_ = false;
};

}  // namespace

std::string quote_name(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

bool translate_query(const std::string& text, const std::vector<Token>& tokens, size_t begin,
                     size_t end, TranslationCatalog& catalog, Translation* out,
                     std::string* error) {
    *out = Translation{};
    Parser parser(text, tokens, begin, end, catalog, out);
    if (parser.run()) return true;
    *error = parser.error();
    return false;
}

}  // namespace qor::runtime::sql

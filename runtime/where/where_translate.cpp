// Reading a WHERE expression: tokens, a precedence parser for the WHERE operators, and the text of
// the methods expression it stands for (BETWEEN, IS MISSING, LIKE and CONTAINS lowered to it).
#include "runtime/where/where_translate.h"

#include <cctype>
#include <string_view>

#include "runtime/literals/literal_scanner.h"

namespace qor::where {

namespace {

enum class Kind { Name, Number, Text, Missing, Op, End };

struct Token {
    Kind kind = Kind::End;
    std::string text;   // names upper case; others as written
    int column = 0;     // 1-based
};

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

struct Failure {
    std::string why;
    int column;
};

std::vector<Token> tokenize(const std::string& text) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        int column = static_cast<int>(i) + 1;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (literals::is_name_start(c)) {
            size_t j = i;
            while (j < text.size() && literals::is_name_char(text[j])) ++j;
            out.push_back({Kind::Name, upper(std::string_view(text).substr(i, j - i)), column});
            i = j;
            continue;
        }
        literals::NumberScan number;
        if (literals::scan_number(text, i, &number)) {
            if (number.error != literals::NumberError::None)
                throw Failure{"the number is not valid", static_cast<int>(number.error_at) + 1};
            out.push_back({Kind::Number, text.substr(i, number.end - i), column});
            i = number.end;
            continue;
        }
        literals::QuotedScan quoted;
        if (literals::scan_quoted(text, i, &quoted)) {
            if (quoted.error == literals::QuotedError::NotClosed) throw Failure{"the quoted text is not closed", column};
            if (quoted.error != literals::QuotedError::None)
                throw Failure{"the literal is not a valid text, date, time or date-time", column};
            out.push_back({Kind::Text, text.substr(i, quoted.end - i), column});
            i = quoted.end;
            continue;
        }
        literals::MissingScan missing;
        if (c == '.' && literals::scan_missing(text, i, &missing) && !missing.name_follows) {
            out.push_back({Kind::Missing, text.substr(i, missing.end - i), column});
            i = missing.end;
            continue;
        }
        static const char* const kTwo[] = {"^=", "~=", "!=", "<=", ">=", "**", "||", "!!"};
        std::string op;
        for (const char* two : kTwo)
            if (text.compare(i, 2, two) == 0) op = two;
        if (op.empty()) {
            if (std::string_view("=<>+-*/(),^~&|!?").find(c) == std::string_view::npos)
                throw Failure{std::string("the character '") + c + "' is not valid here", column};
            op = std::string(1, c);
        }
        out.push_back({Kind::Op, op, column});
        i += op.size();
    }
    out.push_back({Kind::End, "", static_cast<int>(text.size()) + 1});
    return out;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, Translation* out) : t_(std::move(tokens)), out_(out) {}

    std::string parse() {
        std::string e = disjunction();
        if (peek().kind != Kind::End) fail("an operator or the end of the expression is expected");
        return e;
    }

private:
    std::vector<Token> t_;
    size_t k_ = 0;
    Translation* out_;

    const Token& peek(size_t ahead = 0) const { return t_[std::min(k_ + ahead, t_.size() - 1)]; }
    [[noreturn]] void fail(const std::string& why) const { throw Failure{why, peek().column}; }
    bool is_op(const char* op, size_t ahead = 0) const {
        return peek(ahead).kind == Kind::Op && peek(ahead).text == op;
    }
    bool is_word(const char* word, size_t ahead = 0) const {
        return peek(ahead).kind == Kind::Name && peek(ahead).text == word;
    }
    bool take_op(const char* op) {
        if (!is_op(op)) return false;
        ++k_;
        return true;
    }
    bool take_word(const char* word) {
        if (!is_word(word)) return false;
        ++k_;
        return true;
    }
    void expect_op(const char* op) {
        if (!take_op(op)) fail(std::string("'") + op + "' is expected");
    }

    std::string disjunction() {
        std::string e = conjunction();
        while (take_word("OR") || take_op("|")) e = "(" + e + " or " + conjunction() + ")";
        return e;
    }
    std::string conjunction() {
        std::string e = negation();
        while (take_word("AND") || take_op("&")) e = "(" + e + " and " + negation() + ")";
        return e;
    }
    std::string negation() {
        if (take_word("NOT") || take_op("^") || take_op("~") || take_op("!")) return "(not " + negation() + ")";
        return comparison();
    }

    // The comparison operators and the WHERE-only predicates after a first operand.
    std::string comparison() {
        std::string left = concatenation();
        static const struct { const char* word; const char* op; } kOps[] = {
            {"=", "="}, {"^=", "^="}, {"~=", "^="}, {"!=", "^="}, {"<", "<"}, {"<=", "<="}, {">", ">"},
            {">=", ">="}, {"EQ", "="}, {"NE", "^="}, {"LT", "<"}, {"LE", "<="}, {"GT", ">"}, {"GE", ">="}};
        for (const auto& o : kOps) {
            bool word = std::isalpha(static_cast<unsigned char>(o.word[0])) != 0;
            if (word ? take_word(o.word) : take_op(o.word)) {
                std::string right = concatenation();
                return "(" + left + " " + o.op + " " + right + ")";
            }
        }
        if (take_word("IS")) {
            bool negated = take_word("NOT");
            if (!take_word("MISSING") && !take_word("NULL")) fail("MISSING or NULL is expected after IS");
            std::string test = "missing(" + left + ")";
            return negated ? "(not " + test + ")" : "(" + test + ")";
        }
        bool negated = false;
        if (is_word("NOT") && (is_word("IN", 1) || is_word("BETWEEN", 1) || is_word("LIKE", 1) ||
                               is_word("CONTAINS", 1))) {
            negated = true;
            ++k_;
        }
        std::string test;
        if (take_word("IN")) {
            expect_op("(");
            std::string list = in_value();
            while (take_op(",")) list += ", " + in_value();
            expect_op(")");
            test = "(" + left + " in (" + list + "))";
        } else if (take_word("BETWEEN")) {
            std::string low = concatenation();
            if (!take_word("AND")) fail("AND is expected in BETWEEN a AND b");
            std::string high = concatenation();
            test = "((" + left + " >= " + low + ") and (" + left + " <= " + high + "))";
        } else if (take_word("LIKE")) {
            out_->uses_like = true;
            test = std::string(kLikeRoutine) + "(" + left + ", " + concatenation() + ")";
        } else if (take_word("CONTAINS") || take_op("?")) {
            test = "(index(" + left + ", trim(" + concatenation() + ")) > 0)";
        } else {
            if (negated) fail("IN, BETWEEN, LIKE or CONTAINS is expected after NOT");
            return left;
        }
        return negated ? "(not " + test + ")" : test;
    }
    // An element of an IN list: a constant, signed for numbers.
    std::string in_value() {
        std::string sign;
        if (is_op("-") || is_op("+")) sign = t_[k_++].text;
        const Token& v = peek();
        if (v.kind == Kind::Number || (sign.empty() && (v.kind == Kind::Text || v.kind == Kind::Missing))) {
            ++k_;
            return sign + v.text;
        }
        fail("a constant is expected in the IN list");
    }
    std::string concatenation() {
        std::string e = additive();
        while (take_op("||") || take_op("!!")) e = "(" + e + " || " + additive() + ")";
        return e;
    }
    std::string additive() {
        std::string e = multiplicative();
        for (;;) {
            if (take_op("+")) e = "(" + e + " + " + multiplicative() + ")";
            else if (take_op("-")) e = "(" + e + " - " + multiplicative() + ")";
            else return e;
        }
    }
    std::string multiplicative() {
        std::string e = unary();
        for (;;) {
            if (take_op("*")) e = "(" + e + " * " + unary() + ")";
            else if (take_op("/")) e = "(" + e + " / " + unary() + ")";
            else return e;
        }
    }
    std::string unary() {
        if (take_op("-")) return "(-" + unary() + ")";
        if (take_op("+")) return unary();
        std::string base = primary();
        if (take_op("**")) return "(" + base + " ** " + unary() + ")";
        return base;
    }
    std::string primary() {
        const Token& tk = peek();
        switch (tk.kind) {
        case Kind::Number:
        case Kind::Text:
        case Kind::Missing:
            ++k_;
            return tk.text;
        case Kind::Name: {
            static const char* const kReserved[] = {"AND", "OR", "NOT", "IN", "BETWEEN", "IS", "LIKE",
                                                    "CONTAINS", "EQ", "NE", "LT", "LE", "GT", "GE"};
            for (const char* r : kReserved)
                if (tk.text == r) fail("an operand is expected where " + tk.text + " stands");
            ++k_;
            if (!is_op("(")) {
                out_->names.push_back({tk.text, tk.column});
                return tk.text;
            }
            out_->call_columns.push_back(tk.column);
            ++k_;
            std::string call = tk.text + "(";
            if (!is_op(")")) {
                call += disjunction();
                while (take_op(",")) call += ", " + disjunction();
            }
            expect_op(")");
            return call + ")";
        }
        case Kind::Op:
            if (take_op("(")) {
                std::string inner = disjunction();
                expect_op(")");
                return "(" + inner + ")";
            }
            fail("an operand is expected where '" + tk.text + "' stands");
        case Kind::End:
            fail("the expression ends where an operand is expected");
        }
        fail("an operand is expected");
    }
};

}  // namespace

Translation translate_where(const std::string& text) {
    Translation out;
    try {
        Parser parser(tokenize(text), &out);
        out.expression = parser.parse();
    } catch (const Failure& f) {
        out.error = f.why;
        out.error_column = f.column;
        out.expression.clear();
    }
    return out;
}

bool like_match(const char* value, int value_length, const char* pattern, int pattern_length) {
    while (value_length > 0 && (value[value_length - 1] == ' ' || value[value_length - 1] == 0)) --value_length;
    while (pattern_length > 0 && pattern[pattern_length - 1] == ' ') --pattern_length;
    // Iterative matching with one back-tracking point for the last '%' seen.
    int v = 0, p = 0, star = -1, star_v = 0;
    while (v < value_length) {
        if (p < pattern_length && (pattern[p] == '_' || pattern[p] == value[v])) {
            ++v;
            ++p;
        } else if (p < pattern_length && pattern[p] == '%') {
            star = p++;
            star_v = v;
        } else if (star >= 0) {
            p = star + 1;
            v = ++star_v;
        } else {
            return false;
        }
    }
    while (p < pattern_length && pattern[p] == '%') ++p;
    return p == pattern_length;
}

}  // namespace qor::where

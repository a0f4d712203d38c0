// The lexer of the methods language: names (with point-joined parts), operators and comments;
// numbers, missing values, quoted strings and date/time literals through the shared literal scanner.
#include "runtime/compiler/lexer.h"

#include <cctype>

#include "host/missing.h"
#include "runtime/literals/literal_scanner.h"

namespace qor::cmp {

bool same_word(std::string_view name, std::string_view kw) {
    if (name.size() != kw.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != kw[i]) return false;
    return true;
}

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

namespace {

bool name_start(char c) { return literals::is_name_start(c); }

}  // namespace

bool tokenize(std::string_view s, std::vector<Token>& out, std::string& error, int& error_pos) {
    size_t i = 0;
    const size_t n = s.size();
    auto fail = [&](const char* msg, size_t at) {
        error = msg;
        error_pos = static_cast<int>(at) + 1;
        return false;
    };
    while (i < n) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) { ++i; continue; }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t e = s.find("*/", i + 2);
            if (e == std::string_view::npos) return fail("Comment is not closed", i);
            i = e + 2;
            continue;
        }
        Token t;
        t.pos = static_cast<int>(i) + 1;
        if (name_start(c)) {
            size_t j = i;
            while (j < n && literals::is_name_char(s[j])) ++j;
            // point-joined parts: x.VOL, ref.coupon, _VALUE_.mean
            while (j + 1 < n && s[j] == '.' && name_start(s[j + 1])) {
                ++j;
                while (j < n && literals::is_name_char(s[j])) ++j;
            }
            t.kind = Tok::Name;
            t.text = std::string(s.substr(i, j - i));
            i = j;
        } else if (literals::NumberScan num; literals::scan_number(s, i, &num)) {
            if (num.error == literals::NumberError::ExponentWithoutDigits)
                return fail("Exponent of a number has no digits", num.error_at);
            if (num.error == literals::NumberError::FollowedByLetters)
                return fail("Number is followed by a letter", num.error_at);
            t.kind = Tok::Number;
            t.number = num.value;
            i = num.end;
        } else if (literals::MissingScan mis; literals::scan_missing(s, i, &mis)) {
            // missing literals: '.', '._', '.A' .. '.Z' (a letter not followed by a name character)
            if (mis.name_follows) return fail("A missing-value literal is '.', '._' or '.A' to '.Z'", i);
            t.kind = Tok::Missing;
            t.number = make_missing(mis.code);
            t.text = mis.code ? std::string(".") + mis.code : std::string(".");
            i = mis.end;
        } else if (literals::QuotedScan q; literals::scan_quoted(s, i, &q)) {
            switch (q.error) {
                case literals::QuotedError::NotClosed: return fail("Quoted string is not closed", i);
                case literals::QuotedError::UnknownSuffix:
                    return fail("Unknown literal suffix after a quoted string (use d, t or dt)", q.quote_end);
                case literals::QuotedError::BadValue: return fail("Invalid date, time or datetime literal", i);
                case literals::QuotedError::None: break;
            }
            if (q.kind == literals::LiteralKind::Text) {
                t.kind = Tok::String;
                t.text = std::move(q.body);
            } else {
                t.kind = Tok::Number;
                t.number = q.value;
            }
            i = q.end;
        } else if (c == ';') {
            t.kind = Tok::Semi;
            t.text = ";";
            ++i;
        } else {
            static const char* two[] = {"**", "||", "^=", "~=", "!=", "<=", ">=", "<>"};
            std::string op;
            for (const char* d : two)
                if (i + 1 < n && s[i] == d[0] && s[i + 1] == d[1]) op = d;
            if (op.empty()) {
                if (std::string_view("+-*/=<>()[]{},:$&|^~!").find(c) == std::string_view::npos)
                    return fail("Character not allowed here", i);
                op = std::string(1, c);
            }
            if (op == "~=" || op == "!=") op = "^=";
            if (op == "<>") return fail("Operator '<>' is not part of the language (use ^= or MAX)", i);
            if (op == "~" || op == "!") op = "^";
            if (op == "{") op = "[";
            if (op == "}") op = "]";
            t.kind = Tok::Op;
            t.text = op;
            i += op.size();
        }
        out.push_back(std::move(t));
    }
    Token end;
    end.kind = Tok::End;
    end.pos = static_cast<int>(n) + 1;
    out.push_back(end);
    return true;
}

}  // namespace qor::cmp

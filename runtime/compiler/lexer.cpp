// The lexer of the methods language: names (with point-joined parts), numbers, missing-value
// literals, quoted strings with date/time suffixes, operators and comments.
#include "runtime/compiler/lexer.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "host/dates.h"
#include "host/missing.h"

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

bool name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int month_of(std::string_view m) {
    static const char* names[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                  "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int i = 0; i < 12; ++i)
        if (same_word(m, names[i])) return i + 1;
    return 0;
}

// ddMONyyyy (or ddMONyy) at the front of s; returns characters used, 0 when not a date.
size_t parse_date(std::string_view s, double& date) {
    size_t i = 0;
    int day = 0;
    while (i < s.size() && i < 2 && std::isdigit(static_cast<unsigned char>(s[i]))) day = day * 10 + (s[i++] - '0');
    if (i == 0 || i + 3 > s.size()) return 0;
    int month = month_of(s.substr(i, 3));
    if (month == 0) return 0;
    i += 3;
    size_t ystart = i;
    int year = 0;
    while (i < s.size() && i - ystart < 4 && std::isdigit(static_cast<unsigned char>(s[i]))) year = year * 10 + (s[i++] - '0');
    if (i - ystart == 2) year += year < 50 ? 2000 : 1900;   // two-digit years: 1950..2049
    else if (i - ystart != 4) return 0;
    date = ziddmdy(month, day, year);
    return is_missing(date) ? 0 : i;
}

// hh:mm[:ss[.fff]] at the front of s; returns characters used, 0 when not a time.
size_t parse_time(std::string_view s, double& seconds) {
    std::string buf(s);
    int h = 0, m = 0, used = 0;
    double sec = 0;
    if (std::sscanf(buf.c_str(), "%d:%d%n", &h, &m, &used) != 2) return 0;
    if (static_cast<size_t>(used) < buf.size() && buf[used] == ':') {
        int more = 0;
        if (std::sscanf(buf.c_str() + used + 1, "%lf%n", &sec, &more) != 1) return 0;
        used += 1 + more;
    }
    if (h < 0 || m < 0 || m > 59 || sec < 0 || sec >= 60) return 0;
    seconds = h * 3600.0 + m * 60.0 + sec;
    return static_cast<size_t>(used);
}

// Value of a quoted literal with suffix d, t or dt; false when the text does not fit the suffix.
bool literal_value(const std::string& text, std::string_view suffix, double& value) {
    std::string_view s(text);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (same_word(suffix, "D")) return parse_date(s, value) == s.size() && !s.empty();
    if (same_word(suffix, "T")) return parse_time(s, value) == s.size() && !s.empty();
    double date = 0, secs = 0;
    size_t n = parse_date(s, date);
    if (n == 0 || n >= s.size() || s[n] != ':') return false;
    std::string_view rest = s.substr(n + 1);
    if (parse_time(rest, secs) != rest.size()) return false;
    value = date * 86400.0 + secs;
    return true;
}

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
            while (j < n && name_char(s[j])) ++j;
            // point-joined parts: x.VOL, ref.coupon, _VALUE_.mean
            while (j + 1 < n && s[j] == '.' && name_start(s[j + 1])) {
                ++j;
                while (j < n && name_char(s[j])) ++j;
            }
            t.kind = Tok::Name;
            t.text = std::string(s.substr(i, j - i));
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            size_t j = i;
            while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            if (j < n && s[j] == '.') {
                ++j;
                while (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            }
            if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                size_t k = j + 1;
                if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
                if (k < n && std::isdigit(static_cast<unsigned char>(s[k]))) {
                    while (k < n && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
                    j = k;
                } else {
                    return fail("Exponent of a number has no digits", j);
                }
            }
            if (j < n && name_start(s[j])) return fail("Number is followed by a letter", j);
            std::string num(s.substr(i, j - i));
            t.kind = Tok::Number;
            t.number = std::strtod(num.c_str(), nullptr);
            i = j;
        } else if (c == '.') {
            // missing literals: '.', '._', '.A' .. '.Z' (a letter not followed by a name character)
            t.kind = Tok::Missing;
            if (i + 1 < n && (s[i + 1] == '_' || std::isalpha(static_cast<unsigned char>(s[i + 1]))) &&
                !(i + 2 < n && name_char(s[i + 2]))) {
                char code = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
                t.number = make_missing(code);
                t.text = std::string(".") + code;
                i += 2;
            } else if (i + 1 < n && name_char(s[i + 1])) {
                return fail("A missing-value literal is '.', '._' or '.A' to '.Z'", i);
            } else {
                t.number = missing();
                t.text = ".";
                i += 1;
            }
        } else if (c == '\'' || c == '"') {
            std::string val;
            size_t j = i + 1;
            bool closed = false;
            while (j < n) {
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) { val += c; j += 2; continue; }
                    closed = true;
                    ++j;
                    break;
                }
                val += s[j++];
            }
            if (!closed) return fail("Quoted string is not closed", i);
            size_t k = j;
            while (k < n && name_char(s[k])) ++k;
            std::string_view suffix = s.substr(j, k - j);
            if (!suffix.empty()) {
                if (!(same_word(suffix, "D") || same_word(suffix, "T") || same_word(suffix, "DT")))
                    return fail("Unknown literal suffix after a quoted string (use d, t or dt)", j);
                double v = 0;
                if (!literal_value(val, suffix, v))
                    return fail("Invalid date, time or datetime literal", i);
                t.kind = Tok::Number;
                t.number = v;
                i = k;
            } else {
                t.kind = Tok::String;
                t.text = std::move(val);
                i = j;
            }
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

// Character built-ins (LENGTH, SUBSTR, UPCASE, ..., CAT family), number-to-text conversion,
// and PUT/INPUT with their small set of formats (BESTw., w.d, DATE9., $w.).
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/dates.h"
#include "host/missing.h"
#include "runtime/compiler/functions.h"
#include "runtime/compiler/lexer.h"

namespace qor::cmp {

namespace {

void put_text(GenResult& out, const char* s, int n) {
    if (n > out.cap) n = out.cap;
    if (n < 0) n = 0;
    std::memcpy(out.text, s, static_cast<size_t>(n));
    out.len = n;
}

int trimmed_len(const char* s, int n) {
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

int leading_blanks(const char* s, int n) {
    int i = 0;
    while (i < n && s[i] == ' ') ++i;
    return i;
}

// Appends the text of argument a (numbers as PUT writes them); strip removes blanks around it.
void append_arg(std::string& acc, const GenArg& a, bool strip) {
    char buf[40];
    const char* s = a.text;
    int n = a.len;
    if (a.type == 'n') {
        n = format_number(a.num, 12, buf);
        s = buf;
        strip = true;
    }
    if (strip) {
        int lb = leading_blanks(s, n);
        s += lb;
        n = trimmed_len(s, n - lb);
    }
    acc.append(s, static_cast<size_t>(n));
}

// A format's width and decimals from texts such as "BEST12.", "8.2", "DATE9.", "$10.".
struct Format {
    std::string name;
    int width = 0;
    int decimals = -1;
};

Format parse_format(const char* s, int n) {
    Format f;
    std::string t = upper(std::string(s, static_cast<size_t>(trimmed_len(s, n))));
    size_t i = 0;
    while (i < t.size() && (std::isalpha(static_cast<unsigned char>(t[i])) || t[i] == '$')) f.name += t[i++];
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) f.width = f.width * 10 + (t[i++] - '0');
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
            f.decimals = 0;
            while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) f.decimals = f.decimals * 10 + (t[i++] - '0');
        }
    }
    return f;
}

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// "1.5e+14" -> "1.5E14", "2e-05" -> "2E-5": the exponent takes no more room than it needs.
int compact_exponent(char* buf, int n) {
    char* e = std::strchr(buf, 'e');
    if (!e) return n;
    *e = 'E';
    char* p = e + 1;
    char* w = p;
    if (*p == '+') ++p;
    else if (*p == '-') *w++ = *p++;
    while (*p == '0' && p[1]) ++p;
    while (*p) *w++ = *p++;
    *w = '\0';
    return static_cast<int>(w - buf);
}

}  // namespace

int format_number(double v, int width, char* out) {
    if (width < 1) width = 1;
    if (width > 32) width = 32;
    if (std::isnan(v)) {
        int code = missing_code(v);
        out[0] = '.';
        if (code == 0 || !is_missing(v)) return 1;
        out[1] = static_cast<char>(code);
        return 2;
    }
    char buf[64];
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        int n = std::snprintf(buf, sizeof buf, "%.0f", v);
        if (n <= width) { std::memcpy(out, buf, static_cast<size_t>(n)); return n; }
    }
    for (int prec = width; prec >= 1; --prec) {
        int n = compact_exponent(buf, std::snprintf(buf, sizeof buf, "%.*g", prec, v));
        if (n <= width) { std::memcpy(out, buf, static_cast<size_t>(n)); return n; }
    }
    std::memset(out, '*', static_cast<size_t>(width));
    return width;
}

void fn_length(const GenArg* a, int, GenResult& out) {
    int n = trimmed_len(a[0].text, a[0].len);
    out.num = n == 0 ? 1 : n;   // a blank value has length 1
}

// SUBSTR(s, position [, length]): positions from 1; out-of-range parts are cut off.
void fn_substr(const GenArg* a, int nargs, GenResult& out) {
    double p = a[1].num;
    double l = nargs > 2 ? a[2].num : a[0].len - p + 1;
    if (std::isnan(p) || std::isnan(l) || p < 1 || p > a[0].len || l < 1) { out.len = 0; return; }
    int start = static_cast<int>(p) - 1;
    int len = static_cast<int>(std::min<double>(l, a[0].len - start));
    put_text(out, a[0].text + start, len);
}

void fn_upcase(const GenArg* a, int, GenResult& out) {
    put_text(out, a[0].text, a[0].len);
    for (int i = 0; i < out.len; ++i) out.text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(out.text[i])));
}

void fn_lowcase(const GenArg* a, int, GenResult& out) {
    put_text(out, a[0].text, a[0].len);
    for (int i = 0; i < out.len; ++i) out.text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(out.text[i])));
}

void fn_trim(const GenArg* a, int, GenResult& out) { put_text(out, a[0].text, trimmed_len(a[0].text, a[0].len)); }

void fn_strip(const GenArg* a, int, GenResult& out) {
    int lb = leading_blanks(a[0].text, a[0].len);
    put_text(out, a[0].text + lb, trimmed_len(a[0].text + lb, a[0].len - lb));
}

// LEFT moves leading blanks to the end; the length stays.
void fn_left(const GenArg* a, int, GenResult& out) {
    int lb = leading_blanks(a[0].text, a[0].len);
    put_text(out, a[0].text + lb, a[0].len - lb);
    while (out.len < a[0].len && out.len < out.cap) out.text[out.len++] = ' ';
}

// INDEX(s, t): position of the first occurrence of t (trailing blanks of t ignored), else 0.
void fn_index(const GenArg* a, int, GenResult& out) {
    int tl = trimmed_len(a[1].text, a[1].len);
    out.num = 0;
    if (tl == 0) return;
    for (int i = 0; i + tl <= a[0].len; ++i)
        if (std::memcmp(a[0].text + i, a[1].text, static_cast<size_t>(tl)) == 0) { out.num = i + 1; return; }
}

// COMPRESS(s [, chars]): removes the characters of chars (blanks when omitted).
void fn_compress(const GenArg* a, int nargs, GenResult& out) {
    std::string drop = nargs > 1 ? std::string(a[1].text, static_cast<size_t>(a[1].len)) : std::string(" ");
    out.len = 0;
    for (int i = 0; i < a[0].len && out.len < out.cap; ++i)
        if (drop.find(a[0].text[i]) == std::string::npos) out.text[out.len++] = a[0].text[i];
}

void fn_cat(const GenArg* a, int nargs, GenResult& out) {
    std::string acc;
    for (int i = 0; i < nargs; ++i) append_arg(acc, a[i], false);
    put_text(out, acc.data(), static_cast<int>(acc.size()));
}

void fn_cats(const GenArg* a, int nargs, GenResult& out) {
    std::string acc;
    for (int i = 0; i < nargs; ++i) append_arg(acc, a[i], true);
    put_text(out, acc.data(), static_cast<int>(acc.size()));
}

// CATX(separator, ...): stripped non-blank items joined by the separator (its trailing blanks kept off).
void fn_catx(const GenArg* a, int nargs, GenResult& out) {
    std::string acc, sep(a[0].text, static_cast<size_t>(trimmed_len(a[0].text, a[0].len)));
    bool first = true;
    for (int i = 1; i < nargs; ++i) {
        std::string item;
        append_arg(item, a[i], true);
        if (item.empty() || (a[i].type == 'n' && std::isnan(a[i].num))) continue;
        if (!first) acc += sep;
        acc += item;
        first = false;
    }
    put_text(out, acc.data(), static_cast<int>(acc.size()));
}

// PUT(value [, 'format']): BESTw. (default BEST12.), w.d, DATE9. for numbers; $w. for texts.
void fn_put(const GenArg* a, int nargs, GenResult& out) {
    Format f = nargs > 1 ? parse_format(a[1].text, a[1].len) : Format{"BEST", 12, -1};
    char buf[64];
    int n = 0;
    if (a[0].type == 'c') {
        int w = f.width > 0 ? f.width : a[0].len;
        put_text(out, a[0].text, std::min(w, a[0].len));
        return;
    }
    double v = a[0].num;
    if (f.name == "DATE") {
        int m, d, y;
        if (std::isnan(v) || zidmdyd(&m, &d, &y, v) != 0) n = format_number(missing(), 1, buf);
        else n = std::snprintf(buf, sizeof buf, "%02d%s%04d", d, kMonths[m - 1], y);
    } else if (f.name.empty() && f.width > 0 && !std::isnan(v)) {
        n = std::snprintf(buf, sizeof buf, "%*.*f", f.width, f.decimals < 0 ? 0 : f.decimals, v);
        if (n > f.width || n < 0) { std::memset(buf, '*', static_cast<size_t>(f.width)); n = f.width; }
    } else {
        int w = f.width > 0 ? f.width : 12;
        n = format_number(v, w, buf);
    }
    put_text(out, buf, n);
}

// INPUT(text [, 'informat']): a number (blanks around allowed) or a DATE9. date; else missing.
void fn_input(const GenArg* a, int nargs, GenResult& out) {
    std::string t(a[0].text, static_cast<size_t>(a[0].len));
    size_t b = t.find_first_not_of(' ');
    out.num = missing();
    if (b == std::string::npos) return;
    t = t.substr(b, t.find_last_not_of(' ') - b + 1);
    Format f = nargs > 1 ? parse_format(a[1].text, a[1].len) : Format{};
    if (f.name == "DATE") {
        if (t.size() < 7) return;
        int d = std::atoi(t.substr(0, t.size() - 7).c_str());
        std::string mon = upper(t.substr(t.size() - 7, 3));
        int y = std::atoi(t.substr(t.size() - 4).c_str());
        for (int m = 0; m < 12; ++m)
            if (mon == kMonths[m]) out.num = ziddmdy(m + 1, d, y);
        return;
    }
    if (t == ".") return;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (end && *end == '\0' && std::isfinite(v)) out.num = v;
}

}  // namespace qor::cmp

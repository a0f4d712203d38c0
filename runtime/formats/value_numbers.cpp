// Numeric formats: plain w.d, BESTw., Dw.p, COMMAw.d, NLNUMw.d and PERCENTw.d, each with its
// fallback when the value does not fit the width (fewer decimals, then E notation).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/formats/value_format_internal.h"

namespace qor::values {
namespace {

// True when value lies exactly halfway between two multiples of 10^-decimals. With the value
// written as m * 2^e (m odd), 2 * value * 10^decimals is an odd integer only when
// e == -(decimals + 1); for negative decimals (rounding to tens, hundreds ...) m must also hold
// the factor 5^-decimals.
bool is_tie(double value, int decimals) {
    if (value == 0 || !std::isfinite(value)) return false;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));
    int e = exponent - 53;
    while ((m & 1) == 0) {
        m >>= 1;
        ++e;
    }
    if (decimals >= 0) return e == -(decimals + 1);
    const int k = -decimals;
    if (k > 22 || e != k - 1) return false;
    uint64_t five = 1;
    for (int i = 0; i < k; ++i) five *= 5;
    return m % five == 0;
}

// The C library rounds exact ties to even; nudging a tie one step away from zero makes it
// round half away from zero, the rule of the formats, without crossing any other boundary.
double away_from_zero(double value, int decimals) {
    if (!is_tie(value, decimals)) return value;
    return std::nextafter(value, value < 0 ? -INFINITY : INFINITY);
}

void drop_negative_zero(std::string* text) {
    if (text->empty() || (*text)[0] != '-') return;
    if (text->find_first_not_of("-0.") == std::string::npos) text->erase(0, 1);
}

// Significant digits of a value: value = 0 or d1.d2d3... x 10^exp10, trailing zeros dropped.
struct digits {
    bool negative = false;
    std::string figures;
    int exp10 = 0;
};

digits rounded_digits(double value, int significant) {
    digits r;
    r.negative = value < 0;
    const double a = std::fabs(value);
    if (a == 0) {
        r.figures = "0";
        return r;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, a);
    // Exponent of the rounded value tells which decimal place the rounding was at.
    const int e10 = std::atoi(std::strchr(buf, 'e') + 1);
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, away_from_zero(a, significant - 1 - e10));
    const char* e = std::strchr(buf, 'e');
    for (const char* p = buf; p < e; ++p)
        if (*p != '.') r.figures += *p;
    r.exp10 = std::atoi(e + 1);
    while (r.figures.size() > 1 && r.figures.back() == '0') r.figures.pop_back();
    return r;
}

// The fewest significant digits that read back as the same double.
digits shortest_digits(double value) {
    for (int p = 1; p < 17; ++p) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", p - 1, value);
        if (std::strtod(buf, nullptr) == value) return rounded_digits(value, p);
    }
    return rounded_digits(value, 17);
}

std::string plain_from(const digits& g) {
    std::string s = g.negative ? "-" : "";
    const int n = static_cast<int>(g.figures.size());
    if (g.exp10 >= 0) {
        for (int i = 0; i <= g.exp10; ++i) s += i < n ? g.figures[i] : '0';
        if (n > g.exp10 + 1) s += "." + g.figures.substr(g.exp10 + 1);
    } else {
        s += "0." + std::string(-g.exp10 - 1, '0') + g.figures;
    }
    return s;
}

std::string e_from(const digits& g) {
    std::string s = g.negative ? "-" : "";
    s += g.figures[0];
    if (g.figures.size() > 1) s += "." + g.figures.substr(1);
    return s + "E" + std::to_string(g.exp10);
}

// A plain text below one may drop its leading zero ("0.25" as ".25") to fit, when allowed.
bool fit_plain(std::string text, int w, bool drop_zero, std::string* out) {
    if (drop_zero && static_cast<int>(text.size()) > w) {
        const size_t zero = text[0] == '-' ? 1 : 0;
        if (text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
    }
    if (static_cast<int>(text.size()) > w) return false;
    *out = text;
    return true;
}

// E notation with as many significant digits as fit in w.
bool fit_e(double value, int w, std::string* out) {
    for (int p = 17; p >= 1; --p) {
        const std::string t = e_from(rounded_digits(value, p));
        if (static_cast<int>(t.size()) <= w) {
            *out = t;
            return true;
        }
    }
    return false;
}

// Groups the integer digits of a plain decimal text by thousands.
std::string with_commas(const std::string& text) {
    const size_t start = text[0] == '-' ? 1 : 0;
    size_t point = text.find('.');
    if (point == std::string::npos) point = text.size();
    std::string r = text.substr(0, start);
    for (size_t i = start; i < point; ++i) {
        r += text[i];
        const size_t left = point - i - 1;
        if (left > 0 && left % 3 == 0) r += ',';
    }
    return r + text.substr(point);
}

}  // namespace

std::string fixed_text(double value, int decimals) {
    std::string buf(400 + decimals, '\0');
    const int n = std::snprintf(buf.data(), buf.size(), "%.*f", decimals,
                                away_from_zero(value, decimals));
    buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
    drop_negative_zero(&buf);
    return buf;
}

// w.d: fewer decimals when the value needs the room, then E notation.
bool render_fixed(double value, int w, int d, std::string* out) {
    for (int k = d; k >= 0; --k) {
        const std::string t = fixed_text(value, k);
        if (static_cast<int>(t.size()) <= w) {
            *out = t;
            return true;
        }
    }
    return fit_e(value, w, out);
}

// BESTw.: the shortest digits that read back as the value when they fit; otherwise as many
// significant digits as fit, in plain or E notation, whichever keeps more (plain on a tie).
// Only when nothing else fits does a value below one lose its leading zero.
bool render_best(double value, int w, int d, std::string* out) {
    (void)d;
    if (value == 0) {
        *out = "0";
        return true;
    }
    const digits shortest = shortest_digits(value);
    for (const bool drop_zero : {false, true}) {
        if (fit_plain(plain_from(shortest), w, drop_zero, out)) return true;
        for (int p = static_cast<int>(shortest.figures.size()); p >= 1; --p) {
            const digits g = rounded_digits(value, p);
            if (fit_plain(plain_from(g), w, drop_zero, out)) return true;
            const std::string e = e_from(g);
            if (static_cast<int>(e.size()) <= w) {
                *out = e;
                return true;
            }
        }
    }
    return false;
}

// Dw.p: at least p significant digits, as decimal places where the value has fewer integer
// digits than p; E notation with p digits when that does not fit; p = 0 behaves as BESTw.
bool render_d(double value, int w, int p, std::string* out) {
    if (p <= 0 || value == 0) return render_best(value, w, 0, out);
    const digits g = rounded_digits(value, p);
    const int places = p - 1 - g.exp10 > 0 ? p - 1 - g.exp10 : 0;
    const std::string t = fixed_text(value, places);
    if (static_cast<int>(t.size()) <= w) {
        *out = t;
        return true;
    }
    const std::string e = e_from(g);
    if (static_cast<int>(e.size()) <= w) {
        *out = e;
        return true;
    }
    return render_best(value, w, 0, out);
}

// COMMAw.d (and NLNUMw.d in the host's only locale): thousands grouped by commas; without the
// commas, as w.d, when they do not fit.
bool render_comma(double value, int w, int d, std::string* out) {
    const std::string t = with_commas(fixed_text(value, d));
    if (static_cast<int>(t.size()) <= w) {
        *out = t;
        return true;
    }
    return render_fixed(value, w, d, out);
}

// PERCENTw.d: the value times 100 with a percent sign; negative values in parentheses. Fewer
// decimals when the width is short; asterisks when even none fit.
bool render_percent(double value, int w, int d, std::string* out) {
    const double hundred = value * 100.0;
    for (int k = d; k >= 0; --k) {
        std::string t = fixed_text(std::fabs(hundred), k) + "%";
        if (hundred < 0 && t.find_first_not_of("0.%") != std::string::npos) t = "(" + t + ")";
        if (static_cast<int>(t.size()) <= w) {
            *out = t;
            return true;
        }
    }
    return false;
}

}  // namespace qor::values

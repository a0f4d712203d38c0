// Number directives of the formatter: integers of every size, doubles (with the host's missing
// values and the "best" precisions from 70 up) and pointers as plain hexadecimal digits.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/missing.h"
#include "runtime/formats/format_internal.h"

// Rebuilds a C format from the directive's flags for the C library to render one value.
static std::string c_format(const qor_directive& d, const char* length, char conversion, bool with_precision) {
    std::string f = "%";
    if (d.left) f += '-';
    if (d.plus) f += '+';
    if (d.space) f += ' ';
    if (d.zero) f += '0';
    if (d.alt) f += '#';
    f += "*";
    if (with_precision) f += ".*";
    f += length;
    f += conversion;
    return f;
}

static int star_or(int value, bool star, qor_format_args* args) {
    return star ? va_arg(args->list, int) : value;
}

// Renders one value with a rebuilt C format; a negative precision means the format has none.
template <typename T>
static void render(char* buf, size_t size, const std::string& f, int width, int precision, T value) {
    if (precision >= 0) std::snprintf(buf, size, f.c_str(), width, precision, value);
    else std::snprintf(buf, size, f.c_str(), width, value);
}

void qor_format_integer(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    int width = star_or(d.width, d.width_star, args);
    int precision = star_or(d.precision, d.precision_star, args);
    if (width > 4096) width = 4096;
    if (precision > 4096) precision = 4096;
    bool left = d.left || width < 0;
    qor_directive shown = d;
    shown.left = left;
    width = width < 0 ? (d.width_star ? -width : 0) : width;
    char buf[4200];
    bool with_precision = precision >= 0;
    if (!with_precision) precision = -1;
    if (d.conversion == 'c') {
        int c = va_arg(args->list, int);
        std::string one(1, static_cast<char>(c));
        qor_format_pad(&out->text, one, width, left);
        return;
    }
    bool is_signed = d.conversion == 'd' || d.conversion == 'i' || d.conversion == 'q';
    char conversion = d.conversion == 'q' ? 'd' : d.conversion;
    if (d.conversion == 'q' || d.longs >= 2) {
        long long v = va_arg(args->list, long long);
        std::string f = c_format(shown, "ll", conversion, with_precision);
        if (is_signed) render(buf, sizeof buf, f, width, precision, v);
        else render(buf, sizeof buf, f, width, precision, static_cast<unsigned long long>(v));
    } else if (d.longs == 1) {
        long v = va_arg(args->list, long);
        std::string f = c_format(shown, "l", conversion, with_precision);
        if (is_signed) render(buf, sizeof buf, f, width, precision, v);
        else render(buf, sizeof buf, f, width, precision, static_cast<unsigned long>(v));
    } else {
        int v = va_arg(args->list, int);
        std::string f = c_format(shown, d.half ? "h" : "", conversion, with_precision);
        if (is_signed) render(buf, sizeof buf, f, width, precision, v);
        else render(buf, sizeof buf, f, width, precision, static_cast<unsigned>(v));
    }
    out->text += buf;
}

// Missing values print as their code: "." for the ordinary one, "._", ".A" to ".Z".
static std::string missing_text(double value) {
    int code = qor::missing_code(value);
    if (code == 95) return "._";
    if (code >= 65 && code <= 90) return std::string(".") + static_cast<char>(code);
    return ".";
}

// Shortest text that reads back as the same double (at most 17 significant digits).
static std::string best_text(double value) {
    char buf[64];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    return buf;
}

void qor_format_double(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    int width = star_or(d.width, d.width_star, args);
    int precision = star_or(d.precision, d.precision_star, args);
    double value = va_arg(args->list, double);
    bool left = d.left || width < 0;
    width = width < 0 ? (d.width_star ? -width : 0) : width;
    if (width > 4096) width = 4096;
    if (qor::is_missing(value)) {
        qor_format_pad(&out->text, missing_text(value), width, left);
        return;
    }
    if (precision >= 70 && std::isfinite(value)) {
        qor_format_pad(&out->text, best_text(value), width, left);
        return;
    }
    if (precision > 60) precision = 60;   // beyond that the digits are noise; keeps buffers bounded
    qor_directive shown = d;
    shown.left = left;
    std::string f = c_format(shown, "", d.conversion, precision >= 0);
    char buf[4200];
    if (precision >= 0) std::snprintf(buf, sizeof buf, f.c_str(), width, precision, value);
    else std::snprintf(buf, sizeof buf, f.c_str(), width, value);
    out->text += buf;
}

// A pointer as 16 upper-case hexadecimal digits and no prefix: texts write "0x%p" themselves.
void qor_format_pointer(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    int width = star_or(d.width, d.width_star, args);
    if (d.precision_star) va_arg(args->list, int);
    const void* pointer = va_arg(args->list, const void*);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016" PRIXPTR, reinterpret_cast<uintptr_t>(pointer));
    qor_format_pad(&out->text, buf, width > 4096 ? 4096 : width, d.left);
}

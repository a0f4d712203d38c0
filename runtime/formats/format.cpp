// The print-directive formatter: reads a format text, parses each directive and hands it to the
// writer of its kind; layout directives (%n %t %m %w %z %%) are handled here.
#include <cstring>

#include "host/print.h"
#include "runtime/formats/format_internal.h"

size_t qor_format_column(const qor_format_out* out) {
    size_t nl = out->text.rfind('\n');
    if (nl == std::string::npos) return static_cast<size_t>(out->start_column) + out->text.size();
    return out->text.size() - nl - 1;
}

void qor_format_pad(std::string* dest, const std::string& text, int width, bool left) {
    size_t fill = (width > 0 && static_cast<size_t>(width) > text.size()) ? width - text.size() : 0;
    if (!left) dest->append(fill, ' ');
    dest->append(text);
    if (left) dest->append(fill, ' ');
}

// Reads flags, width, precision and modifiers after the '%'. Returns the position of the
// conversion character (or of the terminating NUL when the directive is cut off).
static const char* parse_directive(const char* p, qor_directive* d) {
    for (;; ++p) {
        if (*p == '-') d->left = true;
        else if (*p == '+') d->plus = true;
        else if (*p == ' ') d->space = true;
        else if (*p == '0') d->zero = true;
        else if (*p == '#') d->alt = true;
        else break;
    }
    if (*p == '*') { d->width_star = true; ++p; }
    else if (*p >= '0' && *p <= '9') {
        d->width = 0;
        while (*p >= '0' && *p <= '9') { if (d->width < 100000) d->width = d->width * 10 + (*p - '0'); ++p; }
    }
    if (*p == '.') {
        ++p;
        if (*p == '*') { d->precision_star = true; ++p; }
        else {
            d->precision = 0;
            while (*p >= '0' && *p <= '9') { if (d->precision < 100000) d->precision = d->precision * 10 + (*p - '0'); ++p; }
        }
    }
    for (;; ++p) {
        if (*p == 'l') ++d->longs;
        else if (*p == 'h') d->half = true;
        else if (*p == 'W') d->wide = true;
        else break;
    }
    d->conversion = *p;
    return p;
}

// Which directives a width or precision star is allowed on; elsewhere the directive is unknown
// and must not consume arguments.
static bool directive_known(const qor_directive& d) {
    switch (d.conversion) {
    case '%': case 'n': case 'm': case 'w':
        return !d.width_star && !d.precision_star;
    case 'z':
        return !d.width_star && !d.precision_star && d.width <= 3 && d.width != 0;
    case 't':
        return !d.precision_star;
    case 'd': case 'i': case 'x': case 'X': case 'o': case 'c': case 'q':
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
    case 's': case 'S': case 'u': case 'p':
        return true;
    case 'b': case 'v':
        return !d.precision_star && (d.conversion == 'v' || d.width_star || d.width > 0);
    default:
        return false;
    }
}

static const char* severity_prefix(int level) {
    switch (level) {
    case 2: return "WARNING: ";
    case 3: return "NOTE: ";
    default: return "ERROR: ";
    }
}

// %t: plain moves to the next multiple of 8; %+Nt moves N columns right; %Nt moves to column N
// (counted from 1). A line already past the column gets one blank so items stay apart.
static void format_tab(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    int width = d.width;
    if (d.width_star) width = va_arg(args->list, int);
    size_t column = qor_format_column(out);
    size_t target;
    if (width < 0 && !d.width_star) target = (column / 8 + 1) * 8;
    else if (d.plus) target = column + (width > 0 ? static_cast<size_t>(width) : 0);
    else if (width <= 1) target = 0;
    else target = static_cast<size_t>(width) - 1;
    if (target > 4096) target = 4096;   // a wild tab argument must not blow up the line
    if (target > column) out->text.append(target - column, ' ');
    else if (!d.plus && target < column) out->text.push_back(' ');
}

int qor_format_append(qor_format_out* out, const char* format, qor_format_args* args) {
    if (!format) { out->text += "(null format)"; return 1; }
    int rc = 0;
    const char* p = format;
    while (*p) {
        const char* percent = std::strchr(p, '%');
        if (!percent) { out->text.append(p); break; }
        out->text.append(p, percent - p);
        qor_directive d;
        const char* conv = parse_directive(percent + 1, &d);
        if (!*conv || !directive_known(d)) {
            // Unknown or cut-off directive: copy it as written, read no argument.
            const char* end = *conv ? conv + 1 : conv;
            out->text.append(percent, end - percent);
            p = end;
            rc = 1;
            continue;
        }
        p = conv + 1;
        switch (d.conversion) {
        case '%': out->text.push_back('%'); break;
        case 'n': out->text.push_back('\n'); break;
        case 'z': out->text += severity_prefix(d.width); break;
        case 't': format_tab(out, d, args); break;
        case 'm': out->margins.emplace_back(out->text.size(), qor_format_column(out)); break;
        case 'w': out->breaks.push_back(out->text.size()); break;
        case 'd': case 'i': case 'x': case 'X': case 'o': case 'c': case 'q':
            qor_format_integer(out, d, args); break;
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
            qor_format_double(out, d, args); break;
        case 'p': qor_format_pointer(out, d, args); break;
        case 's': case 'S': qor_format_string(out, d, args); break;
        case 'b': qor_format_field(out, d, args); break;
        case 'u': qor_format_namerec(out, d, args); break;
        case 'v': qor_format_name(out, d, args); break;
        }
    }
    return rc;
}

// Copies the text into the caller's buffer, cut to size - 1 characters and NUL-terminated.
static int copy_to_buffer(const std::string& text, char* buffer, size_t size) {
    if (buffer && size > 0) {
        size_t n = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int>(text.size());
}

int qor_vformat(char* buffer, size_t size, const char* format, va_list args) {
    qor_format_out out;
    qor_format_args a;
    va_copy(a.list, args);
    qor_format_append(&out, format, &a);
    va_end(a.list);
    return copy_to_buffer(out.text, buffer, size);
}

int xpsstr(char* buffer, int size, const char* format, ...) {
    qor_format_out out;
    qor_format_args a;
    va_start(a.list, format);
    qor_format_append(&out, format, &a);
    va_end(a.list);
    size_t room = size > 0 ? static_cast<size_t>(size) - 1 : 0;
    copy_to_buffer(out.text, buffer, size > 0 ? static_cast<size_t>(size) : 0);
    return static_cast<int>(out.text.size() < room ? out.text.size() : room);
}

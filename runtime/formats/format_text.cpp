// Text directives of the formatter: C strings (%s), length-and-address texts (%*s), blank-padded
// fields (%8b, %*b), name records (%u) and names written for generated code (%v, %8v, %*v).
#include <cctype>
#include <cstring>

#include "host/print.h"
#include "runtime/formats/format_internal.h"

// Bytes of a text given by address and length; a negative length means NUL-terminated, and a
// NUL inside the length ends the text early so that a short C string is never read past its end.
static std::string counted_text(const char* text, long length) {
    if (!text) return length == 0 ? std::string() : std::string("(null)");
    if (length < 0) return std::string(text);
    size_t n = 0;
    while (n < static_cast<size_t>(length) && text[n] != '\0') ++n;
    return std::string(text, n);
}

static std::string strip_trailing_blanks(std::string text) {
    size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// Fits a text into a field of exactly `field` characters: cut or blank-padded on the right.
static std::string exact_field(std::string text, int field) {
    if (field < 0) return text;
    if (field > 4096) field = 4096;
    text.resize(static_cast<size_t>(field), ' ');
    return text;
}

// %s: a C string (width and precision as in C). %*s: length and address; a precision is the
// exact width of the column the text is printed in (%*.16s).
void qor_format_string(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    if (d.width_star) {
        int length = va_arg(args->list, int);
        int field = d.precision_star ? va_arg(args->list, int) : d.precision;
        const char* text = va_arg(args->list, const char*);
        out->text += exact_field(counted_text(text, length), field);
        return;
    }
    int precision = d.precision_star ? va_arg(args->list, int) : d.precision;
    const char* text = va_arg(args->list, const char*);
    std::string shown = counted_text(text, -1);
    if (precision >= 0 && shown.size() > static_cast<size_t>(precision)) shown.resize(precision);
    qor_format_pad(&out->text, shown, d.width > 4096 ? 4096 : d.width, d.left);
}

// %8b: the 8-byte blank-padded field at the address; %*b: length and address. Trailing blanks
// are dropped and a NUL ends the field early.
void qor_format_field(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    int length = d.width_star ? va_arg(args->list, int) : d.width;
    const char* text = va_arg(args->list, const char*);
    if (length < 0) length = 0;   // a field has a size: a negative one shows nothing
    out->text += strip_trailing_blanks(counted_text(text, length));
}

static std::string namerec_text(const qor_namerec* name) {
    if (!name) return "(null)";
    long length = name->length;
    if (name->capacity > 0 && length > name->capacity) length = name->capacity;
    return counted_text(name->text, length);
}

// %u: the text of a name record, held to its capacity.
void qor_format_namerec(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    const qor_namerec* name = va_arg(args->list, const qor_namerec*);
    qor_format_pad(&out->text, namerec_text(name), d.width > 4096 ? 4096 : d.width, d.left);
}

static bool plain_name(const std::string& name) {
    if (name.empty()) return false;
    unsigned char first = static_cast<unsigned char>(name[0]);
    if (!(std::isalpha(first) || first == '_')) return false;
    for (unsigned char c : name)
        if (!(std::isalnum(c) || c == '_')) return false;
    return true;
}

// %v: a name as generated code must spell it. A plain name (letter or underscore, then letters,
// digits, underscores) is written as it is; any other is written as a name literal 'text'n with
// quotes doubled, so a name with a blank or a quote cannot break the generated statement.
// %v takes a name record, %8v an 8-byte blank-padded field, %*v a length and an address.
void qor_format_name(qor_format_out* out, const qor_directive& d, qor_format_args* args) {
    std::string name;
    if (d.width_star || d.width > 0) {
        int length = d.width_star ? va_arg(args->list, int) : d.width;
        const char* text = va_arg(args->list, const char*);
        name = strip_trailing_blanks(counted_text(text, length < 0 ? 0 : length));
    } else {
        name = namerec_text(va_arg(args->list, const qor_namerec*));
    }
    if (plain_name(name)) { out->text += name; return; }
    out->text += '\'';
    for (char c : name) {
        if (c == '\'') out->text += '\'';
        out->text += c;
    }
    out->text += "'n";
}

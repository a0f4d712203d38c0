// Pieces of the print-directive formatter shared by its source files: one parsed directive
// and the writers of numbers and texts that the dispatcher calls.
#pragma once
#include "runtime/core/print_internal.h"

struct qor_directive {
    bool left = false;       // '-' flag
    bool plus = false;       // '+' flag (sign for numbers, relative move for %t)
    bool space = false;      // ' ' flag
    bool zero = false;       // '0' flag
    bool alt = false;        // '#' flag
    int width = -1;          // -1 when absent
    bool width_star = false;
    int precision = -1;      // -1 when absent
    bool precision_star = false;
    int longs = 0;           // count of 'l' modifiers
    bool half = false;       // 'h' modifier
    bool wide = false;       // 'W' modifier (accepted on %s, same meaning)
    char conversion = 0;
};

// Current column of the end of the text (0-based).
size_t qor_format_column(const qor_format_out* out);
// Pads `text` to `width` with blanks: on the left, or on the right when `left`.
void qor_format_pad(std::string* dest, const std::string& text, int width, bool left);

// Numbers: %d %i %x %X %o %c %q, %f %e %g (missing values print as ".", "._", ".A"...), %p.
void qor_format_integer(qor_format_out* out, const qor_directive& d, qor_format_args* args);
void qor_format_double(qor_format_out* out, const qor_directive& d, qor_format_args* args);
void qor_format_pointer(qor_format_out* out, const qor_directive& d, qor_format_args* args);
// Texts: %s %S, %b fields, %u name records, %v names for generated code.
void qor_format_string(qor_format_out* out, const qor_directive& d, qor_format_args* args);
void qor_format_field(qor_format_out* out, const qor_directive& d, qor_format_args* args);
void qor_format_namerec(qor_format_out* out, const qor_directive& d, qor_format_args* args);
void qor_format_name(qor_format_out* out, const qor_directive& d, qor_format_args* args);

// Host options (typed registry with save and restore) and environment variables.
// Options are named case-insensitively; the OPTIONS statement of a program sets them.
#pragma once
#include "host/export.h"

// Result codes of the option services.
enum : int {
    QOR_OPT_OK = 0,
    QOR_OPT_UNKNOWN = 1,        // no option of that name
    QOR_OPT_WRONG_TYPE = 2,     // the option is of another type (e.g. xoptigt on a boolean)
    QOR_OPT_BAD_VALUE = 3,      // value out of the option's range or too long
    QOR_OPT_BAD_ARGUMENT = 4,   // null name or null result pointer
    QOR_OPT_SYNTAX = 5,         // OPTIONS statement text that cannot be read
    QOR_OPT_NO_MEMORY = 6,      // memory exhausted
};

// Boolean, integer and text options: get returns 0 on success, 1 for an unknown name.
// A boolean is set on by any non-zero value; an integer must lie in the option's range.
QOR_HOST_API int xoptbgt(const char* name, int* value);
QOR_HOST_API int xoptbst(const char* name, int value);
QOR_HOST_API int xoptigt(const char* name, long* value);
QOR_HOST_API int xoptist(const char* name, long value);
// Text option: copies at most size-1 bytes and a NUL; the true length goes to *length.
// A caller that sees *length >= size got a shortened copy. buffer may be null when size is 0.
QOR_HOST_API int xoptcgt(const char* name, char* buffer, int size, int* length);
// Set a text option; a negative length means value is NUL-terminated.
QOR_HOST_API int xoptcst(const char* name, const char* value, int length);

// Apply the text of an OPTIONS statement ("GENERIC NODATE PAPC=4 DEBUG='sem'"), the words
// between the keyword and the semicolon (a closing semicolon is accepted); a negative length
// means NUL-terminated. 0 on success; an unknown option or bad value gives an error message and
// a non-zero code, and then no option of the statement is changed.
QOR_HOST_API int qor_options_statement(const char* text, int length);

enum : int {
    QOR_ENV_TOO_SMALL = static_cast<int>(0x80002011u),
    QOR_ENV_ABSENT = 1,
    QOR_ENV_BAD_ARGUMENT = 2,   // null or empty name, negative size, null buffer with a size
    QOR_ENV_NO_MEMORY = 3,      // memory exhausted
};
// Environment variable into a buffer (NUL-terminated); *length gets the value's true length.
// 0 on success, QOR_ENV_TOO_SMALL when the buffer is too small (the buffer is left untouched),
// QOR_ENV_ABSENT when unset.
QOR_HOST_API int wzosvar(const char* name, char* buffer, int size, int* length);
// Operating-system identification ("<system> <release> <machine>") into a buffer of `size`
// bytes, cut to fit and NUL-terminated; *length gets the length written. 0, or
// QOR_ENV_BAD_ARGUMENT for a null buffer or a size below 1, QOR_ENV_ABSENT when the system
// does not say.
QOR_HOST_API int wzosinf(char* buffer, int size, int* length);

// The host's global macro symbol table: set numeric and character macro variables, read them back.
// Names are case-insensitive (stored upper-cased); values are text, numbers in shortest round-trip form.
#pragma once
#include "host/export.h"

struct qor_macro_table;

// Return codes of the macro services.
enum : int {
    QOR_MACRO_OK = 0,
    QOR_MACRO_BAD_NAME = 1,     // null, empty, too long or not a valid name
    QOR_MACRO_NOT_FOUND = 2,    // no such variable
    QOR_MACRO_BAD_TABLE = 3,    // null table or null text
    QOR_MACRO_NO_MEMORY = 4,    // memory exhausted
    QOR_MACRO_NAME_MAX = 32,    // longest macro variable name
};

// The global macro symbol table of the process (created on first use, never null).
QOR_HOST_API qor_macro_table* xalanch();
// Set a numeric macro variable; the value is stored as its shortest round-trip text ("." when missing).
QOR_HOST_API int xjsympn(qor_macro_table* table, const char* name, int name_length, double value);
// Set a character macro variable to the given text (length bytes; -1 for NUL-terminated).
QOR_HOST_API int xjsympc(qor_macro_table* table, const char* name, int name_length, const char* text,
                         int text_length);
// Read a macro variable into a buffer (NUL-terminated, cut to fit). Returns the full length of the
// value, or -QOR_MACRO_NOT_FOUND / -QOR_MACRO_BAD_NAME / -QOR_MACRO_BAD_TABLE.
QOR_HOST_API int xjsymget(qor_macro_table* table, const char* name, int name_length, char* buffer, int size);
// Remove a macro variable; 0 when it existed.
QOR_HOST_API int xjsymdel(qor_macro_table* table, const char* name, int name_length);

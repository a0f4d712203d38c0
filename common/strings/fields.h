// Fixed-width, blank-padded text fields: copy, compare, search, justify, concatenate, translate,
// decimal text of an integer and tests for the host's missing values.
#pragma once
#include <cstdint>

// Lengths are 32-bit signed. A negative destination length (wzstmov, wzstcat) asks for a
// NUL-terminated destination of capacity -length - 1, so a buffer of N bytes is passed as -N.
// A negative source length (wzstmov, wzstcat pieces, vzmp) means a NUL-terminated source.
// Trailing blanks carry no meaning in comparisons.

enum : int {
    WZ_BAD_TABLE = static_cast<int>(0x8000200Au),   // wztxxlt: no such translation table
};

// 1 when each of the n bytes equals c (also when n <= 0), else 0; 0 for a null field with n > 0.
int vzabl(unsigned char c, const void* field, int n);
// As vzabl with c compared as a 32-bit value against each byte (above 255 never matches).
int vzatl(int c, const void* field, int n);
// Stores x into n consecutive doubles.
void vzfdl(double x, double* array, int n);
// Copies min(source, destination length) bytes (overlap-safe) and blank-fills the rest.
void vzmp(const void* source, int source_length, void* destination, int destination_length);

// Compares n bytes through the host's upper-case table: 0 when equal, else the difference of
// the first unequal upper-cased bytes.
int wzbcup(const void* a, const void* b, int n);
// Decimal digits of v, with a leading minus sign when negative; no padding, no terminator.
// Returns the number of characters written (1 to 11).
int wzcichr(int v, char* destination);
// 1 when x is a host missing value, else 0.
int wzmis(double x);
// The missing-value code of x when missing (the negative of the signed byte at bits 40-47).
int wzmisc(double x);

// Writes count pieces, each given as (const char* text, int length), into the destination with
// the separator byte between them (a negative separator means none); cut at the capacity.
// A destination length >= 0 blank-pads the rest; a negative one NUL-terminates.
// Returns the number of bytes of pieces and separators written.
int wzstcat(char* destination, int destination_length, int separator, int count, ...);

// Case-sensitive comparison of two fields, the shorter taken as blank-extended: 0 when equal,
// else +i when a is the greater and -i when b is, i the 1-based position of the difference.
// A null text counts as length 0.
int wzstcom(const void* a, int length_a, const void* b, int length_b);
// As wzstcom through the upper-case table; in a multibyte session the host's locale comparison
// does the work and the locale argument is handed to it.
int wzstcmn(const void* a, int length_a, const void* b, int length_b, void* locale_arg);
// 1 when both lengths are equal and the texts are equal ignoring case, else 0.
int wzsteqn(const void* a, int length_a, const void* b, int length_b);

// Justifies the content of a field in place: mode 'L'/'l' left, 'R'/'r' right, 'C'/'c'
// centred, any other mode leaves it where it is. Outputs (each optional) the content length and
// its start offset; returns the content length. An all-blank field gives 0 and 0.
int wzstjls(char* field, int length, int mode, int* content_length, int* start);
int wzstjus(char* field, int length, int mode);

// Length of a NUL-terminated string; 0 for null.
int wzstlen(const char* text);
// Copies a source into a field; blank-pads (length >= 0) or NUL-terminates (length < 0).
// Overlapping moves are correct. A null source leaves an empty field. Returns the bytes copied.
int wzstmov(const void* source, int source_length, char* destination, int destination_length);
// 0-based offset of the first occurrence of the pattern, else -1. A pattern length of 0 (or a
// null pattern) gives 0; a negative one means a NUL-terminated pattern.
int wzstndx(const void* field, int length, const void* pattern, int pattern_length);
// The first byte of the field that occurs in the set; the default when none does.
int wzstopt(const void* field, int length, const void* set, int set_length, int default_byte);
// 0-based index of the first occurrence of the byte, else -1.
int wzstpos(const void* field, int length, int byte);
// The length without trailing blanks (0 for an all-blank, empty or null field).
int wzstrip(const void* field, int length);

// Translates length bytes through host translation table 0 to 4 (2 upper-cases); source and
// destination may be the same field. WZ_BAD_TABLE for any other table number; else 0.
int wztxxlt(int table, const void* source, void* destination, int length);
// This library asks for no special text handling: both return 0.
int wztxdotr();
int wztxdods();

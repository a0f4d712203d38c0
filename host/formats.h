// Host formats and informats: the registry of format names with their limits, formatting values
// through formats, reading texts through informats, and guessing a text column's type.
#pragma once
#include <cstdint>
#include "host/export.h"

enum : int {
    QOR_FORMAT_NAME_MAX = 32,          // longest format name
    QOR_FORMAT_ABSENT = 65535,         // width or decimals not written
    QOR_FORMAT_BAD_TEXT = 1,           // zspltfm: malformed format text
    QOR_FORMAT_UNKNOWN = 2,            // xfrname: no format of that name; no informat of a code
    QOR_INFORMAT_INVALID = 3,          // informat: text that the informat cannot read
    QOR_FORMAT_BAD_WIDTH = 4,          // width or decimals outside the format's limits
    QOR_FORMAT_BUFFER_SMALL = 5,       // destination too small for the text and its NUL
    QOR_FORMAT_NO_MEMORY = 6,          // no memory for the work (with a message in the log)
    QOR_FORMAT_NULL_ARGUMENT = 1001    // a required argument was null
};

// Classes of formats, for callers that treat dates and times apart.
enum : int {
    QOR_FORMAT_NUMERIC = 1,
    QOR_FORMAT_CHARACTER = 2,
    QOR_FORMAT_DATE = 3,
    QOR_FORMAT_DATETIME = 4,
    QOR_FORMAT_TIME = 5
};

// What the registry knows of one format.
struct qor_format_info {
    int16_t min_width;
    int16_t max_width;
    int16_t default_width;
    int16_t min_decimals;
    int16_t max_decimals;
    int16_t default_decimals;
    int16_t format_class;              // QOR_FORMAT_NUMERIC ...
    int16_t code;                      // the registry's number for the format, 1 upwards
};

// Split a format text (length, or negative for NUL-terminated) into its upper-cased name
// (NUL-terminated into name, which holds QOR_FORMAT_NAME_MAX + 1 bytes), width and decimals.
// The width is the digits that end the name part, the decimals the digits after the point;
// a text without a point is a name alone. Absent parts are QOR_FORMAT_ABSENT.
// 0 on success, QOR_FORMAT_BAD_TEXT for a malformed text, QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int zspltfm(const char* text, int length, char* name, int* name_length,
                         uint16_t* width, uint16_t* decimals);

// Look a format name up (case ignored, trailing blanks and NULs dropped; an empty name is the
// plain number format F). context and flags are kept for the callers' argument order and not
// read. info and code may be null. 0 when found, else QOR_FORMAT_UNKNOWN (info is then zeroed
// and code set to 0).
QOR_HOST_API int xfrname(void* context, const char* name, int name_length, int flags,
                         qor_format_info* info, int* code);

// ---- Formatting values ---------------------------------------------------------------------
// Numeric and date formats write their text right-aligned in the width. A value that does not fit
// takes a shorter form where the format has one (fewer decimals, E notation, a two-digit year,
// abbreviated names) and asterisks otherwise; a date outside the valid range gives asterisks.
// Missing values give ".", "_" or "A".."Z" right-aligned. A number given a character format is
// written with BESTw. A format code that names no registry format (callers use 89 and 99 for
// "no format") is BESTw. as well.

// The value with format code, width and the format's default decimals, into exactly width
// characters at dest (no NUL). 0, QOR_FORMAT_BAD_WIDTH for a width outside 1..32767,
// QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int xpfs(double value, int width, int format_code, char* dest);

// The value with format code, width and decimals, right-aligned in a blank field of
// field_length characters (no NUL); a field shorter than the width formats at the field's
// length. 0, QOR_FORMAT_BAD_WIDTH, QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int xfxpn(double value, int format_code, int width, int decimals, char* dest,
                       int field_length);

// The value with a written format ("COMMA12.2", "DATE9.", "BEST."; absent width or decimals
// take the format's defaults; a negative format_length means NUL-terminated) into dest as a
// NUL-terminated text of exactly the width; *length gets the width (may be null).
// 0, QOR_FORMAT_BAD_TEXT, QOR_FORMAT_UNKNOWN, QOR_FORMAT_BAD_WIDTH, QOR_FORMAT_BUFFER_SMALL
// (size below width + 1), QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int xpfmt(double value, const char* format, int format_length, char* dest, int size,
                       int* length);

// A character value through $w.: the text left-aligned in exactly width characters at dest
// (blank-padded or cut; no NUL). A negative length means NUL-terminated.
// 0, QOR_FORMAT_BAD_WIDTH, QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int xpfc(const char* text, int length, int width, char* dest);

// ---- Reading texts through informats -------------------------------------------------------
// An informat reads at most width characters of the text (width 0: the whole text). Leading and
// trailing blanks are ignored. Empty or blank text, or ".", gives the missing value and 0;
// "._" and ".A".."Z" give those special missing values and 0. Text the informat cannot read
// gives the missing value and QOR_INFORMAT_INVALID. Two-digit years are read in the window
// YEARCUTOFF .. YEARCUTOFF + 99.

// Read text with the informat of a registry code, width and decimals into *value.
// 0, QOR_INFORMAT_INVALID, QOR_FORMAT_UNKNOWN (no informat of that code), QOR_FORMAT_BAD_WIDTH,
// QOR_FORMAT_NULL_ARGUMENT. A negative length means NUL-terminated.
QOR_HOST_API int xffmt(int informat_code, int width, int decimals, const char* text, int length,
                       double* value);

// Read text with a written informat ("DATE11.", "COMMA32.2", "BEST."; an absent width reads the
// whole text). Codes as xffmt, plus QOR_FORMAT_BAD_TEXT for a malformed informat text.
QOR_HOST_API int xfin(const char* text, int length, const char* informat, int informat_length,
                      double* value);

// Read text with the character informat $w. (leading blanks dropped, a lone "." read as empty)
// or $CHARw. (kept as written) into dest, NUL-terminated; *out_length gets the length (at most
// width). 0, QOR_FORMAT_BAD_WIDTH, QOR_FORMAT_BUFFER_SMALL, QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int xfinc(const char* text, int length, int width, int keep_blanks, char* dest,
                       int size, int* out_length);

// ---- Guessing a column's type --------------------------------------------------------------
// What a column of texts holds: the class (QOR_FORMAT_NUMERIC, QOR_FORMAT_DATE,
// QOR_FORMAT_DATETIME or QOR_FORMAT_CHARACTER), the informat that reads every text of the
// column, the format to show the values with, and for a character column its longest length.
struct qor_guess {
    int format_class;
    char informat[QOR_FORMAT_NAME_MAX + 12];
    char format[QOR_FORMAT_NAME_MAX + 12];
    int length;
};

// Guess the type of a column from its texts (count texts, lengths[i] negative when texts[i] is
// NUL-terminated; blank texts and "." are ignored). A column without any text is character of
// length 1. 0, or QOR_FORMAT_NULL_ARGUMENT.
QOR_HOST_API int xfguess(const char* const* texts, const int* lengths, int count,
                         qor_guess* guess);

// Host format names: splitting a written format ("COMMA16.2", "DATE9.", "$10.") into name,
// width and decimals, and the registry of known formats with their width and decimal limits.
#pragma once
#include <cstdint>
#include "host/export.h"

enum : int {
    QOR_FORMAT_NAME_MAX = 32,          // longest format name
    QOR_FORMAT_ABSENT = 65535,         // width or decimals not written
    QOR_FORMAT_BAD_TEXT = 1,           // zspltfm: malformed format text
    QOR_FORMAT_UNKNOWN = 2,            // xfrname: no format of that name
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

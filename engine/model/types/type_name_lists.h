// Type-name lists: growable lists of short names addressed by a 1-based code, such as the names
// of report types that catalog storage loads and the component reads by code.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

// Entry i (0-based, code i + 1) occupies width + 1 bytes at i * (width + 1): a length byte, then
// up to width characters.
struct RSKTYPELIST {
    char* buffer;                    // in the general pool; null until the first entry
    int32_t width;
    int32_t capacity;                // entries the buffer holds
    int32_t count;
};

// Empties the list and sets its entry width (1 to 255); no buffer yet.
int rskgtyi(RSKCON* con, RSKTYPELIST* list, int width);
// Appends a name (negative length: NUL-terminated), cut to the width; its code goes to *code
// when code is given. 0, or 1 when the buffer cannot grow (598/2797; the list is unchanged).
int rskgtya(RSKCON* con, RSKTYPELIST* list, const char* text, int length, int* code);
// The code of the first entry equal to the (cut) text ignoring case, or 0.
int rskgtys(RSKCON* con, const RSKTYPELIST* list, const char* text, int length);
// The name of a code as (length, text); 1 after an internal-error line for a code that is not
// in the list.
int rskgtyg(RSKCON* con, const RSKTYPELIST* list, int code, RSKNAMEREC* out);
// Empties the list and keeps its buffer.
int rskgtyc(RSKCON* con, RSKTYPELIST* list);

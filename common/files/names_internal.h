// Helpers shared by the names-and-files routines: argument lengths and 8-character fields.
// Internal to common/files.
#pragma once
#include <cstring>

namespace qor::files {

// The length of an argument: a negative length means NUL-terminated; null is 0.
inline int measured(const char* text, int length) {
    if (!text) return 0;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

// Copy an 8-character field that may be a shorter NUL-terminated text, blank-padded; a null
// field gives 8 blanks.
inline void field8(const char* in, char* out) {
    int i = 0;
    for (; in && i < 8 && in[i] != '\0'; ++i) out[i] = in[i];
    for (; i < 8; ++i) out[i] = ' ';
}

inline bool is_blank_field(const char* field) {
    char f[8];
    field8(field, f);
    for (char c : f) if (c != ' ') return false;
    return true;
}

}  // namespace qor::files

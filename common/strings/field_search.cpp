// Searching fields: uniform-byte tests, substring, byte and byte-set search, the length
// without trailing blanks and the length of a NUL-terminated string.
#include <climits>
#include <cstring>

#include "common/strings/fields.h"

int vzabl(unsigned char c, const void* field, int n) {
    if (n <= 0) return 1;
    if (!field) return 0;
    const auto* p = static_cast<const unsigned char*>(field);
    for (int i = 0; i < n; ++i) {
        if (p[i] != c) return 0;
    }
    return 1;
}

int vzatl(int c, const void* field, int n) {
    if (n <= 0) return 1;
    if (!field) return 0;
    const auto* p = static_cast<const unsigned char*>(field);
    for (int i = 0; i < n; ++i) {
        if (static_cast<int>(p[i]) != c) return 0;
    }
    return 1;
}

int wzstlen(const char* text) {
    if (!text) return 0;
    size_t length = std::strlen(text);
    return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

int wzstrip(const void* field, int length) {
    if (!field) return 0;
    const auto* p = static_cast<const unsigned char*>(field);
    while (length > 0 && p[length - 1] == ' ') --length;
    return length > 0 ? length : 0;
}

int wzstndx(const void* field, int length, const void* pattern, int pattern_length) {
    if (pattern_length < 1) {
        if (pattern_length == 0 || !pattern) return 0;
        pattern_length = wzstlen(static_cast<const char*>(pattern));
        if (pattern_length == 0) return 0;
    }
    if (!field || length <= 0 || pattern_length > length) return -1;
    const auto* f = static_cast<const unsigned char*>(field);
    const auto* p = static_cast<const unsigned char*>(pattern);
    for (int start = 0; start <= length - pattern_length; ++start) {
        if (f[start] == p[0] &&
            std::memcmp(f + start, p, static_cast<size_t>(pattern_length)) == 0) {
            return start;
        }
    }
    return -1;
}

int wzstopt(const void* field, int length, const void* set, int set_length, int default_byte) {
    if (!field || !set || length < 1 || set_length < 1) return default_byte;
    const auto* f = static_cast<const unsigned char*>(field);
    const auto* s = static_cast<const unsigned char*>(set);
    for (int i = 0; i < length; ++i) {
        if (std::memchr(s, f[i], static_cast<size_t>(set_length))) return f[i];
    }
    return default_byte;
}

int wzstpos(const void* field, int length, int byte) {
    if (!field || length < 1) return -1;
    const auto* p = static_cast<const unsigned char*>(field);
    for (int i = 0; i < length; ++i) {
        if (p[i] == static_cast<unsigned char>(byte)) return i;
    }
    return -1;
}

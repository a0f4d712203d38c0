// Kit string and memory primitives: plain loops over bytes or 32-bit elements with null and
// negative-count checks, so that no argument can make them read or write out of bounds.
#include "common/kit/kit_primitives.h"

#include <climits>
#include <cstring>

#include "host/missing.h"

int skStrLen(const char* text) {
    if (!text) return 0;
    size_t length = std::strlen(text);
    return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

int skStrTLen(const uint32_t* text) {
    if (!text) return 0;
    int length = 0;
    while (text[length] != 0 && length < INT_MAX) ++length;
    return length;
}

void skStrCpy(const char* source, char* destination) {
    if (!destination) return;
    if (!source) {
        destination[0] = '\0';
        return;
    }
    std::memmove(destination, source, std::strlen(source) + 1);
}

void skStrTCpy(const uint32_t* source, uint32_t* destination) {
    if (!destination) return;
    if (!source) {
        destination[0] = 0;
        return;
    }
    size_t count = static_cast<size_t>(skStrTLen(source)) + 1;
    std::memmove(destination, source, count * sizeof(uint32_t));
}

void skStrUp(char* field, int n) {
    if (!field) return;
    for (int i = 0; i < n; ++i) {
        if (field[i] >= 'a' && field[i] <= 'z') field[i] = static_cast<char>(field[i] - 32);
    }
}

int skMemNot(uint8_t value, const void* field, int n) {
    if (n <= 0) return 1;
    if (!field) return 0;
    const auto* p = static_cast<const uint8_t*>(field);
    for (int i = 0; i < n; ++i) {
        if (p[i] != value) return 0;
    }
    return 1;
}

int skMemTNot(uint32_t value, const uint32_t* field, int n) {
    if (n <= 0) return 1;
    if (!field) return 0;
    for (int i = 0; i < n; ++i) {
        if (field[i] != value) return 0;
    }
    return 1;
}

void skMemSet(void* field, uint8_t value, int n) {
    if (field && n > 0) std::memset(field, value, static_cast<size_t>(n));
}

void skMemTSet(uint32_t* field, uint32_t value, int n) {
    if (!field) return;
    for (int i = 0; i < n; ++i) field[i] = value;
}

int skMemCmp(const void* a, const void* b, int n) {
    if (n <= 0 || a == b) return 0;
    if (!a || !b) return a ? 1 : -1;
    const auto* pa = static_cast<const uint8_t*>(a);
    const auto* pb = static_cast<const uint8_t*>(b);
    for (int i = 0; i < n; ++i) {
        if (pa[i] != pb[i]) return pa[i] > pb[i] ? 1 : -1;
    }
    return 0;
}

int skWMemCmp(const uint32_t* a, const uint32_t* b, int n) {
    if (n <= 0 || a == b) return 0;
    if (!a || !b) return a ? 1 : -1;
    for (int i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            // The difference wraps as a 32-bit value and is read as signed.
            auto difference = static_cast<int32_t>(a[i] - b[i]);
            return difference > 0 ? 1 : -1;
        }
    }
    return 0;
}

void skMemCpy(const void* source, void* destination, int n) {
    if (!source || !destination || n <= 0) return;
    const auto* s = static_cast<const uint8_t*>(source);
    auto* d = static_cast<uint8_t*>(destination);
    for (int i = 0; i < n; ++i) d[i] = s[i];
}

void skMemSCpy(const void* source, void* destination, int n) {
    if (!source || !destination || n <= 0) return;
    std::memmove(destination, source, static_cast<size_t>(n));
}

void* skMemDup(const void* field, int n, qor_pool* kit_pool) {
    if (!field || n <= 0 || !kit_pool || !kit_pool->kit_alloc) return nullptr;
    void* copy = kit_pool->kit_alloc(kit_pool, static_cast<size_t>(n), 0);
    if (copy) std::memcpy(copy, field, static_cast<size_t>(n));
    return copy;
}

int skMemScan(const void* field, int n, uint8_t value) {
    if (!field || n <= 0) return -1;
    const auto* p = static_cast<const uint8_t*>(field);
    for (int i = 0; i < n; ++i) {
        if (p[i] == value) return i;
    }
    return -1;
}

int skMemNScan(const void* field, int n, uint8_t value) {
    if (!field || n <= 0) return -1;
    const auto* p = static_cast<const uint8_t*>(field);
    for (int i = 0; i < n; ++i) {
        if (p[i] != value) return i;
    }
    return -1;
}

int skMemTNScan(const uint32_t* field, int n, uint32_t value) {
    if (!field || n <= 0) return -1;
    for (int i = 0; i < n; ++i) {
        if (field[i] != value) return i;
    }
    return -1;
}

int skMissArray(const double* values, int n) {
    if (!values) return 0;
    for (int i = 0; i < n; ++i) {
        if (qor::is_missing(values[i])) return 1;
    }
    return 0;
}

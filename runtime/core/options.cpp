// Host options (first cut: every option reads as off, zero or empty).
// Replaced by the typed option registry.
#include "host/options.h"

#include <cstdlib>
#include <cstring>

int xoptbgt(const char*, int* value) { *value = 0; return 0; }
int xoptbst(const char*, int) { return 0; }
int xoptigt(const char*, long* value) { *value = 0; return 0; }
int xoptist(const char*, long) { return 0; }
int xoptcgt(const char*, char* buffer, int size, int* length) { if (size > 0) buffer[0] = 0; if (length) *length = 0; return 0; }
int xoptcst(const char*, const char*, int) { return 0; }
int qor_options_statement(const char*, int) { return 0; }
int wzosvar(const char* name, char* buffer, int size, int* length) {
    const char* v = std::getenv(name);
    if (!v) return QOR_ENV_ABSENT;
    int n = static_cast<int>(std::strlen(v));
    if (length) *length = n;
    if (n >= size) return QOR_ENV_TOO_SMALL;
    std::memcpy(buffer, v, n + 1);
    return 0;
}

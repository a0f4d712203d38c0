// Environment variables for the modules: wzosvar copies a variable's value into a caller's
// buffer and tells the true length when the buffer is too small.
#include <cstdlib>
#include <cstring>

#include "host/options.h"
#include "runtime/core/service_guard.h"

int wzosvar(const char* name, char* buffer, int size, int* length) try {
    if (!name || !*name || size < 0 || (size > 0 && !buffer)) return QOR_ENV_BAD_ARGUMENT;
    if (std::strchr(name, '=')) return QOR_ENV_ABSENT;   // no variable can have such a name
    const char* value = std::getenv(name);
    if (!value) {
        if (length) *length = 0;
        return QOR_ENV_ABSENT;
    }
    size_t n = std::strlen(value);
    if (length) *length = static_cast<int>(n);
    // The value and its NUL must fit; otherwise the caller's buffer is left as it was.
    if (n >= static_cast<size_t>(size)) return QOR_ENV_TOO_SMALL;
    std::memcpy(buffer, value, n + 1);
    return 0;
}
QOR_SERVICE_CATCH(QOR_ENV_NO_MEMORY)
